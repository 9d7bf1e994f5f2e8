// The store's side of the exchanges, with the replies made by the test.
#include <algorithm>

#include "OrderTestSupport.hpp"
#include "store/OrderModel.hpp"
#include "sync/requests/RequestGetOrderHistory.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "sync/requests/RequestUploadQuoteOrder.hpp"
#include "util/Json.hpp"

namespace mv::test {
namespace {

class OrderExchangeTest : public OrderStoreTest {
 protected:
  // The "parameters" of a request's body.
  static base::Value parameters(const RequestInterfaceBase& request) {
    auto body = request.RequestEncode();
    auto doc = body ? JSONValue(*body) : std::nullopt;
    const base::Value* root = doc ? objectMember(*doc, "root") : nullptr;
    const base::Value* p = objectMember(root, "parameters");
    return p ? *p : base::Value::object();
  }
  std::vector<std::string> sentNumbers() {
    auto upload = std::dynamic_pointer_cast<RequestUploadQuoteOrder>(lastSent(kCmdUploadQuoteOrder));
    std::vector<std::string> out;
    if (!upload) return out;
    auto doc = JSONValue(upload->syncData);
    for (const auto& o : (*doc)["order"]) out.push_back(o["order_number"].get<std::string>());
    std::sort(out.begin(), out.end());
    return out;
  }
  int idOfNumber(const std::string& number) {
    for (const auto& o : dam().fetchQuoteOrders(OrderModel::kAllOrders, ""))
      if (o->number == number) return o->serial;
    return 0;
  }
  bool uploaded(const std::string& number) {
    return count("marvisto_quote_order", "uploaded = 1 AND order_number = '" + number + "'") == 1;
  }
};

TEST_F(OrderExchangeTest, AnOfflineUploadSignsInFirstAndMarksExactlyWhatWasSent) {
  session->type = LoginType::Offline;
  storeOrder("Ann", "01/01/2014 10:00:00", false, "rep_1_140101100000", 2);
  storeOrder("Bob", "01/01/2014 11:00:00", false, "rep_1_140101110000", 1);
  storeOrder("Lineless", "01/01/2014 12:00:00", false, "rep_1_140101120000", 0);
  storeOrder(" ", "01/01/2014 13:00:00", false, "rep_1_140101130000", 1);  // no customer

  // A refused sign-in ends the upload with its status: offline on "999".
  store->startUploadQuoteOrder(QuoteOrderStore::kAllOrders);
  ASSERT_EQ(sent().size(), 1u);
  EXPECT_EQ(sent()[0]->cmdCode, kCmdLogin);
  EXPECT_EQ(store->needWork(), QuoteOrderStore::kUploadWork);
  EXPECT_EQ(store->currentQuoteOrderId(), 0);
  sender->answer(replyTo<LoginRst>(kCmdLogin, "999"));
  EXPECT_EQ(delegate->uploads, (std::vector<std::pair<std::string, std::string>>{{"999", "text-999"}}));
  EXPECT_EQ(session->type, LoginType::Offline);
  EXPECT_FALSE(store->submitting());
  store->startUploadQuoteOrder(QuoteOrderStore::kAllOrders);
  sender->answer(replyTo<LoginRst>(kCmdLogin, "402"));
  EXPECT_EQ(session->type, LoginType::None);
  EXPECT_EQ(delegate->uploads.back().first, "402");

  // Signed in: the upload follows with the orders that may go.
  store->startUploadQuoteOrder(QuoteOrderStore::kAllOrders);
  auto login = replyTo<LoginRst>(kCmdLogin, "200");
  login->sessionId = "fresh";
  sender->answer(login);
  EXPECT_EQ(session->type, LoginType::Online);
  ASSERT_TRUE(lastSent(kCmdUploadQuoteOrder));
  EXPECT_TRUE(store->submitting());
  EXPECT_EQ(sentNumbers(), (std::vector<std::string>{"rep_1_140101100000", "rep_1_140101110000"}));
  EXPECT_EQ(parameters(*lastSent(kCmdUploadQuoteOrder))["clientId"], "AcmeCo");

  // An order saved while the reply is on its way was not sent and stays.
  const int late = storeOrder("Late", "01/01/2014 14:00:00", false, "rep_1_140101140000", 1);
  auto reply = replyTo<UploadQuoteOrderRst>(kCmdUploadQuoteOrder, "200");
  reply->orderIdUpdateArray = {
      base::Value{{"id", "rep_1_140101100000"}, {"generateId", 5123}},
      base::Value{{"id", 7}},
      base::Value{{"id", "rep_1_140101110000"}, {"generateId", "5124"}},
      base::Value{{"id", "rep_1_140101140000"}, {"generateId", 5125}},  // never sent
      base::Value{{"id", "rep_1_140101110000"}, {"generateId", -4}},
  };
  sender->answer(reply);
  EXPECT_EQ(delegate->uploads.back(), (std::pair<std::string, std::string>{"200", "text-200"}));
  EXPECT_FALSE(store->submitting());
  EXPECT_EQ(store->currentQuoteOrderId(), QuoteOrderStore::kNoUpload);
  EXPECT_EQ(store->needWork(), QuoteOrderStore::kNoWork);  // the sign-in's work is done
  EXPECT_EQ(idOfNumber("rep_1_140101100000"), 5123);
  EXPECT_EQ(dam().fetchQuoteOrderItemsWithQuoteOrder(5123).size(), 2u);
  EXPECT_LT(idOfNumber("rep_1_140101110000"), 0);
  EXPECT_TRUE(uploaded("rep_1_140101100000"));
  EXPECT_TRUE(uploaded("rep_1_140101110000"));
  EXPECT_FALSE(uploaded("rep_1_140101120000"));
  EXPECT_FALSE(uploaded("rep_1_140101130000"));
  EXPECT_FALSE(uploaded("rep_1_140101140000"));
  EXPECT_EQ(idOfNumber("rep_1_140101140000"), late);

  // A reply nobody waits for changes nothing.
  sender->answer(reply);
  EXPECT_EQ(delegate->uploads.size(), 3u);

  // An online upload of one order goes at once; a failure marks nothing.
  store->startUploadQuoteOrder(late);
  EXPECT_EQ(store->currentQuoteOrderId(), late);
  EXPECT_EQ(sentNumbers(), (std::vector<std::string>{"rep_1_140101140000"}));
  sender->answer(replyTo<UploadQuoteOrderRst>(kCmdUploadQuoteOrder, "500"));
  EXPECT_FALSE(uploaded("rep_1_140101140000"));
  EXPECT_EQ(delegate->uploads.back().first, "500");

  // The session handler takes an expired session: the store still ends
  // the upload, so no screen waits for it, and says the shell told the user.
  store->startUploadQuoteOrder(late);
  const std::size_t reported = delegate->uploads.size();
  sender->endSession(replyTo<UploadQuoteOrderRst>(kCmdUploadQuoteOrder, "101"));
  EXPECT_FALSE(store->submitting());
  EXPECT_EQ(store->currentQuoteOrderId(), QuoteOrderStore::kNoUpload);
  EXPECT_EQ(delegate->uploads.size(), reported);
  EXPECT_EQ(delegate->uploadsEndedWithSession, (std::vector<std::string>{"101"}));
  EXPECT_FALSE(uploaded("rep_1_140101140000"));
}

// A service that lost its records (restarted empty) hands an id out again:
// the earlier order holding it stays on the device, lines and all.
TEST_F(OrderExchangeTest, AnIdHandedOutAgainMakesNoEarlierOrderVanish) {
  storeOrder("Earlier", "01/01/2014 09:00:00", true, "rep_1_140101090000", 3);
  ASSERT_TRUE(dam().updateOrderIDWithOrderNumber("rep_1_140101090000", 5123));
  const int now = storeOrder("Now", "01/01/2014 10:00:00", false, "rep_1_140101100000", 1);
  store->startUploadQuoteOrder(QuoteOrderStore::kAllOrders);
  ASSERT_EQ(sentNumbers(), (std::vector<std::string>{"rep_1_140101100000"}));
  auto reply = replyTo<UploadQuoteOrderRst>(kCmdUploadQuoteOrder, "200");
  reply->orderIdUpdateArray = {base::Value{{"id", "rep_1_140101100000"}, {"generateId", 5123}}};
  sender->answer(reply);
  EXPECT_EQ(delegate->uploads.back().first, "200");
  EXPECT_EQ(idOfNumber("rep_1_140101090000"), 5123);
  EXPECT_EQ(dam().fetchQuoteOrderItemsWithQuoteOrder(5123).size(), 3u);
  EXPECT_EQ(idOfNumber("rep_1_140101100000"), now);
  EXPECT_EQ(dam().fetchQuoteOrderItemsWithQuoteOrder(now).size(), 1u);
  EXPECT_TRUE(uploaded("rep_1_140101100000"));
}

TEST_F(OrderExchangeTest, HistoryPagesStopOnlyAfterSixtyOrdersOverHalfAYear) {
  // 60 submitted orders from 10/01/2013 on, the last 181 days later.
  sql("BEGIN");
  for (int i = 0; i < 60; ++i) {
    char number[32];
    std::snprintf(number, sizeof number, "rep_1_1310%02d0000%02d", 1 + i % 28, i);
    const std::string cdate = i == 59 ? "03/31/2014 00:00:00" : "10/01/2013 00:00:00";
    storeOrder("C", cdate, true, number);
  }
  sql("COMMIT");
  store->getLastTenOrderHistory();
  EXPECT_TRUE(sent().empty());
  ASSERT_EQ(delegate->histories.size(), 1u);
  EXPECT_EQ(delegate->histories[0], DelegateRecorder::Report());

  // 179 days: the next page starts at the earliest order.
  sql("UPDATE marvisto_quote_order SET cdate = '03/29/2014 00:00:00', cdate_sort = '2014-03-29 00:00:00' "
      "WHERE cdate LIKE '03/31/2014%'");
  store->getLastTenOrderHistory();
  auto page = std::dynamic_pointer_cast<RequestGetOrderHistory>(lastSent(kCmdGetOrderHistory));
  ASSERT_TRUE(page);
  EXPECT_TRUE(store->syncing());
  EXPECT_EQ(page->baseTime, "10/01/2013 00:00:00");
  EXPECT_EQ(parameters(*page)["baseTime"], "2013-10-01 00:00:00");
  EXPECT_EQ(parameters(*page)["numberOfOrder"], "10");

  // The service has no more.
  auto empty = replyTo<GetOrderHistoryRst>(kCmdGetOrderHistory, "200");
  sender->answer(empty);
  EXPECT_FALSE(store->syncing());
  EXPECT_EQ(delegate->histories.back(), DelegateRecorder::Report("200", "reachEnd"));
  EXPECT_EQ(count("marvisto_quote_order"), 60);

  // A page: a known number replaces the stored order; the service's time
  // form is kept as it came and still sorts as a time.
  sql("DELETE FROM marvisto_quote_order_item; DELETE FROM marvisto_quote_order");
  storeOrder("Old copy", "05/01/2012 09:00:00", true, "rep_1_120501090000", 3);
  store->getLastTenOrderHistory();
  page = std::dynamic_pointer_cast<RequestGetOrderHistory>(lastSent(kCmdGetOrderHistory));
  EXPECT_EQ(page->baseTime, "05/01/2012 09:00:00");
  auto reply = replyTo<GetOrderHistoryRst>(kCmdGetOrderHistory, "200");
  reply->orderHistoryArray = {
      base::Value{{"order_id", 9001}, {"order_number", "rep_1_120501090000"}, {"customer_name", "New copy"},
                  {"cdate", "05/01/2012 09:00:00"}},
      base::Value{{"order_id", 9002}, {"order_number", "rep_1_111231235959"}, {"customer_name", "Server form"},
                  {"cdate", "2011-12-31 23:59:59"}, {"mdate", "2011-12-31 23:59:59"}},
  };
  reply->orderItemHistoryArray = {
      base::Value{{"order_item_id", 1}, {"order_id", 9001}, {"product_quantity", 4}},
      base::Value{{"order_item_id", 2}, {"order_id", 9002}, {"product_quantity", 1}},
      base::Value{{"order_item_id", 3}, {"order_id", 9999}, {"product_quantity", 1}},  // of no order
      base::Value("not a line"),
  };
  sender->answer(reply);
  EXPECT_EQ(delegate->histories.back(), DelegateRecorder::Report("200", "text-200"));
  EXPECT_EQ(count("marvisto_quote_order"), 2);
  EXPECT_EQ(count("marvisto_quote_order", "customer_name = 'New copy' AND order_id = 9001 AND uploaded = 1"), 1);
  EXPECT_EQ(dam().fetchQuoteOrderItemsWithQuoteOrder(9001).size(), 1u);
  auto stored = dam().fetchQuoteOrders(OrderModel::kUploadedOrders, "");
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[1]->cdate, "2011-12-31 23:59:59");
  EXPECT_EQ(stored[1]->mdateShow(), "23:59 12/31/11");
  EXPECT_EQ(dam().retriveEarliestSubmittedOrderTime(), "2011-12-31 23:59:59");

