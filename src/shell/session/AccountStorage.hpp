#pragma once
// What this device keeps of one client's account besides the sign-in itself:
// the client folder with its file folders and per-client flags, the saved
// logins of the login panel, the upgrade of the client database after an
// application update, and the wipe before a full resync that keeps the
// user's own work. The sign-in (`LoginMode`) decides when; this class does
// the storage. Main thread only.
#include <chrono>
#include <filesystem>
#include <string>

#include "store/LoginInfo.hpp"

namespace mv {

class AccountStorage {
 public:
  explicit AccountStorage(std::string clientId);

  // Deletes the client folder, what was made from its files and kept
  // elsewhere, its mailed and printed documents, what a full resync set
  // aside in tmp, and the per-client flags. The session's services end and the
  // database closes first, then the work on other threads that writes into
  // the folder stops and is waited for, within a bound. Refuses a blank or
  // invalid client id and the demo companies. True only when all of it is
  // gone; otherwise the folder is kept while work in it still runs, and the
  // wipe is noted and finished at the next start.
  [[nodiscard]] bool removeBlockAccount();
  // The wipes an earlier run left unfinished, finished before anything
  // opens those accounts.
  static void finishUnfinishedWipes();
  static bool hasUnfinishedWipe(const std::string& clientId);
  // What a full resync cut short (by a crash or a kill) left set aside in
  // tmp goes back before anything opens those accounts: the rows of earlier
  // upgrades into the client folder, the old database into its place, or,
  // when the new one was made, the user's work into that.
  static void carryBackSetAside();
  // What a run ended by a crash or a kill left behind for good goes before
  // anything opens an account: the replies it kept on the disk while it read
  // them (hundreds of megabytes, removed on a worker once set aside), and
  // the picture checks' writes it never put in place.
  static void sweepLeftovers();
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
  // set aside and put back into the new database, and the pictures stay for
  // the full sync to keep those the service still lists. The sync flags go
  // before anything leaves its place, and what is set aside in tmp goes
  // back at the next start when the process ends half way
  // (carryBackSetAside). False when the work in the folder did not stop or the user's work could not be set aside: nothing
  // was wiped, and the full resync is left to the next sync; false too when
  // the folder was not wiped whole.
  [[nodiscard]] bool wipeForFullSync();

  // How long a wipe waits for the work in the folder to stop (tests).
  static void setWriterBoundForTesting(std::chrono::milliseconds bound);

 private:
  bool isWipeable() const;
  // Ends the session and stops the work in the folder; true once nothing
  // writes there. The folder stays closed to new work until reopened.
  bool stopWriters(const std::filesystem::path& folder);
  // The folder, the copies made from its files, and the per-client flags;
  // true when all of it is gone. With `keepPictures` the folders of the
  // product pictures, icons and library covers stay: the full sync that
  // follows keeps what the store lists of them and removes the pictures and
  // covers no published row names.
  bool removeData(const std::filesystem::path& folder, bool keepPictures = false);
  // The account's outbox and print spool; true when both are gone.
  bool removeSentDocuments();
  // What a full resync of this account left in tmp; true when all of it is gone.
  bool removeSetAside();
  static void setUnfinished(const std::string& clientId, bool unfinished);

  std::string clientId_;
};

}  // namespace mv
