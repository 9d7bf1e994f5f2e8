#include "shell/session/AccountStorage.hpp"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "platform/base/Date.hpp"
#include "platform/base/FileIO.hpp"
#include "platform/base/FolderCopies.hpp"
#include "platform/base/FolderWriters.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/base/WorkQueue.hpp"
#include "services/MailComposer.hpp"
#include "services/PrintInteractionController.hpp"
#include "shell/session/LocalWorkKeeper.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/session/LoginMode.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/PictureVerdicts.hpp"
#include "sync/SessionServices.hpp"
#include "transport/NetworkEngine.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

const char* const kSyncFlags[] = {"FileSynced", "ProductSynced", "CustomerSynced", "IconSynced", "lastsync",
                                  // The version the database was upgraded for goes with the database.
                                  "App_version"};

// The clients whose wipe is still to be finished.
constexpr const char* kUnfinishedWipes = "Unfinished_Wipes";

// How long a wipe waits for the work in the folder to stop: work that is
// told stops within a piece of what it writes, and the main thread never
// hangs long.
std::chrono::milliseconds& writerBound() {
  static std::chrono::milliseconds bound = std::chrono::seconds(5);
  return bound;
}

// Whatever way the wipe for a full resync ends, the folder takes work again.
class FolderOpening {
 public:
  explicit FolderOpening(fs::path folder) : folder_(std::move(folder)) {}
  ~FolderOpening() { base::FolderWriters::shared().reopen(folder_); }
  FolderOpening(const FolderOpening&) = delete;
  FolderOpening& operator=(const FolderOpening&) = delete;

 private:
  fs::path folder_;
};

// Ends the process at once, as a crash or a kill would, when MARVISTO_KILL_AT
// names `step`: the application's tests cut a full resync at each of its
// steps and check that the next start loses nothing.
void killPoint(const char* step) {
  const char* at = std::getenv("MARVISTO_KILL_AT");
  if (at && std::string_view(at) == step) ::kill(::getpid(), SIGKILL);
}

// What a full resync set aside in tmp for a while: the rows of earlier
// upgrades ("<client>-kept-rows-<pid>", a folder) and the old database
// ("<client>-kept-<pid>.sqlite", with its log beside it).
struct SetAside {
  std::string clientId;
  enum class Kind { Rows, Database, DatabaseLog } kind;
};

std::optional<SetAside> setAsideOf(const std::string& name) {
  std::string rest = name;
  auto kind = SetAside::Kind::Rows;
  for (const char* log : {".sqlite-wal", ".sqlite-shm", ".sqlite-journal"}) {
    if (rest.ends_with(log)) {
      rest.resize(rest.size() - std::string_view(log).size());
      kind = SetAside::Kind::DatabaseLog;
    }
  }
  if (kind == SetAside::Kind::Rows && rest.ends_with(".sqlite")) {
    rest.resize(rest.size() - std::string_view(".sqlite").size());
    kind = SetAside::Kind::Database;
  }
  const std::size_t digits = rest.find_last_not_of("0123456789");
  if (digits == std::string::npos || digits + 1 == rest.size()) return std::nullopt;
  rest.resize(digits + 1);
  const std::string_view tail = kind == SetAside::Kind::Rows ? "-kept-rows-" : "-kept-";
  if (!rest.ends_with(tail)) return std::nullopt;
  rest.resize(rest.size() - tail.size());
  if (!PublicFunction::isValidClientID(rest)) return std::nullopt;
  return SetAside{asciiLowercase(rest), kind};
}

// The entries of tmp, in a steady order: of two databases one resync after
// another set aside for the same client, the same one goes back first.
std::vector<fs::path> tmpEntries() {
  std::vector<fs::path> entries;
  std::error_code ec;
  for (fs::directory_iterator it(base::Paths::tmp(), ec), end; !ec && it != end; it.increment(ec))
    entries.push_back(it->path());
  std::sort(entries.begin(), entries.end());
  return entries;
}

