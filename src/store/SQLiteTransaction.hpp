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

  ~SQLiteTransaction();
  SQLiteTransaction(SQLiteTransaction&& other) noexcept;
  SQLiteTransaction& operator=(SQLiteTransaction&&) = delete;
  SQLiteTransaction(const SQLiteTransaction&) = delete;
  SQLiteTransaction& operator=(const SQLiteTransaction&) = delete;

  // False, with everything rolled back, when the commit fails; the
  // transaction is over either way.
  [[nodiscard]] bool commit();

 private:
  SQLiteTransaction(SQLiteDatabase& db, std::string savepoint) : db_(&db), savepoint_(std::move(savepoint)) {}
  void rollback();

  SQLiteDatabase* db_;      // null once committed, rolled back or moved from
  std::string savepoint_;  // empty for an outermost transaction
};

}  // namespace mv
