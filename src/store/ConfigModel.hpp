#pragma once
#include <optional>
#include <string>
#include <vector>

#include "store/BaseDataModel.hpp"
#include "store/Entities.hpp"

namespace mv {

// The component configuration the service sends at sign-in: one row per
// configuration type, a newer entry replacing the older one.
class ConfigModel : public BaseDataModel {
 public:
  using BaseDataModel::BaseDataModel;
  [[nodiscard]] bool updateVersion() override;

  [[nodiscard]] bool syncConfigData(const std::vector<ConfigEntity>& entries);
  // "configuration", "date_format", "left_panel", "order_method", "modify_price".
  std::optional<ConfigEntity> queryConfig(const std::string& configType);
  [[nodiscard]] bool deleteConfig();
};

}  // namespace mv
