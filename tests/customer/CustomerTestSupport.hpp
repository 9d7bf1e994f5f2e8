#pragma once
// The customer tests' fixture: a signed-in client whose database is made from
// the template, with the standard customer attribute fields, and helpers that
// store customers with their rows.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ServiceFixture.hpp"
#include "SessionFixture.hpp"
#include "EntityBuilders.hpp"
#include "MainThreadReads.hpp"
#include "SessionScope.hpp"
#include "StoreAccess.hpp"
#include "TestEnvironment.hpp"
#include "customer/CustomerDataModel.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "customer/CustomerViewController.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"
#include "platform/base/Value.hpp"
#include "sales-service/SalesService.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "util/Session.hpp"

namespace mv::test {

// Field ids of the standard fields the fixture publishes (those of the local
// sales service, plus "Bank Account").
enum Field { kActive = 1, kAddress = 2, kCity = 3, kState = 4, kZip = 5, kPhone = 6, kHiddenField = 9, kBank = 10 };

struct SeedContact {
  int id = 0;
  std::string first, last, email;
};

struct SeedCustomer {
  int id = 0;
  std::optional<std::string> name;
  std::vector<std::pair<int, std::string>> attributes;  // field id, value
  std::vector<marvisto_customer_address_Entity> addresses;
  std::vector<SeedContact> contacts;
  bool hidden = false;
  bool important = false;
};

class CustomerTest : public TestEnvironment, protected StoreAccess {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Stores the customer with its rows; attribute ids are the customer id
  // times 100 plus the position (negated for local customers).
  void seed(const SeedCustomer& customer);
  // A stored quote order naming the customer.
  void seedOrder(int orderId, int customerId);
  // `n` customers from id `first` on, "Client 0000" and on, each with a state
  // and one contact, stored at once as a sync stores its tables (the
  // directory does not know of them).
  void seedBook(int first, int n);
  static marvisto_customer_address_Entity address(int id, int customerId, const std::string& street,
                                                  const std::string& city, const std::string& state,
                                                  bool isDefault = false);
  void setShowAllCustomers(bool show);
  // The session's directory (made on first use) once its book has landed.
  std::shared_ptr<CustomerDataModel> directory();

  // The customer feature installed (a fixture may register more before
  // SetUp), and the session's services made from it.
  FeatureWiring wiring;
  // The signed-in session, ended in TearDown whatever the test left.
  std::optional<SessionScope> scope;
  std::shared_ptr<SessionServices> services;
};

// The customer documents the service received, in order.
std::vector<base::Value> uploadedCustomerDocuments(const sales::SalesService& service);

// A customer fixture whose uploads take the whole path to the local sales
// service, once the test (or a SetUp) calls startSalesService().
template <typename Fixture>
class CustomerServiceTest : public ServiceFixture<Fixture> {
 protected:
  CustomerServiceTest() {
    this->startsServiceAtSetUp = false;
    this->settings.messageTimeOutSeconds = 5;
  }
  // Starts the service and signs the representative in to it.
  void startSalesService() {
    this->startService();
    changeSession([](Session& s) {
      s.password = "secret";
      s.deviceID = "0123456789abcdef0123456789abcdef01234567";
    });
    this->signInToService();
  }
  std::vector<base::Value> uploadedDocuments() const { return uploadedCustomerDocuments(*this->service); }
};

// The Customers tab's screen in a window of its own, driven as a person does.
class CustomerScreenTest : public CustomerTest {
 protected:
  void TearDown() override;

  // The screen made and shown over what the store holds now, once the
  // directory has read it.
  void open();
  // The same as the first tap on the tab shows it: the book is read beside
  // meanwhile.
  void openWhileTheBookIsRead();
  // Pending work done (the reads the screens wait for ended first) and
  // views laid out.
  void flush();
  // The text of the last toast showing, "" when none.
  std::string toastText();
  // The shown text of a key (the screens install the application's tables).
  static std::string txt(const std::string& key);

  std::shared_ptr<CustomerViewController> screen;
  std::shared_ptr<ui::Window> window_;
  std::unique_ptr<ui::HeadlessDriver> driver;
};

}  // namespace mv::test
