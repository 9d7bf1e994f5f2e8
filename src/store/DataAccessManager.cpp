#include "store/DataAccessManager.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <system_error>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "store/Schema.hpp"
#include "util/Session.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {
std::shared_ptr<DataAccessManager>& instance() {
  static std::shared_ptr<DataAccessManager> shared;
  return shared;
}

// The client's data is the user's alone.
void restrictToOwner(const fs::path& file) {
  std::error_code ec;
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ec);
  if (ec) MV_LOG("Cannot restrict ", file.string(), ": ", ec.message());
}

// Creates a database from the schema at `path`.
bool createFromSchema(const fs::path& path) {
  SQLiteDatabase db;
  if (!db.open(path)) return false;
  bool ok = Schema::createAll(db) && Schema::seedTemplateRows(db);
  db.close();
  return ok;
}
}  // namespace

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

bool DataAccessManager::prepareDatabaseFile(const fs::path& folder, const fs::path& file) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    MV_LOG("Cannot create the client folder ", folder.string(), ": ", ec.message());
    return false;
  }
  if (fs::exists(file, ec)) return true;
  // Built beside the final name and renamed, so that a failure never leaves a
  // half-written database behind.
  fs::path partial = file;
  partial += ".partial";
  fs::remove(partial, ec);
  bool ok = false;
  fs::path templ = base::Bundle::pathForResource("marvisto_lite", "sqlite");
  if (!templ.empty() && fs::is_regular_file(templ, ec)) {
    ok = fs::copy_file(templ, partial, fs::copy_options::overwrite_existing, ec);
    if (!ok) MV_LOG("Cannot copy the template database: ", ec.message());
  }
  if (!ok) ok = createFromSchema(partial);
  if (ok) restrictToOwner(partial);
  if (ok) {
    fs::rename(partial, file, ec);
    ok = !ec;
  }
  if (!ok) fs::remove(partial, ec);
  return ok;
}

DataAccessManager* DataAccessManager::sharedDataModel() { return sharedHandle().get(); }

std::shared_ptr<DataAccessManager> DataAccessManager::sharedHandle() {
  MV_ASSERT_MAIN_THREAD();
  auto& shared = instance();
  if (shared) return shared;

  std::string clientId = Session::current().clientID;
  auto folder = PublicFunction::clientFolder(clientId);
  if (!folder) {
    MV_LOG("No database without a valid client id");
    return nullptr;
  }
  fs::path file = *folder / kDatabaseFileName;
  if (!prepareDatabaseFile(*folder, file)) return nullptr;
  restrictToOwner(file);

  SQLiteDatabase& db = SQLiteDatabase::sharedDataBase();
  if (!db.open(file)) return nullptr;
  if (!db.execute("SELECT count(*) FROM sqlite_master")) {
    MV_LOG("The client database is not readable: ", file.string());
    db.close();
    return nullptr;
  }
  shared.reset(new DataAccessManager(db, file));
  // A copy made by an older version (or a demo database) is brought up to
  // date at once; a current one is left alone.
  // One that cannot be brought up to date stays open: its rows are still
  // there to read, and what needs the new layout fails and says so.
  if (db.userVersion() != Schema::kVersion && !shared->updateVersion()) {
    MV_LOG("The client database could not be brought up to date: ", file.string());
  }
  return shared;
}

void DataAccessManager::releaseDataModel() {
  MV_ASSERT_MAIN_THREAD();
  instance().reset();
  SQLiteDatabase::sharedDataBase().close();
}

bool DataAccessManager::runInTransaction(const std::function<bool()>& work) {
  MV_ASSERT_MAIN_THREAD();
  return db_.runInTransaction(work);
}

bool DataAccessManager::runInBulkTransaction(const std::function<bool()>& work) {
  MV_ASSERT_MAIN_THREAD();
  return db_.runInBulkTransaction(work);
}

bool DataAccessManager::updateVersion() {
  bool ok = true;
  BaseDataModel* models[] = {&catalog_, &lists_, &library_, &customer_, &order_, &config_, &user_};
  for (BaseDataModel* m : models) ok = m->updateVersion() && ok;
  if (ok && !Schema::seedTemplateRows(db_)) {
    MV_LOG("The template's icon rows could not be added");
    ok = false;
  }
  if (ok && db_.userVersion() != Schema::kVersion) ok = db_.setUserVersion(Schema::kVersion);
  return ok;
}

}  // namespace mv
