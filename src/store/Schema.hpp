#pragma once
#include <string>
#include <vector>

namespace mv {

class SQLiteDatabase;

// The one description of every table of a client database. It builds the
// template database at build time, upgrades an older database in place, and
// gives tests the exact layout the application uses.
class Schema {
 public:
  // Recorded in PRAGMA user_version once every table is current.
  static constexpr int kVersion = 1;

  struct Column {
    std::string name;
    // Type, NOT NULL and DEFAULT: what ALTER TABLE ADD COLUMN can take.
    std::string decl;
    // Column key clause ("PRIMARY KEY", "UNIQUE", ...) used only when the
    // table is created.
    std::string key;
  };
  struct Index {
    std::string name;
    std::vector<std::string> columns;
  };
  struct Table {
    std::string name;
    // The data model that owns the table: "catalog", "lists", "library",
    // "customer", "order", "config" or "user".
    std::string group;
    std::vector<Column> columns;
    // Table constraints, e.g. "PRIMARY KEY (order_id, order_item_id)".
    std::vector<std::string> constraints;
    // Every uniqueness the table must have (primary key included); a table
    // whose keys differ is rebuilt.
    std::vector<std::vector<std::string>> uniqueKeys;
    std::vector<Index> indexes;

    const Column* column(const std::string& name) const;
    std::string createSql(const std::string& tableName) const;
  };

  static const std::vector<Table>& tables();
  static const Table* table(const std::string& name);
  static std::vector<std::string> tableNames(const std::string& group);

  // Brings one table to its current layout without losing rows: creates it
  // when missing, adds missing columns with their defaults, rebuilds it when
  // its unique keys differ (keeping the newest row per key) and creates missing
  // indexes. Runs in one transaction; changes nothing on a current table.
  static bool upgradeTable(SQLiteDatabase& db, const Table& table);
  // Every table of one group.
  static bool upgradeGroup(SQLiteDatabase& db, const std::string& group);
  // Every table, then the schema version. Used for a new database too.
  static bool createAll(SQLiteDatabase& db);

  // Facts about an existing table, for the upgrade and for tests.
  static std::vector<std::vector<std::string>> existingUniqueKeys(SQLiteDatabase& db, const std::string& table);
  static std::vector<std::string> existingIndexes(SQLiteDatabase& db, const std::string& table);

  // Double-quoted SQL identifier.
  static std::string quote(const std::string& identifier);
};

}  // namespace mv
