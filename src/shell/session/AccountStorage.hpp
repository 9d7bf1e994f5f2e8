#pragma once
// What this device keeps of one client's account besides the sign-in itself:
// the client folder with its file folders and per-client flags, the saved
// logins of the login panel, the upgrade of the client database after an
// application update, and the wipe before a full resync that keeps the
// user's own work. The sign-in (`LoginMode`) decides when; this class does
// the storage. Main thread only.
#include <string>

#include "store/LoginInfo.hpp"

namespace mv {

class AccountStorage {
 public:
  explicit AccountStorage(std::string clientId);

  // Deletes the client folder (ending the session's services and closing the
  // database first) and the per-client flags. Refuses a blank or invalid client id and the demo
  // companies. True when the folder is gone afterwards.
  [[nodiscard]] bool removeBlockAccount();
  // Forgets what the syncs of this client recorded (and the version its
  // database was upgraded for), so the next sync starts from nothing.
  void removeAllSyncFlag();
  // Puts this login at the front of the saved logins, with its password, and
  // moves the shortcut to it when it signs in automatically.
  static void refreshLastLogininfo(const LoginInfo& login, bool autoLogin);
  // Upgrades the client database when the application's version differs from
  // the one it was last upgraded for; the skin is fetched anew then. True when
  // nothing was needed or the upgrade succeeded; a failure is not recorded, so
  // the next sign-in tries again.
  [[nodiscard]] bool versionCompare(const std::string& appVersion);
  // The client's file-type folders; false when one cannot be made.
  [[nodiscard]] bool createAllDirectorys();
  // Before a full resync the client folder is wiped, but the user's own work
  // the service does not have yet (and the rows kept from earlier upgrades) is
  // set aside and put back into the new database. False when it could not be
  // set aside: nothing was wiped, and the full resync is left to the next
  // sync.
  [[nodiscard]] bool wipeForFullSync();

 private:
  std::string clientId_;
};

}  // namespace mv
