#include "sync/SyncTableRequest.hpp"

#include "sync/requests/RequestBody.hpp"
#include "util/Session.hpp"

namespace mv {

SyncTableRequest::SyncTableRequest(int cmd, std::string type) : syncType(std::move(type)) {
  cmdCode = cmd;
  requestHead = "SyncServer;";
  methodName = "syncData";
}

std::optional<std::string> SyncTableRequest::encodeTable(const std::string& sessionId) const {
  RequestBody body = makeBody();
  addSessionParameters(body, sessionId, Session::current().acountID, Session::current().clientID);
  body.addElemValue(Session::current().deviceID, "deviceId");
  body.addElemValue(syncType, "syncType");
  body.addElemValue(isFull, "isFull");
  return body.requestStr();
}

}  // namespace mv
