// The application delegate without a service: launch steps, reachability,
// the session-status and update alerts, logout and the crash report.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "ShellTestSupport.hpp"
#include "platform/base/Date.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/CrashReporter.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/config/SkinManager.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/SyncConfigManager.hpp"
#include "sync/requests/RequestCheckVersion.hpp"
#include "util/OpenableLink.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

class AppTest : public ShellTest {
 protected:
  void launch() {
    app = MarvistoAppDelegate::create(std::make_shared<PlaceholderScreenFactory>());
    MarvistoAppDelegate::LaunchOptions options;
    options.networkStatusSource = network;
    options.installCrashHandler = false;
    ASSERT_TRUE(app->didFinishLaunchingWithOptions(options));
    SkinManager::sharedInstance().waitForDemoUnpack();
    base::RunLoop::main().drain();
    // No service here: the welcome screen's automatic version check is dropped.
    NetworkModel::sharedInstance().cancelAllRequests();
  }
  std::shared_ptr<ui::AlertView> alert() const { return ui::AlertView::visibleAlert(); }
  std::vector<std::string> notificationsDuring(const std::function<void()>& action) {
    std::vector<std::string> seen;
    base::Observation a("netconnect", nullptr, [&](const base::Notification& n) { seen.push_back(n.name); });
    base::Observation b("netUnconnect", nullptr, [&](const base::Notification& n) { seen.push_back(n.name); });
    action();
    base::RunLoop::main().drain();
    return seen;
  }
  CheckAppVersionRst offer(int type, const std::string& status = "200") {
    CheckAppVersionRst r;
    r.status = status;
    r.message = "no network";
    r.updateType = type;
    r.appVersion = "9.9";
    r.appUrl = "http://example.com/app";
    r.msgEnglish = "Better";
    r.msgChinese = "更好";
    return r;
  }
  void pressAll() {
    while (auto a = ui::AlertView::visibleAlert()) {
      a->pressButton(0);
      advance(0.5);
    }
  }

  std::shared_ptr<MarvistoAppDelegate> app;
  std::shared_ptr<FakeNetworkStatusSource> network =
      std::make_shared<FakeNetworkStatusSource>(ReachabilityStatus::ReachableViaWiFi);
};

