#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "SessionFixture.hpp"
#include "TestEnvironment.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "util/Session.hpp"

namespace mv::test {

inline marvisto_product_Entity product(int id, const std::string& sku, const std::string& name, int publish = 1,
                                       const std::string& tags = "") {
  marvisto_product_Entity p;
  p.product_id = id;
  p.product_sku = sku;
  p.product_name = name;
  p.product_publish = publish;
  p.product_tags = tags;
  return p;
}

inline marvisto_product_attribute_Entity productAttribute(int id, int productId, int fieldId,
                                                          const std::string& value) {
  marvisto_product_attribute_Entity a;
  a.attribute_id = id;
  a.product_id = productId;
  a.attribute_fields_id = fieldId;
  a.attribute_value = value;
  return a;
}

// A signed-in client ("AcmeCo", account "rep_1") with its database open.
class StoreTest : public TestEnvironment {
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
    DataAccessManager::releaseDataModel();
    Session::clear();
    TestEnvironment::TearDown();
  }

  void signIn(const std::string& client, const std::string& account) { mv::test::signInAs(client, account); }

  DataAccessManager& dam() {
    DataAccessManager* d = DataAccessManager::sharedDataModel();
    if (!d) throw std::runtime_error("database did not open");
    return *d;
  }
  SQLiteDatabase& db() {
    dam();
    return SQLiteDatabase::sharedDataBase();
  }
  // Runs seed SQL; fails the test when it does not run.
  void sql(const std::string& text) { ASSERT_TRUE(db().execute(text)) << text; }
  long long count(const std::string& table, const std::string& where = "") {
    auto st = db().prepare("SELECT COUNT(*) FROM " + table + (where.empty() ? "" : " WHERE " + where));
    return st.step() == SQLiteStatement::Step::Row ? st.int64At(0) : -1;
  }
  // Every row of the table as text, in rowid order.
  std::vector<std::string> dumpTable(const std::string& table) {
    std::vector<std::string> rows;
    auto st = db().prepare("SELECT * FROM \"" + table + "\" ORDER BY rowid");
    while (st.step() == SQLiteStatement::Step::Row) {
      std::string line;
      for (int i = 0; i < st.columnCount(); ++i)
        line += (st.isNull(i) ? std::string("<null>") : st.textAt(i)) + "|";
      rows.push_back(line);
    }
    return rows;
  }

  std::int64_t vendorId = 77;
};

}  // namespace mv::test
