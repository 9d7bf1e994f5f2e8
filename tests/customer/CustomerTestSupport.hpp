#pragma once
// The customer tests' fixture: a signed-in client whose database is made from
// the template, with the standard customer attribute fields, and helpers that
// store customers with their rows.
#include <optional>
#include <string>
#include <vector>

#include "TestEnvironment.hpp"
#include "customer/CustomerDataModel.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"

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

class CustomerTest : public TestEnvironment {
 protected:
  void SetUp() override;
  void TearDown() override;

  DataAccessManager& dam();
  SQLiteDatabase& db();
  void sql(const std::string& text);
  long long count(const std::string& table, const std::string& where = "");
  // Stores the customer with its rows; attribute ids are the customer id
  // times 100 plus the position (negated for local customers).
  void seed(const SeedCustomer& customer);
  // A stored quote order naming the customer.
  void seedOrder(int orderId, int customerId);
  static marvisto_customer_address_Entity address(int id, int customerId, const std::string& street,
                                                  const std::string& city, const std::string& state,
                                                  bool isDefault = false);
  void setShowAllCustomers(bool show);
  std::shared_ptr<CustomerDataModel> directory() { return CustomerDataModel::sharedInstance(); }

  // The customer feature installed (a fixture may register more before
  // SetUp), and the session's services made from it.
  FeatureWiring wiring;
  std::shared_ptr<SessionServices> services;
};

}  // namespace mv::test
