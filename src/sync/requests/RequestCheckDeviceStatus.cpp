#include "sync/requests/RequestCheckDeviceStatus.hpp"

#include "sync/requests/RequestBody.hpp"
#include "util/Session.hpp"

namespace mv {

RequestCheckDeviceStatus::RequestCheckDeviceStatus()
    : userName(Session::current().acountID), clientID(Session::current().clientID), deviceID(Session::current().deviceID) {
  cmdCode = kCmdCheckDeviceStatus;
  requestHead = "Vendor?";
  methodName = "checkDeviceStatus";
}

std::optional<std::string> RequestCheckDeviceStatus::RequestEncode() const {
  RequestBody body = makeBody();
  body.addElemValue(userName, "accountId");
  body.addElemValue(deviceID, "deviceId");
  body.addElemValue(clientID, "clientId");
  return body.requestStr();
}

std::shared_ptr<NetBaseRst> RequestCheckDeviceStatus::RequestDecode(const base::Value* recData) const {
  return makeResult<CheckDeviceRst>(recData);
}

}  // namespace mv