// Puts a set-aside database back where its client's database belongs, when
// none is there. A cut between the move of the file and that of its log
// leaves the log in the client folder: it stays there, with its file.
bool putDatabaseBack(const fs::path& kept, const fs::path& dbFile) {
  std::error_code ec;
  fs::create_directories(dbFile.parent_path(), ec);
  fs::path keptLog = kept, log = dbFile;
  keptLog += "-wal";
  log += "-wal";
  if (!fs::exists(keptLog, ec) && fs::exists(log, ec)) {
    fs::rename(kept, dbFile, ec);
  } else {
    SQLiteDatabase::moveFile(kept, dbFile, ec);
  }
  if (ec) MV_LOG("The set-aside database ", kept.string(), " cannot go back: ", ec.message());
  return !ec;
}

}  // namespace

AccountStorage::AccountStorage(std::string clientId) : clientId_(std::move(clientId)) { MV_ASSERT_MAIN_THREAD(); }

void AccountStorage::setWriterBoundForTesting(std::chrono::milliseconds bound) { writerBound() = bound; }

bool AccountStorage::isWipeable() const {
  return !isBlank(clientId_) && PublicFunction::clientFolder(clientId_) && !SkinManager::isDemoClient(clientId_);
}

bool AccountStorage::wipeForFullSync() {
  auto folder = PublicFunction::clientFolder(clientId_);
  if (!folder || !isWipeable()) return true;
  // Nothing may write into the folder while the user's work is set aside
  // and the folder wiped; what does not stop in time keeps the folder.
  const bool stopped = stopWriters(*folder);
  FolderOpening reopen(*folder);
  if (!stopped) {
    MV_LOG("Work in the client folder did not stop; the full resync is left to the next sync");
    return false;
  }
  // Forgotten before anything leaves its place: a start after this step
  // was cut short fetches everything again, never takes what is left for
  // up to date.
  removeAllSyncFlag();
  killPoint("resync-flags-cleared");
  const fs::path dbFile = *folder / DataAccessManager::kDatabaseFileName;
  std::error_code ec;
  const fs::path keptRows =
      base::Paths::tmp() / (asciiLowercase(clientId_) + "-kept-rows-" + std::to_string(::getpid()));
  const bool open = fs::exists(dbFile, ec) && SessionDatabase::open();
  SQLiteDatabase none;
  if (!LocalWorkKeeper::setKeptRowsAside(open ? SQLiteDatabase::sharedDataBase() : none, *folder, keptRows,
                                         base::Date::now())) {
    MV_LOG("Cannot keep the rows of earlier upgrades aside; the full resync is left to the next sync");
    return false;
  }
  killPoint("resync-rows-aside");
  fs::path kept;
  if (open && LocalWorkKeeper::hasLocalWork(SQLiteDatabase::sharedDataBase())) {
    SessionDatabase::close();
    kept = base::Paths::tmp() / (asciiLowercase(clientId_) + "-kept-" + std::to_string(::getpid()) + ".sqlite");
    // With its log: rows of the last moments may still be there alone. A
    // start that finds it there puts it back (carryBackSetAside).
    SQLiteDatabase::moveFile(dbFile, kept, ec);
    if (ec) {
      // The work cannot be set aside: rather no full resync than lost orders.
      MV_LOG("Cannot keep the local work aside (", ec.message(), "); the full resync is left to the next sync");
      if (!LocalWorkKeeper::restoreKeptRows(keptRows, *folder)) MV_LOG("Kept rows stay in ", keptRows.string());
      return false;
    }
    killPoint("resync-database-aside");
  }
  SessionDatabase::close();
  const bool whole = removeData(*folder, true);
  if (!whole) MV_LOG("The client folder was not wiped whole; the full resync fills what is there");
  killPoint("resync-folder-wiped");
  if (!LocalWorkKeeper::restoreKeptRows(keptRows, *folder)) MV_LOG("Kept rows stay in ", keptRows.string());
  if (kept.empty()) return whole;
  const bool opened = SessionDatabase::open() != nullptr;
  killPoint("resync-new-database");
  if (opened && LocalWorkKeeper::copyLocalWork(SQLiteDatabase::sharedDataBase(), kept)) {
    killPoint("resync-work-copied");
    if (!SQLiteDatabase::removeFile(kept)) MV_LOG("The set-aside database stays in ", kept.string());
  } else {
    MV_LOG("The local work could not be carried over; it stays in ", kept.string());
  }
  return whole;
}