TEST_F(AppTest, FirstLaunchAndNewVersions) {
  auto& defaults = base::UserDefaults::standard();
  defaults.setString("IP", "10.9.9.9");
  // A client folder left in tmp by an older version, a partial download, and
  // an upper-case folder whose lower-case name is taken.
  fs::create_directories(base::Paths::tmp() / "Globex");
  std::ofstream(base::Paths::tmp() / "Globex" / "marvisto_lite.sqlite") << "db";
  std::ofstream(base::Paths::tmp() / "half.part") << "x";
  // What runs ended by a kill left: a reply kept on the disk while it was
  // read, and the picture checks' writes never put in place (thousands of
  // them), beside the checks that were and a write of this process.
  const fs::path replies = base::Paths::tmp() / "replies";
  fs::create_directories(replies);
  std::ofstream(replies / "reply-65537-1") << std::string(1 << 20, '[');
  const fs::path checks = base::Paths::documents() / "acme" / "PictureChecks";
  fs::create_directories(checks);
  for (const char* kept : {"pictures", "skin"}) std::ofstream(checks / kept) << "verdicts";
  for (int i = 0; i < 2000; ++i)
    std::ofstream(checks / (".pictures.tmp-" + std::to_string(4000000 + i) + "-" + std::to_string(i))) << "half";
  std::ofstream(checks / ".skin.tmp-77-0") << "half";
  const std::string underWay = ".skin.tmp-" + std::to_string(::getpid()) + "-0";
  std::ofstream(checks / underWay) << "half";
  launch();
  base::WorkQueue::global().waitIdle();
  EXPECT_FALSE(fs::exists(replies));
  EXPECT_FALSE(fs::exists(base::Paths::tmp() / "replies-swept"));
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(checks)) left.insert(entry.path().filename().string());
  EXPECT_EQ(left, (std::set<std::string>{"pictures", "skin", underWay}));
  EXPECT_TRUE(defaults.boolForKey("Z_DUVO_SHORTCUT"));
  EXPECT_TRUE(defaults.boolForKey("TOLVAREN_SHORTCUT"));
  EXPECT_EQ(defaults.stringForKey("App_version"), base::Bundle::shortVersion());
  EXPECT_EQ(defaults.stringForKey("IP"), ServerInfo::kDefaultIP);
  EXPECT_TRUE(fs::exists(base::Paths::documents() / "globex" / "marvisto_lite.sqlite"));
  EXPECT_TRUE(fs::exists(base::Paths::tmp() / "half.part"));
  EXPECT_TRUE(app->isWelcomeRoot());
  EXPECT_EQ(app->currentVersion(), base::Bundle::shortVersion());
  EXPECT_EQ(ui::Application::sharedInstance().statusBarStyle(), ui::StatusBarStyle::LightContent);
  auto welcome = std::dynamic_pointer_cast<WelcomePlaceholder>(app->welcomeScreen());
  ASSERT_TRUE(welcome);
  EXPECT_TRUE(welcome->guideShown());
  EXPECT_EQ(LanguageManager::sharedInstance().currentLanguage(), defaults.integerForKey("language"));
  MarvistoAppDelegate::destroyCurrent();
  base::RunLoop::main().drain();

  // The same version: no guide, folders renamed to lower case (a taken name is left alone).
  fs::create_directories(base::Paths::documents() / "Initech");
  std::ofstream(base::Paths::documents() / "Initech" / "marvisto_lite.sqlite") << "db";
  fs::create_directories(base::Paths::documents() / "GLOBEX");
  std::ofstream(base::Paths::documents() / "GLOBEX" / "marvisto_lite.sqlite") << "other";
  defaults.setBool("Z_DUVO_SHORTCUT", false);
  launch();
  EXPECT_FALSE(std::dynamic_pointer_cast<WelcomePlaceholder>(app->welcomeScreen())->guideShown());
  EXPECT_TRUE(fs::exists(base::Paths::documents() / "initech"));
  EXPECT_TRUE(fs::exists(base::Paths::documents() / "GLOBEX"));
  EXPECT_FALSE(defaults.boolForKey("Z_DUVO_SHORTCUT"));  // a deleted demo shortcut stays deleted
  MarvistoAppDelegate::destroyCurrent();

  // Only one switch missing: both come back; a version of white space is new.
  defaults.removeObject("TOLVAREN_SHORTCUT");
  defaults.setString("App_version", "   ");
  SkinManager::sharedInstance().setNeedUpdateDemo(false);
  launch();
  EXPECT_TRUE(defaults.boolForKey("Z_DUVO_SHORTCUT"));
  EXPECT_TRUE(defaults.boolForKey("TOLVAREN_SHORTCUT"));
  EXPECT_TRUE(std::dynamic_pointer_cast<WelcomePlaceholder>(app->welcomeScreen())->guideShown());
}

TEST_F(AppTest, ReachabilityBecomesNotifications) {
  launch();
  auto lm = LoginMode::sharedInstance();
  EXPECT_EQ(notificationsDuring([&] { network->setStatus(ReachabilityStatus::ReachableViaCellular); }),
            (std::vector<std::string>{"netconnect"}));
  EXPECT_TRUE(lm->isNotWifi());
  EXPECT_EQ(notificationsDuring([&] { network->setStatus(ReachabilityStatus::NotReachable); }),
            (std::vector<std::string>{"netUnconnect"}));
  EXPECT_TRUE(lm->isNotWifi());  // unchanged by the loss
  EXPECT_EQ(notificationsDuring([&] { network->setStatus(ReachabilityStatus::ReachableViaWiFi); }),
            (std::vector<std::string>{"netconnect"}));
  EXPECT_FALSE(lm->isNotWifi());
  // On the welcome screen the session sends nothing.
  EXPECT_FALSE(lm->isLoginPending());

  std::vector<std::string> lifecycle;
  base::Observation f("AppWillEnterForegroud", nullptr, [&](const base::Notification& n) { lifecycle.push_back(n.name); });
  base::Observation b("AppWillEnterBackgound", nullptr, [&](const base::Notification& n) { lifecycle.push_back(n.name); });
  // The window minimised (the desktop reports it hidden and unfocused too),
  // then restored (shown, restored, focused): one of each.
  ui::HeadlessDriver d(app->window());
  for (auto event : {ui::WindowEvent::FocusLost, ui::WindowEvent::Minimized, ui::WindowEvent::Hidden})
    d.windowEvent(event);
  EXPECT_EQ(lifecycle, (std::vector<std::string>{"AppWillEnterBackgound"}));
  EXPECT_TRUE(ui::Application::sharedInstance().isInBackground());
  for (auto event : {ui::WindowEvent::Shown, ui::WindowEvent::Restored, ui::WindowEvent::FocusGained})
    d.windowEvent(event);
  EXPECT_EQ(lifecycle, (std::vector<std::string>{"AppWillEnterBackgound", "AppWillEnterForegroud"}));
  // A window that only gets its focus back never was away.
  d.windowEvent(ui::WindowEvent::FocusGained);
  EXPECT_EQ(lifecycle.size(), 2u);
  // Left for another application and back.
  d.windowEvent(ui::WindowEvent::FocusLost);
  d.windowEvent(ui::WindowEvent::FocusGained);
  EXPECT_EQ(lifecycle, (std::vector<std::string>{"AppWillEnterBackgound", "AppWillEnterForegroud",
                                                 "AppWillEnterBackgound", "AppWillEnterForegroud"}));
}

