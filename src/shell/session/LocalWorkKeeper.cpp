#include "shell/session/LocalWorkKeeper.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "store/KeptRowsFile.hpp"
#include "store/SQLiteDatabase.hpp"

namespace mv {
namespace {

// The tables carried over and which of their rows are the user's own. The
// table names and conditions are fixed texts of the schema, never user input.
struct KeptTable {
  const char* table;
  const char* where;
  // Whether rows of it alone are reason to keep the old database.
  bool marksWork;
  // For rows of the service's that carry what the user set on them: the
  // column that keeps them out of sight until the service sends them again
  // (one it no longer has stays out, as a sync would have put it), and what
  // goes into a row the store holds already instead of replacing it.
  const char* hiddenUntilSent = nullptr;
  const char* intoHeldRow = nullptr;
};

// The user's marks go into a customer's row the sync brought only while it
// has none of its own there: what the user set since is newer.
constexpr const char* kMarksIntoHeldCustomer =
    "ON CONFLICT(customer_id) DO UPDATE SET hidden = excluded.hidden, important = excluded.important, "
    "has_note = excluded.has_note, note = excluded.note "
    "WHERE hidden = 0 AND important = 0 AND has_note = 0 AND coalesce(note, '') = ''";

constexpr KeptTable kKeptTables[] = {
    // The local ids given out so far: the new database must not give them
    // out again, or the service would take a new customer for an uploaded one.
    {"marvisto_local_id", "lowest_id < 0", true},
    // Which customers this device uploaded: a sync brings them back as the
    // service's, and a reply giving their ids to other customers must not
    // be taken for them.
    {"marvisto_uploaded_customer", "1", false},
    // The customers made on the device.
    {"marvisto_customer", "customer_id < 0", true},
    // What the user set on those the service sent: a note, the important
    // and hidden marks. The sync that follows brings the service's part of
    // their rows, shows them again and keeps the user's part.
    {"marvisto_customer",
     "customer_id > 0 AND (hidden <> 0 OR important <> 0 OR has_note <> 0 OR coalesce(note, '') <> '')", true,
     "customer_publish", kMarksIntoHeldCustomer},
    {"marvisto_customer_attribute", "customer_id < 0 OR attribute_id < 0", false},
    {"marvisto_customer_address", "customer_id < 0 OR id < 0", false},
    {"marvisto_customer_contact", "customer_id < 0 OR contact_id < 0", false},
    {"marvisto_quote_order", "uploaded = 0", true},
    {"marvisto_quote_order_item", "order_id IN (SELECT order_id FROM kept.marvisto_quote_order WHERE uploaded = 0)",
     false},
    // The user's own lists, which the service never sends.
    {"marvisto_favorite", "1", true},
    {"marvisto_compare", "1", true},
    {"marvisto_library_favorite", "1", true},
};

std::int64_t count(SQLiteDatabase& db, const std::string& sql) {
  SQLiteStatement st = db.prepare(sql);
  if (!st || st.step() != SQLiteStatement::Step::Row) return -1;
  return st.int64At(0);
}

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

bool LocalWorkKeeper::hasLocalWork(SQLiteDatabase& db) {
  MV_ASSERT_MAIN_THREAD();
  if (!db.isOpen()) return false;
  for (const KeptTable& t : kKeptTables) {
    if (!t.marksWork || !db.tableExists(t.table)) continue;
    // Whether there is one: a company's book of customers is not counted through.
    const std::int64_t n =
        count(db, std::string("SELECT count(*) FROM (SELECT 1 FROM ") + t.table + " WHERE " + t.where + " LIMIT 1)");
    // A database that cannot be read is treated as holding work: nothing is
    // thrown away on a guess.
    if (n != 0) return true;
  }
  return false;
}

bool LocalWorkKeeper::copyLocalWork(SQLiteDatabase& db, const std::filesystem::path& keptFile) {
  MV_ASSERT_MAIN_THREAD();
  if (!db.isOpen()) return false;
  if (!db.run("ATTACH DATABASE ? AS kept", keptFile.string())) {
    MV_LOG("Cannot open the kept database ", keptFile.string(), ": ", db.lastError());
    return false;
  }
  const bool ok = db.runInTransaction([&] {
    for (const KeptTable& t : kKeptTables) {
      if (!db.tableExists(t.table)) continue;
      // Only the columns both layouts have, by name.
      std::vector<std::string> columns = db.columnNames(t.table);
      std::vector<std::string> keptColumns;
      {
        SQLiteStatement info = db.prepare(std::string("PRAGMA kept.table_info(") + quoted(t.table) + ")");
        while (info && info.step() == SQLiteStatement::Step::Row) keptColumns.push_back(info.text("name"));
      }
      if (keptColumns.empty()) continue;
      std::string list, values;
      for (const std::string& c : columns) {
        if (std::find(keptColumns.begin(), keptColumns.end(), c) == keptColumns.end()) continue;
        list += (list.empty() ? "" : ", ") + quoted(c);
        values += (values.empty() ? "" : ", ") + (t.hiddenUntilSent && c == t.hiddenUntilSent ? "0" : quoted(c));
      }
      if (list.empty()) continue;
      const std::string sql = std::string(t.intoHeldRow ? "INSERT" : "INSERT OR REPLACE") + " INTO main." + t.table +
                              " (" + list + ") SELECT " + values + " FROM kept." + t.table + " WHERE " + t.where +
                              (t.intoHeldRow ? std::string(" ") + t.intoHeldRow : std::string());
      if (!db.execute(sql)) {
        MV_LOG("Cannot carry over ", t.table, ": ", db.lastError());
        return false;
      }
    }
    return true;
  });
  if (!db.execute("DETACH DATABASE kept")) MV_LOG("Cannot detach the kept database: ", db.lastError());
  return ok;
}

bool LocalWorkKeeper::setKeptRowsAside(SQLiteDatabase& db, const std::filesystem::path& clientFolder,
                                       const std::filesystem::path& asideFolder, double now) {
  namespace fs = std::filesystem;
  if (db.isOpen() && !KeptRowsFile::save(db, clientFolder, now)) return false;
  const auto files = KeptRowsFile::filesIn(clientFolder);
  if (files.empty()) return true;
  std::error_code ec;
  fs::create_directories(asideFolder, ec);
  for (const auto& file : files) {
    fs::rename(file, asideFolder / file.filename(), ec);
    if (ec) {
      MV_LOG("Cannot set ", file.string(), " aside: ", ec.message());
      if (!restoreKeptRows(asideFolder, clientFolder)) MV_LOG("Kept rows stay in ", asideFolder.string());
      return false;
    }
  }
  return true;
}

bool LocalWorkKeeper::restoreKeptRows(const std::filesystem::path& asideFolder,
                                      const std::filesystem::path& clientFolder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::exists(asideFolder, ec)) return true;
  fs::create_directories(clientFolder, ec);
  bool ok = true;
  for (const auto& file : KeptRowsFile::filesIn(asideFolder)) {
    fs::rename(file, clientFolder / file.filename(), ec);
    if (ec) {
      MV_LOG("Cannot put ", file.string(), " back: ", ec.message());
      ok = false;
    }
  }
  if (ok) fs::remove(asideFolder, ec);
  return ok;
}

}  // namespace mv
