#pragma once
#include <cstdint>
#include <string>

namespace mv {

// One user's login: built by the sign-in panel, handed out by the session and
// kept in the local user table for offline sign-ins.
struct LoginInfo {
  std::string accountId;
  std::string deviceId;
  std::string passWord;
  std::string clientId;
  std::string sessionId;
  std::string email;
  std::string companyName;
  std::string companyLink;
  std::int64_t userAccess = 0;
};

}  // namespace mv
