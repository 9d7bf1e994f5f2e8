#include "store/SQLiteTransaction.hpp"

#include <sqlite3.h>

#include <atomic>

#include "platform/base/Log.hpp"
#include "store/SQLiteDatabase.hpp"

namespace mv {

namespace {
// Connections on several threads name their savepoints from it.
std::atomic<int> gSavepointCounter{0};
}

std::optional<SQLiteTransaction> SQLiteTransaction::begin(SQLiteDatabase& db) {
  if (!db.isOpen()) return std::nullopt;
  if (db.bulkOpen_) {
    db.beginCommitFrame();
    return SQLiteTransaction(db, std::string(), Kind::Joined);
  }
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

std::optional<SQLiteTransaction> SQLiteTransaction::beginBulk(SQLiteDatabase& db) {
  auto tx = begin(db);
  if (!tx || tx->kind_ == Kind::Joined) return tx;
  tx->kind_ = Kind::Bulk;
  db.bulkOpen_ = true;
  db.bulkDoomed_ = false;
  return tx;
}

SQLiteTransaction::SQLiteTransaction(SQLiteTransaction&& other) noexcept
    : db_(other.db_), savepoint_(std::move(other.savepoint_)), kind_(other.kind_) {
  other.db_ = nullptr;
}

SQLiteTransaction::~SQLiteTransaction() { rollback(); }

bool SQLiteTransaction::commit() {
  if (!db_) return false;
  if (kind_ == Kind::Joined) {
    // Its work stands or falls with the bulk transaction around it.
    db_->endCommitFrame(true);
    db_ = nullptr;
    return true;
  }
  if (kind_ == Kind::Bulk) {
    if (db_->bulkDoomed_) {
      rollback();
      return false;
    }
    db_->bulkOpen_ = false;
  }
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
  if (kind_ == Kind::Joined) {
    // Nothing of it can be undone alone: the bulk transaction never commits.
    db.bulkDoomed_ = true;
    return;
  }
  if (kind_ == Kind::Bulk) {
    db.bulkOpen_ = false;
    db.bulkDoomed_ = false;
  }
  // Undoing is no write of its own: a failure of it (a transaction the
  // failed statement already ended) does not hide why the write failed.
  const int failure = db.lastFailure();
  if (savepoint_.empty()) {
    // A failed statement may already have ended the transaction.
    if (db.isOpen() && sqlite3_get_autocommit(db.handle()) == 0 && !db.execute("ROLLBACK")) {
      MV_LOG("A transaction could not be rolled back: ", db.lastError());
    }
  } else if (!db.execute("ROLLBACK TO " + savepoint_ + "; RELEASE " + savepoint_)) {
    MV_LOG("A savepoint could not be rolled back: ", db.lastError());
  }
  db.failures_->last = failure;
}

}  // namespace mv
