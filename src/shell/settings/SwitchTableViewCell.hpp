#pragma once
// The settings row with the show-all-customers switch. The switch stores the
// user's choice and tells the customer screens at once.
#include <memory>
#include <string>

#include "platform/ui/Switch.hpp"
#include "platform/ui/TableViewCell.hpp"

namespace mv {

class ConfigManager;

class SwitchTableViewCell : public ui::TableViewCell {
 public:
  static constexpr const char* kIdentifier = "SwitchTableViewCell";
  static constexpr const char* kChangeNotification = "SETTINGS_SWITCH_CHANGE_NOTIFATION";
  static constexpr double kRightMargin = 5;

  // `config`: the session's, which holds the user's choice.
  explicit SwitchTableViewCell(std::shared_ptr<ConfigManager> config,
                               ui::TableViewCellStyle style = ui::TableViewCellStyle::Default,
                               std::string reuseIdentifier = kIdentifier);

  // Made on first use, in the state the configuration holds.
  ui::Switch& switchShowAll();
  // Sets the switch to the choice stored now.
  void showSwitchState();
  void layoutSubviews() override;

 private:
  void switchChanged();
  std::shared_ptr<ConfigManager> config_;
  std::shared_ptr<ui::Switch> switchShowAll_;
};

}  // namespace mv
