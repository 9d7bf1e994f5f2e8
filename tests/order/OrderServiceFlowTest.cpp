// Orders submitted to and paged down from the local sales service, for real.
#include "OrderTestSupport.hpp"
#include "ServiceFixture.hpp"
#include "store/OrderModel.hpp"

namespace mv::test {
namespace {

class OrderServiceFlowTest : public ServiceFixture<OrderStoreTest> {
 protected:
  OrderServiceFlowTest() {
    clientId = "acme";
    accountId = "rep";
    // The store sends through the network model to the local service.
    answerRequestsHere = false;
  }
  void SetUp() override {
    ServiceFixture::SetUp();
    session->type = LoginType::Offline;
  }

  // Makes an order through the store the way the catalogue and editor do.
  std::string makeOrder(const std::string& customer, std::vector<std::pair<int, int>> lines) {
    for (auto [id, quantity] : lines) EXPECT_TRUE(store->addToOrder(product(id, quantity)));
    auto order = store->curQuoteOrder();
    order->customerName = customer;
    EXPECT_TRUE(store->saveCurrentQuoteOrder());
    return order->number;
  }
  std::pair<std::string, std::string> upload() {
    const std::size_t before = delegate->uploads.size();
    store->startUploadQuoteOrder(QuoteOrderStore::kAllOrders);
    EXPECT_TRUE(runUntil([&] { return delegate->uploads.size() > before; }, 20));
    return delegate->uploads.size() > before ? delegate->uploads.back() : std::pair<std::string, std::string>();
  }
  DelegateRecorder::Report historyPage() {
    const std::size_t before = delegate->histories.size();
    store->getLastTenOrderHistory();
    EXPECT_TRUE(runUntil([&] { return delegate->histories.size() > before; }, 20));
    return delegate->histories.size() > before ? delegate->histories.back() : DelegateRecorder::Report();
  }
  std::shared_ptr<QuoteOrderEntity> byNumber(const std::string& number) {
    for (const auto& o : dam().fetchQuoteOrders(OrderModel::kAllOrders, ""))
      if (o->number == number) return o;
    return nullptr;
  }
  std::int64_t serviceIdOf(const std::string& number) {
    for (const auto& o : service->backend().uploadedOrders("acme"))
      if (o.value("order_number", std::string()) == number) return o.value("order_id", std::int64_t{0});
    return 0;
  }
};

TEST_F(OrderServiceFlowTest, OrdersGoUpTheHistoryComesDownAndFaultsLoseNothing) {
  price(1, 12.5, "USD");
  price(2, 7, "USD", 6.0);
  const std::string a = makeOrder("Ann", {{1, 2}, {2, 1}});
  const std::string b = makeOrder("Bob", {{2, 3}});
  ASSERT_NE(a, b);

  // Offline: the store signs in, then submits both.
  EXPECT_EQ(upload().first, "200");
  EXPECT_EQ(session->type, LoginType::Online);
  for (const auto& number : {a, b}) {
    auto order = byNumber(number);
    ASSERT_TRUE(order) << number;
    EXPECT_TRUE(order->isUploaded());
    EXPECT_GT(order->serial, 0);
    EXPECT_EQ(order->serial, serviceIdOf(number));
    EXPECT_FALSE(order->items.empty());
  }
  EXPECT_EQ(byNumber(a)->items.size(), 2u);
  EXPECT_DOUBLE_EQ(byNumber(b)->items[0]->finalPrice, 6);

  // The history, a page at a time, down to the end; the orders the device
  // never had arrive with their lines.
  EXPECT_EQ(historyPage().first, "200");
  EXPECT_EQ(count("marvisto_quote_order", "uploaded = 1"), 2 + 10);
  EXPECT_EQ(historyPage().first, "200");
  EXPECT_EQ(count("marvisto_quote_order", "uploaded = 1"), 2 + 12);
  EXPECT_EQ(historyPage(), DelegateRecorder::Report("200", "reachEnd"));
  EXPECT_EQ(count("marvisto_quote_order", "uploaded = 1"), 2 + 12);
  EXPECT_GT(count("marvisto_quote_order", "cdate GLOB '[0-9][0-9][0-9][0-9]-*'"), 0);
  EXPECT_GT(count("marvisto_quote_order_item", "order_id >= 90001"), 0);
  EXPECT_GT(count("marvisto_quote_order o",
                  "order_id >= 90001 AND NOT EXISTS (SELECT 1 FROM marvisto_quote_order_item i "
                  "WHERE i.order_id = o.order_id)"),
            0);
  EXPECT_EQ(byNumber(a)->items.size(), 2u);  // the device's own orders came back whole

  // Faults on the way up: nothing is marked that the service did not
  // acknowledge, and no order is lost.
  const std::string c = makeOrder("Cleo", {{1, 1}});
  const int local = byNumber(c)->serial;
  ASSERT_LT(local, 0);
  std::vector<sales::FaultRule> faults(3);
  faults[0].kind = sales::FaultKind::Html500;
  faults[1].kind = sales::FaultKind::WrongShape;
  faults[1].shape = sales::WrongShape::NotJson;
  faults[2].kind = sales::FaultKind::Drop;  // stored by the service, the reply lost
  for (auto& fault : faults) {
    fault.method = "syncData/order";
    fault.times = 1;
    fault.process = fault.kind == sales::FaultKind::Drop;
    service->addFault(fault);
    const auto [status, message] = upload();
    EXPECT_NE(status, "200") << sales::faultKindName(fault.kind);
    auto order = byNumber(c);
    ASSERT_TRUE(order);
    EXPECT_FALSE(order->isUploaded());
    EXPECT_EQ(order->serial, local);
    EXPECT_EQ(order->items.size(), 1u);
    EXPECT_FALSE(store->submitting());
  }
  EXPECT_EQ(count("marvisto_quote_order"), 2 + 12 + 1);
  EXPECT_NE(serviceIdOf(c), 0);

  // Sent again, the service gives the id it gave the first time.
  EXPECT_EQ(upload().first, "200");
  EXPECT_TRUE(byNumber(c)->isUploaded());
  EXPECT_EQ(byNumber(c)->serial, serviceIdOf(c));
}

}  // namespace
}  // namespace mv::test