bool AccountStorage::removeBlockAccount() {
  const std::string& id = clientId_;
  auto folder = PublicFunction::clientFolder(id);
  if (!folder || !isWipeable()) {
    MV_LOG("Not deleting the data of client \"", id, "\"");
    return false;
  }
  // Noted before anything goes and forgotten only once all of it went: a
  // wipe cut short, by work that would not stop or by the end of the
  // process, is finished at the next start.
  setUnfinished(id, true);
  if (!stopWriters(*folder) || !removeData(*folder) || !removeSentDocuments() || !removeSetAside()) {
    // The folder stays closed to new work until the wipe is finished.
    MV_LOG("The data of client \"", id, "\" is not deleted whole; the rest goes at the next start");
    return false;
  }
  setUnfinished(id, false);
  base::FolderWriters::shared().reopen(*folder);
  return true;
}

bool AccountStorage::stopWriters(const fs::path& folder) {
  // Nothing may keep the database open while its file goes away: the
  // session's services (which hold it and write into it) end first, then the
  // connection closes.
  SessionServices::end();
  SessionDatabase::close();
  // Then the work on other threads: it is told to stop and waited for, and
  // none starts in the folder any more.
  const auto deadline = std::chrono::steady_clock::now() + writerBound();
  const bool left = base::FolderWriters::shared().close(folder, deadline);
  if (!left) MV_LOG("Work in ", folder.string(), " did not stop in time");
  // The services' transfers are cancelled, but the network thread may still
  // be writing a file one of them received, or the partial data of one it
  // stops: that lands first, or it would make the folder again afterwards.
  const bool settled = left && NetworkEngine::shared().settle();
  if (left && !settled) MV_LOG("The network thread did not answer in time");
  return settled;
}

bool AccountStorage::removeData(const fs::path& folder, bool keepPictures) {
  // What was made from the files and is kept elsewhere (thumbnails,
  // converted pages) is found through the files: it goes first.
  const bool copies = base::FolderCopies::removeAll(folder);
  if (!copies) MV_LOG("What was made from the files of ", folder.string(), " was not all removed");
  std::error_code ec;
  bool gone = true;
  if (keepPictures && fs::is_directory(fs::symlink_status(folder, ec))) {
    // Tens of thousands of pictures fetched again for nothing would make a
    // full resync take many times as long; so would looking at each again.
    const std::set<std::string> kept = {PublicFunction::folderForFileType(kFileTypeProductImage),
                                        PublicFunction::folderForFileType(kFileTypeConfigImage),
                                        PublicFunction::folderForFileType(kFileTypeLibraryImage),
                                        PictureVerdicts::kFolderName};
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      const bool realFolder = fs::is_directory(it->symlink_status(ec));
      if (!realFolder || !kept.count(it->path().filename().string())) entries.push_back(it->path());
    }
    gone = !ec;
    for (const fs::path& entry : entries) {
      std::error_code removed;
      fs::remove_all(entry, removed);
      killPoint("resync-folder-removing");
      if (removed) MV_LOG("In the client folder, ", entry.string(), " could not be deleted: ", removed.message());
      gone = gone && !removed;
    }
  } else {
    if (fs::exists(fs::symlink_status(folder, ec))) fs::remove_all(folder, ec);
    if (ec) MV_LOG("The client folder ", folder.string(), " could not be deleted: ", ec.message());
    gone = !fs::exists(fs::symlink_status(folder, ec));
  }
  base::UserDefaults::standard().synchronize();
  removeAllSyncFlag();
  return copies && gone;
}

bool AccountStorage::removeSentDocuments() {
  // The account's mailed and printed documents are kept outside its folder
  // (a full resync keeps them) but are its own: they go with it.
  bool whole = true;
  for (const fs::path& folder :
       {svc::OutboxMailComposer::outboxOf(clientId_), svc::SpoolPrintController::spoolOf(clientId_)}) {
    if (folder.empty()) continue;
    std::error_code ec;
    const auto gone = [&] {
      std::error_code unused;
      return fs::symlink_status(folder, unused).type() == fs::file_type::not_found;
    };
    if (gone()) continue;
    fs::remove_all(folder, ec);
    if (!gone()) {
      MV_LOG("The folder ", folder.string(), " could not be deleted: ", ec.message());
      whole = false;
    }
  }
  return whole;
}

