#include "sync/requests/RequestUploadQuoteOrder.hpp"

#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestBody.hpp"
#include "util/Json.hpp"

namespace mv {

RequestUploadQuoteOrder::RequestUploadQuoteOrder() {
  cmdCode = kCmdUploadQuoteOrder;
  requestHead = "SyncClient;";
  methodName = "syncData";
}

std::optional<std::string> RequestUploadQuoteOrder::RequestEncode() const {
  RequestBody body = makeBody();
  addSessionParameters(body);
  body.addElemValue(syncData, "syncData");
  return body.requestStr();
}

std::shared_ptr<NetBaseRst> RequestUploadQuoteOrder::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<UploadQuoteOrderRst>(recData);
  if (!result->isSuccess()) return result;
  // Without the list the device cannot tell which orders the service stored.
  const base::Value* orders = arrayMember(contentObject(recData), "orders");
  if (!orders) {
    markMalformedReply(*result, "no \"orders\" list");
    return result;
  }
  for (const base::Value& order : *orders) {
    if (order.is_object()) {
      result->orderIdUpdateArray.push_back(order);
    } else {
      logSkippedRow("orders", "not an object");
    }
  }
  return result;
}

}  // namespace mv
