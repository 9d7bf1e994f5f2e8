#include "shell/frame/ScreenAlert.hpp"

namespace mv {

std::shared_ptr<ui::AlertView> ScreenAlert::show(std::weak_ptr<ui::AlertViewDelegate> delegate) const {
  auto alert = std::make_shared<ui::AlertView>(title, message, std::move(delegate), cancel, others);
  alert->setTag(tag);
  if (backOut) alert->setBackOutButtonIndex(*backOut);
  alert->show();
  return alert;
}

bool ScreenAlert::isShowing() const {
  std::vector<std::string> buttons;
  if (cancel) buttons.push_back(*cancel);
  buttons.insert(buttons.end(), others.begin(), others.end());
  for (const auto& alert : ui::AlertView::showingAlerts()) {
    if (alert->title() != title || alert->message() != message || alert->numberOfButtons() != static_cast<long>(buttons.size())) {
      continue;
    }
    bool same = true;
    for (std::size_t i = 0; same && i < buttons.size(); ++i) {
      same = alert->buttonTitleAtIndex(static_cast<long>(i)) == buttons[i];
    }
    if (same) return true;
  }
  return false;
}

std::shared_ptr<ui::AlertView> ScreenAlert::showOnce(std::weak_ptr<ui::AlertViewDelegate> delegate) const {
  if (isShowing()) return nullptr;
  return show(std::move(delegate));
}

}  // namespace mv
