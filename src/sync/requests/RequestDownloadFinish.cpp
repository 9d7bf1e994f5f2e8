#include "sync/requests/RequestDownloadFinish.hpp"

#include "sync/requests/RequestBody.hpp"

namespace mv {

RequestDownloadFinish::RequestDownloadFinish() {
  cmdCode = kCmdDownloadFinish;
  requestHead = "SyncServer;";
  methodName = "syncFileFinished";
}

std::optional<std::string> RequestDownloadFinish::RequestEncode() const {
  RequestBody body = makeBody();
  addSessionParameters(body);
  body.addElemValue(std::to_string(fileId), "fileIds");
  return body.requestStr();
}

std::shared_ptr<NetBaseRst> RequestDownloadFinish::RequestDecode(const base::Value* recData) const {
  return makeResult<SyncDataFinishRst>(recData);
}

}  // namespace mv
