#include "store/Schema.hpp"

#include <algorithm>
#include <map>
#include <set>

#include "platform/base/Log.hpp"
#include "store/SQLiteDatabase.hpp"
#include "store/SQLiteTransaction.hpp"

namespace mv {

namespace {

using Table = Schema::Table;
using Column = Schema::Column;

const char* const kInt = "INTEGER";
const char* const kInt0 = "INTEGER DEFAULT 0";
const char* const kIntNN0 = "INTEGER NOT NULL DEFAULT 0";
const char* const kReal0 = "REAL DEFAULT 0";
const char* const kText = "TEXT";

std::vector<Table> buildTables() {
  std::vector<Table> t;

  // Catalogue ----------------------------------------------------------------
  t.push_back({"marvisto_product", "catalog",
               {{"product_id", kInt, "PRIMARY KEY"},
                {"product_sku", kText, ""},
                {"product_name", kText, ""},
                {"product_s_desc", kText, ""},
                {"product_l_desc", kText, ""},
                {"product_publish", kIntNN0, ""},
                {"product_ordering", kInt0, ""},
                {"product_stock", kInt0, ""},
                {"product_sale", kInt0, ""},
                {"product_buy", kInt0, ""},
                {"product_tags", kText, ""}},
               {},
               {{"product_id"}},
               {}});
  t.push_back({"marvisto_product_attribute", "catalog",
               {{"attribute_id", kInt, "PRIMARY KEY"},
                {"product_id", kIntNN0, ""},
                {"attribute_fields_id", kInt, ""},
                {"attribute_value", kText, ""},
                {"default_value", kText, ""}},
               {},
               {{"attribute_id"}},
               {{"ix_pattr_product", {"product_id"}}}});
  t.push_back({"marvisto_fields_product_attribute", "catalog",
               {{"field_id", kInt, "PRIMARY KEY"},
                {"field_name", kText, ""},
                {"description", kText, ""},
                {"selection_list", kText, ""},
                {"display", kInt0, ""},
                {"published", kInt0, ""}},
               {},
               {{"field_id"}},
               {}});
  t.push_back({"marvisto_product_category_xref", "catalog",
               {{"category_id", "INTEGER NOT NULL", ""}, {"product_id", "INTEGER NOT NULL", ""}},
               {"PRIMARY KEY (category_id, product_id)"},
               {{"category_id", "product_id"}},
               {{"ix_xref_product", {"product_id"}}}});
  t.push_back({"marvisto_product_price", "catalog",
               {{"price_id", kInt, "PRIMARY KEY"},
                {"product_id", kIntNN0, ""},
                {"vendor_group_id_list", kText, ""},
                {"vendor_state_id_list", kText, ""},
                {"vendor_id_list", kText, ""},
                {"customer_id_list", kText, ""},
                {"price", kReal0, ""},
                {"currency", kText, ""},
                {"discount_price", kReal0, ""},
                {"discount_identifier", kText, ""},
                {"discount_start_date", "REAL", ""},
                {"discount_end_date", "REAL", ""},
                {"discount_publish", kInt0, ""},
                {"tier_start_date", "REAL", ""},
                {"tier_end_date", "REAL", ""},
                {"tier_quantity_price", kText, ""},
                {"tier_publish", kInt0, ""},
                {"discontRat", kReal0, ""}},
               {},
               {{"price_id"}},
               {{"ix_price_product", {"product_id"}}}});
  t.push_back({"marvisto_product_related", "catalog",
               {{"serial", kInt, "PRIMARY KEY"}, {"first_product_id", kInt, ""}, {"second_product_id", kInt, ""}},
               {},
               {{"serial"}},
               {}});
  t.push_back({"marvisto_image", "catalog",
               {{"image_id", kInt, "PRIMARY KEY"},
                {"key_id", kInt, ""},
                {"key_type", kText, ""},
                {"image_thumb_address", kText, ""},
                {"image_full_address", kText, ""},
                {"image_isdault", kInt0, ""},
                {"image_s_desc", kText, ""},
                {"image_l_desc", kText, ""},
                {"image_publis", kInt0, ""},
                {"image_ordering", kInt0, ""}},
               {},
               {{"image_id"}},
               {{"ix_image_key", {"key_id"}}}});
  t.push_back({"marvisto_category", "catalog",
               {{"category_id", kInt, "PRIMARY KEY"},
                {"category_name", kText, ""},
                {"category_code", kText, ""},
                {"category_type", kText, ""},
                {"category_publish", kInt0, ""},
                {"category_ordering", kInt0, ""},
                {"category_parent_id", kInt0, ""}},
               {},
               {{"category_id"}},
               {{"ix_category_parent", {"category_parent_id"}}}});
  t.push_back({"marvisto_product_related_files", "catalog",
               {{"file_id", "INTEGER NOT NULL", ""}, {"product_sku", kText, ""}, {"product_id", "INTEGER NOT NULL", ""}},
               {"UNIQUE (product_id, file_id)"},
               {{"product_id", "file_id"}},
               {}});
  t.push_back({"marvisto_tag", "catalog",
               {{"tag_id", kInt, "PRIMARY KEY"}, {"tag_name", kText, ""}},
               {},
               {{"tag_id"}},
               {}});
  t.push_back({"marvisto_product_related_tag", "catalog",
               {{"tag_id", "INTEGER NOT NULL", ""}, {"product_id", "INTEGER NOT NULL", ""}},
               {"PRIMARY KEY (tag_id, product_id)"},
               {{"tag_id", "product_id"}},
               {}});
  t.push_back({"marvisto_icon", "catalog",
               {{"_id", kInt, "PRIMARY KEY"},
                {"title", kText, ""},
                {"name", kText, ""},
                {"width", kInt0, ""},
                {"height", kInt0, ""},
                {"description", kText, ""},
                {"category", kText, ""},
                {"publish", kInt0, ""}},
               {},
               {{"_id"}},
               {}});

  // Lists --------------------------------------------------------------------
  for (const char* name : {"marvisto_favorite", "marvisto_compare"}) {
    t.push_back({name, "lists",
                 {{"product_id", "INTEGER NOT NULL", "UNIQUE"}, {"product_sku", kText, ""}, {"product_name", kText, ""}},
                 {},
                 {{"product_id"}},
                 {}});
  }

  // Library ------------------------------------------------------------------
  t.push_back({"marvisto_library_files", "library",
               {{"file_id", kInt, "PRIMARY KEY"},
                {"title", kText, ""},
                {"file_name", kText, ""},
                {"category", kInt0, ""},
                {"type", kText, ""},
                {"date", kText, ""},
                {"description", kText, ""},
                {"ordering", kInt0, ""},
                {"published", kInt0, ""},
                {"cover_image", kText, ""},
                {"info", kText, ""},
                {"isNew", kIntNN0, ""}},
               {},
               {{"file_id"}},
               {{"ix_libfiles_name", {"file_name"}}, {"ix_libfiles_cat", {"category"}}}});
  t.push_back({"marvisto_library_category", "library",
               {{"category_id", kInt, "PRIMARY KEY"},
                {"name", kText, ""},
                {"ordering", kInt0, ""},
                {"published", kInt0, ""},
                {"parent_id", kInt0, ""}},
               {},
               {{"category_id"}},
               {}});
  t.push_back({"marvisto_update", "library",
               {{"fileId", kInt, "PRIMARY KEY"}, {"old_file_name", kText, ""}, {"old_file_type", kText, ""}},
               {},
               {{"fileId"}},
               {}});
  t.push_back({"marvisto_library_favorite", "library",
               {{"file_id", kInt, "PRIMARY KEY"}, {"file_name", kText, ""}},
               {},
               {{"file_id"}},
               {}});

  // Customers ----------------------------------------------------------------
  // The lowest local id each kind of customer row has ever had here (see
  // buildTriggers).
  t.push_back({"marvisto_local_id", "customer",
               {{"kind", kText, "PRIMARY KEY"}, {"lowest_id", kIntNN0, ""}},
               {},
               {{"kind"}},
               {}});
  t.push_back({"marvisto_customer", "customer",
               {{"customer_id", kInt, "PRIMARY KEY"},
                {"customer_info_id", kText, ""},
                {"customer_name", kText, ""},
                {"customer_publish", "INTEGER DEFAULT 1", ""},
                {"customer_ordering", kInt0, ""},
                {"discount", kReal0, ""},
                {"hidden", kIntNN0, ""},
                {"important", kIntNN0, ""},
                {"has_note", kIntNN0, ""},
                {"note", kText, ""}},
               {},
               {{"customer_id"}},
               {}});
  // The service's ids of the customers this device uploaded, each with the
  // local id it had here: the service's own copy of a customer is one a sync
  // brought and this device never uploaded, so an upload's reply that gives
  // another customer one of these ids is refused, never taken for that copy.
  // A customer noted without its local id (see kNoteStoredCustomersUploaded)
  // may have been uploaded from any local customer.
  t.push_back({"marvisto_uploaded_customer", "customer",
               {{"customer_id", kInt, "PRIMARY KEY"}, {"local_id", kInt, ""}},
               {},
               {{"customer_id"}},
               {}});
  t.push_back({"marvisto_customer_attribute", "customer",
               {{"attribute_id", kInt, "PRIMARY KEY"},
                {"customer_id", kIntNN0, ""},
                {"attribute_fields_id", kInt0, ""},
                {"attribute_value", kText, ""}},
               {},
               {{"attribute_id"}},
               {{"ix_cattr_customer", {"customer_id"}}}});
  t.push_back({"marvisto_fields_customer_attribute", "customer",
               {{"field_id", kInt, "PRIMARY KEY"},
                {"field_name", kText, ""},
                {"description", kText, ""},
                {"data_type", kText, ""},
                {"selection_list", kText, ""},
                {"display", kInt0, ""},
                {"published", kInt0, ""}},
               {},
               {{"field_id"}},
               {}});
  t.push_back({"marvisto_customer_address", "customer",
               {{"id", kInt, "PRIMARY KEY"},
                {"customer_id", kIntNN0, ""},
                {"address", kText, ""},
                {"city", kText, ""},
                {"state", kText, ""},
                {"zip_code", kText, ""},
                {"isDefault", kIntNN0, ""}},
               {},
               {{"id"}},
               {{"ix_caddr_customer", {"customer_id"}}}});
  t.push_back({"marvisto_customer_contact", "customer",
               {{"contact_id", kInt, "PRIMARY KEY"},
                {"customer_id", kIntNN0, ""},
                {"first_name", kText, ""},
                {"last_name", kText, ""},
                {"job_title", kText, ""},
                {"work_phone", kText, ""},
                {"mobile_phone", kText, ""},
                {"email", kText, ""},
                {"im", kText, ""},
                {"note", kText, ""},
                {"isDefault", kIntNN0, ""}},
               {},
               {{"contact_id"}},
               {{"ix_ccontact_customer", {"customer_id"}}}});

  // Orders -------------------------------------------------------------------
  t.push_back({"marvisto_quote_order", "order",
               {{"order_id", kInt, "PRIMARY KEY"},
                {"customer_id", kInt0, ""},
                {"customer_info_id", kText, ""},
                {"customer_name", kText, ""},
                {"vendor_id", kInt0, ""},
                {"order_number", kText, ""},
                {"order_total", kReal0, ""},
                {"order_subtotal", kReal0, ""},
                {"order_tax", kReal0, ""},
                {"order_tax_details", kText, ""},
                {"order_shipping", kReal0, ""},
                {"order_shipping_tax", kReal0, ""},
                {"coupon_discount", kReal0, ""},
                {"coupon_code", kText, ""},
                {"order_discount", "REAL DEFAULT -1", ""},
                {"order_currency", kText, ""},
                {"order_status", kInt0, ""},
                {"cdate", kText, ""},
                {"mdate", kText, ""},
                {"ship_method", kText, ""},
                {"customer_note", kText, ""},
                {"ip_address", kText, ""},
                {"uploaded", kIntNN0, ""},
                {"discount_rat", "REAL DEFAULT 100", ""},
                {"signature", kText, ""},
                {"address", kText, ""},
                {"city", kText, ""},
                {"state", kText, ""},
                {"zip_code", kText, ""},
                {"phone", kText, ""},
                {"bankAccount", kText, ""},
                // cdate as "yyyy-MM-dd HH:mm:ss", so that orders sort by time.
                {"cdate_sort", kText, ""}},
               {},
               {{"order_id"}},
               {{"ix_order_number", {"order_number"}}, {"ix_order_cdate", {"cdate_sort"}}}});
  t.push_back({"marvisto_quote_order_item", "order",
               {{"order_item_id", "INTEGER NOT NULL", ""},
                {"order_id", "INTEGER NOT NULL", ""},
                {"customer_info_id", kText, ""},
                {"vendor_id", kInt0, ""},
                {"product_id", kInt0, ""},
                {"order_item_sku", kText, ""},
                {"order_item_name", kText, ""},
                {"product_quantity", kInt0, ""},
                {"product_item_price", kReal0, ""},
                {"product_final_price", kReal0, ""},
                {"order_item_currency", kText, ""},
                {"order_item_subtotal", kReal0, ""},
                {"order_status", kInt0, ""},
                {"cdate", kText, ""},
                {"mdate", kText, ""},
                {"product_attribute", kText, ""},
                {"discount_rat", kReal0, ""}},
               {"PRIMARY KEY (order_id, order_item_id)"},
               {{"order_id", "order_item_id"}},
               {}});

  // Configuration and local users --------------------------------------------
  t.push_back({"marvisto_config", "config",
               {{"_id", kInt, "PRIMARY KEY AUTOINCREMENT"},
                {"client_id", kText, ""},
                {"cfg_type", "TEXT NOT NULL", "UNIQUE"},
                {"desc", kText, ""},
                {"update_date", kText, ""}},
               {},
               {{"_id"}, {"cfg_type"}},
               {}});
  t.push_back({"marvisto_user", "user",
               {{"user_name", "TEXT NOT NULL COLLATE NOCASE", ""},
                {"password_hash", kText, ""},
                {"client_id", "TEXT NOT NULL COLLATE NOCASE", ""},
                {"device_id", kText, ""},
                {"email", kText, ""},
                {"company_name", kText, ""},
                {"company_link", kText, ""},
                {"login_time", kText, ""}},
               {"PRIMARY KEY (client_id, user_name)"},
               {{"client_id", "user_name"}},
               {}});
  return t;
}

using KeySet = std::set<std::vector<std::string>>;

KeySet normalise(const std::vector<std::vector<std::string>>& keys) {
  KeySet out;
  for (auto k : keys) {
    std::sort(k.begin(), k.end());
    out.insert(k);
  }
  return out;
}

// ALTER TABLE ADD COLUMN cannot add a key column, nor a NOT NULL one without a
// default.
bool canAddColumn(const Column& c) {
  if (!c.key.empty()) return false;
  bool notNull = c.decl.find("NOT NULL") != std::string::npos;
  bool hasDefault = c.decl.find("DEFAULT") != std::string::npos;
  return !notNull || hasDefault;
}

bool createIndexes(SQLiteDatabase& db, const Table& table) {
  for (const auto& ix : table.indexes) {
    std::string cols;
    for (const auto& c : ix.columns) cols += (cols.empty() ? "" : ", ") + Schema::quote(c);
    if (!db.execute("CREATE INDEX IF NOT EXISTS " + Schema::quote(ix.name) + " ON " + Schema::quote(table.name) +
                    " (" + cols + ")"))
      return false;
  }
  return true;
}

// The declared type of each column of a table as it stands on disk.
std::vector<std::pair<std::string, std::string>> columnTypes(SQLiteDatabase& db, const std::string& table) {
  std::vector<std::pair<std::string, std::string>> out;
  SQLiteStatement st = db.prepare("SELECT name, type FROM pragma_table_info(?) ORDER BY cid");
  st.bind(1, table);
  while (st.step() == SQLiteStatement::Step::Row) out.emplace_back(st.textAt(0), st.textAt(1));
  return out;
}

bool addPlainColumn(SQLiteDatabase& db, const std::string& table, const std::string& column, const std::string& type) {
  return db.execute("ALTER TABLE " + Schema::quote(table) + " ADD COLUMN " + Schema::quote(column) +
                    (type.empty() ? "" : " " + type));
}

// Whether a table's rowid is one of its columns (an INTEGER PRIMARY KEY).
bool rowidIsAColumn(SQLiteDatabase& db, const std::string& table) {
  SQLiteStatement st = db.prepare("SELECT upper(type), pk FROM pragma_table_info(?)");
  st.bind(1, table);
  int keyColumns = 0;
  bool integer = false;
  while (st.step() == SQLiteStatement::Step::Row) {
    if (st.intAt(1) == 0) continue;
    ++keyColumns;
    integer = st.textAt(0) == "INTEGER";
  }
  return keyColumns == 1 && integer;
}

// Copies the rows into a table of the current layout and swaps the tables.
// Nothing is dropped: columns the layout no longer names stay on the table,
// and rows the new keys cannot hold move to the side table "<name>__kept".
// The rows go in newest first (highest rowid), each one only when the new
// table takes it as it is: so where the new keys meet, under the new
// columns' types and collations (a text key holding '1' and '01' becomes an
// integer key), the newest row stays and the others are kept aside, as are
// rows without a required value.
bool rebuildTable(SQLiteDatabase& db, const Table& table) {
  const std::string fresh = table.name + "__rebuild";
  const std::string kept = table.name + "__kept";
  const auto oldColumns = columnTypes(db, table.name);
  std::vector<std::pair<std::string, std::string>> extra;
  for (const auto& [name, type] : oldColumns) {
    if (!table.column(name)) extra.emplace_back(name, type);
  }
  MV_LOG("Rebuilding table ", table.name, " for its keys");
  if (!db.execute("DROP TABLE IF EXISTS " + Schema::quote(fresh))) return false;
  if (!db.execute(table.createSql(fresh))) return false;
  for (const auto& [name, type] : extra) {
    if (!addPlainColumn(db, fresh, name, type)) return false;
  }
  // A missing value of a required column with a default takes the default,
  // as an insert into the table would.
  std::map<std::string, std::string> defaults;
  {
    SQLiteStatement st = db.prepare("SELECT name, dflt_value FROM pragma_table_info(?) WHERE \"notnull\"");
    st.bind(1, fresh);
    while (st.step() == SQLiteStatement::Step::Row) {
      if (!st.isNull(1)) defaults[st.textAt(0)] = st.textAt(1);
    }
  }
  std::string cols;
  std::string values;
  std::string oCols;
  for (const auto& [name, type] : oldColumns) {
    const std::string q = Schema::quote(name);
    cols += (cols.empty() ? "" : ", ") + q;
    oCols += (oCols.empty() ? "o." : ", o.") + q;
    auto d = defaults.find(name);
    values += (values.empty() ? "" : ", ") +
              (d == defaults.end() ? "o." + q : "COALESCE(o." + q + ", " + d->second + ")");
  }
  if (cols.empty()) return false;
  // Rows keep their rowids where the rowid is not a key column, so their
  // order (which row is newest) survives the next rebuild.
  const bool ownRowid = !rowidIsAColumn(db, fresh);
  SQLiteStatement insert = db.prepare("INSERT OR IGNORE INTO " + Schema::quote(fresh) + " (" +
                                      (ownRowid ? "rowid, " : "") + cols + ") SELECT " +
                                      (ownRowid ? "o.rowid, " : "") + values + " FROM " + Schema::quote(table.name) +
                                      " AS o WHERE o.rowid = ?");
  if (!insert) return false;
  std::vector<std::int64_t> rowids;
  {
    SQLiteStatement st = db.prepare("SELECT rowid FROM " + Schema::quote(table.name) + " ORDER BY rowid DESC");
    SQLiteStatement::Step step;
    while ((step = st.step()) == SQLiteStatement::Step::Row) rowids.push_back(st.int64At(0));
    if (step != SQLiteStatement::Step::Done) return false;
  }
  std::vector<std::int64_t> notTaken;
  for (std::int64_t rowid : rowids) {
    insert.reset();
    insert.bind(1, rowid);
    // A row the new table refuses (a key taken by a newer row, a missing
    // required value, a value its key column cannot hold) waits aside.
    if (insert.step() != SQLiteStatement::Step::Done || db.changes() == 0) notTaken.push_back(rowid);
  }
  if (!notTaken.empty()) {
    if (!db.execute("CREATE TABLE IF NOT EXISTS " + Schema::quote(kept) + " AS SELECT * FROM " +
                    Schema::quote(table.name) + " WHERE 0"))
      return false;
    const auto keptColumns = columnTypes(db, kept);
    for (const auto& [name, type] : oldColumns) {
      if (std::none_of(keptColumns.begin(), keptColumns.end(), [&](const auto& c) { return c.first == name; }) &&
          !addPlainColumn(db, kept, name, type))
        return false;
    }
    SQLiteStatement keep = db.prepare("INSERT INTO " + Schema::quote(kept) + " (" + cols + ") SELECT " + oCols +
                                      " FROM " + Schema::quote(table.name) + " AS o WHERE o.rowid = ?");
    if (!keep) return false;
    for (auto it = notTaken.rbegin(); it != notTaken.rend(); ++it) {
      keep.reset();
      keep.bind(1, *it);
      if (keep.step() != SQLiteStatement::Step::Done) return false;
    }
  }
  MV_LOG("Rebuilt table ", table.name, ": ", rowids.size() - notTaken.size(), " of ", rowids.size(),
         " rows in place, ", notTaken.size(), " kept in ", kept);
  if (!extra.empty()) MV_LOG("Kept ", extra.size(), " columns of ", table.name, " that its layout no longer names");
  if (!db.execute("DROP TABLE " + Schema::quote(table.name))) return false;
  return db.execute("ALTER TABLE " + Schema::quote(fresh) + " RENAME TO " + Schema::quote(table.name));
}

}  // namespace

const Schema::Column* Schema::Table::column(const std::string& n) const {
  for (const auto& c : columns)
    if (c.name == n) return &c;
  return nullptr;
}

std::string Schema::Table::createSql(const std::string& tableName) const {
  std::string sql = "CREATE TABLE IF NOT EXISTS " + quote(tableName) + " (";
  bool first = true;
  for (const auto& c : columns) {
    sql += (first ? "" : ", ") + quote(c.name) + " " + c.decl + (c.key.empty() ? "" : " " + c.key);
    first = false;
  }
  for (const auto& k : constraints) sql += ", " + k;
  return sql + ")";
}

std::string Schema::quote(const std::string& identifier) {
  std::string out = "\"";
  for (char ch : identifier) {
    if (ch == '"') out += '"';
    out += ch;
  }
  return out + "\"";
}

const std::vector<Schema::Table>& Schema::tables() {
  static const std::vector<Table> all = buildTables();
  return all;
}

// Rows made on the device take negative ids below the lowest in use. Uploads
// renumber them and deletions remove them, so the rows alone would hand an id
// out again, and the service, which maps a device's local ids to its own rows,
// would take the new row for the earlier one. Every local id a row is given
// is therefore noted in marvisto_local_id, and new ids start below the note.
namespace {
std::vector<Schema::Trigger> buildTriggers() {
  struct Kind {
    const char* kind;
    const char* table;
    const char* column;
  };
  static constexpr Kind kKinds[] = {{"customer", "marvisto_customer", "customer_id"},
                                    {"customer_address", "marvisto_customer_address", "id"},
                                    {"customer_attribute", "marvisto_customer_attribute", "attribute_id"},
                                    {"customer_contact", "marvisto_customer_contact", "contact_id"}};
  const std::string lowest = " ON CONFLICT(kind) DO UPDATE SET lowest_id = MIN(lowest_id, excluded.lowest_id)";
  std::vector<Schema::Trigger> out;
  for (const Kind& k : kKinds) {
    const std::string column = Schema::quote(k.column);
    const std::string name = std::string(k.table) + "_local_id";
    out.push_back({name, k.table,
                   "CREATE TRIGGER IF NOT EXISTS " + Schema::quote(name) + " AFTER INSERT ON " + Schema::quote(k.table) +
                       " WHEN NEW." + column + " < 0 BEGIN INSERT INTO marvisto_local_id (kind, lowest_id) VALUES ('" +
                       k.kind + "', NEW." + column + ")" + lowest + "; END",
                   "INSERT INTO marvisto_local_id (kind, lowest_id) SELECT '" + std::string(k.kind) + "', MIN(" +
                       column + ") FROM " + Schema::quote(k.table) + " WHERE " + column +
                       " < 0 HAVING COUNT(*) > 0" + lowest});
  }
  return out;
}
}  // namespace

const std::vector<Schema::Trigger>& Schema::triggers() {
  static const std::vector<Trigger> all = buildTriggers();
  return all;
}

const Schema::Table* Schema::table(const std::string& name) {
  for (const auto& t : tables())
    if (t.name == name) return &t;
  return nullptr;
}

std::vector<std::string> Schema::tableNames(const std::string& group) {
  std::vector<std::string> names;
  for (const auto& t : tables())
    if (group.empty() || t.group == group) names.push_back(t.name);
  return names;
}

std::vector<std::vector<std::string>> Schema::existingUniqueKeys(SQLiteDatabase& db, const std::string& table) {
  std::vector<std::vector<std::string>> keys;
  {
    std::vector<std::pair<int, std::string>> pk;
    SQLiteStatement st = db.prepare("SELECT name, pk FROM pragma_table_info(?) WHERE pk > 0");
    st.bind(1, table);
    while (st.step() == SQLiteStatement::Step::Row) pk.emplace_back(st.intAt(1), st.textAt(0));
    std::sort(pk.begin(), pk.end());
    if (!pk.empty()) {
      std::vector<std::string> k;
      for (auto& p : pk) k.push_back(p.second);
      keys.push_back(k);
    }
  }
  std::vector<std::string> uniqueIndexes;
  {
    SQLiteStatement st = db.prepare("SELECT name FROM pragma_index_list(?) WHERE \"unique\" = 1");
    st.bind(1, table);
    while (st.step() == SQLiteStatement::Step::Row) uniqueIndexes.push_back(st.textAt(0));
  }
  for (const auto& ix : uniqueIndexes) {
    std::vector<std::string> k;
    SQLiteStatement st = db.prepare("SELECT name FROM pragma_index_info(?) ORDER BY seqno");
    st.bind(1, ix);
    while (st.step() == SQLiteStatement::Step::Row) k.push_back(st.textAt(0));
    if (!k.empty()) keys.push_back(k);
  }
  return keys;
}

std::vector<std::string> Schema::existingIndexes(SQLiteDatabase& db, const std::string& table) {
  std::vector<std::string> names;
  SQLiteStatement st = db.prepare("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = ? ORDER BY name");
  st.bind(1, table);
  while (st.step() == SQLiteStatement::Step::Row) names.push_back(st.textAt(0));
  return names;
}

bool Schema::upgradeTable(SQLiteDatabase& db, const Table& table) {
  if (!db.isOpen()) return false;
  auto tx = SQLiteTransaction::begin(db);
  if (!tx) return false;
  if (!db.tableExists(table.name)) {
    if (!db.execute(table.createSql(table.name))) return false;
  } else {
    std::vector<std::string> present = db.columnNames(table.name);
    bool needsRebuild = normalise(existingUniqueKeys(db, table.name)) != normalise(table.uniqueKeys);
    std::vector<const Column*> missing;
    for (const auto& c : table.columns) {
      if (std::find(present.begin(), present.end(), c.name) != present.end()) continue;
      if (canAddColumn(c))
        missing.push_back(&c);
      else
        needsRebuild = true;
    }
    if (needsRebuild) {
      if (!rebuildTable(db, table)) return false;
    } else {
      for (const Column* c : missing) {
        if (!db.execute("ALTER TABLE " + quote(table.name) + " ADD COLUMN " + quote(c->name) + " " + c->decl))
          return false;
      }
    }
  }
  if (!createIndexes(db, table)) return false;
  for (const Trigger& trigger : triggers()) {
    if (trigger.table != table.name) continue;
    // A rebuilt table lost its triggers with the old one.
    SQLiteStatement st = db.prepare("SELECT 1 FROM sqlite_master WHERE type = 'trigger' AND name = ?");
    if (!st) return false;
    st.bind(1, trigger.name);
    if (st.step() == SQLiteStatement::Step::Row) continue;
    if (!db.execute(trigger.createSql)) return false;
    if (!trigger.seedSql.empty() && !db.execute(trigger.seedSql)) return false;
  }
  return tx->commit();
}

bool Schema::upgradeGroup(SQLiteDatabase& db, const std::string& group) {
  bool ok = true;
  for (const auto& t : tables()) {
    if (t.group != group) continue;
    if (!upgradeTable(db, t)) {
      MV_LOG("Upgrade of table ", t.name, " failed");
      ok = false;
    }
  }
  return ok;
}

bool Schema::seedTemplateRows(SQLiteDatabase& db) {
  auto tx = SQLiteTransaction::begin(db);
  if (!tx) return false;
  for (const TemplateIcon& icon : kTemplateIcons) {
    // A title the database already has keeps its row (the service's, after
    // a sync); so does a row already holding the id.
    SQLiteStatement st = db.prepare(
        "INSERT OR IGNORE INTO marvisto_icon (_id, title, name, width, height, description, category, publish) "
        "SELECT ?, ?, ?, ?, ?, ?, ?, 1 WHERE NOT EXISTS (SELECT 1 FROM marvisto_icon WHERE title = ?)");
    if (!st) return false;
    st.bind(1, icon.id);
    st.bind(2, std::string(icon.title));
    st.bind(3, std::string(icon.name));
    st.bind(4, icon.width);
    st.bind(5, icon.height);
    st.bind(6, std::string("The ") + icon.title + " picture");
    st.bind(7, std::string(icon.category));
    st.bind(8, std::string(icon.title));
    if (st.step() != SQLiteStatement::Step::Done) return false;
  }
  return tx->commit();
}

bool Schema::createAll(SQLiteDatabase& db) {
  const int from = db.userVersion();
  bool ok = true;
  for (const auto& t : tables()) ok = upgradeTable(db, t) && ok;
  return ok && takeSteps(db, from);
}

// An upload leaves no other mark on a customer's rows, so a database that
// did not note its uploads may have uploaded any customer it holds: it notes
// them all, and a reply reusing one of their ids is refused rather than
// merged.
const char* const Schema::kNoteStoredCustomersUploaded =
    "INSERT OR IGNORE INTO marvisto_uploaded_customer (customer_id) "
    "SELECT customer_id FROM marvisto_customer WHERE customer_id > 0";

const std::vector<Schema::Step>& Schema::steps() {
  // Version 3 made the note of uploaded customers empty, also in databases
  // that had uploaded some already; a database made at version 3 noted the
  // ones it held. Either way, the customers of every database below 4 are
  // noted once.
  static const std::vector<Step> all = {{4, kNoteStoredCustomersUploaded}};
  return all;
}

bool Schema::takeSteps(SQLiteDatabase& db, int fromVersion) {
  if (fromVersion == kVersion) return true;
  auto tx = SQLiteTransaction::begin(db);
  if (!tx) return false;
  for (const Step& step : steps()) {
    if (step.version <= fromVersion) continue;
    if (!db.execute(step.sql)) {
      MV_LOG("The step to version ", step.version, " failed: ", db.lastError());
      return false;
    }
  }
  return db.setUserVersion(kVersion) && tx->commit();
}

}  // namespace mv
