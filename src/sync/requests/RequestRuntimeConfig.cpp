#include "sync/requests/RequestRuntimeConfig.hpp"

#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestBody.hpp"

namespace mv {

RequestRuntimeConfig::RequestRuntimeConfig() {
  cmdCode = kCmdRuntimeConfig;
  requestHead = "Component?";
  methodName = "getRunTimeConfig";
}

std::optional<std::string> RequestRuntimeConfig::RequestEncode() const {
  RequestBody body = makeBody();
  body.addElemValue(clientId, "clientId");
  return body.requestStr();
}

std::shared_ptr<NetBaseRst> RequestRuntimeConfig::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<ConfigRst>(recData);
  if (!result->isSuccess()) return result;
  const base::Value* content = contentObject(recData);
  if (!content) {
    markMalformedReply(*result, "no content object");
    return result;
  }
  RequestConfig::decodeConfiguration(*result, *content, false);
  return result;
}

}  // namespace mv
