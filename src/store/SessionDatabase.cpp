#include "store/SessionDatabase.hpp"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/Paths.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "store/Schema.hpp"
#include "store/WorkerDatabase.hpp"
#include "util/DiskRoom.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {

std::shared_ptr<DataAccessManager>& instance() {
  static std::shared_ptr<DataAccessManager> shared;
  return shared;
}

// How long a write on the session's connection waits for another writer.
constexpr int kBusyWaitMs = 2000;
constexpr int kBusyStepMs = 10;

// What a new database takes at the least, made from the schema.
constexpr std::uintmax_t kNewDatabaseBytes = 256 * 1024;

// The user's writes open now (see UserWrite), and whether the last of them
// gave way to the sync's store. Main thread, as the connection.
int userWrites = 0;
bool gaveWayToSync = false;
// Whether the last open found no room for a new database.
bool openFoundNoRoom = false;

// Another connection writes. The user's write does not wait for the sync's
// long store; anything else waits up to the time-out.
int waitForTheWriter(void*, int tries) {
  if (userWrites > 0 && WorkerDatabase::longWriteUnderWay()) {
    gaveWayToSync = true;
    return 0;
  }
  if (tries * kBusyStepMs >= kBusyWaitMs) return 0;
  sqlite3_sleep(kBusyStepMs);
  return 1;
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

bool prepareDatabaseFile(const fs::path& folder, const fs::path& file) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    MV_LOG("Cannot create the client folder ", folder.string(), ": ", ec.message());
    return false;
  }
  if (fs::exists(file, ec)) return true;
  // A log or journal of a database that was there before would be read into
  // the new one.
  if (!SQLiteDatabase::removeFile(file)) return false;
  // Built beside the final name and renamed, so that a failure never leaves a
  // half-written database behind.
  fs::path partial = file;
  partial += ".partial";
  if (!SQLiteDatabase::removeFile(partial)) return false;
  bool ok = false;
  fs::path templ = base::Bundle::pathForResource("marvisto_lite", "sqlite");
  // A disk without room for a new database is not written a part of one:
  // the caller hears that it is the room.
  std::error_code sized;
  const std::uintmax_t templateBytes = templ.empty() ? 0 : fs::file_size(templ, sized);
  const std::uintmax_t needed = std::max(sized ? 0 : templateBytes, kNewDatabaseBytes);
  const auto room = DiskRoom::roomFor(folder, false);
  if (room && *room < needed) {
    MV_LOG("No room for a new database in ", folder.string(), ": ", *room, " bytes left");
    openFoundNoRoom = true;
    return false;
  }
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
  if (!ok && !SQLiteDatabase::removeFile(partial)) MV_LOG("A partial database stays: ", partial.string());
  return ok;
}

}  // namespace

std::shared_ptr<DataAccessManager> SessionDatabase::open() {
  MV_ASSERT_MAIN_THREAD();
  auto& shared = instance();
  if (shared) return shared;
  openFoundNoRoom = false;

  std::string clientId = Session::current().clientID;
  auto folder = PublicFunction::clientFolder(clientId);
  if (!folder) {
    MV_LOG("No database without a valid client id");
    return nullptr;
  }
  fs::path file = *folder / DataAccessManager::kDatabaseFileName;
  if (!prepareDatabaseFile(*folder, file)) return nullptr;
  restrictToOwner(file);

  SQLiteDatabase& db = SQLiteDatabase::sharedDataBase();
  if (!db.open(file)) return nullptr;
  sqlite3_busy_handler(db.handle(), waitForTheWriter, nullptr);
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
  if (db.userVersion() != Schema::kVersion) {
    if (!shared->updateVersion()) MV_LOG("The client database could not be brought up to date: ", file.string());
    // What the upgrade removed (plain passwords among it) is gone from the
    // file itself, not only from the log.
    if (!db.checkpoint()) MV_LOG("The upgraded database keeps part of its log: ", file.string());
  }
  // The catalogue reads its long lists on connections of their own while
  // the sync writes: with the log neither waits for the other. Without it
  // (a file system that cannot share memory) they take turns, and a read
  // the store keeps refusing is told.
  if (!db.useWriteAheadLog()) MV_LOG("The client database keeps its rollback journal: ", file.string());
  return shared;
}

bool SessionDatabase::lastOpenFoundNoRoom() {
  MV_ASSERT_MAIN_THREAD();
  return openFoundNoRoom;
}

bool SessionDatabase::isOpen() {
  MV_ASSERT_MAIN_THREAD();
  return instance() != nullptr;
}

SessionDatabase::UserWrite::UserWrite() {
  MV_ASSERT_MAIN_THREAD();
  if (userWrites++ == 0) {
    gaveWayToSync = false;
    SQLiteDatabase::sharedDataBase().forgetFailure();
  }
}

SessionDatabase::UserWrite::~UserWrite() { --userWrites; }

bool SessionDatabase::lastWriteGaveWay() {
  MV_ASSERT_MAIN_THREAD();
  return gaveWayToSync;
}

bool SessionDatabase::lastWriteFoundDiskFull() {
  MV_ASSERT_MAIN_THREAD();
  return SQLiteDatabase::sharedDataBase().lastFailureFoundDiskFull();
}

const char* SessionDatabase::failedWriteKey() {
  if (lastWriteGaveWay()) return "SYNCSTORING";
  return lastWriteFoundDiskFull() ? "SAVENOROOM" : "FAILED";
}

void SessionDatabase::close() {
  MV_ASSERT_MAIN_THREAD();
  instance().reset();
  SQLiteDatabase::sharedDataBase().close();
}

}  // namespace mv
