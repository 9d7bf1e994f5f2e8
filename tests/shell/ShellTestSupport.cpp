#include "ShellTestSupport.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Screen.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/settings/Language.hpp"
#include "shell/settings/LanguageManager.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/settings/SkinManager.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/SessionServices.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"

namespace mv::test {

std::string en(const std::string& key) { return Language::stringWithName(key).value_or(""); }

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
  DataAccessManager* dam = DataAccessManager::sharedDataModel();
  ASSERT_NE(dam, nullptr);
  if (!desc.empty()) {
    ConfigEntity row;
    row.clientid = clientId;
    row.configType = "configuration";
    row.desc = desc;
    ASSERT_TRUE(dam->syncConfigData({row}));
  }
  DataAccessManager::releaseDataModel();
}

void ShellTest::resetShell() {
  MarvistoAppDelegate::destroyCurrent();
  SessionServices::end();
  LoginMode::freeInstance();
  ConfigManager::freeInstance();
  DataAccessManager::releaseDataModel();
  NetworkModel::sharedInstance().cancelAllRequests();
  SkinManager::sharedInstance().waitForDemoUnpack();
  SkinManager::sharedInstance().setNeedUpdateDemo(false);
  SkinManager::resetScaleFactorForTesting();
  MessageBox::sharedInstance().resetForTesting();
  ui::AlertView::resetForTesting();
  ui::Application::freeInstance();
  ui::Screen::mainScreen().setScale(1);
  gfx::Image::setDeviceScale(1);
  LanguageManager::sharedInstance().resetForTesting();
}

void ShellTest::SetUp() {
  TestEnvironment::SetUp();
  resetShell();
  LoginMode::installWaitBox();
  LanguageManager::sharedInstance().setCurrentLanguage(1);
}

void ShellTest::TearDown() {
  resetShell();
  TestEnvironment::TearDown();
}

void SignInTest::SetUp() {
  ShellTest::SetUp();
  useRealClock();
  service = std::make_unique<sales::SalesService>();
  std::string error;
  ASSERT_TRUE(service->start(&error)) << error;
  HttpNetworkCtrl::Settings settings;
  settings.messageTimeOutSeconds = 2;
  settings.downloadTimeOutSeconds = 2;
  settings.messageRetryDelaySeconds = 0.2;
  settings.singleDownloadRetries = 0;
  HttpNetworkCtrl::sharedInstance().setSettings(settings);
  network = std::make_shared<FakeNetworkStatusSource>(ReachabilityStatus::ReachableViaWiFi);
}

void SignInTest::TearDown() {
  NetworkModel::sharedInstance().cancelAllRequests();
  HttpNetworkCtrl::sharedInstance().setSettings(HttpNetworkCtrl::Settings());
  app.reset();
  ShellTest::TearDown();
  if (service) service->stop();
  service.reset();
}

void SignInTest::pointAt(const sales::SalesService& s) {
  auto& defaults = base::UserDefaults::standard();
  const base::Value settings = s.serverSettings();
  for (const auto& [key, value] : settings.items()) defaults.setObject(key, value);
  PublicFunction::GetServer();
}

void SignInTest::pointNowhere() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  int port = 1;
  if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) == 0) {
    port = ntohs(addr.sin_port);
  }
  if (fd >= 0) ::close(fd);
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

std::vector<sales::LogEntry> SignInTest::messages(const std::string& methodName) const {
  std::vector<sales::LogEntry> out;
  for (auto& e : service->requestLog()) {
    if (e.endpoint == "message" && e.methodName == methodName) out.push_back(e);
  }
  return out;
}

std::shared_ptr<ui::AlertView> SignInTest::alertTitled(const std::string& title) const {
  for (auto& a : ui::AlertView::showingAlerts()) {
    if (a->title() == title) return a;
  }
  return nullptr;
}

}  // namespace mv::test