  // Offline, the page is decided after the sign-in; a lock ends the work.
  session->type = LoginType::Offline;
  store->getLastTenOrderHistory();
  EXPECT_EQ(lastSent(kCmdLogin), sent().back());
  EXPECT_EQ(store->needWork(), QuoteOrderStore::kHistoryWork);
  sender->answer(replyTo<LoginRst>(kCmdLogin, "200"));
  page = std::dynamic_pointer_cast<RequestGetOrderHistory>(sent().back());
  ASSERT_TRUE(page);
  // A base time stored in the service's form still pages on from there.
  EXPECT_EQ(page->baseTime, "12/31/2011 23:59:59");
  EXPECT_EQ(parameters(*page)["baseTime"], "2011-12-31 23:59:59");
  sender->endSession(replyTo<GetOrderHistoryRst>(kCmdGetOrderHistory, "114"));
  EXPECT_FALSE(store->syncing());
  EXPECT_EQ(delegate->historiesEndedWithSession, (std::vector<std::string>{"114"}));

  // Nothing submitted: no base time at all.
  sql("DELETE FROM marvisto_quote_order_item; DELETE FROM marvisto_quote_order");
  store->getLastTenOrderHistory();
  page = std::dynamic_pointer_cast<RequestGetOrderHistory>(sent().back());
  ASSERT_TRUE(page);
  EXPECT_FALSE(parameters(*page).contains("baseTime"));
  EXPECT_EQ(parameters(*page)["numberOfOrder"], "10");
}

// An upload and a history page that both wait for a sign-in share one: each
// runs once it succeeds, and each screen hears when it fails.
TEST_F(OrderExchangeTest, WorksWaitingForOneSignInAllRunOrAllEnd) {
  storeOrder("Ann", "01/01/2014 10:00:00", false, "rep_1_140101100000", 2);
  auto logins = [&] { return std::count_if(sent().begin(), sent().end(), [](const auto& r) { return r->cmdCode == kCmdLogin; }); };

  session->type = LoginType::Offline;
  store->startUploadQuoteOrder(QuoteOrderStore::kAllOrders);
  store->getLastTenOrderHistory();
  EXPECT_EQ(logins(), 1);
  EXPECT_EQ(store->needWork(), QuoteOrderStore::kUploadWork | QuoteOrderStore::kHistoryWork);
  EXPECT_TRUE(sender->answer(replyTo<LoginRst>(kCmdLogin, "200")));
  EXPECT_EQ(store->needWork(), QuoteOrderStore::kNoWork);
  EXPECT_TRUE(lastSent(kCmdUploadQuoteOrder));
  EXPECT_TRUE(lastSent(kCmdGetOrderHistory));
  EXPECT_TRUE(store->submitting());
  EXPECT_TRUE(store->syncing());
  EXPECT_TRUE(sender->answer(replyTo<UploadQuoteOrderRst>(kCmdUploadQuoteOrder, "500")));
  EXPECT_TRUE(sender->answer(replyTo<GetOrderHistoryRst>(kCmdGetOrderHistory, "500")));

  // A refused sign-in ends both; so does the session handler taking it.
  session->type = LoginType::Offline;
  store->getLastTenOrderHistory();
  store->startUploadQuoteOrder(QuoteOrderStore::kAllOrders);
  EXPECT_EQ(logins(), 2);
  EXPECT_TRUE(sender->answer(replyTo<LoginRst>(kCmdLogin, "999")));
  EXPECT_EQ(delegate->uploads.back().first, "999");
  EXPECT_EQ(delegate->histories.back(), DelegateRecorder::Report("999", "text-999"));
  EXPECT_FALSE(store->submitting());
  EXPECT_FALSE(store->syncing());
  const auto reports = delegate->uploads.size() + delegate->histories.size();
  store->startUploadQuoteOrder(QuoteOrderStore::kAllOrders);
  store->getLastTenOrderHistory();
  EXPECT_EQ(logins(), 3);
  EXPECT_TRUE(sender->endSession(replyTo<LoginRst>(kCmdLogin, "114")));
  EXPECT_EQ(delegate->uploads.size() + delegate->histories.size(), reports);
  EXPECT_EQ(delegate->uploadsEndedWithSession, (std::vector<std::string>{"114"}));
  EXPECT_EQ(delegate->historiesEndedWithSession, (std::vector<std::string>{"114"}));
  EXPECT_EQ(store->needWork(), QuoteOrderStore::kNoWork);
}

}  // namespace
}  // namespace mv::test
