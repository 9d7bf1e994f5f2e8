#include "store/WorkerDatabase.hpp"

#include <sqlite3.h>

#include <atomic>

#include "platform/base/Log.hpp"

namespace mv {

namespace {
std::atomic<int> longWrites{0};
}  // namespace

bool WorkerDatabase::longWriteUnderWay() { return longWrites.load() > 0; }

bool WorkerDatabase::runInLongTransaction(const std::function<bool()>& work) {
  longWrites.fetch_add(1);
  const bool kept = store_->runInBulkTransaction(work);
  longWrites.fetch_sub(1);
  return kept;
}

std::unique_ptr<WorkerDatabase> WorkerDatabase::open(const std::filesystem::path& path) {
  std::unique_ptr<WorkerDatabase> worker(new WorkerDatabase());
  if (!worker->db_.open(path, SQLiteDatabase::Missing::Fail)) return nullptr;
  sqlite3_busy_timeout(worker->db_.handle(), kBusyTimeoutMs);
  worker->store_.reset(new DataAccessManager(worker->db_, path));
  return worker;
}

WorkerDatabase::~WorkerDatabase() {
  // The facade's cached statements go before the connection closes.
  store_.reset();
  db_.close();
}

}  // namespace mv
