#include "store/SQLiteTransaction.hpp"

#include <sqlite3.h>

#include "store/SQLiteDatabase.hpp"

namespace mv {

namespace {
int gSavepointCounter = 0;
}

SQLiteTransaction::~SQLiteTransaction() { rollback(); }

bool SQLiteTransaction::begin() {
  if (active_) return true;
  if (!db_.isOpen()) return false;
  if (sqlite3_get_autocommit(db_.handle()) == 0) {
    savepoint_ = "mv_sp_" + std::to_string(++gSavepointCounter);
    active_ = db_.execute("SAVEPOINT " + savepoint_);
  } else {
    savepoint_.clear();
    active_ = db_.execute("BEGIN IMMEDIATE");
  }
  return active_;
}

bool SQLiteTransaction::commit() {
  if (!active_) return false;
  bool ok = savepoint_.empty() ? db_.execute("COMMIT") : db_.execute("RELEASE " + savepoint_);
  if (!ok) {
    rollback();
    return false;
  }
  active_ = false;
  return true;
}

void SQLiteTransaction::rollback() {
  if (!active_) return;
  active_ = false;
  if (savepoint_.empty()) {
    // A failed statement may already have ended the transaction.
    if (db_.isOpen() && sqlite3_get_autocommit(db_.handle()) == 0) db_.execute("ROLLBACK");
  } else {
    db_.execute("ROLLBACK TO " + savepoint_ + "; RELEASE " + savepoint_);
  }
}

}  // namespace mv
