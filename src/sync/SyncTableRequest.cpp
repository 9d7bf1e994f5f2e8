#include "sync/SyncTableRequest.hpp"

#include "sync/RequestBody.hpp"
#include "util/SessionContext.hpp"

namespace mv {

SyncTableRequest::SyncTableRequest(int cmd, std::string type) : syncType(std::move(type)) {
  cmdCode = cmd;
  requestHead = "SyncServer;";
  methodName = "syncData";
}

std::optional<std::string> SyncTableRequest::encodeTable(const std::string& sessionId) const {
  RequestBody body = makeBody();
  addSessionParameters(body, sessionId, SessionContext::acountID(), SessionContext::clientID());
  body.addElemValue(SessionContext::deviceID(), "deviceId");
  body.addElemValue(syncType, "syncType");
  body.addElemValue(isFull, "isFull");
  return body.requestStr();
}

}  // namespace mv
