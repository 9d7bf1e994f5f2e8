#include "ScreenTestSupport.hpp"

#include "platform/base/OutsideWork.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/ui/View.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/app/ShellScreenFactory.hpp"
#include "shell/config/SkinManager.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncModel.hpp"

namespace mv::test {

void ScreenTest::SetUp() { ShellTest::SetUp(); }

void ScreenTest::TearDown() {
  driver_.reset();
  app.reset();
  SessionServices::end();
  ShellTest::TearDown();
}

void ScreenTest::launch(bool keepGuide) {
  app = MarvistoAppDelegate::create(std::make_shared<ShellScreenFactory>());
  installFeatures(app->wiring());
  MarvistoAppDelegate::LaunchOptions options;
  options.networkStatusSource = network;
  options.installCrashHandler = false;
  ASSERT_TRUE(app->didFinishLaunchingWithOptions(options));
  driver_ = std::make_unique<ui::HeadlessDriver>(app->window());
  // Without a service the welcome screen's automatic version check goes nowhere.
  if (!usesService()) NetworkModel::sharedInstance().cancelAllRequests();
  SkinManager::sharedInstance().waitForDemoUnpack();
  settle();
  // The first launch shows the guide over everything; most tests start behind it.
  if (auto w = welcome(); w && !keepGuide) {
    if (auto guide = w->guideView()) guide->endShowGuide();
    settle();
  }
}

void ScreenTest::installFeatures(FeatureWiring& wiring) {
  // The home screen and the settings reach the sync engine.
  wiring.services.add<SyncModel>();
}

std::shared_ptr<WeclomeViewController> ScreenTest::welcome() const {
  return app ? std::dynamic_pointer_cast<WeclomeViewController>(app->welcomeScreen()) : nullptr;
}

std::shared_ptr<UITabBarControllerExt> ScreenTest::tabBar() const {
  return app ? app->tabBarController() : nullptr;
}

void ScreenTest::showMainFor(const std::string& clientId, const std::string& modules, LoginType loginType) {
  makeClientDatabase(clientId, modules);
  auto lm = LoginMode::sharedInstance();
  lm->setClientID(clientId);
  lm->setAcountID("rep");
  lm->setCompanyName("Acme & Sons");
  lm->setLoginType(loginType);
  // Once the client's skin is settled, so that the screens show its
  // pictures rather than the application's own standing in for them.
  auto shown = std::make_shared<bool>(false);
  SkinManager::sharedInstance().whenSkinChecked([app = app, shown] {
    app->showMainController();
    *shown = true;
  });
  base::RunLoop::main().runUntil([&] { return *shown; }, 10);
  settle();
}

ui::HeadlessDriver& ScreenTest::driver() { return *driver_; }

void ScreenTest::settle(double seconds) {
  // The lists a screen reads on the workers (the catalogue's) are given the
  // real time they take first.
  if (base::awaitedReadsUnderWay()) base::RunLoop::main().runUntil([] { return !base::awaitedReadsUnderWay(); }, 10);
  advance(seconds);
  ui::View::layoutPendingViews();
}

void ScreenTest::tap(const ui::View& view) {
  driver().tap(view);
  settle();
}

bool ScreenTest::tapControl(const std::string& name) {
  if (!driver().tapControl(name)) return false;
  settle();
  return true;
}

void ScreenTest::typeKeys(const std::string& text) {
  for (char c : text) driver().typeText(std::string(1, c));
  settle();
}

void ScreenTest::press(long index) {
  auto a = alert();
  ASSERT_TRUE(a);
  a->pressButton(index);
  settle(0.3);
}

std::vector<std::string> ScreenTest::visibleTexts() {
  driver().flush();
  return driver().visibleTexts();
}

void ScreenTest::saveLogins(const base::Value& logins) {
  auto& defaults = base::UserDefaults::standard();
  defaults.setObject("Login_Info_Array", logins);
  defaults.synchronize();
}

// ---- against the service ------------------------------------------------------------------

ScreenFlowTest::ScreenFlowTest() {
  settings.messageTimeOutSeconds = 3;
  settings.downloadTimeOutSeconds = 3;
  settings.messageRetryDelaySeconds = 0.2;
  settings.singleDownloadRetries = 0;
}

void ScreenFlowTest::launchAgainstService() {
  launch(false);
  // The launch resets the server settings on a new version; point them at the service.
  pointAtService();
  settle();
}

bool ScreenFlowTest::waitFor(const std::function<bool()>& pred, double seconds) {
  return runUntil(
      [&] {
        ui::View::layoutPendingViews();
        return pred();
      },
      seconds);
}

}  // namespace mv::test
