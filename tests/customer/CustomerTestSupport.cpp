#include "CustomerTestSupport.hpp"

#include "HeldWorkers.hpp"
#include "customer/CustomerFeature.hpp"
#include "platform/base/OutsideWork.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/frame/UIToast.hpp"
#include "SessionFixture.hpp"
#include "util/Json.hpp"
#include "util/Session.hpp"
#include "util/TextLookup.hpp"

namespace mv::test {
void CustomerTest::SetUp() {
  TestEnvironment::SetUp();
  signInAs("acme", "rep");
  setTextLookup([](const std::string& key) -> std::optional<std::string> { return "text-" + key; });
  std::vector<marvisto_fields_customer_attribute_Entity> fields = {
      {kPhone, "Phone", "", "text", "", 1, 1},     {kBank, "Bank Account", "", "text", "", 1, 1},
      {kActive, "Active", "", "bool", "", 1, 1},   {kAddress, "Address", "", "text", "", 1, 1},
      {kCity, "City", "", "text", "", 1, 1},       {kState, "State/Province/Region", "", "text", "", 1, 1},
      {kZip, "Zip Code", "", "text", "", 1, 1},    {kHiddenField, "Internal", "", "text", "", 0, 1},
  };
  ASSERT_TRUE(dam().saveToDatabaseFieldsCustomerAttribute(fields));
  ConfigManager::install(wiring.services);
  CustomerFeature::install(wiring);
  scope.emplace(Session::current(), wiring.services);
  services = scope->services();
  ASSERT_TRUE(services);
}

void CustomerTest::TearDown() {
  services.reset();
  scope.reset();
  ui::AlertView::resetForTesting();
  MessageBox::sharedInstance().resetForTesting();
  setTextLookup(nullptr);
  TestEnvironment::TearDown();
}

void CustomerTest::seed(const SeedCustomer& c) {
  auto row = makeCustomer(c.id, c.name);
  row.discount = 0.5f;
  ASSERT_TRUE(dam().saveToDatabaseCustomer({row}));
  std::vector<marvisto_customer_attribute_Entity> attributes;
  int n = 0;
  for (const auto& [field, value] : c.attributes) {
    const int magnitude = (c.id < 0 ? -c.id : c.id) * 100 + ++n;
    attributes.push_back(makeCustomerAttribute(c.id < 0 ? -magnitude : magnitude, c.id, field, value));
  }
  ASSERT_TRUE(dam().saveToDatabaseCustomerAttribute(attributes));
  ASSERT_TRUE(dam().saveToDatabaseCustomerAddress(c.addresses));
  std::vector<marvisto_customer_contact_entity> contacts;
  for (const auto& s : c.contacts) {
    contacts.push_back(makeContact(s.id, c.id, s.first, s.last));
    contacts.back().email = s.email;
  }
  ASSERT_TRUE(dam().saveToDatabaseCustomerContact(contacts));
  if (c.hidden) {
    ASSERT_TRUE(dam().updateCustomerTableHiddenWithCustomerId(c.id, 1));
  }
  if (c.important) {
    ASSERT_TRUE(dam().updateCustomerTableImportantWithCustomerId(c.id, 1));
  }
}

void CustomerTest::seedOrder(int orderId, int customerId) {
  sql("INSERT INTO marvisto_quote_order (order_id, customer_id, order_number) VALUES (" + std::to_string(orderId) +
      ", " + std::to_string(customerId) + ", 'rep_2601" + std::to_string(-orderId) + "')");
}

void CustomerTest::seedBook(int first, int n) {
  const std::string ids = "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < " +
                          std::to_string(n) + ") ";
  const std::string id = std::to_string(first) + " + i";
  sql("BEGIN");
  sql(ids + "INSERT INTO marvisto_customer (customer_id, customer_name, customer_publish) SELECT " + id +
      ", printf('Client %04d', i), 1 FROM n");
  sql(ids + "INSERT INTO marvisto_customer_attribute (attribute_id, customer_id, attribute_fields_id, attribute_value) "
            "SELECT 100 * (" + id + "), " + id + ", " + std::to_string(kState) + ", 'State ' || (i % 7) FROM n");
  sql(ids + "INSERT INTO marvisto_customer_contact (contact_id, customer_id, first_name, last_name) SELECT " + id +
      ", " + id + ", 'Ann', printf('Lee %04d', i) FROM n");
  sql("COMMIT");
}

marvisto_customer_address_Entity CustomerTest::address(int id, int customerId, const std::string& street,
                                                       const std::string& city, const std::string& state,
                                                       bool isDefault) {
  auto a = makeAddress(id, customerId, street, isDefault);
  a.customerCity = city;
  a.customerState = state;
  a.customerZipCode = "Z" + std::to_string(id);
  return a;
}

std::vector<base::Value> uploadedCustomerDocuments(const sales::SalesService& service) {
  std::vector<base::Value> out;
  for (const auto& e : service.requestLog()) {
    if (e.endpoint != "message" || e.methodName != "syncData") continue;
    auto doc = JSONValue(stringValue(member(e.parameters, "syncData")));
    out.push_back(doc ? *doc : base::Value());
  }
  return out;
}

std::shared_ptr<CustomerDataModel> CustomerTest::directory() {
  auto directory = CustomerDataModel::sharedInstance();
  if (directory && !directory->isBookRead()) {
    EXPECT_TRUE(runUntil([&] { return directory->isBookRead(); }, 60)) << "the customer book was not read";
  }
  return directory;
}

void CustomerTest::setShowAllCustomers(bool show) { scope->services()->get<ConfigManager>()->setIsShowAllCustomer(show); }

void CustomerScreenTest::TearDown() {
  if (window_) {
    window_->setRootViewController(nullptr);
    ui::Application::sharedInstance().removeWindow(window_.get());
  }
  window_.reset();
  screen.reset();
  ui::View::setAnimationsEnabled(true);
  CustomerTest::TearDown();
}

void CustomerScreenTest::open() {
  directory();
  openWhileTheBookIsRead();
  flush();
}

void CustomerScreenTest::openWhileTheBookIsRead() {
  screen = std::make_shared<CustomerViewController>(CustomerDataModel::sharedInstance(), services->get<ConfigManager>());
  window_ = std::make_shared<ui::Window>();
  window_->setBackgroundColor(gfx::Color::white());
  window_->makeKeyAndVisible();
  window_->setRootViewController(screen);
  driver = std::make_unique<ui::HeadlessDriver>(window_);
  driver->flush();
}

void CustomerScreenTest::flush() {
  if (base::awaitedReadsUnderWay() && !HeldWorkers::holding()) {
    EXPECT_TRUE(runUntil([] { return !base::awaitedReadsUnderWay(); }, 60)) << "a read the screens wait for";
  }
  driver->flush();
  ui::View::layoutPendingViews();
}

std::string CustomerScreenTest::toastText() {
  flush();
  std::string last;
  for (auto* toast : driver->findAllOf<UIToast>(nullptr, false)) last = toast->text();
  return last;
}

std::string CustomerScreenTest::txt(const std::string& key) { return textForKey(key).value_or(key); }

}  // namespace mv::test
