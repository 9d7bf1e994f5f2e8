#include "sync/requests/RequestSyncDataFinish.hpp"

#include "sync/requests/RequestBody.hpp"

namespace mv {

RequestSyncDataFinish::RequestSyncDataFinish() {
  cmdCode = kCmdSyncDataFinish;
  requestHead = "SyncServer;";
  methodName = "syncDataFinished";
}

std::optional<std::string> RequestSyncDataFinish::RequestEncode() const {
  RequestBody body = makeBody();
  addSessionParameters(body);
  body.addElemValue(tableType, "tableType");
  return body.requestStr();
}

std::shared_ptr<NetBaseRst> RequestSyncDataFinish::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<SyncDataFinishRst>(recData);
  result->tableType = tableType;
  return result;
}

}  // namespace mv
