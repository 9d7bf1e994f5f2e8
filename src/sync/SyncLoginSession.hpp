#pragma once
// The sign-in session as the sync engine sees it: how the user is signed in,
// the session facts a silent sign-in refreshes, and the two session requests a
// run sends first. The shell's session implements it; what it holds is read
// by everyone else as the published session value (`Session`).
#include <cstdint>
#include <string>

#include "util/Session.hpp"

namespace mv {

class SyncLoginSession {
 public:
  virtual ~SyncLoginSession() = default;

  virtual LoginType loginType() const = 0;
  virtual void setLoginType(LoginType type) = 0;
  virtual std::string clientID() const = 0;
  virtual void setClientID(const std::string& clientId) = 0;
  virtual void setSessionId(const std::string& sessionId) = 0;
  virtual void setVendorId(std::int64_t vendorId) = 0;
  // A silent sign-in heard that the service wants a full resync: the next
  // sync asks every part in full, into the store as it is, as the user's own
  // "Resync all data" does (screens, and perhaps a sync, are using it).
  virtual void askFullSync() = 0;

  // Send the user-information and runtime-configuration requests; their
  // replies go to the session, and the sync does not wait for them.
  virtual void getUserinfo() = 0;
  virtual void getRuntimeConfig() = 0;

  // The client id a silent sign-in leaves the session with: the service's
  // spelling when it names the same client (ignoring case), else the
  // session's own. A blank or foreign id from the service would move every
  // per-client key and the client folder to another client.
  static std::string reloginClientId(const std::string& sessionClientId, const std::string& repliedClientId);
};

}  // namespace mv
