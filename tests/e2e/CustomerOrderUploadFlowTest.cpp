// A customer made on the device, named by a stored order and by the orders in
// memory, is uploaded to the local sales service: the customer book, the
// stored order and the order store's open orders all take the service's id.
#include <gtest/gtest.h>

#include "TestEnvironment.hpp"
#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerOrderLinks.hpp"
#include "order/OrderFeature.hpp"
#include "order/QuoteOrderStore.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/ui/AlertView.hpp"
#include "sales-service/SalesService.hpp"
#include "shell/ConfigManager.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "store/StoreContext.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/RequestLogin.hpp"
#include "util/SessionContext.hpp"

namespace mv::test {
namespace {

class Receiver : public NetworkRecDelegate {
 public:
  std::shared_ptr<NetBaseRst> result;
  void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& r) override { result = r; }
};

class CustomerOrderUploadFlowTest : public TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    useRealClock();
    SessionContext::setFixed("acme", "rep");
    SessionContext::setFixedField(SessionContext::Field::password, "secret");
    SessionContext::setFixedField(SessionContext::Field::deviceID, "0123456789abcdef0123456789abcdef01234567");
    OrderFeature::install(hooks);
    service = std::make_unique<sales::SalesService>();
    std::string error;
    ASSERT_TRUE(service->start(&error)) << error;
    const base::Value settings = service->serverSettings();
    for (const auto& [key, value] : settings.items()) base::UserDefaults::standard().setObject(key, value);
    auto receiver = std::make_shared<Receiver>();
    auto login = std::make_shared<RequestLogin>();
    login->setReceiveDelegete(receiver);
    NetworkModel::sharedInstance().sendRequest(login);
    ASSERT_TRUE(runUntil([&] { return receiver->result != nullptr; }, 15));
    auto signedIn = std::dynamic_pointer_cast<LoginRst>(receiver->result);
    ASSERT_TRUE(signedIn && signedIn->isSuccess());
    SessionContext::setFixedField(SessionContext::Field::sessionId, signedIn->sessionId);
  }
  void TearDown() override {
    NetworkModel::sharedInstance().cancelAllRequests();
    if (service) service->stop();
    CustomerDataModel::freeInstance();
    QuoteOrderStore::freeInstance();
    ConfigManager::freeInstance();
    OrderFeature::uninstall();
    ui::AlertView::resetForTesting();
    DataAccessManager::releaseDataModel();
    StoreContext::clear();
    SessionContext::clear();
    TestEnvironment::TearDown();
  }

  long long count(const std::string& table, const std::string& where) {
    auto st = SQLiteDatabase::sharedDataBase().prepare("SELECT COUNT(*) FROM " + table + " WHERE " + where);
    return st.step() == SQLiteStatement::Step::Row ? st.int64At(0) : -1;
  }

  SessionHooks hooks;
  std::unique_ptr<sales::SalesService> service;
};

TEST_F(CustomerOrderUploadFlowTest, StoredAndOpenOrdersFollowTheUploadedCustomer) {
  DataAccessManager* dam = DataAccessManager::sharedDataModel();
  ASSERT_TRUE(dam);
  ASSERT_TRUE(dam->saveToDatabaseFieldsCustomerAttribute({{1, "Active", "", "bool", "", 1, 1},
                                                          {2, "Address", "", "text", "", 1, 1}}));
  auto directory = CustomerDataModel::sharedInstance();
  const int local = directory->saveCustomerWithName("Corner Café", "1 Elm", std::nullopt, std::nullopt, std::nullopt);
  ASSERT_EQ(local, -1);
  ASSERT_TRUE(SQLiteDatabase::sharedDataBase().execute(
      "INSERT INTO marvisto_quote_order (order_id, customer_id, order_number) VALUES (-9, -1, 'rep_260101000000')"));
  auto store = QuoteOrderStore::sharedInstance();
  auto open = std::make_shared<QuoteOrderEntity>();
  open->customerId = local;
  store->setCurQuoteOrder(open);
  auto other = std::make_shared<QuoteOrderEntity>();
  other->customerId = 42;
  store->setAddQuoteOrder(other);

  std::vector<bool> posted;
  base::Observation observation(CustomerDataModel::kUploadCustomerRespond, nullptr,
                                [&](const base::Notification& n) { posted.push_back(n.userInfo.get<bool>()); });
  ASSERT_GT(directory->submitAllLocalCustomer(), 0);
  ASSERT_TRUE(runUntil([&] { return !posted.empty(); }, 15));
  ASSERT_EQ(posted, (std::vector<bool>{true}));

  auto uploaded = service->backend().uploadedCustomers("acme");
  ASSERT_EQ(uploaded.size(), 1u);
  const int serviceId = static_cast<int>(uploaded[0]["customerId"].is_string()
                                             ? std::stoll(uploaded[0]["customerId"].get<std::string>())
                                             : uploaded[0]["customerId"].get<long long>());
  ASSERT_GT(serviceId, 0);
  EXPECT_EQ(directory->customerInfoDic().count(serviceId), 1u);
  EXPECT_EQ(directory->customerInfoDic().count(local), 0u);
  EXPECT_EQ(count("marvisto_quote_order", "order_id = -9 AND customer_id = " + std::to_string(serviceId)), 1);
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id = " + std::to_string(serviceId) + " AND attribute_id > 0"),
            7);
  EXPECT_EQ(store->curQuoteOrder()->customerId, serviceId);
  EXPECT_EQ(store->addQuoteOrder()->customerId, 42);
}

}  // namespace
}  // namespace mv::test
