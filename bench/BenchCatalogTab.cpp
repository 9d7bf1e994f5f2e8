#include "BenchCatalogTab.hpp"

#include "catalog/CatalogFeature.hpp"
#include "catalog/DetailViewController.hpp"
#include "order/OrderFeature.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/NavigationController.hpp"
#include "shell/frame/MainTabScreens.hpp"

namespace bench {

CatalogTab::CatalogTab() {
  mv::CatalogFeature::install(wiring_);
  mv::OrderFeature::install(wiring_);
  services_ = mv::SessionServices::begin(std::move(wiring_.services));
  window_ = std::make_shared<ui::Window>();
  window_->makeKeyAndVisible();
  frames_ = std::make_unique<Frames>(window_);
}

CatalogTab::~CatalogTab() {
  window_->setRootViewController(nullptr);
  ui::Application::sharedInstance().removeWindow(window_.get());
  base::WorkQueue::global().waitIdle();
  base::RunLoop::main().drain();
  screen_.reset();
  tabs_.reset();
  services_.reset();
  mv::SessionServices::end();
}

bool CatalogTab::show(bool untilListsShown) {
  screen_ = std::dynamic_pointer_cast<mv::CatalogViewController>(
      wiring_.makeScreen(mv::MainTabScreens::kCatalog, services_.get()));
  if (!screen_) return false;
  tabs_ = std::make_shared<ui::TabBarController>();
  tabs_->setViewControllers({std::make_shared<ui::NavigationController>(screen_)});
  window_->setRootViewController(tabs_);
  ui::View::layoutPendingViews();
  base::RunLoop::main().drain();
  while (untilListsShown && !listsShown()) {
    base::WorkQueue::global().waitIdle();
    // A failed read leaves nothing to hand over.
    if (base::RunLoop::main().secondsUntilDue() > 0) break;
    base::RunLoop::main().drain();
    ui::View::layoutPendingViews();
  }
  return true;
}

bool CatalogTab::listsShown() {
  auto grid = screen_->detailViewController();
  auto panel = screen_->masterViewController();
  return (!grid || !grid->isLoading()) && (!panel || !panel->navigator().pendingCounts());
}

void CatalogTab::present(std::shared_ptr<ui::ViewController> screen) {
  window_->setRootViewController(std::make_shared<ui::NavigationController>(std::move(screen)));
  ui::View::layoutPendingViews();
  base::RunLoop::main().drain();
}

mv::GridView& CatalogTab::grid() { return screen_->detailViewController()->productShowView(); }

}  // namespace bench
