#include "shell/frame/ScreenAlert.hpp"

namespace mv {

std::shared_ptr<ui::AlertView> ScreenAlert::show(std::weak_ptr<ui::AlertViewDelegate> delegate) const {
  auto alert = std::make_shared<ui::AlertView>(title, message, std::move(delegate), cancel, others);
  alert->setTag(tag);
  alert->show();
  return alert;
}

}  // namespace mv
