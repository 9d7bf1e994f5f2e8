// The quote order store's exchanges with the service: submitting orders,
// paging the order history down, and the sign-in either may need first.
#include <algorithm>
#include <limits>
#include <utility>

#include "order/QuoteOrderStore.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"
#include "store/DataAccessManager.hpp"
#include "store/OrderModel.hpp"
#include "sync/requests/RequestGetOrderHistory.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "sync/requests/RequestUploadQuoteOrder.hpp"
#include "sync/SyncSession.hpp"
#include "util/Json.hpp"

namespace mv {

namespace {

bool online() {
  auto session = SyncSession::current();
  return session && session->loginType() == LoginType::Online;
}

// The order numbers of an upload text.
std::vector<std::string> orderNumbersOf(const std::string& uploadText) {
  std::vector<std::string> numbers;
  auto doc = JSONValue(uploadText);
  const base::Value* orders = doc ? arrayMember(*doc, "order") : nullptr;
  if (!orders) return numbers;
  for (const auto& order : *orders) {
    if (!order.is_object()) continue;
    std::string number = stringMember(order, "order_number");
    if (!number.empty()) numbers.push_back(std::move(number));
  }
  return numbers;
}

// The service's id of an order, when the entry names one soundly: a positive
// integer an order id can hold (local ids are the negative ones).
std::optional<int> generatedId(const base::Value& entry) {
  auto id = entry.find("generateId");
  if (id == entry.end() || !(id->is_number_integer() || id->is_number_unsigned())) return std::nullopt;
  if (id->is_number_unsigned()) {
    const auto v = id->get<std::uint64_t>();
    if (v == 0 || v > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) return std::nullopt;
    return static_cast<int>(v);
  }
  const auto v = id->get<std::int64_t>();
  if (v <= 0 || v > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(v);
}

// A stored creation time as the local time text the history request takes:
// orders paged down earlier may carry the service's form, and paging must go
// on from them rather than start over at the newest page.
std::optional<std::string> localTimeText(const std::optional<std::string>& time) {
  if (!time) return std::nullopt;
  auto sortable = OrderModel::sortableTime(*time);
  if (!sortable) return time;
  const std::string& t = *sortable;  // "yyyy-MM-dd HH:mm:ss"
  return t.substr(5, 2) + "/" + t.substr(8, 2) + "/" + t.substr(0, 4) + t.substr(10);
}

}  // namespace

// ---- upload --------------------------------------------------------------------------

void QuoteOrderStore::startUploadQuoteOrder(std::int64_t orderId) {
  MV_ASSERT_MAIN_THREAD();
  if (online()) {
    requestUploadQuoteOrder(orderId);
    return;
  }
  currentQuoteOrderId_ = orderId;
  needWork_ |= kUploadWork;
  requestLogin();
}

void QuoteOrderStore::abandonUpload() {
  MV_ASSERT_MAIN_THREAD();
  // A sign-in still on its way may serve the history: it goes on, but no
  // longer sends the orders when it ends.
  needWork_ &= ~kUploadWork;
  submitting_ = false;
  upload_.cancelAll();
  sentOrderNumbers_.clear();
  currentQuoteOrderId_ = kNoUpload;
}

void QuoteOrderStore::requestUploadQuoteOrder(std::int64_t orderId) {
  if (orderId < std::numeric_limits<int>::min() || orderId > std::numeric_limits<int>::max()) orderId = kNoUpload;
  submitting_ = true;
  currentQuoteOrderId_ = orderId;
  auto request = std::make_shared<RequestUploadQuoteOrder>();
  request->syncData = fetchQuoteOrdersDicString(static_cast<int>(orderId));
  sentOrderNumbers_ = orderNumbersOf(request->syncData);
  // A new submission replaces one still on its way: only the latest reply
  // reaches the store, and none after the store ends.
  upload_.cancelAll();
  if (sender_->sendFor<UploadQuoteOrderRst>(
          request, upload_, [this](const UploadQuoteOrderRst& reply) { uploadQuoteOrdersFinished(reply); },
          [this](const NetBaseRst& reply) { endedBySession(kCmdUploadQuoteOrder, reply); }) < 0) {
    MV_LOG("the order submission could not be sent");
  }
}

void QuoteOrderStore::uploadQuoteOrdersFinished(const UploadQuoteOrderRst& result) {
  submitting_ = false;
  std::vector<std::string> sent;
  sent.swap(sentOrderNumbers_);
  if (result.isSuccess()) {
    // Exactly the orders that went out count as submitted: one saved while
    // the reply was on its way was not in the text and must still go.
    if (!database_->setQuoteOrdersUploadedWithOrderNumbers(sent)) MV_LOG("The submitted orders could not be marked");
    for (const auto& entry : result.orderIdUpdateArray) {
      if (!entry.is_object()) continue;
      const auto number = optionalStringMember(entry, "id");
      const auto id = generatedId(entry);
      if (!number || !id || std::find(sent.begin(), sent.end(), *number) == sent.end()) {
        MV_LOG("Skipped an order id of the upload reply");
        continue;
      }
      if (!updateOrdeIDWithOrderNumber(*number, *id)) MV_LOG("The service's id of order ", *number, " was not stored");
    }
  }
  currentQuoteOrderId_ = kNoUpload;
  reportUpload(result.status, result.message);
}

void QuoteOrderStore::reportUpload(const std::string& status, const std::string& message) {
  if (auto d = delegate()) d->finishedUploadQuoteOrders(status, message);
}

// ---- history -------------------------------------------------------------------------

void QuoteOrderStore::getLastTenOrderHistory() {
  MV_ASSERT_MAIN_THREAD();
  const int count = database_->numberOfAllSubmittedOrder();
  const double span = database_->timeDurationOfAllSubmittedOrder();
  if (count >= kHistoryCountLimit && span > kHistorySpanLimit) {
    reportHistory(std::nullopt, std::nullopt);
    return;
  }
  getHistoryOrderFromTime(localTimeText(database_->retriveEarliestSubmittedOrderTime()), kHistoryPageSize);
}

void QuoteOrderStore::getHistoryOrderFromTime(const std::optional<std::string>& baseTime, long number) {
  if (online()) {
    requestSyncHistoryQuoteOrderFromTime(baseTime, number);
    return;
  }
  // The page is decided afresh once signed in.
  needWork_ |= kHistoryWork;
  requestLogin();
}

void QuoteOrderStore::requestSyncHistoryQuoteOrderFromTime(const std::optional<std::string>& baseTime, long number) {
  syncing_ = true;
  auto request = std::make_shared<RequestGetOrderHistory>();
  request->baseTime = baseTime.value_or(std::string());
  request->numberOfOrder = number;
  history_.cancelAll();
  if (sender_->sendFor<GetOrderHistoryRst>(
          request, history_, [this](const GetOrderHistoryRst& reply) { getOrderHistoryFinished(reply); },
          [this](const NetBaseRst& reply) { endedBySession(kCmdGetOrderHistory, reply); }) < 0) {
    MV_LOG("the order history request could not be sent");
  }
}

void QuoteOrderStore::getOrderHistoryFinished(const GetOrderHistoryRst& result) {
  syncing_ = false;
  if (result.isSuccess()) {
    if (result.orderHistoryArray.empty()) {
      reportHistory(result.status, std::string(kReachEnd));
      return;
    }
    if (const int skipped =
            database_->updateLocalHistoryPageFromServer(result.orderHistoryArray, result.orderItemHistoryArray))
      MV_LOG("Skipped ", skipped, " orders and lines of the history");
  }
  reportHistory(result.status, result.message);
}

void QuoteOrderStore::reportHistory(const std::optional<std::string>& status, const std::optional<std::string>& message) {
  if (auto d = delegate()) d->finishedSyncHistoryQuoteOrders(status, message);
}

// ---- sign-in and replies -------------------------------------------------------------

void QuoteOrderStore::requestLogin() {
  // One sign-in serves every work waiting for it: a second one would make
  // the reply to the first stale and leave its work waiting for ever.
  if (signingIn_) return;
  signingIn_ = true;
  if (sender_->sendFor<LoginRst>(
          std::make_shared<RequestLogin>(), login_, [this](const LoginRst& reply) { loginFinished(reply); },
          [this](const NetBaseRst& reply) { endedBySession(kCmdLogin, reply); }) < 0) {
    MV_LOG("the sign-in for the orders could not be sent");
  }
}

void QuoteOrderStore::loginFinished(const LoginRst& result) {
  signingIn_ = false;
  const int work = std::exchange(needWork_, kNoWork);
  if (SyncSession::takeSilentLoginReply(result)) {
    if (work & kHistoryWork) getLastTenOrderHistory();
    if (work & kUploadWork) requestUploadQuoteOrder(currentQuoteOrderId_);
    return;
  }
  endWorks(work, result.status, result.message);
}

void QuoteOrderStore::endWorks(int works, const std::string& status, const std::string& message, bool sessionEnded) {
  if (works & kUploadWork) endWork(kCmdUploadQuoteOrder, status, message, sessionEnded);
  if (works & kHistoryWork) endWork(kCmdGetOrderHistory, status, message, sessionEnded);
}

void QuoteOrderStore::endWork(int cmdCode, const std::string& status, const std::string& message, bool sessionEnded) {
  auto d = delegate();
  if (cmdCode == kCmdUploadQuoteOrder) {
    submitting_ = false;
    upload_.cancelAll();
    sentOrderNumbers_.clear();
    currentQuoteOrderId_ = kNoUpload;
    if (!sessionEnded) {
      reportUpload(status, message);
    } else if (d) {
      d->uploadEndedWithSession(status);
    }
  } else {
    syncing_ = false;
    history_.cancelAll();
    if (!sessionEnded) {
      reportHistory(status, message);
    } else if (d) {
      d->historyEndedWithSession(status);
    }
  }
}

void QuoteOrderStore::endedBySession(int cmdCode, const NetBaseRst& result) {
  // The shell has told the user about the expired session or the lock; the
  // work ends here so that no screen waits for it.
  if (cmdCode == kCmdLogin) {
    signingIn_ = false;
    endWorks(std::exchange(needWork_, kNoWork), result.status, result.message, true);
    return;
  }
  endWork(cmdCode, result.status, result.message, true);
}

}  // namespace mv
