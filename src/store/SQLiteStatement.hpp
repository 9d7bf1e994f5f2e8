#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace mv {

// Whether a statement's or a script's result code says the disk is full.
bool isDiskFull(int resultCode);

// What the statements and scripts of one connection found failing: the
// last failure's result code and how many found the disk full.
struct SQLiteFailures {
  int last = 0;
  std::uint64_t diskFulls = 0;
  void note(int resultCode) {
    last = resultCode;
    if (isDiskFull(resultCode)) ++diskFulls;
  }
};

// Statements of one connection kept compiled between uses, one per SQL text
// (a bounded number). A statement is taken out while in use, so the same
// text can run nested; it comes back reset, with its values cleared. Main
// thread only, as its connection.
class SQLiteStatementCache {
 public:
  static constexpr std::size_t kMaxStatements = 64;
  SQLiteStatementCache() = default;
  ~SQLiteStatementCache();
  SQLiteStatementCache(const SQLiteStatementCache&) = delete;
  SQLiteStatementCache& operator=(const SQLiteStatementCache&) = delete;

  // The idle statement of `sql`, taken out; null when there is none.
  sqlite3_stmt* take(const std::string& sql);
  // Keeps `stmt` for the next use of `sql`, or finalises it when one is kept
  // already or the cache is full.
  void giveBack(const std::string& sql, sqlite3_stmt* stmt);
  std::size_t size() const { return idle_.size(); }

 private:
  std::unordered_map<std::string, sqlite3_stmt*> idle_;
};

// One prepared statement. Values are always bound, never pasted into the SQL
// text. Parameters are numbered from 1 as in SQLite; columns from 0, and can
// also be read by name. Reads keep NULL apart from empty or zero through the
// optional getters; the plain getters give "" / 0 for NULL. Texts read are
// valid UTF-8: byte sequences that are not read as U+FFFD.
class SQLiteStatement {
 public:
  enum class Step { Row, Done, Error };

  SQLiteStatement() = default;
  // A statement that notes each of its failures in `failures` (its
  // connection's record, see SQLiteDatabase::lastFailure) when one is given.
  SQLiteStatement(sqlite3* db, std::string_view sql, std::shared_ptr<SQLiteFailures> failures = nullptr);
  // A statement of `cache`: taken from it when it holds one for `sql`, and
  // given back to it (while it lasts) instead of finalised.
  SQLiteStatement(sqlite3* db, std::string_view sql, const std::shared_ptr<SQLiteStatementCache>& cache,
                  std::shared_ptr<SQLiteFailures> failures = nullptr);
  ~SQLiteStatement();
  SQLiteStatement(const SQLiteStatement&) = delete;
  SQLiteStatement& operator=(const SQLiteStatement&) = delete;
  SQLiteStatement(SQLiteStatement&& other) noexcept;
  SQLiteStatement& operator=(SQLiteStatement&& other) noexcept;

  // False when the SQL did not compile (or there is no connection).
  bool valid() const { return stmt_ != nullptr; }
  explicit operator bool() const { return valid(); }

  // Binding. A failed bind marks the statement failed; `step` then reports Error.
  SQLiteStatement& bindNull(int index);
  SQLiteStatement& bind(int index, int value);
  SQLiteStatement& bind(int index, std::int64_t value);
  SQLiteStatement& bind(int index, unsigned value) { return bind(index, static_cast<std::int64_t>(value)); }
  SQLiteStatement& bind(int index, bool value) { return bind(index, value ? 1 : 0); }
  SQLiteStatement& bind(int index, double value);
  SQLiteStatement& bind(int index, float value) { return bind(index, static_cast<double>(value)); }
  SQLiteStatement& bind(int index, std::string_view value);
  SQLiteStatement& bind(int index, const std::string& value) { return bind(index, std::string_view(value)); }
  SQLiteStatement& bind(int index, const char* value);
  SQLiteStatement& bind(int index, std::nullopt_t) { return bindNull(index); }
  template <typename T>
  SQLiteStatement& bind(int index, const std::optional<T>& value) {
    return value ? bind(index, *value) : bindNull(index);
  }

  // Binds every argument in order, starting at parameter 1.
  template <typename... Args>
  SQLiteStatement& bindAll(const Args&... args) {
    [[maybe_unused]] int index = 1;
    (bind(index++, args), ...);
    return *this;
  }

  Step step();
  // Runs a statement that returns no rows to its end; true on success.
  bool run();
  // Makes the statement ready to run again with new values.
  void reset();

  // Column access of the current row.
  int columnCount() const;
  std::string columnName(int column) const;
  // -1 when the result has no column of that name.
  int columnIndex(std::string_view name) const;
  bool isNull(int column) const;
  bool isNull(std::string_view name) const { return isNull(columnIndex(name)); }

  std::int64_t int64At(int column) const;
  int intAt(int column) const { return static_cast<int>(int64At(column)); }
  double doubleAt(int column) const;
  std::string textAt(int column) const;
  std::optional<std::int64_t> optInt64At(int column) const;
  std::optional<double> optDoubleAt(int column) const;
  std::optional<std::string> optTextAt(int column) const;

  std::int64_t int64(std::string_view name) const { return int64At(columnIndex(name)); }
  int integer(std::string_view name) const { return intAt(columnIndex(name)); }
  double real(std::string_view name) const { return doubleAt(columnIndex(name)); }
  std::string text(std::string_view name) const { return textAt(columnIndex(name)); }
  std::optional<std::int64_t> optInt64(std::string_view name) const { return optInt64At(columnIndex(name)); }
  std::optional<double> optReal(std::string_view name) const { return optDoubleAt(columnIndex(name)); }
  std::optional<std::string> optText(std::string_view name) const { return optTextAt(columnIndex(name)); }

  // The SQLite message of the last failure of this statement.
  const std::string& errorMessage() const { return error_; }

 private:
  void compile(std::string_view sql);
  void fail(const char* what);
  void noteFailure(int resultCode);
  void release();
  bool columnInRange(int column) const;

  sqlite3* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
  bool bindFailed_ = false;
  std::string error_;
  // Looked up by a name's view, without copying it, row after row.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
  };
  mutable std::unordered_map<std::string, int, NameHash, std::equal_to<>> names_;
  std::weak_ptr<SQLiteStatementCache> cache_;
  std::string cacheKey_;
  std::shared_ptr<SQLiteFailures> failures_;
};

}  // namespace mv
