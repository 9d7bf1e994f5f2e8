#include "sync/requests/RequestGetOrderHistory.hpp"

#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestBody.hpp"
#include "util/Json.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"

namespace mv {

RequestGetOrderHistory::RequestGetOrderHistory()
    : userName(Session::current().acountID), clientID(Session::current().clientID) {
  cmdCode = kCmdGetOrderHistory;
  requestHead = "SyncServer;";
  methodName = "getorderhistory";
}

std::optional<std::string> RequestGetOrderHistory::RequestEncode() const {
  RequestBody body = makeBody();
  addSessionParameters(body, Session::current().sessionId, userName, clientID);
  // Without a base time in the local form the service sends the newest page.
  const std::string serverTime = PublicFunction::changeToServerFormatFromLocal(baseTime);
  if (!serverTime.empty()) body.addElemValue(serverTime, "baseTime");
  body.addElemValue(std::to_string(numberOfOrder), "numberOfOrder");
  return body.requestStr();
}

std::shared_ptr<NetBaseRst> RequestGetOrderHistory::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<GetOrderHistoryRst>(recData);
  if (!result->isSuccess()) return result;
  const base::Value* content = contentObject(recData);
  if (!content) {
    markMalformedReply(*result, "no content object");
    return result;
  }
  auto copyObjects = [](const base::Value* rows, const char* name, std::vector<base::Value>& into) {
    if (!rows) return;
    for (const base::Value& row : *rows) {
      if (row.is_object()) {
        into.push_back(row);
      } else {
        logSkippedRow(name, "not an object");
      }
    }
  };
  copyObjects(arrayMember(*content, "orders"), "orders", result->orderHistoryArray);
  copyObjects(arrayMember(*content, "items"), "items", result->orderItemHistoryArray);
  return result;
}

}  // namespace mv
