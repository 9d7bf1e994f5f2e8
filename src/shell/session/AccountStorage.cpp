#include "shell/session/AccountStorage.hpp"

#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/base/Date.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/UserDefaults.hpp"
#include "shell/session/LocalWorkKeeper.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/session/LoginMode.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "store/SessionDatabase.hpp"
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

}  // namespace

AccountStorage::AccountStorage(std::string clientId) : clientId_(std::move(clientId)) { MV_ASSERT_MAIN_THREAD(); }

bool AccountStorage::wipeForFullSync() {
  auto folder = PublicFunction::clientFolder(clientId_);
  if (!folder) return true;
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
  fs::path kept;
  if (open && LocalWorkKeeper::hasLocalWork(SQLiteDatabase::sharedDataBase())) {
    SessionDatabase::close();
    kept = base::Paths::tmp() / (asciiLowercase(clientId_) + "-kept-" + std::to_string(::getpid()) + ".sqlite");
    fs::remove(kept, ec);
    fs::rename(dbFile, kept, ec);
    if (ec) {
      // The work cannot be set aside: rather no full resync than lost orders.
      MV_LOG("Cannot keep the local work aside (", ec.message(), "); the full resync is left to the next sync");
      if (!LocalWorkKeeper::restoreKeptRows(keptRows, *folder)) MV_LOG("Kept rows stay in ", keptRows.string());
      return false;
    }
  }
  if (!removeBlockAccount()) MV_LOG("The client folder was not wiped whole; the full resync fills what is there");
  if (!LocalWorkKeeper::restoreKeptRows(keptRows, *folder)) MV_LOG("Kept rows stay in ", keptRows.string());
  if (kept.empty()) return true;
  if (SessionDatabase::open() && LocalWorkKeeper::copyLocalWork(SQLiteDatabase::sharedDataBase(), kept)) {
    fs::remove(kept, ec);
  } else {
    MV_LOG("The local work could not be carried over; it stays in ", kept.string());
  }
  return true;
}

bool AccountStorage::removeBlockAccount() {
  const std::string& id = clientId_;
  auto folder = PublicFunction::clientFolder(id);
  if (isBlank(id) || !folder || SkinManager::isDemoClient(id)) {
    MV_LOG("Not deleting the data of client \"", id, "\"");
    return false;
  }
  // Nothing may keep the database open while its file goes away: the
  // session's services (which hold it and write into it) end first, then the
  // connection closes.
  SessionServices::end();
  SessionDatabase::close();
  // The services' transfers are cancelled, but the network thread may still
  // be writing a file one of them received, or the partial data of one it
  // stops: that lands first, or it would make the folder again afterwards.
  if (!NetworkEngine::shared().settle()) MV_LOG("The network thread did not answer; the client folder goes regardless");
  std::error_code ec;
  if (fs::exists(fs::symlink_status(*folder, ec))) fs::remove_all(*folder, ec);
  if (ec) MV_LOG("The client folder ", folder->string(), " could not be deleted: ", ec.message());
  base::UserDefaults::standard().synchronize();
  removeAllSyncFlag();
  return !fs::exists(fs::symlink_status(*folder, ec));
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
