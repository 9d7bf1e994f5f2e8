#include "store/UserModel.hpp"

#include <algorithm>
#include <vector>

#include "platform/base/Log.hpp"
#include "store/SQLiteTransaction.hpp"
#include "store/Schema.hpp"
#include "util/Crypto.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"

namespace mv {

bool UserModel::updateVersion() {
  const char* table = "marvisto_user";
  if (db().tableExists(table)) {
    auto cols = db().columnNames(table);
    bool plain = std::find(cols.begin(), cols.end(), "password") != cols.end();
    if (plain) {
      // An older table kept passwords as typed: hash them before the table is
      // brought to its current layout, then forget the plain text.
      auto tx = SQLiteTransaction::begin(db());
      if (!tx) return false;
      if (std::find(cols.begin(), cols.end(), "password_hash") == cols.end() &&
          !db().execute("ALTER TABLE marvisto_user ADD COLUMN password_hash TEXT"))
        return false;
      auto pending = readRows("SELECT rowid, password FROM marvisto_user WHERE password IS NOT NULL",
                              [](const SQLiteStatement& r) { return std::make_pair(r.int64At(0), r.textAt(1)); });
      if (!pending) return false;
      for (const auto& [rowid, password] : *pending) {
        auto hash = saltedHash(password);
        if (!hash) return false;
        if (!exec("UPDATE marvisto_user SET password_hash = ?, password = NULL WHERE rowid = ?", *hash, rowid))
          return false;
      }
      if (!tx->commit()) return false;
    }
  }
  return Schema::upgradeGroup(db(), "user");
}

bool UserModel::saveUserInfo(const LoginInfo& info) {
  auto hash = saltedHash(info.passWord);
  if (!hash) {
    MV_LOG("No password hash could be made; the user is not kept for offline sign-in");
    return false;
  }
  return exec(
      "INSERT OR REPLACE INTO marvisto_user (user_name, password_hash, client_id, device_id, email, company_name, "
      "company_link, login_time) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
      info.accountId, *hash, info.clientId, info.deviceId, info.email, info.companyName, info.companyLink,
      PublicFunction::currentTime());
}

std::string UserModel::checkLocalUserInfo(const LoginInfo& info) {
  // Client ids and user names compare case-blind (the columns' collation).
  // A store that cannot be read knows no user: the offline sign-in is refused.
  if (!exists("SELECT 1 FROM marvisto_user WHERE client_id = ? COLLATE NOCASE LIMIT 1", info.clientId).value_or(false))
    return "210";
  if (!exists("SELECT 1 FROM marvisto_user WHERE client_id = ? COLLATE NOCASE AND device_id = ? LIMIT 1",
              info.clientId, info.deviceId)
           .value_or(false))
    return "201";
  auto stored = readFirst(
                    "SELECT password_hash FROM marvisto_user WHERE client_id = ? COLLATE NOCASE AND device_id = ? AND "
                    "user_name = ? COLLATE NOCASE LIMIT 1",
                    [](const SQLiteStatement& r) { return r.optTextAt(0); }, info.clientId, info.deviceId,
                    info.accountId)
                    .value_or(std::nullopt);
  if (!stored) return "202";
  if (!*stored || !verifySaltedHash(info.passWord, **stored)) return "206";
  return "200";
}

std::optional<LoginInfo> UserModel::getUserInfo(const std::string& userName) {
  if (isBlank(userName)) return std::nullopt;
  // A failed read finds no saved user.
  return readFirst(
             "SELECT user_name, client_id, device_id, email, company_name, company_link FROM marvisto_user "
             "WHERE user_name = ? COLLATE NOCASE ORDER BY rowid DESC LIMIT 1",
             [](const SQLiteStatement& r) {
               LoginInfo info;
               info.accountId = r.textAt(0);
               info.clientId = r.textAt(1);
               info.deviceId = r.textAt(2);
               info.email = r.textAt(3);
               info.companyName = r.textAt(4);
               info.companyLink = r.textAt(5);
               return info;
             },
             userName)
      .value_or(std::nullopt);
}

}  // namespace mv
