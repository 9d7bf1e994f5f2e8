#include "store/DataAccessManager.hpp"

#include "platform/base/Log.hpp"
#include "store/Schema.hpp"

namespace fs = std::filesystem;

namespace mv {

DataAccessManager::DataAccessManager(SQLiteDatabase& db, fs::path path)
    : db_(db),
      path_(std::move(path)),
      catalog_(db),
      lists_(db),
      library_(db),
      customer_(db),
      order_(db),
      config_(db),
      user_(db) {}

DataAccessManager::~DataAccessManager() = default;

bool DataAccessManager::lastFailureFoundDiskFull() const { return db_.lastFailureFoundDiskFull(); }

void DataAccessManager::forgetFailure() { db_.forgetFailure(); }

std::uint64_t DataAccessManager::diskFulls() const { return db_.diskFulls(); }

bool DataAccessManager::runInTransaction(const std::function<bool()>& work) {
  return db_.runInTransaction(work);
}

bool DataAccessManager::runInBulkTransaction(const std::function<bool()>& work) {
  return db_.runInBulkTransaction(work);
}

bool DataAccessManager::updateVersion() {
  const int from = db_.userVersion();
  bool ok = true;
  BaseDataModel* models[] = {&catalog_, &lists_, &library_, &customer_, &order_, &config_, &user_};
  for (BaseDataModel* m : models) ok = m->updateVersion() && ok;
  if (ok && !Schema::seedTemplateRows(db_)) {
    MV_LOG("The template's icon rows could not be added");
    ok = false;
  }
  return ok && Schema::takeSteps(db_, from);
}

}  // namespace mv
