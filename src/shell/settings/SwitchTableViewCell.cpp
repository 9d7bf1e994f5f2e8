#include "shell/settings/SwitchTableViewCell.hpp"

#include "platform/base/NotificationCenter.hpp"
#include "shell/config/ConfigManager.hpp"

namespace mv {

SwitchTableViewCell::SwitchTableViewCell(std::shared_ptr<ConfigManager> config, ui::TableViewCellStyle style,
                                         std::string reuseIdentifier)
    : ui::TableViewCell(style, std::move(reuseIdentifier)), config_(std::move(config)) {
  setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  switchShowAll();
}

ui::Switch& SwitchTableViewCell::switchShowAll() {
  if (!switchShowAll_) {
    switchShowAll_ = std::make_shared<ui::Switch>();
    switchShowAll_->setOn(config_ && config_->isShowAllCustomer());
    switchShowAll_->addAction(
        [this](ui::Control&, const ui::Event*) {
          auto keep = self();
          switchChanged();
        },
        ui::ControlEventValueChanged);
    contentView().addSubview(switchShowAll_);
  }
  return *switchShowAll_;
}

void SwitchTableViewCell::showSwitchState() { switchShowAll().setOn(config_ && config_->isShowAllCustomer()); }

void SwitchTableViewCell::switchChanged() {
  if (config_) config_->setIsShowAllCustomer(switchShowAll_->isOn());
  base::NotificationCenter::defaultCenter().post(kChangeNotification);
}

void SwitchTableViewCell::layoutSubviews() {
  ui::TableViewCell::layoutSubviews();
  ui::Switch& s = switchShowAll();
  const ui::Rect content = contentView().bounds();
  const ui::Size size = s.sizeThatFits({});
  s.setFrame({content.maxX() - size.width - kRightMargin, (content.height() - size.height) / 2, size.width, size.height});
  ui::Rect title = textLabel().frame();
  textLabel().setFrame({title.x(), title.y(), std::max(0.0, title.width() - size.width - kRightMargin), title.height()});
}

}  // namespace mv
