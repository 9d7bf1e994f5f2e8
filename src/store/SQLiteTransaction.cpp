#include "store/SQLiteTransaction.hpp"

#include <sqlite3.h>

#include "platform/base/Log.hpp"
#include "store/SQLiteDatabase.hpp"

namespace mv {

namespace {
int gSavepointCounter = 0;
}

std::optional<SQLiteTransaction> SQLiteTransaction::begin(SQLiteDatabase& db) {
  if (!db.isOpen()) return std::nullopt;
  if (sqlite3_get_autocommit(db.handle()) == 0) {
    std::string savepoint = "mv_sp_" + std::to_string(++gSavepointCounter);
    if (!db.execute("SAVEPOINT " + savepoint)) return std::nullopt;
    db.beginCommitFrame();
    return SQLiteTransaction(db, std::move(savepoint));
  }
  if (!db.execute("BEGIN IMMEDIATE")) return std::nullopt;
  db.beginCommitFrame();
  return SQLiteTransaction(db, std::string());
}

SQLiteTransaction::SQLiteTransaction(SQLiteTransaction&& other) noexcept
    : db_(other.db_), savepoint_(std::move(other.savepoint_)) {
  other.db_ = nullptr;
}

SQLiteTransaction::~SQLiteTransaction() { rollback(); }

bool SQLiteTransaction::commit() {
  if (!db_) return false;
  bool ok = savepoint_.empty() ? db_->execute("COMMIT") : db_->execute("RELEASE " + savepoint_);
  if (!ok) {
    rollback();
    return false;
  }
  db_->endCommitFrame(true);
  db_ = nullptr;
  return true;
}

void SQLiteTransaction::rollback() {
  if (!db_) return;
  SQLiteDatabase& db = *db_;
  db_ = nullptr;
  db.endCommitFrame(false);
  if (savepoint_.empty()) {
    // A failed statement may already have ended the transaction.
    if (db.isOpen() && sqlite3_get_autocommit(db.handle()) == 0 && !db.execute("ROLLBACK")) {
      MV_LOG("A transaction could not be rolled back: ", db.lastError());
    }
  } else if (!db.execute("ROLLBACK TO " + savepoint_ + "; RELEASE " + savepoint_)) {
    MV_LOG("A savepoint could not be rolled back: ", db.lastError());
  }
}

}  // namespace mv
