#include "sync/requests/RequestGetUserinfo.hpp"

#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestBody.hpp"
#include "util/Session.hpp"

namespace mv {

RequestGetUserinfo::RequestGetUserinfo() : userName(Session::current().acountID), clientID(Session::current().clientID) {
  cmdCode = kCmdGetUserinfo;
  requestHead = "Vendor?";
  methodName = "getuserinfo";
}

std::optional<std::string> RequestGetUserinfo::RequestEncode() const {
  RequestBody body = makeBody();
  body.addElemValue(userName, "accountId");
  body.addElemValue(clientID, "clientId");
  return body.requestStr();
}

std::shared_ptr<NetBaseRst> RequestGetUserinfo::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<GetUserinfoRst>(recData);
  if (!result->isSuccess()) return result;
  const base::Value* content = contentObject(recData);
  if (!content) {
    markMalformedReply(*result, "no content object");
    return result;
  }
  result->email = textOf(*content, "email");
  result->companyName = textOf(*content, "company_name");
  result->companyLink = textOf(*content, "link");
  result->userAccess = int64Of(*content, "user_access");
  return result;
}

}  // namespace mv
