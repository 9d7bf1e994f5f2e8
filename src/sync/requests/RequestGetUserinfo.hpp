#pragma once
// The signed-in user's details (command 265, the user-information request).
#include <cstdint>
#include <string>

#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

class GetUserinfoRst : public NetBaseRst {
 public:
  std::string email;
  std::string companyName;
  std::string companyLink;
  std::int64_t userAccess = 0;
};

class RequestGetUserinfo : public RequestInterfaceBase {
 public:
  // Takes the user from the session.
  RequestGetUserinfo();

  std::string userName;
  std::string clientID;
  // Kept for callers; the service is not sent these.
  std::string startTime;
  int count = 0;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
};

}  // namespace mv
