#include "store/SQLiteDatabase.hpp"

#include <sqlite3.h>

#include <mutex>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "store/SQLiteTransaction.hpp"
#include "util/DiskRoom.hpp"

namespace mv {

SQLiteDatabase::~SQLiteDatabase() { close(); }

SQLiteDatabase& SQLiteDatabase::sharedDataBase() {
  static SQLiteDatabase shared;
  return shared;
}

void SQLiteDatabase::checkThread(const char* function) const {
  if (owner_ == std::thread::id()) {
    base::assertMainThread(function);
  } else {
    base::assertOnThread(owner_, function);
  }
}

bool SQLiteDatabase::open(const std::filesystem::path& path, Missing missing) {
  close();
  // Until it is open, the connection is the main thread's (or its opener's).
  owner_ = std::this_thread::get_id();
  sqlite3* db = nullptr;
  // A connection is only ever used on its owner's thread (checkThread), so
  // it takes no lock of its own around every call; and the library keeps no
  // count of its memory, which would take one lock shared by every
  // connection at every allocation (a store on a worker beside the main
  // thread's reads).
  static std::once_flag unlocked;
  // Refused, and harmless, once the library is in use.
  std::call_once(unlocked, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (missing == Missing::Create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    MV_LOG("Cannot open database ", path.string(), ": ", db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    owner_ = std::thread::id();
    return false;
  }
  db_ = db;
  path_ = path;
  forgetFailure();
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
  if (!db_) return;
  checkThread(__func__);
  // Kept statements go first. Others are owned by their callers and
  // finalised before we get here; close_v2 still defers the close safely
  // should one remain.
  statements_.reset();
  // The log's rows go into the file now, so that the file alone holds them
  // whoever copies it next; a reader or writer still at work on another
  // connection is not waited for (the last connection to close does the
  // rest).
  sqlite3_busy_timeout(db_, 0);
  sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  sqlite3_close_v2(db_);
  db_ = nullptr;
  owner_ = std::thread::id();
  path_.clear();
  commitFrames_.clear();
  bulkOpen_ = false;
  bulkDoomed_ = false;
}

bool SQLiteDatabase::useWriteAheadLog() {
  checkThread(__func__);
  if (!db_) return false;
  SQLiteStatement st = prepare("PRAGMA journal_mode = WAL");
  const bool on = st && st.step() == SQLiteStatement::Step::Row && st.textAt(0) == "wal";
  if (!on) return false;
  // A long write (a sync's reply) grows the log to its size; once its rows
  // are in the file the log is cut back rather than kept at that size. Each
  // commit is flushed before it returns: what the user saved outlives a
  // power cut. The disk keeps room for a log of that size (DiskRoom).
  return execute("PRAGMA journal_size_limit = " + std::to_string(DiskRoom::kDatabaseLogBytes) +
                 "; PRAGMA synchronous = FULL");
}

bool SQLiteDatabase::checkpoint() {
  checkThread(__func__);
  if (!db_) return false;
  int logged = 0;
  int written = 0;
  if (sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, &logged, &written) != SQLITE_OK) return false;
  return logged <= 0 || logged == written;
}

std::vector<std::filesystem::path> SQLiteDatabase::sidecarsOf(const std::filesystem::path& path) {
  std::vector<std::filesystem::path> out;
  for (const char* suffix : {"-wal", "-shm", "-journal"}) {
    std::filesystem::path sidecar = path;
    sidecar += suffix;
    out.push_back(std::move(sidecar));
  }
  return out;
}

bool SQLiteDatabase::removeFile(const std::filesystem::path& path) {
  bool ok = true;
  std::error_code ec;
  for (const auto& sidecar : sidecarsOf(path)) {
    std::filesystem::remove(sidecar, ec);
    if (ec) {
      MV_LOG("Cannot remove ", sidecar.string(), ": ", ec.message());
      ok = false;
    }
  }
  std::filesystem::remove(path, ec);
  if (ec) {
    MV_LOG("Cannot remove ", path.string(), ": ", ec.message());
    ok = false;
  }
  return ok;
}

void SQLiteDatabase::moveFile(const std::filesystem::path& from, const std::filesystem::path& to,
                              std::error_code& ec) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  for (const auto& sidecar : sidecarsOf(to)) fs::remove(sidecar, ignored);
  fs::rename(from, to, ec);
  if (ec) return;
  const auto fromSidecars = sidecarsOf(from);
  const auto toSidecars = sidecarsOf(to);
  std::vector<std::size_t> moved;
  for (std::size_t i = 0; i < fromSidecars.size(); ++i) {
    // The log's index describes the file where it was; it is made again.
    if (fromSidecars[i].native().ends_with("-shm")) {
      fs::remove(fromSidecars[i], ignored);
      continue;
    }
    if (!fs::exists(fromSidecars[i], ignored)) continue;
    fs::rename(fromSidecars[i], toSidecars[i], ec);
    if (ec) {
      // A file apart from its log is a file without the rows of its last
      // moments, and the next open would start anew where it was: all of it
      // goes back.
      for (std::size_t back : moved) fs::rename(toSidecars[back], fromSidecars[back], ignored);
      fs::rename(to, from, ignored);
      if (ignored) MV_LOG("Cannot move ", to.string(), " back: ", ignored.message());
      return;
    }
    moved.push_back(i);
  }
}

bool SQLiteDatabase::execute(std::string_view sql) {
  checkThread(__func__);
  if (!db_) return false;
  std::string text(sql);
  char* err = nullptr;
  int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err);
  if (rc != SQLITE_OK) {
    failures_->note(rc);
    MV_LOG("SQL failed: ", err ? err : "?", " in: ", text);
    sqlite3_free(err);
    return false;
  }
  return true;
}

SQLiteStatement SQLiteDatabase::prepare(std::string_view sql) const {
  checkThread(__func__);
  return SQLiteStatement(db_, sql, failures_);
}

SQLiteStatement SQLiteDatabase::prepareCached(std::string_view sql) const {
  checkThread(__func__);
  return SQLiteStatement(db_, sql, statements_, failures_);
}

bool SQLiteDatabase::lastFailureFoundDiskFull() const { return (lastFailure() & 0xff) == SQLITE_FULL; }

bool SQLiteDatabase::runInTransaction(const std::function<bool()>& work) {
  checkThread(__func__);
  auto tx = SQLiteTransaction::begin(*this);
  if (!tx || !work()) return false;
  return tx->commit();
}

bool SQLiteDatabase::runInBulkTransaction(const std::function<bool()>& work) {
  checkThread(__func__);
  auto tx = SQLiteTransaction::beginBulk(*this);
  if (!tx || !work()) return false;
  return tx->commit();
}

void SQLiteDatabase::afterCommit(std::function<void()> action) {
  checkThread(__func__);
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
