#include "store/SQLiteStatement.hpp"

#include <sqlite3.h>

#include "platform/base/Log.hpp"
#include "util/Text.hpp"

namespace mv {

bool isDiskFull(int resultCode) { return (resultCode & 0xff) == SQLITE_FULL; }

SQLiteStatement::SQLiteStatement(sqlite3* db, std::string_view sql, std::shared_ptr<SQLiteFailures> failures)
    : db_(db), failures_(std::move(failures)) {
  compile(sql);
}

void SQLiteStatement::noteFailure(int resultCode) {
  if (failures_) failures_->note(resultCode);
}

void SQLiteStatement::compile(std::string_view sql) {
  if (!db_) {
    error_ = "database not open";
    return;
  }
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt_, &tail);
  if (rc != SQLITE_OK) {
    noteFailure(rc);
    error_ = sqlite3_errmsg(db_);
    MV_LOG("SQL prepare failed: ", error_, " in: ", sql);
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
}

SQLiteStatement::SQLiteStatement(sqlite3* db, std::string_view sql, const std::shared_ptr<SQLiteStatementCache>& cache,
                                 std::shared_ptr<SQLiteFailures> failures)
    : db_(db), cache_(cache), cacheKey_(sql), failures_(std::move(failures)) {
  if (db_ && cache) stmt_ = cache->take(cacheKey_);
  if (!stmt_) compile(sql);
}

SQLiteStatement::~SQLiteStatement() { release(); }

SQLiteStatementCache::~SQLiteStatementCache() {
  for (auto& [sql, stmt] : idle_) sqlite3_finalize(stmt);
}

sqlite3_stmt* SQLiteStatementCache::take(const std::string& sql) {
  auto it = idle_.find(sql);
  if (it == idle_.end()) return nullptr;
  sqlite3_stmt* stmt = it->second;
  idle_.erase(it);
  return stmt;
}

void SQLiteStatementCache::giveBack(const std::string& sql, sqlite3_stmt* stmt) {
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  if (idle_.size() >= kMaxStatements || !idle_.emplace(sql, stmt).second) sqlite3_finalize(stmt);
}

SQLiteStatement::SQLiteStatement(SQLiteStatement&& other) noexcept
    : db_(other.db_),
      stmt_(other.stmt_),
      bindFailed_(other.bindFailed_),
      error_(std::move(other.error_)),
      names_(std::move(other.names_)),
      cache_(std::move(other.cache_)),
      cacheKey_(std::move(other.cacheKey_)),
      failures_(std::move(other.failures_)) {
  other.stmt_ = nullptr;
  other.db_ = nullptr;
}

SQLiteStatement& SQLiteStatement::operator=(SQLiteStatement&& other) noexcept {
  if (this != &other) {
    release();
    db_ = other.db_;
    stmt_ = other.stmt_;
    bindFailed_ = other.bindFailed_;
    error_ = std::move(other.error_);
    names_ = std::move(other.names_);
    cache_ = std::move(other.cache_);
    cacheKey_ = std::move(other.cacheKey_);
    failures_ = std::move(other.failures_);
    other.stmt_ = nullptr;
    other.db_ = nullptr;
  }
  return *this;
}

void SQLiteStatement::release() {
  if (stmt_) {
    if (auto cache = cache_.lock()) {
      cache->giveBack(cacheKey_, stmt_);
    } else {
      sqlite3_finalize(stmt_);
    }
  }
  stmt_ = nullptr;
}

void SQLiteStatement::fail(const char* what) {
  bindFailed_ = true;
  if (stmt_) noteFailure(sqlite3_extended_errcode(db_));
  error_ = std::string(what) + ": " + (db_ ? sqlite3_errmsg(db_) : "no database");
  MV_LOG("SQL ", error_);
}

SQLiteStatement& SQLiteStatement::bindNull(int index) {
  if (!stmt_ || sqlite3_bind_null(stmt_, index) != SQLITE_OK) fail("bind");
  return *this;
}

SQLiteStatement& SQLiteStatement::bind(int index, int value) {
  if (!stmt_ || sqlite3_bind_int(stmt_, index, value) != SQLITE_OK) fail("bind");
  return *this;
}

SQLiteStatement& SQLiteStatement::bind(int index, std::int64_t value) {
  if (!stmt_ || sqlite3_bind_int64(stmt_, index, static_cast<sqlite3_int64>(value)) != SQLITE_OK) fail("bind");
  return *this;
}

SQLiteStatement& SQLiteStatement::bind(int index, double value) {
  if (!stmt_ || sqlite3_bind_double(stmt_, index, value) != SQLITE_OK) fail("bind");
  return *this;
}

SQLiteStatement& SQLiteStatement::bind(int index, std::string_view value) {
  if (!stmt_ || sqlite3_bind_text64(stmt_, index, value.data(), value.size(), SQLITE_TRANSIENT,
                                    SQLITE_UTF8) != SQLITE_OK)
    fail("bind");
  return *this;
}

SQLiteStatement& SQLiteStatement::bind(int index, const char* value) {
  return value ? bind(index, std::string_view(value)) : bindNull(index);
}

SQLiteStatement::Step SQLiteStatement::step() {
  if (!stmt_ || bindFailed_) return Step::Error;
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return Step::Row;
  if (rc == SQLITE_DONE) return Step::Done;
  noteFailure(rc);
  error_ = sqlite3_errmsg(db_);
  MV_LOG("SQL step failed: ", error_, " in: ", sqlite3_sql(stmt_));
  return Step::Error;
}

bool SQLiteStatement::run() {
  for (;;) {
    Step s = step();
    if (s == Step::Done) return true;
    if (s == Step::Error) return false;
  }
}

void SQLiteStatement::reset() {
  if (!stmt_) return;
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
  bindFailed_ = false;
}

int SQLiteStatement::columnCount() const { return stmt_ ? sqlite3_column_count(stmt_) : 0; }

std::string SQLiteStatement::columnName(int column) const {
  if (!columnInRange(column)) return {};
  const char* n = sqlite3_column_name(stmt_, column);
  return n ? n : "";
}

int SQLiteStatement::columnIndex(std::string_view name) const {
  if (!stmt_) return -1;
  if (names_.empty()) {
    int n = columnCount();
    for (int i = 0; i < n; ++i) names_.emplace(columnName(i), i);
  }
  auto it = names_.find(name);
  return it == names_.end() ? -1 : it->second;
}

bool SQLiteStatement::columnInRange(int column) const {
  return stmt_ && column >= 0 && column < sqlite3_column_count(stmt_);
}

bool SQLiteStatement::isNull(int column) const {
  return !columnInRange(column) || sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::int64_t SQLiteStatement::int64At(int column) const {
  return columnInRange(column) ? sqlite3_column_int64(stmt_, column) : 0;
}

double SQLiteStatement::doubleAt(int column) const {
  return columnInRange(column) ? sqlite3_column_double(stmt_, column) : 0.0;
}

std::string SQLiteStatement::textAt(int column) const {
  if (isNull(column)) return {};
  const unsigned char* t = sqlite3_column_text(stmt_, column);
  int len = sqlite3_column_bytes(stmt_, column);
  if (!t) return {};
  // A database written by an older version, another tool or a damaged file
  // may hold bytes that are not UTF-8; past this point every text is.
  return validUtf8(std::string_view(reinterpret_cast<const char*>(t), static_cast<size_t>(len)));
}

std::optional<std::int64_t> SQLiteStatement::optInt64At(int column) const {
  if (isNull(column)) return std::nullopt;
  return int64At(column);
}

std::optional<double> SQLiteStatement::optDoubleAt(int column) const {
  if (isNull(column)) return std::nullopt;
  return doubleAt(column);
}

std::optional<std::string> SQLiteStatement::optTextAt(int column) const {
  if (isNull(column)) return std::nullopt;
  return textAt(column);
}

}  // namespace mv
