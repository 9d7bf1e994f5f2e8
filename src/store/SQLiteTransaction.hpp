#pragma once
#include <optional>
#include <string>

namespace mv {

class SQLiteDatabase;

// One open transaction of the store's own code, rolled back when it goes
// away uncommitted:
//   auto tx = SQLiteTransaction::begin(db);
//   if (!tx) return false;
//   ... each statement checked, return false on failure ...
//   return tx->commit();
// Inside an open transaction it is a savepoint, so operations that run their
// own transaction compose into a larger one. Code outside the store runs its
// multi-statement writes through `runInTransaction` instead.
class SQLiteTransaction {
 public:
  // The transaction, begun; nothing when it could not begin.
  [[nodiscard]] static std::optional<SQLiteTransaction> begin(SQLiteDatabase& db);
  // One transaction for a long run of writes (a reply stored in batches).
  // Transactions begun inside it join it instead of opening savepoints, each
  // of which would copy again every page it changes that was written before
  // it; one of them that rolls back dooms the whole, which then never
  // commits. Inside a bulk transaction it joins it too.
  [[nodiscard]] static std::optional<SQLiteTransaction> beginBulk(SQLiteDatabase& db);

  ~SQLiteTransaction();
  SQLiteTransaction(SQLiteTransaction&& other) noexcept;
  SQLiteTransaction& operator=(SQLiteTransaction&&) = delete;
  SQLiteTransaction(const SQLiteTransaction&) = delete;
  SQLiteTransaction& operator=(const SQLiteTransaction&) = delete;

  // False, with everything rolled back, when the commit fails; the
  // transaction is over either way.
  [[nodiscard]] bool commit();

 private:
  enum class Kind { Plain, Bulk, Joined };
  SQLiteTransaction(SQLiteDatabase& db, std::string savepoint, Kind kind = Kind::Plain)
      : db_(&db), savepoint_(std::move(savepoint)), kind_(kind) {}
  void rollback();

  SQLiteDatabase* db_;      // null once committed, rolled back or moved from
  std::string savepoint_;  // empty for an outermost transaction
  Kind kind_;
};

}  // namespace mv
