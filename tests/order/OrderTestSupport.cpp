#include "OrderTestSupport.hpp"

#include "customer/CustomerFeature.hpp"
#include "order/OrderFeature.hpp"
#include "platform/base/Date.hpp"
#include "platform/base/RunLoop.hpp"
#include "shell/config/ConfigManager.hpp"
#include "SessionFixture.hpp"
#include "util/Session.hpp"

namespace mv::test {

void FakeSession::setSessionId(const std::string& v) {
  changeSession([&](Session& s) { s.sessionId = v; });
}

void OrderStoreTest::SetUp() {
  TestEnvironment::SetUp();
  changeSession([&](Session& s) {
    s.clientID = clientId;
    s.acountID = accountId;
    s.password = password;
    s.deviceID = "DEVICE-1";
    s.vendorId = 11;
  });
  session = std::make_shared<FakeSession>();
  session->client = clientId;
  SyncSession::setCurrent(session);
  // The order screens use the session's configuration and the customer
  // directory, as in the application.
  ConfigManager::install(wiring.services);
  CustomerFeature::install(wiring);
  OrderFeature::install(wiring);
  if (answerRequestsHere) {
    wiring.services.add<RequestSender>([fake = sender](SessionServices&) { return fake; });
  }
  wiring.services.add<ShellActions>([recorder = shell](SessionServices&) { return recorder; });
  scope.emplace(Session::current(), wiring.services);
  services = scope->services();
  ASSERT_TRUE(services);
  services->get<ConfigManager>()->setModelDescFromDesc("1,1,1,1,1,1,1");
  store = services->get<QuoteOrderStore>();
  store->setBadgeSetter([this](const std::string& value) { badges.push_back(value); });
  delegate = std::make_shared<DelegateRecorder>();
  store->setDelegate(delegate);
}

void OrderStoreTest::TearDown() {
  store.reset();
  services.reset();
  scope.reset();
  TestEnvironment::TearDown();
}

void OrderStoreTest::price(int productId, double listPrice, const std::string& currency,
                           std::optional<double> discountPrice) {
  marvisto_product_price_Entity p;
  p.price_id = productId;
  p.product_id = productId;
  p.price = listPrice;
  p.currency = currency;
  if (discountPrice) {
    const double now = base::Date::now();
    p.discount_price = *discountPrice;
    p.discount_start_date = now - 86400;
    p.discount_end_date = now + 86400;
    p.discount_publish = 1;
  }
  ASSERT_TRUE(dam().saveToDatabasePrice({p}));
}

marvisto_product_Entity OrderStoreTest::product(int id, int count, const std::string& attributes) {
  auto p = makeProduct(id, "Product " + std::to_string(id), "SKU" + std::to_string(id));
  p.count = count;
  p.attributes = attributes;
  return p;
}

int OrderStoreTest::storeOrder(const std::string& customerName, const std::string& cdate, bool uploaded,
                               const std::string& number, int lines, int customerId) {
  QuoteOrderEntity o(Session::current());
  o.customerName = customerName;
  o.customerId = customerId;
  o.cdate = o.mdate = cdate;
  if (!number.empty()) o.number = number;
  o.setUploaded(uploaded);
  o.currency = "USD";
  for (int i = 0; i < lines; ++i) {
    auto l = std::make_shared<QuoteOrderItemEntity>();
    l->product.product_id = 1 + i;
    l->sku = "SKU" + std::to_string(1 + i);
    l->quantity = 2;
    l->price = 10;
    l->finalPrice = 9;
    l->currency = "USD";
    o.items.push_back(std::move(l));
  }
  return dam().saveQuoteOrder(o);
}

}  // namespace mv::test
