#pragma once
// Where the statuses that end the session go: the application's session
// handler, which alerts the user and logs out. The shell installs it.
#include <string>

namespace mv {

class SessionEventSink {
 public:
  virtual ~SessionEventSink() = default;
  // "101": the service's session expired.
  virtual void logoutWhenSessionExpired(const std::string& status, const std::string& message) = 0;
  // "114", "11411", "207": the user or the device is locked.
  virtual void logoutWithLockedUser(const std::string& status, const std::string& message) = 0;
};

}  // namespace mv
