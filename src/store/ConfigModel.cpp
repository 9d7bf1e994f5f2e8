#include "store/ConfigModel.hpp"

#include "store/RowReaders.hpp"
#include "store/Schema.hpp"

namespace mv {

bool ConfigModel::updateVersion() { return Schema::upgradeGroup(db(), "config"); }

bool ConfigModel::syncConfigData(const std::vector<ConfigEntity>& entries) {
  return saveRows(
      "INSERT OR REPLACE INTO marvisto_config (client_id, cfg_type, \"desc\", update_date) VALUES (?, ?, ?, ?)",
      entries,
      [](SQLiteStatement& st, const auto& e) { st.bindAll(e.clientid, e.configType, e.desc, e.update_date); });
}

std::optional<ConfigEntity> ConfigModel::queryConfig(const std::string& configType) {
  // A failed read is a configuration the service never sent: the
  // application's defaults hold.
  return readFirst("SELECT * FROM marvisto_config WHERE cfg_type = ? ORDER BY _id DESC LIMIT 1", rows::config,
                   configType)
      .value_or(std::nullopt);
}

bool ConfigModel::deleteConfig() { return exec("DELETE FROM marvisto_config"); }

}  // namespace mv
