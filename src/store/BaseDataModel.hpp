#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "store/SQLiteDatabase.hpp"
#include "store/SQLiteTransaction.hpp"

namespace mv {

// Base of the data models: one per group of tables, each owning the SQL of its
// tables and able to bring them to the current layout. Models work on the
// connection the facade opened, on the thread that owns it; they keep no
// other state.
class BaseDataModel {
 public:
  explicit BaseDataModel(SQLiteDatabase& db) : db_(db) {}
  virtual ~BaseDataModel() = default;
  BaseDataModel(const BaseDataModel&) = delete;
  BaseDataModel& operator=(const BaseDataModel&) = delete;

  // Creates missing tables, columns and indexes and adds missing keys, keeping
  // every row. Changes nothing on current tables.
  [[nodiscard]] virtual bool updateVersion() = 0;

  // A LIKE pattern matching `text` anywhere, with "%", "_" and the escape
  // character itself escaped; use with ESCAPE '\'.
  static std::string likeContains(std::string_view text);
  // The SKU as the screens show it: "" when it is the generated form
  // "<client id>_<product id>" of the signed-in client.
  static std::string displaySku(const std::string& storedSku, int productId);

 protected:
  SQLiteDatabase& db() { return db_; }

  // Prepares, binds and runs a statement; false on any failure.
  template <typename... Args>
  [[nodiscard]] bool exec(std::string_view sql, const Args&... args) {
    db_.checkThread(__func__);
    return db_.run(sql, args...);
  }

  // Runs `work()` in one transaction, committed when it answers true; false,
  // with nothing changed, when it answers false or the transaction fails.
  template <typename Work>
  [[nodiscard]] bool inTransaction(Work&& work) {
    auto tx = SQLiteTransaction::begin(db_);
    if (!tx || !work()) return false;
    return tx->commit();
  }

  // Stores `rows` in one transaction: `sql` prepared once and run for each row
  // after `bind(statement, row)`, all after `wipeSql` when one is given. False,
  // with nothing changed, on the first failure.
  template <typename Row, typename Bind>
  [[nodiscard]] bool saveRows(std::string_view sql, const std::vector<Row>& rows, Bind&& bind,
                              const char* wipeSql = nullptr) {
    return inTransaction([&] {
      if (wipeSql && !exec(wipeSql)) return false;
      // Kept compiled: a reply stored in batches saves the same table again
      // and again.
      SQLiteStatement st = db_.prepareCached(sql);
      if (!st) return false;
      for (const Row& row : rows) {
        st.reset();
        bind(st, row);
        if (!st.run()) return false;
      }
      return true;
    });
  }

  // Calls `onRow(statement)` for each row; false when the query failed (the
  // statement logs why).
  template <typename OnRow, typename... Args>
  [[nodiscard]] bool query(std::string_view sql, OnRow&& onRow, const Args&... args) {
    db_.checkThread(__func__);
    SQLiteStatement st = db_.prepareCached(sql);
    if (!st) return false;
    st.bindAll(args...);
    for (;;) {
      auto s = st.step();
      if (s == SQLiteStatement::Step::Done) return true;
      if (s == SQLiteStatement::Step::Error) return false;
      onRow(static_cast<const SQLiteStatement&>(st));
    }
  }

  // Every row as `read(statement)` makes it; nothing when the query failed,
  // so a failed read is never taken for one that found no rows.
  template <typename Read, typename... Args>
  [[nodiscard]] auto readRows(std::string_view sql, Read&& read, const Args&... args)
      -> std::optional<std::vector<std::decay_t<std::invoke_result_t<Read&, const SQLiteStatement&>>>> {
    std::vector<std::decay_t<std::invoke_result_t<Read&, const SQLiteStatement&>>> out;
    if (!query(sql, [&](const SQLiteStatement& row) { out.push_back(read(row)); }, args...)) return std::nullopt;
    return out;
  }
  // The first row as `read` makes it: an empty inner value when there is no
  // row; nothing when the query failed.
  template <typename Read, typename... Args>
  [[nodiscard]] auto readFirst(std::string_view sql, Read&& read, const Args&... args)
      -> std::optional<std::optional<std::decay_t<std::invoke_result_t<Read&, const SQLiteStatement&>>>> {
    std::optional<std::decay_t<std::invoke_result_t<Read&, const SQLiteStatement&>>> out;
    if (!query(sql, [&](const SQLiteStatement& row) { if (!out) out = read(row); }, args...)) return std::nullopt;
    return out;
  }

  // The first column of the first row: an empty inner value when there is no
  // row or it is NULL; nothing when the query failed.
  template <typename... Args>
  [[nodiscard]] std::optional<std::optional<std::int64_t>> scalarInt(std::string_view sql, const Args&... args) {
    auto first = readFirst(sql, [](const SQLiteStatement& row) { return row.optInt64At(0); }, args...);
    if (!first) return std::nullopt;
    return first->value_or(std::nullopt);
  }
  template <typename... Args>
  [[nodiscard]] std::optional<std::optional<std::string>> scalarText(std::string_view sql, const Args&... args) {
    auto first = readFirst(sql, [](const SQLiteStatement& row) { return row.optTextAt(0); }, args...);
    if (!first) return std::nullopt;
    return first->value_or(std::nullopt);
  }
  // The number a COUNT query gives; nothing when it failed.
  template <typename... Args>
  [[nodiscard]] std::optional<std::int64_t> countOf(std::string_view sql, const Args&... args) {
    auto counted = scalarInt(sql, args...);
    if (!counted) return std::nullopt;
    return counted->value_or(0);
  }
  // Whether the query finds a row; nothing when it failed.
  template <typename... Args>
  [[nodiscard]] std::optional<bool> exists(std::string_view sql, const Args&... args) {
    auto first = readFirst(sql, [](const SQLiteStatement&) { return true; }, args...);
    if (!first) return std::nullopt;
    return first->has_value();
  }

  // For reads whose callers only show what they find: a failed read, which
  // the statement has logged, shows as nothing found.
  template <typename T>
  static T shownAsEmpty(std::optional<T> read) {
    return read ? std::move(*read) : T{};
  }

 private:
  SQLiteDatabase& db_;
};

}  // namespace mv
