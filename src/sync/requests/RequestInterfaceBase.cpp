#include "sync/requests/RequestInterfaceBase.hpp"

#include "platform/base/Log.hpp"
#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestInfoBase.hpp"
#include "sync/requests/RequestBody.hpp"
#include "util/Json.hpp"
#include "util/MappedFile.hpp"
#include "util/Session.hpp"

namespace mv {

std::optional<std::string> RequestInterfaceBase::RequestEncode() const { return std::nullopt; }

std::shared_ptr<NetBaseRst> RequestInterfaceBase::RequestDecode(const base::Value* recData) const {
  return makeResult<NetBaseRst>(recData);
}

std::shared_ptr<NetBaseRst> RequestInterfaceBase::decodeReply(std::string_view recData) const {
  auto parsed = JSONValue(recData);
  return RequestDecode(parsed ? &*parsed : nullptr);
}

std::shared_ptr<NetBaseRst> RequestInterfaceBase::decodeMapped(const MappedFile& file) const {
  // A reply that is not read as it goes is read whole.
  std::string_view text = file.restart();
  while (!file.ended()) text = file.readMore();
  return decodeReply(file.changed() ? std::string_view() : text);
}

std::shared_ptr<NetBaseRst> RequestInterfaceBase::decodeOutcome(const RequestInfoBase& carrier) const {
  if (!carrier.recFile) return decodeReply(carrier.recData);
  auto file = MappedFile::open(carrier.recFile->path());
  if (file) return decodeMapped(*file);
  // Read as no reply at all: it decodes to the failure of a reply without status.
  MV_LOG("the reply to command ", cmdCode, " in ", carrier.recFile->path().string(), " cannot be read");
  return decodeReply({});
}

void RequestInterfaceBase::DecodeResults(NetBaseRst& result, const base::Value* recData) {
  bool found = false;
  if (const base::Value* results = arrayMember(recData, "results")) {
    for (const base::Value& element : *results) {
      if (!element.is_object()) continue;
      found = true;
      // A numeric status reads as its text; null or another kind is no status.
      result.status = optionalString(member(element, "status")).value_or(kStatusNoStatus);
      result.detail = stringValue(member(element, "detail"));
      result.message = messageForStatus(result.status);
    }
  }
  if (!found) {
    result.status = kStatusNoStatus;
    result.message = messageForStatus(kStatusNoStatus);
  }
}

const base::Value* RequestInterfaceBase::contentObject(const base::Value* recData) {
  return objectMember(recData, "content");
}

const base::Value* RequestInterfaceBase::contentArray(const base::Value* recData) {
  return arrayMember(recData, "content");
}

RequestBody RequestInterfaceBase::makeBody() const {
  RequestBody body(requestHead);
  body.addElemValue(methodName, "methodName");
  return body;
}

void RequestInterfaceBase::addSessionParameters(RequestBody& body, const std::string& sessionId,
                                                const std::string& accountId, const std::string& clientId) {
  body.addElemValue(sessionId, RequestBody::kSessionIdKey);
  body.addElemValue(accountId, "accountId");
  body.addElemValue(clientId, "clientId");
}

void RequestInterfaceBase::addSessionParameters(RequestBody& body) {
  addSessionParameters(body, Session::current().sessionId, Session::current().acountID, Session::current().clientID);
}

}  // namespace mv
