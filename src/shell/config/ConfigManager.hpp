#pragma once
// The session's component configuration: which tabs are shown, the catalogue's
// left panel, the order method, price editing, the per-user switch to show all
// customers, and the in-memory reload flags that sync and restore raise for
// the catalogue, library and customer screens. One per signed-in session;
// main thread only. A session service: the sign-in stores the client's
// configuration rows (the module list among them) before the session
// begins, and the session's instance starts with that stored module list.
// The sync layer reaches it as its `SyncConfigManager`.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.hpp"
#include "store/Entities.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncConfigManager.hpp"

namespace mv {

class DataAccessManager;

class ConfigManager : public SyncConfigManager {
 public:
  static constexpr const char* kReloadCatalog = "Needreloadcatelog";
  static constexpr const char* kReloadLibrary = "Needreloadlibrary";
  static constexpr const char* kReloadCustomer = "Needreloadcustomer";

  // Starts with the module list stored in the session's database.
  explicit ConfigManager(SessionServices& services);
  // Registers the session's configuration, also as the sync layer's.
  static void install(SessionServices::Registry& registry);

  // Stores the rows in `database`. False for no rows or a failed write. The
  // sign-in stores the configuration so, before any session begins.
  [[nodiscard]] static bool storeConfigData(DataAccessManager& database,
                                            const std::optional<std::vector<ConfigEntity>>& rows);
  // Stores the rows in the session's database and takes the tab switches
  // from the stored "configuration" row. False for no rows or a failed write.
  bool syncConfigData(const std::optional<std::vector<ConfigEntity>>& rows);
  static std::optional<ConfigEntity> queryConfig(DataAccessManager& database);
  static std::optional<ConfigEntity> queryDateFormat(DataAccessManager& database);
  static bool deleteConfig(DataAccessManager& database);

  // Index 7 (the settings button) is always shown; any other index shows when
  // its switch reads true; an index the list does not reach, or no list, hides.
  bool isOnShow(int index) const override;
  std::optional<std::string> leftPanelType();
  int orderMethodType();
  bool couldModifyPrice();
  bool isShowAllCustomer() const;
  void setIsShowAllCustomer(bool show);

  const std::optional<std::vector<std::string>>& modelDescArray() const { return modelDescArray_; }
  void setModelDescArray(std::optional<std::vector<std::string>> list) { modelDescArray_ = std::move(list); }
  // Splits a "configuration" text at ",".
  static std::vector<std::string> splitDesc(const std::string& desc);
  void setModelDescFromDesc(const std::string& desc) { modelDescArray_ = splitDesc(desc); }

  base::Value& configDic() { return configDic_; }
  // "YES" / "NO"; a missing flag is not set.
  bool flag(const std::string& key) const;
  void setFlag(const std::string& key, bool on);
  std::map<std::string, std::string>& flagDic() override { return flagDic_; }

  // The platform's reading of a text as a truth value: after leading white
  // space, an optional sign and leading zeros, "Y", "y", "T", "t" or 1-9.
  static bool boolValue(const std::string& text);
  // The leading integer of a text ("  42abc" 42, "x" 0), as the platform reads it.
  static long long integerValue(const std::string& text);

  ConfigManager(const ConfigManager&) = delete;
  ConfigManager& operator=(const ConfigManager&) = delete;
  ~ConfigManager() override;

 private:
  // The row of that type in the current session's database; nothing when no
  // session is on.
  static std::optional<ConfigEntity> row(const std::string& type);
  std::string showAllCustomerKey() const;

  base::Value configDic_ = base::Value::object();
  std::optional<std::vector<std::string>> modelDescArray_;
  std::map<std::string, std::string> flagDic_;
};

}  // namespace mv
