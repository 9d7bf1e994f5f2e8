#pragma once
// The signed-in client's database as tests seed and read it: SQL that must
// run, row counts and whole tables as text. Fixtures derive from
// `StoreAccess` so that test bodies in any namespace reach the helpers by
// their short names (`sql`, `count`, `dam()`).
#include <string>
#include <vector>

#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"

namespace mv::test {

// The store of the client signed in now; throws (failing the test) when its
// database did not open.
DataAccessManager& clientStore();
SQLiteDatabase& clientDatabase();
// Runs seed SQL; fails the test, with the database's error, when it does not run.
void sql(const std::string& text);
// The rows of `table` (that match `where` when given); -1 when the query fails.
long long count(const std::string& table, const std::string& where = "");
// Every row of the table as "value|value|" ("<null>" for NULL), in rowid order.
std::vector<std::string> dumpTable(const std::string& table);

class StoreAccess {
 protected:
  static DataAccessManager& dam() { return clientStore(); }
  static SQLiteDatabase& db() { return clientDatabase(); }
  static void sql(const std::string& text) { test::sql(text); }
  static long long count(const std::string& table, const std::string& where = "") {
    return test::count(table, where);
  }
  static std::vector<std::string> dumpTable(const std::string& table) { return test::dumpTable(table); }
};

}  // namespace mv::test
