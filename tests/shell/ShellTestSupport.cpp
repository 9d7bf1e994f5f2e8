#include "ShellTestSupport.hpp"

#include "platform/ui/Application.hpp"
#include "shell/frame/UIToast.hpp"

#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/config/SkinManager.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/SessionServices.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"

namespace mv::test {

std::string en(const std::string& key) { return Language::stringWithName(key).value_or(""); }

bool toastSays(const std::string& text) {
  for (const auto& window : ui::Application::sharedInstance().windows()) {
    for (const auto& view : window->subviews()) {
      auto toast = std::dynamic_pointer_cast<UIToast>(view);
      if (toast && toast->text() == text) return true;
    }
  }
  return false;
}

LoginInfo makeLogin(const std::string& account, const std::string& device, const std::string& password,
                    const std::string& client) {
  LoginInfo info;
  info.accountId = account;
  info.deviceId = device;
  info.passWord = password;
  info.clientId = client;
  return info;
}

void makeClientDatabase(const std::string& clientId, const std::string& desc) {
  auto lm = LoginMode::sharedInstance();
  lm->setClientID(clientId);
  DataAccessManager* dam = SessionDatabase::open().get();
  ASSERT_NE(dam, nullptr);
  if (!desc.empty()) {
    ConfigEntity row;
    row.clientid = clientId;
    row.configType = "configuration";
    row.desc = desc;
    ASSERT_TRUE(dam->syncConfigData({row}));
  }
  SessionDatabase::close();
}

void ShellTest::resetShell() {
  MarvistoAppDelegate::destroyCurrent();
  SessionServices::end();
  LoginMode::freeInstance();
  SessionDatabase::close();
  NetworkModel::sharedInstance().cancelAllRequests();
  SkinManager::sharedInstance().waitForDemoUnpack();
  SkinManager::sharedInstance().resetSkinChecksForTesting();
  SkinManager::sharedInstance().setNeedUpdateDemo(false);
  SkinManager::resetScaleFactorForTesting();
  MessageBox::sharedInstance().resetForTesting();
  resetToolkit();
  LanguageManager::sharedInstance().resetForTesting();
}

void ShellTest::SetUp() {
  UiTestEnvironment::SetUp();
  resetShell();
  LoginMode::installWaitBox();
  LanguageManager::sharedInstance().setCurrentLanguage(1);
}

void ShellTest::TearDown() {
  resetShell();
  UiTestEnvironment::TearDown();
}

SignInTest::SignInTest() {
  settings.messageRetryDelaySeconds = 0.2;
  settings.singleDownloadRetries = 0;
}

void SignInTest::SetUp() {
  ServiceFixture::SetUp();
  network = std::make_shared<FakeNetworkStatusSource>(ReachabilityStatus::ReachableViaWiFi);
}

void SignInTest::TearDown() {
  service_kit::endRequests();
  app.reset();
  ServiceFixture::TearDown();
}

void SignInTest::pointAt(const sales::SalesService& s) { service_kit::pointAt(s); }

void SignInTest::pointNowhere() {
  int port = service_kit::unusedPort();
  if (port == 0) port = 1;
  auto& defaults = base::UserDefaults::standard();
  defaults.setInteger("Port", port);
  defaults.setInteger("ImagePort", port);
  PublicFunction::GetServer();
}

void SignInTest::launch() {
  app = MarvistoAppDelegate::create(std::make_shared<PlaceholderScreenFactory>());
  MarvistoAppDelegate::LaunchOptions options;
  options.networkStatusSource = network;
  options.installCrashHandler = false;
  ASSERT_TRUE(app->didFinishLaunchingWithOptions(options));
  // The launch resets the server settings on a new version; point them back.
  pointAt(*service);
  base::RunLoop::main().drain();
}

void SignInTest::minimiseAndRestore() {
  ui::HeadlessDriver d(app->window());
  d.windowEvent(ui::WindowEvent::Minimized);
  d.windowEvent(ui::WindowEvent::Restored);
}

bool SignInTest::waitFor(const std::function<bool()>& pred, double seconds) { return runUntil(pred, seconds); }

std::shared_ptr<WelcomePlaceholder> SignInTest::welcome() const {
  return std::dynamic_pointer_cast<WelcomePlaceholder>(app->welcomeScreen());
}

std::shared_ptr<MainScreenPlaceholder> SignInTest::mainScreen() const {
  return std::dynamic_pointer_cast<MainScreenPlaceholder>(app->mainScreen());
}

void SignInTest::signIn(const std::string& client, const std::string& account, const std::string& password,
                        bool shortcut) {
  auto w = welcome();
  ASSERT_TRUE(w);
  LoginInfo info;
  info.clientId = client;
  info.accountId = account;
  info.passWord = password;
  info.deviceId = PublicFunction::getDeviceUDID();
  const std::size_t errors = w->errors().size();
  w->login(info, true, shortcut);
  // Decided: the main screen is up, or the welcome screen heard an error.
  ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot() || w->errors().size() > errors; }, 20));
}

std::shared_ptr<ui::AlertView> SignInTest::alertTitled(const std::string& title) const {
  for (auto& a : ui::AlertView::showingAlerts()) {
    if (a->title() == title) return a;
  }
  return nullptr;
}

}  // namespace mv::test
