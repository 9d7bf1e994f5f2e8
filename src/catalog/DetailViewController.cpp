#include "catalog/DetailViewController.hpp"

#include "shell/config/ConfigManager.hpp"

namespace mv {

bool DetailViewController::isNormalPanel() {
  auto config = ConfigManager::existingInstance();
  return config && config->leftPanelType() == std::optional<std::string>("normal");
}

void DetailViewController::loadView() { setView(std::make_shared<ui::View>(ui::Rect{0, 0, 1024, 648})); }

void DetailViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  view()->setBackgroundColor(gfx::Color::white(0.96));
  productShowView_ = std::make_shared<GridView>(gridFrame(isNormalPanel()));
  productShowView_->setAlwaysBounceVertical(true);
  view()->addSubview(productShowView_);
  finishViewDidLoad();
}

}  // namespace mv
