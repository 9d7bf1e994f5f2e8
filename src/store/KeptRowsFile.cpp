#include "store/KeptRowsFile.hpp"

#include <system_error>

#include "platform/base/Date.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "store/SQLiteDatabase.hpp"
#include "store/SQLiteTransaction.hpp"
#include "store/Schema.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

constexpr const char* kPrefix = "kept_rows_";
constexpr const char* kExtension = ".sqlite";
constexpr const char* kAttached = "kept_rows";

// A name for the file that no earlier one has.
fs::path freshName(const fs::path& folder, double secondsSince1970) {
  const std::string stamp = base::DateFormatter("yyyyMMdd-HHmmss").format(secondsSince1970);
  std::error_code ec;
  for (int n = 1;; ++n) {
    fs::path candidate = folder / (kPrefix + stamp + (n == 1 ? "" : "-" + std::to_string(n)) + kExtension);
    if (!fs::exists(candidate, ec) && !ec) return candidate;
  }
}

bool copyTables(SQLiteDatabase& db, const std::vector<std::string>& tables) {
  auto tx = SQLiteTransaction::begin(db);
  if (!tx) return false;
  for (const auto& table : tables) {
    if (!db.execute(std::string("CREATE TABLE ") + kAttached + "." + Schema::quote(table) + " AS SELECT * FROM main." +
                    Schema::quote(table)))
      return false;
  }
  return tx->commit();
}

}  // namespace

std::vector<std::string> KeptRowsFile::keptTables(SQLiteDatabase& db) {
  MV_ASSERT_MAIN_THREAD();
  std::vector<std::string> out;
  SQLiteStatement st = db.prepare(
      "SELECT name FROM main.sqlite_master WHERE type = 'table' AND name LIKE '%\\_\\_kept' ESCAPE '\\' ORDER BY name");
  while (st && st.step() == SQLiteStatement::Step::Row) out.push_back(st.textAt(0));
  return out;
}

bool KeptRowsFile::save(SQLiteDatabase& db, const fs::path& folder, double secondsSince1970, fs::path* written) {
  MV_ASSERT_MAIN_THREAD();
  if (written) written->clear();
  if (!db.isOpen()) return false;
  const std::vector<std::string> tables = keptTables(db);
  if (tables.empty()) return true;
  std::error_code ec;
  fs::create_directories(folder, ec);
  const fs::path file = freshName(folder, secondsSince1970);
  if (!db.run(std::string("ATTACH DATABASE ? AS ") + kAttached, file.string())) {
    MV_LOG("Cannot make ", file.string(), ": ", db.lastError());
    fs::remove(file, ec);
    return false;
  }
  const bool ok = copyTables(db, tables);
  if (!ok) MV_LOG("Cannot write the kept rows into ", file.string(), ": ", db.lastError());
  const bool detached = db.execute(std::string("DETACH DATABASE ") + kAttached);
  if (!ok || !detached) {
    fs::remove(file, ec);
    return false;
  }
  MV_LOG("Wrote ", tables.size(), " tables of kept rows to ", file.string());
  if (written) *written = file;
  return true;
}

bool KeptRowsFile::isKeptRowsFile(const fs::path& path) {
  const std::string name = path.filename().string();
  return name.rfind(kPrefix, 0) == 0 && path.extension() == kExtension;
}

std::vector<fs::path> KeptRowsFile::filesIn(const fs::path& folder) {
  std::vector<fs::path> out;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec) && isKeptRowsFile(it->path())) out.push_back(it->path());
  }
  return out;
}

}  // namespace mv
