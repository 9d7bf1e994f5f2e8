#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "EntityBuilders.hpp"
#include "SessionFixture.hpp"
#include "StoreAccess.hpp"
#include "TestEnvironment.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "store/SQLiteDatabase.hpp"
#include "util/Session.hpp"

namespace mv::test {

// A product as the store tests write it: code first, then name.
inline marvisto_product_Entity product(int id, const std::string& sku, const std::string& name, int publish = 1,
                                       const std::string& tags = "") {
  auto p = makeProduct(id, name, sku);
  p.product_publish = publish;
  p.product_tags = tags;
  return p;
}

// A signed-in client ("AcmeCo", account "rep_1") with its database open.
class StoreTest : public TestEnvironment, protected StoreAccess {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    signIn("AcmeCo", "rep_1");
    changeSession([this](Session& s) {
      s.deviceID = "DEVICE-1";
      s.vendorId = vendorId;
    });
  }
  void TearDown() override {
    SessionDatabase::close();
    Session::clear();
    TestEnvironment::TearDown();
  }

  void signIn(const std::string& client, const std::string& account) { mv::test::signInAs(client, account); }

  std::int64_t vendorId = 77;
};

}  // namespace mv::test
