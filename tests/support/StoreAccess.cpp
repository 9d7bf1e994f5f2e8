#include "StoreAccess.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

#include "store/SessionDatabase.hpp"

namespace mv::test {

DataAccessManager& clientStore() {
  DataAccessManager* store = SessionDatabase::open().get();
  if (!store) throw std::runtime_error("the client database did not open");
  return *store;
}

SQLiteDatabase& clientDatabase() {
  clientStore();
  return SQLiteDatabase::sharedDataBase();
}

void sql(const std::string& text) {
  auto& db = clientDatabase();
  ASSERT_TRUE(db.execute(text)) << text << "\n" << db.lastError();
}

long long count(const std::string& table, const std::string& where) {
  auto st = clientDatabase().prepare("SELECT COUNT(*) FROM " + table + (where.empty() ? "" : " WHERE " + where));
  return st.step() == SQLiteStatement::Step::Row ? st.int64At(0) : -1;
}

std::vector<std::string> dumpTable(const std::string& table) {
  std::vector<std::string> rows;
  auto st = clientDatabase().prepare("SELECT * FROM \"" + table + "\" ORDER BY rowid");
  while (st.step() == SQLiteStatement::Step::Row) {
    std::string line;
    for (int i = 0; i < st.columnCount(); ++i) line += (st.isNull(i) ? std::string("<null>") : st.textAt(i)) + "|";
    rows.push_back(line);
  }
  return rows;
}

}  // namespace mv::test