bool AccountStorage::removeSetAside() {
  // What a full resync cut short left in tmp is the account's too.
  bool whole = true;
  for (const fs::path& entry : tmpEntries()) {
    auto aside = setAsideOf(entry.filename().string());
    if (!aside || aside->clientId != asciiLowercase(clientId_)) continue;
    std::error_code ec;
    fs::remove_all(entry, ec);
    if (ec) {
      MV_LOG("The set-aside ", entry.string(), " could not be deleted: ", ec.message());
      whole = false;
    }
  }
  return whole;
}

void AccountStorage::carryBackSetAside() {
  for (const fs::path& entry : tmpEntries()) {
    auto aside = setAsideOf(entry.filename().string());
    if (!aside || aside->kind == SetAside::Kind::DatabaseLog) continue;
    auto folder = PublicFunction::clientFolder(aside->clientId);
    if (!folder || SkinManager::isDemoClient(aside->clientId)) continue;
    if (aside->kind == SetAside::Kind::Rows) {
      if (!LocalWorkKeeper::restoreKeptRows(entry, *folder)) MV_LOG("Kept rows stay in ", entry.string());
      continue;
    }
    // The sync flags went before the database was set aside: the next sync
    // of this client fetches everything into what goes back now.
    const fs::path dbFile = *folder / DataAccessManager::kDatabaseFileName;
    std::error_code ec;
    if (!fs::exists(dbFile, ec)) {
      if (putDatabaseBack(entry, dbFile)) MV_LOG("The database set aside in ", entry.string(), " is back in place");
      continue;
    }
    // The new database was made: the work goes into it, as the resync
    // would have done.
    SQLiteDatabase db;
    if (db.open(dbFile) && LocalWorkKeeper::copyLocalWork(db, entry)) {
      db.close();
      if (!SQLiteDatabase::removeFile(entry)) MV_LOG("The set-aside database stays in ", entry.string());
    } else {
      MV_LOG("The local work set aside in ", entry.string(), " could not be carried over; it stays there");
    }
  }
}

