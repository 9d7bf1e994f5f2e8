#include "BenchApplication.hpp"

#include "catalog/CatalogFeature.hpp"
#include "customer/CustomerFeature.hpp"
#include "library/LibraryFeature.hpp"
#include "order/OrderFeature.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/View.hpp"
#include "shell/app/MarvistoAppDelegate.hpp"
#include "shell/app/ShellScreenFactory.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/session/GuideView.hpp"
#include "shell/session/WeclomeViewController.hpp"
#include "shell/sync-screens/SyncScreens.hpp"

namespace bench {

bool runApplicationUntil(const std::function<bool()>& done, double seconds) {
  return base::RunLoop::main().runUntil([&] {
    ui::View::layoutPendingViews();
    return done();
  }, seconds);
}

std::shared_ptr<mv::MarvistoAppDelegate> launchApplication(std::function<void()> applySettings) {
  base::RunLoop::main().adoptCurrentThread();
  auto app = mv::MarvistoAppDelegate::create(std::make_shared<mv::ShellScreenFactory>());
  mv::FeatureWiring& wiring = app->wiring();
  mv::SyncScreens::install(wiring);
  mv::CatalogFeature::install(wiring);
  mv::CustomerFeature::install(wiring);
  mv::LibraryFeature::install(wiring);
  mv::OrderFeature::install(wiring);
  mv::MarvistoAppDelegate::LaunchOptions launch;
  launch.applySettings = std::move(applySettings);
  app->didFinishLaunchingWithOptions(launch);
  auto& skins = mv::SkinManager::sharedInstance();
  runApplicationUntil([&] { return !skins.isDemoUnpacking(); }, 120);
  auto welcome = std::dynamic_pointer_cast<mv::WeclomeViewController>(app->welcomeScreen());
  if (!welcome) return nullptr;
  // The guide of a first launch is skipped as a user skips it.
  if (auto guide = welcome->guideView(); guide && guide->superview()) {
    ui::HeadlessDriver driver(app->window());
    driver.tap(*guide->skipButton());
    runApplicationUntil([&] { return !guide->superview(); }, 5);
  }
  return app;
}

}  // namespace bench