TEST_F(AppTest, SessionStatusAlerts) {
  launch();
  // The device is healthy: remembered, nothing shown.
  app->logoutWithLockedUser("11412", "");
  EXPECT_EQ(app->deviceStatus(), "11412");
  EXPECT_FALSE(alert());
  // No answer from the service is no lock.
  app->logoutWithLockedUser("999", "Network error!");
  app->logoutWithLockedUser("115", "");
  EXPECT_FALSE(alert());
  EXPECT_EQ(app->deviceStatus(), "115");

  // Locked while signed out: the box ends, the welcome screen stays.
  auto lm = LoginMode::sharedInstance();
  lm->setClientID("acme");
  fs::create_directories(base::Paths::documents() / "acme");
  MessageBox::sharedInstance().BeginBlockWait("signing in", 300);
  app->logoutWithLockedUser("11411", "");
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), MarvistoAppDelegate::kLockedAlertTag);
  EXPECT_EQ(alert()->title(), en("INVALIDDEVICE"));
  EXPECT_EQ(alert()->message(), en("11411"));
  alert()->pressButton(0);
  advance(0.5);
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  EXPECT_TRUE(app->isWelcomeRoot());
  EXPECT_FALSE(fs::exists(base::Paths::documents() / "acme"));

  // Expired while signed in: "CANCEL" keeps the session, the other logs out
  // on the next turn.
  lm->setClientID("acme");
  lm->setLoginType(LoginType::Online);
  // The sign-in stored the module list the session starts with.
  makeClientDatabase("acme", "1,1,1,1,1,1,1");
  app->showMainController();
  app->showMainController();  // once only
  auto main = app->mainScreen();
  ASSERT_TRUE(main);
  // The placeholder is no tab bar of the application's own: nobody reaches one.
  EXPECT_FALSE(app->tabBarController());
  EXPECT_FALSE(app->isWelcomeRoot());
  app->logoutWhenSessionExpired("101", "whatever");
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), MarvistoAppDelegate::kSessionExpiredAlertTag);
  EXPECT_EQ(alert()->message(), en("101"));
  alert()->pressButton(alert()->cancelButtonIndex());
  advance(0.5);
  EXPECT_FALSE(app->isWelcomeRoot());
  EXPECT_EQ(LoginMode::existingInstance(), lm);
  app->logoutWhenSessionExpired("101", "");
  alert()->pressButton(alert()->firstOtherButtonIndex());
  EXPECT_EQ(LoginMode::existingInstance(), lm);  // still inside the alert's turn
  advance(0.5);
  EXPECT_TRUE(app->isWelcomeRoot());
  EXPECT_FALSE(app->mainScreen());
  EXPECT_TRUE(std::dynamic_pointer_cast<MainScreenPlaceholder>(main)->dismissed());
  EXPECT_NE(LoginMode::existingInstance(), lm);
  // The session's configuration went with it.
  EXPECT_FALSE(SyncConfigManager::current());
  EXPECT_EQ(LanguageManager::sharedInstance().listenerCount(), 0u);
  // Nothing opens a database without a client: no stray file in Documents.
  EXPECT_EQ(SessionDatabase::open().get(), nullptr);
  EXPECT_FALSE(fs::exists(base::Paths::documents() / "marvisto_lite.sqlite"));
}

