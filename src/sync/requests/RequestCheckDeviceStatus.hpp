#pragma once
// Whether the signed-in user and device may still use the service (command 262).
#include <string>

#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

// Status, detail and message only; "11412" is the healthy answer.
class CheckDeviceRst : public NetBaseRst {};

class RequestCheckDeviceStatus : public RequestInterfaceBase {
 public:
  // Takes the user from the session.
  RequestCheckDeviceStatus();

  std::string userName;
  std::string clientID;
  std::string deviceID;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
};

}  // namespace mv
