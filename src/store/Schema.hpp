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
  // Recorded in PRAGMA user_version once every table is current and every
  // step below has run.
  static constexpr int kVersion = 4;

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

  // A trigger kept on one table. `seedSql`, when given, runs once when the
  // trigger is made, for the rows the table held before it.
  struct Trigger {
    std::string name;
    std::string table;
    std::string createSql;
    std::string seedSql;
  };

  static const std::vector<Table>& tables();
  static const std::vector<Trigger>& triggers();
  static const Table* table(const std::string& name);
  static std::vector<std::string> tableNames(const std::string& group);

  // Brings one table to its current layout without losing rows: creates it
  // when missing, adds missing columns with their defaults, rebuilds it when
  // its unique keys differ (keeping the newest row per key; older rows and rows
  // without a required value go to the side table "<name>__kept", and columns
  // the layout no longer names stay) and creates missing indexes and
  // triggers. Runs in one transaction; changes nothing on a current table.
  static bool upgradeTable(SQLiteDatabase& db, const Table& table);
  // Every table of one group.
  static bool upgradeGroup(SQLiteDatabase& db, const std::string& group);
  // Every table, then the steps the database still needs and the schema
  // version. Used for a new database too.
  static bool createAll(SQLiteDatabase& db);

  // What a database learns of its own rows on its way to `version`, once
  // its tables are current: run once by every database below that version,
  // whichever version it comes from.
  struct Step {
    int version;
    std::string sql;
  };
  static const std::vector<Step>& steps();
  // The steps of the versions above `fromVersion` (what the database held
  // before its tables were brought up to date), then the schema version, in
  // one transaction: a failure leaves the version, and the next upgrade runs
  // them again.
  static bool takeSteps(SQLiteDatabase& db, int fromVersion);
  // Notes every customer the service gave an id as one this device may have
  // uploaded, from a local customer it no longer knows.
  static const char* const kNoteStoredCustomersUploaded;

  // Facts about an existing table, for the upgrade and for tests.
  static std::vector<std::vector<std::string>> existingUniqueKeys(SQLiteDatabase& db, const std::string& table);
  static std::vector<std::string> existingIndexes(SQLiteDatabase& db, const std::string& table);

  // The configuration images the application looks up by title, which the
  // template database carries so that a first sync fetches their files: the
  // tab bar's "top bar" and the tabs' pictures.
  struct TemplateIcon {
    int id;
    const char* title;
    const char* name;
    int width;
    int height;
    const char* category;
  };
  static constexpr TemplateIcon kTemplateIcons[] = {
      {1, "top bar", "topbar_company.png", 1024, 49, "bar"}, {2, "home", "icon_home.png", 64, 64, "tab"},
      {3, "catalogue", "icon_catalog.png", 64, 64, "tab"},   {4, "customers", "icon_customer.png", 64, 64, "tab"},
      {5, "library", "icon_library.png", 64, 64, "tab"},     {6, "orders", "icon_order.png", 64, 64, "tab"},
      {7, "sync", "icon_sync.png", 64, 64, "tab"},
  };
  // Writes the rows a new client database starts with (the icons above),
  // each whose title the database does not hold yet: an upgrade of a
  // database made from an earlier template gains the icons it lacks.
  static bool seedTemplateRows(SQLiteDatabase& db);

  // Double-quoted SQL identifier.
  static std::string quote(const std::string& identifier);
};

}  // namespace mv
