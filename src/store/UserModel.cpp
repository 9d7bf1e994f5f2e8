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
      SQLiteTransaction tx(db());
      if (!tx.begin()) return false;
      if (std::find(cols.begin(), cols.end(), "password_hash") == cols.end() &&
          !db().execute("ALTER TABLE marvisto_user ADD COLUMN password_hash TEXT"))
        return false;
      std::vector<std::pair<std::int64_t, std::string>> pending;
      query("SELECT rowid, password FROM marvisto_user WHERE password IS NOT NULL",
            [&](const SQLiteStatement& r) { pending.emplace_back(r.int64At(0), r.textAt(1)); });
      for (const auto& [rowid, password] : pending) {
        auto hash = saltedHash(password);
        if (!hash) return false;
        if (!exec("UPDATE marvisto_user SET password_hash = ?, password = NULL WHERE rowid = ?", *hash, rowid))
          return false;
      }
      if (!tx.commit()) return false;
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
  if (!scalarInt("SELECT 1 FROM marvisto_user WHERE client_id = ? COLLATE NOCASE LIMIT 1", info.clientId)) return "210";
  if (!scalarInt("SELECT 1 FROM marvisto_user WHERE client_id = ? COLLATE NOCASE AND device_id = ? LIMIT 1", info.clientId,
                 info.deviceId))
    return "201";
  std::optional<std::string> stored;
  bool found = false;
  query(
      "SELECT password_hash FROM marvisto_user WHERE client_id = ? COLLATE NOCASE AND device_id = ? AND "
      "user_name = ? COLLATE NOCASE LIMIT 1",
      [&](const SQLiteStatement& r) {
        found = true;
        stored = r.optTextAt(0);
      },
      info.clientId, info.deviceId, info.accountId);
  if (!found) return "202";
  if (!stored || !verifySaltedHash(info.passWord, *stored)) return "206";
  return "200";
}

std::optional<LoginInfo> UserModel::getUserInfo(const std::string& userName) {
  if (isBlank(userName)) return std::nullopt;
  std::optional<LoginInfo> out;
  query(
      "SELECT user_name, client_id, device_id, email, company_name, company_link FROM marvisto_user "
      "WHERE user_name = ? COLLATE NOCASE ORDER BY rowid DESC LIMIT 1",
      [&](const SQLiteStatement& r) {
        LoginInfo info;
        info.accountId = r.textAt(0);
        info.clientId = r.textAt(1);
        info.deviceId = r.textAt(2);
        info.email = r.textAt(3);
        info.companyName = r.textAt(4);
        info.companyLink = r.textAt(5);
        out = std::move(info);
      },
      userName);
  return out;
}

}  // namespace mv