void AccountStorage::sweepLeftovers() {
  MV_ASSERT_MAIN_THREAD();
  // The replies are set aside at once, as a session's first reply may
  // follow at once, and go on a worker. What an earlier sweep set aside and
  // did not finish goes with them.
  const fs::path replies = HttpNetworkCtrl::spillFolder();
  const fs::path swept = base::Paths::tmp() / "replies-swept";
  std::error_code ec;
  if (fs::exists(replies, ec)) {
    fs::create_directories(swept, ec);
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::rename(replies, swept / (std::to_string(::getpid()) + "-" + std::to_string(stamp)), ec);
    if (ec) {
      MV_LOG("The replies left in ", replies.string(), " could not be set aside (", ec.message(), ")");
      fs::remove_all(replies, ec);
    }
  }
  if (fs::exists(swept, ec)) {
    base::WorkQueue::global().async([swept](const base::CancelFlag&) {
      std::error_code gone;
      fs::remove_all(swept, gone);
      if (gone) MV_LOG("The replies set aside in ", swept.string(), " could not be deleted: ", gone.message());
    });
  }
  // The picture checks of every client folder: a few files each.
  for (fs::directory_iterator it(base::Paths::documents(), ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kind;
    if (!it->is_directory(kind)) continue;
    if (const std::size_t removed = base::removeUnfinishedWrites(it->path() / PictureVerdicts::kFolderName))
      MV_LOG(removed, " unfinished writes of the picture checks in ", it->path().string(), " are deleted");
  }
}

bool AccountStorage::hasUnfinishedWipe(const std::string& clientId) {
  const std::string id = asciiLowercase(clientId);
  for (const base::Value& entry : base::UserDefaults::standard().arrayForKey(kUnfinishedWipes)) {
    if (entry.is_string() && asciiLowercase(entry.get<std::string>()) == id) return true;
  }
  return false;
}

void AccountStorage::setUnfinished(const std::string& clientId, bool unfinished) {
  const std::string id = asciiLowercase(clientId);
  auto& defaults = base::UserDefaults::standard();
  base::Value kept = base::Value::array();
  for (const base::Value& entry : defaults.arrayForKey(kUnfinishedWipes)) {
    if (entry.is_string() && asciiLowercase(entry.get<std::string>()) != id) kept.push_back(entry);
  }
  if (unfinished) kept.push_back(id);
  if (kept.empty()) {
    defaults.removeObject(kUnfinishedWipes);
  } else {
    defaults.setObject(kUnfinishedWipes, std::move(kept));
  }
  if (!defaults.synchronize()) MV_LOG("The list of unfinished wipes could not be written");
}

void AccountStorage::finishUnfinishedWipes() {
  std::vector<std::string> ids;
  for (const base::Value& entry : base::UserDefaults::standard().arrayForKey(kUnfinishedWipes)) {
    if (entry.is_string()) ids.push_back(entry.get<std::string>());
  }
  for (const std::string& id : ids) {
    if (!AccountStorage(id).isWipeable()) {
      setUnfinished(id, false);
    } else if (AccountStorage(id).removeBlockAccount()) {
      MV_LOG("The data of client \"", id, "\" that an earlier run left is deleted");
    }
  }
}

void AccountStorage::removeAllSyncFlag() {
  const std::string& id = clientId_;
  if (isBlank(id)) return;
  auto& defaults = base::UserDefaults::standard();
  for (const char* flag : kSyncFlags) defaults.removeObject(id + "-" + flag);
  defaults.synchronize();
}

void AccountStorage::refreshLastLogininfo(const LoginInfo& login, bool autoLogin) {
  const std::string& client = login.clientId;
  const std::string& account = login.accountId;
  const std::string& pass = login.passWord;
  auto& defaults = base::UserDefaults::standard();
  const base::Value saved = defaults.arrayForKey("Login_Info_Array");
  base::Value rebuilt = base::Value::array();
  std::vector<base::Value> front;
  bool found = false;
  auto text = [](const base::Value& entry, const char* key) {
    auto it = entry.find(key);
    return it != entry.end() && it->is_string() ? it->get<std::string>() : std::string();
  };
  for (const base::Value& entry : saved) {
    if (!entry.is_object()) continue;
    base::Value copy = entry;
    const bool sameClient = text(entry, "Input_ClientID") == client;
    if (sameClient && text(entry, "Input_UserID") == account) {
      copy["Input_PassWord"] = pass;
      if (autoLogin) copy["INPUT_USESHORTCUT"] = "YES";
      front.push_back(std::move(copy));
      found = true;
    } else if (sameClient && autoLogin) {
      copy["INPUT_USESHORTCUT"] = "NO";
      rebuilt.push_back(std::move(copy));
    } else {
      rebuilt.push_back(std::move(copy));
    }
  }
  if (!found && !isBlank(trimWhitespaceAndNewlines(client))) {
    base::Value entry = {{"Input_UserID", account},
                         {"Input_PassWord", pass},
                         {"Input_ClientID", client},
                         {"Input_DeviceID", login.deviceId}};
    if (autoLogin) entry["INPUT_USESHORTCUT"] = "YES";
    front.push_back(std::move(entry));
  }
  // Inserted at the front in the order met, so the last one found is first.
  base::Value result = base::Value::array();
  for (auto it = front.rbegin(); it != front.rend(); ++it) result.push_back(*it);
  for (auto& entry : rebuilt) result.push_back(std::move(entry));
  defaults.setObject("Login_Info_Array", std::move(result));
  if (!defaults.synchronize()) MV_LOG("The saved logins could not be written");
}

bool AccountStorage::versionCompare(const std::string& version) {
  const std::string& id = clientId_;
  if (isBlank(id)) return true;
  const std::string key = id + "-App_version";
  auto& defaults = base::UserDefaults::standard();
  auto stored = defaults.optionalStringForKey(key);
  if (stored && !isBlank(trimWhitespaceAndNewlines(*stored)) && *stored == version) return true;
  std::error_code ec;
  if (auto folder = PublicFunction::clientFolder(id)) {
    const fs::path skin = *folder / SkinManager::kSkinFolderName;
    if (fs::exists(skin, ec)) fs::remove_all(skin, ec);
  }
  auto database = SessionDatabase::open();
  const bool upgraded = database && database->updateVersion();
  const bool folders = createAllDirectorys();
  if (!upgraded || !folders) {
    // Not recorded: the upgrade runs again at the next sign-in.
    MV_LOG(upgraded ? "The client's folders could not be made for " : "The client database could not be upgraded to ",
           version);
    return false;
  }
  defaults.setString(key, version);
  defaults.synchronize();
  return true;
}

bool AccountStorage::createAllDirectorys() { return PublicFunction::createClientFolders(clientId_); }

}  // namespace mv
