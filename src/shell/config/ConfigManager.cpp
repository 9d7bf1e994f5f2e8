#include "shell/config/ConfigManager.hpp"

#include <cctype>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/UserDefaults.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/SessionServices.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"

namespace mv {

ConfigManager::ConfigManager(SessionServices& services) {
  MV_ASSERT_MAIN_THREAD();
  if (auto config = services.database().queryConfig("configuration")) modelDescArray_ = splitDesc(config->desc);
}

ConfigManager::~ConfigManager() = default;

void ConfigManager::install(SessionServices::Registry& registry) {
  registry.add<ConfigManager>();
  registry.alias<SyncConfigManager, ConfigManager>();
}

bool ConfigManager::storeConfigData(DataAccessManager& database, const std::optional<std::vector<ConfigEntity>>& rows) {
  MV_ASSERT_MAIN_THREAD();
  if (!rows) return false;
  const bool stored = database.syncConfigData(*rows);
  if (!stored) MV_LOG("Error on configuration sync!");
  return stored;
}

bool ConfigManager::syncConfigData(const std::optional<std::vector<ConfigEntity>>& rows) {
  MV_ASSERT_MAIN_THREAD();
  auto services = SessionServices::current();
  if (!services || !rows) return false;
  const bool stored = storeConfigData(services->database(), rows);
  if (auto config = services->database().queryConfig("configuration")) {
    modelDescArray_ = splitDesc(config->desc);
  }
  return stored;
}

std::optional<ConfigEntity> ConfigManager::queryConfig(DataAccessManager& database) {
  MV_ASSERT_MAIN_THREAD();
  return database.queryConfig("configuration");
}

std::optional<ConfigEntity> ConfigManager::queryDateFormat(DataAccessManager& database) {
  MV_ASSERT_MAIN_THREAD();
  return database.queryConfig("date_format");
}

bool ConfigManager::deleteConfig(DataAccessManager& database) {
  MV_ASSERT_MAIN_THREAD();
  return database.deleteConfig();
}

std::optional<ConfigEntity> ConfigManager::row(const std::string& type) {
  MV_ASSERT_MAIN_THREAD();
  auto services = SessionServices::current();
  if (!services) return std::nullopt;
  return services->database().queryConfig(type);
}

std::vector<std::string> ConfigManager::splitDesc(const std::string& desc) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = desc.find(',', start);
    parts.push_back(desc.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return parts;
}

bool ConfigManager::isOnShow(int index) const {
  if (index == 7) return true;
  if (!modelDescArray_ || index < 0) return false;
  if (static_cast<std::size_t>(index) >= modelDescArray_->size()) return false;
  return boolValue((*modelDescArray_)[static_cast<std::size_t>(index)]);
}

std::optional<std::string> ConfigManager::leftPanelType() {
  auto r = row("left_panel");
  if (!r) return std::nullopt;
  return r->desc;
}

int ConfigManager::orderMethodType() {
  auto r = row("order_method");
  if (!r || r->desc.empty()) return 2;
  return static_cast<int>(integerValue(r->desc));
}

bool ConfigManager::couldModifyPrice() {
  auto r = row("modify_price");
  if (!r || isBlank(r->desc)) return false;
  return integerValue(r->desc) != 0;
}

std::string ConfigManager::showAllCustomerKey() const {
  return Session::current().acountID + "_" + Session::current().clientID + "_showAllCustomer";
}

bool ConfigManager::isShowAllCustomer() const {
  auto& defaults = base::UserDefaults::standard();
  const std::string key = showAllCustomerKey();
  if (!defaults.hasKey(key)) return true;
  return defaults.boolForKey(key);
}

void ConfigManager::setIsShowAllCustomer(bool show) {
  auto& defaults = base::UserDefaults::standard();
  defaults.setBool(showAllCustomerKey(), show);
  if (!defaults.synchronize()) MV_LOG("The customer switch could not be saved");
}

bool ConfigManager::flag(const std::string& key) const {
  auto it = flagDic_.find(key);
  return it != flagDic_.end() && it->second == "YES";
}

void ConfigManager::setFlag(const std::string& key, bool on) { flagDic_[key] = on ? "YES" : "NO"; }

bool ConfigManager::boolValue(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  while (i < text.size() && text[i] == '0') ++i;
  if (i >= text.size()) return false;
  const char c = text[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

long long ConfigManager::integerValue(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    const int digit = text[i] - '0';
    // The platform saturates instead of wrapping.
    if (value > (9223372036854775807LL - digit) / 10) return negative ? (-9223372036854775807LL - 1) : 9223372036854775807LL;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

}  // namespace mv
