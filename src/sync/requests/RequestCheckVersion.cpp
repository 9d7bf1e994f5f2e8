#include "sync/requests/RequestCheckVersion.hpp"

#include "platform/base/Paths.hpp"
#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestBody.hpp"
#include "util/Json.hpp"
#include "util/PublicFunction.hpp"

namespace mv {

const std::string& CheckAppVersionRst::updateMessage() const {
  return PublicFunction::interfaceLanguage() == kLanguageChinese ? msgChinese : msgEnglish;
}

RequestCheckVersion::RequestCheckVersion() {
  cmdCode = kCmdCheckVersion;
  requestHead = "SyncServer?";
  methodName = "checkAppVersion";
}

std::optional<std::string> RequestCheckVersion::RequestEncode() const {
  RequestBody body = makeBody();
  body.addElemValue(base::Bundle::shortVersion(), "version");
  return body.requestStr();
}

std::shared_ptr<NetBaseRst> RequestCheckVersion::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<CheckAppVersionRst>(recData);
  if (!result->isSuccess()) return result;
  const base::Value* content = contentObject(recData);
  if (!content) {
    markMalformedReply(*result, "no content object");
    return result;
  }
  result->updateType = intOf(*content, "update_status");
  result->appVersion = textOf(*content, "latest_version");
  result->appUrl = textOf(*content, "app_url");
  if (const base::Value* messages = objectMember(*content, "messages")) {
    result->msgChinese = textOf(*messages, "zh");
    result->msgEnglish = textOf(*messages, "en");
  }
  return result;
}

}  // namespace mv
