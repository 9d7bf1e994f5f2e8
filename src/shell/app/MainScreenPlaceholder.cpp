#include "shell/app/MainScreenPlaceholder.hpp"

#include "shell/config/ConfigManager.hpp"
#include "shell/session/WelcomePlaceholder.hpp"
#include "sync/SessionServices.hpp"
#include "util/TextLookup.hpp"

namespace mv {

std::string MainScreenPlaceholder::tabTitle(int index) {
  switch (index) {
    case 0: return text("HOME");
    case 1: return text("CATALOG");
    case 2: return text("CUSTOMER");
    case 3: return text("INVENTORY");
    case 4: return text("SALESLIBRARY");
    case 5: return text("ORDER");
    case 6: return text("SYNC");
    default: return text("SETTINGS");
  }
}

std::vector<int> MainScreenPlaceholder::tabsShown() const {
  std::vector<int> shown;
  for (int i = 0; i < kTabCount; ++i) {
    if (config_ && config_->isOnShow(i)) shown.push_back(i);
  }
  return shown;
}

void MainScreenPlaceholder::viewDidLoad() {
  double x = 20;
  auto shown = tabsShown();
  shown.push_back(7);
  for (int index : shown) {
    auto label = std::make_shared<ui::Label>(ui::Rect{x, 700, 120, 40});
    label->setText(tabTitle(index));
    label->setTag(100 + index);
    view()->addSubview(label);
    labels_.push_back(label);
    x += 130;
  }
  if (!shown.empty()) selectTab(shown.front());
}

void MainScreenPlaceholder::selectTab(int index) { selected_ = index; }

std::shared_ptr<ui::ViewController> PlaceholderScreenFactory::makeWelcomeScreen(std::shared_ptr<ShellActions> actions) {
  return std::make_shared<WelcomePlaceholder>(std::move(actions));
}

std::shared_ptr<MainScreen> PlaceholderScreenFactory::makeMainScreen(std::shared_ptr<SessionServices> services) {
  return std::make_shared<MainScreenPlaceholder>(services ? services->get<ConfigManager>() : nullptr);
}

}  // namespace mv
