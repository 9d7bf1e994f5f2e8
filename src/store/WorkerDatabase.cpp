#include "store/WorkerDatabase.hpp"

#include <sqlite3.h>

#include <atomic>

#include "platform/base/FolderWriters.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/OutsideWork.hpp"
#include "platform/base/WorkQueue.hpp"
#include "store/SQLiteStatement.hpp"
#include "util/DiskRoom.hpp"

namespace mv {

namespace {
std::atomic<int> longWrites{0};
}  // namespace

bool WorkerDatabase::longWriteUnderWay() { return longWrites.load() > 0; }

namespace {

// Under the write-ahead log, a connection that writes large batches: its
// commits do not move the log into the file, which is left to
// checkpointBeside, off the writer's way. Each commit still flushes the log
// before it returns (one flush for a whole table): the sync marks its tables
// as had once they are stored, and a power cut that took back a store so
// marked would leave its rows missing until a full resync. False, with
// nothing changed, without the log: a rollback journal is flushed at every
// commit.
bool writeInBulk(SQLiteDatabase& db) {
  SQLiteStatement mode = db.prepare("PRAGMA journal_mode");
  if (!mode || mode.step() != SQLiteStatement::Step::Row || mode.textAt(0) != "wal") return false;
  mode = SQLiteStatement();
  return db.execute("PRAGMA synchronous = FULL; PRAGMA wal_autocheckpoint = 0; PRAGMA journal_size_limit = " +
                    std::to_string(DiskRoom::kDatabaseLogBytes));
}

// Moves the log of `path` into the file, on a worker of the shared pool: it
// writes as much as the long write did, which the write's owner does not
// wait for.
void checkpointBeside(const std::filesystem::path& path) {
  base::WorkQueue::global().async([path, underWay = base::holdOutsideWork()](const base::CancelFlag&) {
    // It writes into the client's folder: deleting the folder skips it.
    auto pass = base::FolderWriters::shared().enter(path);
    if (!pass) return;
    auto worker = WorkerDatabase::open(path);
    // Readers on older moments keep their pages in the log, which the next
    // checkpoint takes.
    if (worker && !worker->checkpoint()) MV_LOG("part of the log stays beside ", path.string(), " for now");
  });
}

}  // namespace

bool WorkerDatabase::runInLongTransaction(const std::function<bool()>& work) {
  longWrites.fetch_add(1);
  const bool kept = store_->runInBulkTransaction(work);
  longWrites.fetch_sub(1);
  if (kept && inLog_) checkpointBeside(db_.path());
  return kept;
}

bool WorkerDatabase::checkpoint() { return db_.checkpoint(); }

namespace {
std::atomic<int> busyTimeoutMs{WorkerDatabase::kBusyTimeoutMs};
}  // namespace

void WorkerDatabase::setBusyTimeout(int milliseconds) { busyTimeoutMs = milliseconds; }

std::unique_ptr<WorkerDatabase> WorkerDatabase::open(const std::filesystem::path& path) {
  std::unique_ptr<WorkerDatabase> worker(new WorkerDatabase());
  if (!worker->db_.open(path, SQLiteDatabase::Missing::Fail)) return nullptr;
  sqlite3_busy_timeout(worker->db_.handle(), busyTimeoutMs.load());
  worker->inLog_ = writeInBulk(worker->db_);
  worker->store_.reset(new DataAccessManager(worker->db_, path));
  return worker;
}

WorkerDatabase::~WorkerDatabase() {
  // The facade's cached statements go before the connection closes.
  store_.reset();
  db_.close();
}

}  // namespace mv