TEST_F(AppTest, UpdateOffers) {
  launch();
  auto lm = LoginMode::sharedInstance();
  auto& defaults = base::UserDefaults::standard();
  auto& opened = ui::Application::sharedInstance().openedURLs();

  // Automatic checks: type 0 and failures are silent.
  lm->setCheckLocalVersion(true);
  app->CheckAppVersionReturn(offer(0));
  app->CheckAppVersionReturn(offer(2, "999"));
  app->CheckAppVersionReturn(offer(2, "115"));
  EXPECT_FALSE(alert());

  // Type 2, "LATER": snoozed for a week.
  app->CheckAppVersionReturn(offer(2));
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), MarvistoAppDelegate::kUpdateSuggestAlertTag);
  EXPECT_EQ(alert()->title(), en("NEWVERSIONFOUND") + " 9.9");
  EXPECT_EQ(alert()->message(), "Better");
  alert()->pressButton(0);
  advance(0.5);
  EXPECT_TRUE(defaults.dateForKey("UpdateVersionSuggest"));
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), en("UPDATEINSETTINGS"));
  pressAll();
  app->CheckAppVersionReturn(offer(2));
  EXPECT_FALSE(alert());
  advance(604801);
  app->CheckAppVersionReturn(offer(2));
  ASSERT_TRUE(alert());
  EXPECT_FALSE(defaults.hasKey("UpdateVersionSuggest"));
  alert()->pressButton(1);  // "UPDATENOW"
  advance(0.5);
  ASSERT_FALSE(opened.empty());
  EXPECT_EQ(opened.back(), "http://example.com/app");

  // Required updates always ask; a blank address, or one that is not a web
  // page, opens nothing, and the user is told that the update cannot be opened.
  const std::size_t before = opened.size();
  auto required = offer(3);
  for (const char* address :
       {"   ", "file:///etc/passwd", "  file:///etc/passwd", "javascript:void(0)", "example.com/app"}) {
    required.appUrl = address;
    app->CheckAppVersionReturn(required);
    ASSERT_TRUE(alert()) << address;
    EXPECT_EQ(alert()->tag(), MarvistoAppDelegate::kUpdateRequiredAlertTag);
    alert()->pressButton(0);
    advance(0.5);
    EXPECT_EQ(opened.size(), before) << address;
    ASSERT_TRUE(alert()) << address;
    EXPECT_EQ(alert()->title(), en("UPDATENOTOPENED")) << address;
    EXPECT_EQ(alert()->message(), en("UPDATEADDRESSINVALID")) << address;
    pressAll();
  }
  required.appUrl = " https://example.com/app2 ";
  app->CheckAppVersionReturn(required);
  ASSERT_TRUE(alert());
  alert()->pressButton(0);
  advance(0.5);
  ASSERT_EQ(opened.size(), before + 1);
  EXPECT_EQ(opened.back(), "https://example.com/app2");

  // Checks the user asked for: always a prompt, and failures say so.
  lm->setCheckLocalVersion(false);
  defaults.setDate("UpdateVersionSign", base::Date::now());
  app->CheckAppVersionReturn(offer(1));
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), MarvistoAppDelegate::kUpdateSignAlertTag);
  pressAll();
  app->CheckAppVersionReturn(offer(0));
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), en("ALREADYLATESTVERSION"));
  pressAll();
  for (const char* status : {"999", "115", "500"}) {
    app->CheckAppVersionReturn(offer(0, status));
    ASSERT_TRUE(alert()) << status;
    EXPECT_EQ(alert()->title(), en("VERSIONCHECKFAILED")) << status;
    pressAll();
  }
}

// A session service that notes when the session's end reaches it.
template <int N>
struct EndingService {
  std::vector<std::string>* log = nullptr;
  std::string name;
  void sessionEnded() { log->push_back(name); }
};

