#pragma once
// The sign-in session as the sync layer sees it: the sync engine's view of it
// (how the user is signed in, what a silent sign-in refreshes, the two session
// requests), plus the record of the user's last backup, which a finished
// backup updates whether or not a screen is watching. The shell's session
// implements it and installs itself; the sync layer never owns it and never
// keeps it across run-loop turns. Main thread only.
#include <memory>
#include <string>

#include "sync/SyncLoginSession.hpp"

namespace mv {

class LoginRst;
class NetBaseRst;

class SyncSession : public SyncLoginSession {
 public:
  virtual void setHasBackup(bool hasBackup) = 0;
  // Seconds since 1970 of the user's last backup on the service.
  virtual void setLastBackupDate(double secondsSince1970) = 0;

  // The session the sync layer works for; nothing while none is installed.
  static void setCurrent(std::weak_ptr<SyncSession> session);
  static std::shared_ptr<SyncSession> current();

  // Takes an accepted silent sign-in into `session`: signed in online, the
  // service's spelling of the same client id (never a blank or foreign one),
  // its session id and vendor number.
  static void acceptSilentLogin(SyncLoginSession& session, const LoginRst& reply);
  // After a refused silent sign-in: offline when the service could not be
  // reached ("999"), otherwise not signed in.
  static void refuseSilentLogin(SyncLoginSession& session, const std::string& status);
  // Takes the reply to a silent sign-in into the current session, when one is
  // installed: accepted on success (a full resync the service asks for is
  // asked of the next sync), refused otherwise. True on success.
  static bool takeSilentLoginReply(const LoginRst& reply);
};

}  // namespace mv
