#pragma once
#include <string>

namespace mv {

class SQLiteDatabase;

// Scoped transaction: rolls back on destruction unless `commit` succeeded.
//   SQLiteTransaction tx(db);
//   if (!tx.begin()) return false;
//   ... each statement checked, return false on failure ...
//   return tx.commit();
// Inside an open transaction it becomes a savepoint, so operations that run
// their own transaction compose into a larger one.
class SQLiteTransaction {
 public:
  explicit SQLiteTransaction(SQLiteDatabase& db) : db_(db) {}
  ~SQLiteTransaction();
  SQLiteTransaction(const SQLiteTransaction&) = delete;
  SQLiteTransaction& operator=(const SQLiteTransaction&) = delete;

  bool begin();
  bool commit();
  void rollback();
  bool active() const { return active_; }

 private:
  SQLiteDatabase& db_;
  bool active_ = false;
  std::string savepoint_;  // empty for an outermost transaction
};

}  // namespace mv