template <int N>
void addEndingService(FeatureWiring& wiring, std::vector<std::string>& log, const std::string& name) {
  wiring.services.add<EndingService<N>>(
      [&log, name](SessionServices&) { return std::make_shared<EndingService<N>>(EndingService<N>{&log, name}); });
}

TEST_F(AppTest, SyncStartsAfterTheTabIsShownUnlessLoggedOut) {
  launch();
  LoginMode::sharedInstance()->setClientID("acme");
  int started = 0;
  std::vector<std::string> order;
  FeatureWiring& wiring = app->wiring();
  wiring.startSync.push_back([&](SessionServices&) { ++started; });
  addEndingService<0>(wiring, order, "customers");
  addEndingService<1>(wiring, order, "orders");
  addEndingService<2>(wiring, order, "sync");
  addEndingService<3>(wiring, order, "library");
  wiring.onLogout.push_back([&] { order.push_back("logout"); });
  // The sign-in stored the module list the session starts with.
  makeClientDatabase("acme", "1,1,1,1,1,1,1");
  app->showMainController();
  auto services = SessionServices::current();
  ASSERT_TRUE(services);
  // Made in this order; the session's end reaches them newest first.
  ASSERT_TRUE(services->get<EndingService<0>>());
  ASSERT_TRUE(services->get<EndingService<1>>());
  ASSERT_TRUE(services->get<EndingService<2>>());
  ASSERT_TRUE(services->get<EndingService<3>>());
  app->showSyncController();
  EXPECT_EQ(std::dynamic_pointer_cast<MainScreenPlaceholder>(app->mainScreen())->selectedIndex(), 6);
  EXPECT_EQ(started, 0);
  advance(0.11);
  EXPECT_EQ(started, 1);

  app->showSyncController();
  app->showLoginPage();
  advance(1);
  EXPECT_EQ(started, 1);
  EXPECT_EQ(order, (std::vector<std::string>{"library", "sync", "orders", "customers", "logout"}));
  EXPECT_FALSE(SessionServices::current());
  EXPECT_TRUE(services->hasEnded());
  EXPECT_FALSE(services->get<EndingService<0>>()) << "nothing is made for an ended session";
}

TEST_F(AppTest, CrashReportMailLink) {
  const std::string link = CrashReporter::mailtoLink("std::runtime_error", "bad & worse", {"frame one", "frame two"});
  EXPECT_EQ(link.rfind(std::string("mailto://") + CrashReporter::kSupportMailbox + "?subject=bug%20report&body=", 0),
            0u);
  EXPECT_NE(link.find("std%3A%3Aruntime_error%3Cbr%3E--------------------------%3Cbr%3Ebad%20%26%20worse"),
            std::string::npos);
  EXPECT_NE(link.find("frame%20one%3Cbr%3Eframe%20two"), std::string::npos);
  EXPECT_EQ(link.find(' '), std::string::npos);
  // What the mail program is handed keeps the whole reason, "&" and "#" included.
  const auto handed = openableLink(CrashReporter::mailtoLink("E", "a & b #2", {"f"}));
  ASSERT_TRUE(handed);
  EXPECT_NE(percentDecode(*handed).find("a & b #2<br>"), std::string::npos) << *handed;

  // The dying child is this program started again for this test, with a
  // data root of its own: it writes the report where the parent says.
  const char* given = std::getenv("MV_TEST_CRASH_REPORT");
  const fs::path report = given ? fs::path(given) : root / "crash.txt";
  ::setenv("MV_TEST_CRASH_REPORT", report.c_str(), 1);
  void (*volatile thrower)() = [] { throw std::runtime_error("the reason"); };
  auto uncaught = [thrower]() noexcept { thrower(); };
  EXPECT_EXIT(
      {
        CrashReporter::install(report, [](const std::string&) {}, false);
        uncaught();
      },
      ::testing::KilledBySignal(SIGABRT), "");
  ::unsetenv("MV_TEST_CRASH_REPORT");
  std::ifstream in(report);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("name: std::runtime_error"), std::string::npos);
  EXPECT_NE(text.find("reason: the reason"), std::string::npos);
  EXPECT_NE(text.find("mail: mailto://"), std::string::npos);
}

}  // namespace
}  // namespace mv::test
