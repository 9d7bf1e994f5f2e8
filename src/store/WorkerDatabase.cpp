#include "store/WorkerDatabase.hpp"

#include <sqlite3.h>

#include "platform/base/Log.hpp"

namespace mv {

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
