#include "store/SQLiteDatabase.hpp"

#include <sqlite3.h>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "store/SQLiteTransaction.hpp"

namespace mv {

SQLiteDatabase::~SQLiteDatabase() { close(); }

SQLiteDatabase& SQLiteDatabase::sharedDataBase() {
  static SQLiteDatabase shared;
  return shared;
}

bool SQLiteDatabase::open(const std::filesystem::path& path) {
  MV_ASSERT_MAIN_THREAD();
  close();
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc != SQLITE_OK) {
    MV_LOG("Cannot open database ", path.string(), ": ", db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return false;
  }
  db_ = db;
  path_ = path;
  statements_ = std::make_shared<SQLiteStatementCache>();
  sqlite3_busy_timeout(db_, 2000);
  sqlite3_extended_result_codes(db_, 1);
  // Freed pages are overwritten so that removed rows (old credentials among
  // them) do not linger in the file.
  if (!execute("PRAGMA foreign_keys = OFF; PRAGMA secure_delete = ON;")) {
    close();
    return false;
  }
  return true;
}

void SQLiteDatabase::close() {
  MV_ASSERT_MAIN_THREAD();
  if (!db_) return;
  // Kept statements go first. Others are owned by their callers and
  // finalised before we get here; close_v2 still defers the close safely
  // should one remain.
  statements_.reset();
  sqlite3_close_v2(db_);
  db_ = nullptr;
  path_.clear();
  commitFrames_.clear();
  bulkOpen_ = false;
  bulkDoomed_ = false;
}

bool SQLiteDatabase::execute(std::string_view sql) {
  MV_ASSERT_MAIN_THREAD();
  if (!db_) return false;
  std::string text(sql);
  char* err = nullptr;
  int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err);
  if (rc != SQLITE_OK) {
    MV_LOG("SQL failed: ", err ? err : "?", " in: ", text);
    sqlite3_free(err);
    return false;
  }
  return true;
}

SQLiteStatement SQLiteDatabase::prepare(std::string_view sql) const {
  MV_ASSERT_MAIN_THREAD();
  return SQLiteStatement(db_, sql);
}

SQLiteStatement SQLiteDatabase::prepareCached(std::string_view sql) const {
  MV_ASSERT_MAIN_THREAD();
  return SQLiteStatement(db_, sql, statements_);
}

bool SQLiteDatabase::runInTransaction(const std::function<bool()>& work) {
  MV_ASSERT_MAIN_THREAD();
  auto tx = SQLiteTransaction::begin(*this);
  if (!tx || !work()) return false;
  return tx->commit();
}

bool SQLiteDatabase::runInBulkTransaction(const std::function<bool()>& work) {
  MV_ASSERT_MAIN_THREAD();
  auto tx = SQLiteTransaction::beginBulk(*this);
  if (!tx || !work()) return false;
  return tx->commit();
}

void SQLiteDatabase::afterCommit(std::function<void()> action) {
  MV_ASSERT_MAIN_THREAD();
  if (commitFrames_.empty()) {
    action();
    return;
  }
  commitFrames_.back().push_back(std::move(action));
}

void SQLiteDatabase::endCommitFrame(bool committed) {
  if (commitFrames_.empty()) return;
  std::vector<std::function<void()>> actions = std::move(commitFrames_.back());
  commitFrames_.pop_back();
  if (!committed) return;
  if (!commitFrames_.empty()) {
    // A savepoint's work counts only once the transaction around it commits.
    auto& outer = commitFrames_.back();
    for (auto& a : actions) outer.push_back(std::move(a));
    return;
  }
  for (auto& a : actions) a();
}

int SQLiteDatabase::changes() const { return db_ ? sqlite3_changes(db_) : 0; }

std::int64_t SQLiteDatabase::lastInsertRowId() const { return db_ ? sqlite3_last_insert_rowid(db_) : 0; }

std::string SQLiteDatabase::lastError() const { return db_ ? sqlite3_errmsg(db_) : "database not open"; }

int SQLiteDatabase::userVersion() const {
  SQLiteStatement st = prepare("PRAGMA user_version");
  if (st && st.step() == SQLiteStatement::Step::Row) return st.intAt(0);
  return 0;
}

bool SQLiteDatabase::setUserVersion(int version) {
  // PRAGMA takes no bound values; the number is ours, not a caller's text.
  return execute("PRAGMA user_version = " + std::to_string(version));
}

bool SQLiteDatabase::tableExists(std::string_view table) const {
  SQLiteStatement st = prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
  if (!st) return false;
  st.bind(1, table);
  return st.step() == SQLiteStatement::Step::Row;
}

std::vector<std::string> SQLiteDatabase::columnNames(std::string_view table) const {
  std::vector<std::string> names;
  SQLiteStatement st = prepare("SELECT name FROM pragma_table_info(?)");
  if (!st) return names;
  st.bind(1, table);
  while (st.step() == SQLiteStatement::Step::Row) names.push_back(st.textAt(0));
  return names;
}

}  // namespace mv
