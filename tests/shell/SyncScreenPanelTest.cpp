// The Sync tab on the virtual clock, without a service: the panel's time
// label, hint and rows, the language change, the alerts of a tap and of a
// broken run, the badge, and the button across leaving and re-entering the
// tab. Runs against the service are in SyncScreenFlowTest.
#include <gtest/gtest.h>

#include <optional>

#include "SessionScope.hpp"
#include "SyncEngineTestSupport.hpp"
#include "SyncScreenTestSupport.hpp"
#include "TestEnvironment.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/NavigationController.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "sync/SyncModel.hpp"
#include "shell/sync-screens/SyncViewController.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

class FixedSession : public SyncSession {
 public:
  LoginType type = LoginType::Online;
  LoginType loginType() const override { return type; }
  void setLoginType(LoginType t) override { type = t; }
  std::string clientID() const override { return "acme"; }
  void setClientID(const std::string&) override {}
  void setSessionId(const std::string&) override {}
  void setVendorId(std::int64_t) override {}
  void askFullSync() override { ++fullSyncsAsked; }
  int fullSyncsAsked = 0;
  void getUserinfo() override {}
  void getRuntimeConfig() override {}
  void setHasBackup(bool) override {}
  void setLastBackupDate(double) override {}
};

class SyncScreenPanelTest : public test::UiTestEnvironment {
 protected:
  void SetUp() override {
    UiTestEnvironment::SetUp();
    test::installEnglishTexts();
    host = std::make_shared<test::FakeSyncScreenHost>();
    SyncScreenHost::install(host);
    session = std::make_shared<FixedSession>();
    SyncSession::setCurrent(session);
    config = std::make_shared<test::FakeSyncConfig>();
    SyncConfigManager::setCurrent(config);
    SessionServices::Registry registry;
    registry.add<SyncModel>();
    Session signedIn = Session::current();
    signedIn.clientID = "acme";
    signedIn.acountID = "rep";
    scope.emplace(std::move(signedIn), std::move(registry));
  }
  void TearDown() override {
    window.reset();
    screen.reset();
    scope.reset();
    SyncConfigManager::setCurrent({});
    SyncScreenHost::install(nullptr);
    PublicFunction::setInterfaceLanguageProvider(nullptr);
    setTextLookup(nullptr);
    UiTestEnvironment::TearDown();
  }

  void show() {
    screen = std::make_shared<SyncViewController>(SessionServices::current());
    window = std::make_unique<test::ScreenWindow>(screen);
  }
  ResourceUpdateView& panel() { return screen->resourceUpdateView(); }
  std::shared_ptr<ui::AlertView> alert() { return ui::AlertView::visibleAlert(); }
  void press(long index) {
    auto a = alert();
    ASSERT_TRUE(a);
    a->pressButton(index);
    advance(0.5);
  }

  std::shared_ptr<test::FakeSyncScreenHost> host;
  std::shared_ptr<FixedSession> session;
  std::optional<test::SessionScope> scope;
  std::shared_ptr<test::FakeSyncConfig> config;
  std::shared_ptr<SyncViewController> screen;
  std::unique_ptr<test::ScreenWindow> window;
};

TEST_F(SyncScreenPanelTest, TheScreenSetsItselfUpOnceFromTheConfigurationAndTheLastSync) {
  config->shown = {SyncConfigManager::kLibraryIndex, SyncConfigManager::kCustomerIndex};
  base::UserDefaults::standard().setString("acme-lastsync", "08:30 03/04/26");
  show();
  EXPECT_TRUE(screen->bViewHasLoad());
  EXPECT_EQ(SyncModel::sharedInstance()->delegate().get(), static_cast<SyncModelDelegate*>(screen.get()));
  EXPECT_EQ(screen->titleLabel().text(), test::textOf("SYNC_"));
  EXPECT_EQ(panel().title(), test::textOf("DATEUPDATES"));
  // The catalogue is off: its row is hidden and the others move up.
  EXPECT_TRUE(panel().syncInfoProduc().isHidden());
  EXPECT_EQ(panel().syncInfoIcon().frame().y(), 70);
  EXPECT_EQ(panel().syncInfoCustomer().frame().y(), 135);
  // The rows' titles alike: no colon on any of them.
  EXPECT_EQ(panel().syncInfoProduc().lbTittle().text(), "Products");
  EXPECT_EQ(panel().syncInfoIcon().lbTittle().text(), "Sales materials");
  EXPECT_EQ(panel().syncInfoCustomer().lbTittle().text(), "Customers");
  for (SyncRow row : {SyncRow::Products, SyncRow::Material, SyncRow::Customers}) {
    EXPECT_EQ(panel().row(row).lbDatevalue().text(), "08:30 03/04/26");
    EXPECT_EQ(panel().row(row).lbDateTag().text(), test::textOf("LASTSYNC"));
  }
  // Idle: the button works, no time label, no hint.
  EXPECT_TRUE(panel().btnsync().isEnabled());
  EXPECT_TRUE(panel().lblRemainTime().isHidden());
  EXPECT_EQ(panel().labelBgDownload().alpha(), 0);
  // The tab bar re-reads the configuration when it appears.
  config->shown = {SyncConfigManager::kCatalogIndex, SyncConfigManager::kCustomerIndex};
  screen->loadByConfig();
  EXPECT_FALSE(panel().syncInfoProduc().isHidden());
  EXPECT_TRUE(panel().syncInfoIcon().isHidden());
  EXPECT_EQ(panel().syncInfoCustomer().frame().y(), 135);
  // No stored time: the rows keep "NORECORD".
  window.reset();
  screen.reset();
  base::UserDefaults::standard().removeObject("acme-lastsync");
  show();
  EXPECT_EQ(panel().syncInfoIcon().lbDatevalue().text(), test::textOf("NORECORD"));
}

TEST_F(SyncScreenPanelTest, TheTimeLabelTheHintAndTheRowsDuringARun) {
  show();
  panel().setBtnSyncEnabled(false);
  EXPECT_FALSE(panel().btnsync().isEnabled());
  EXPECT_FALSE(panel().lblRemainTime().isHidden());
  panel().setRemainTime(150);
  EXPECT_TRUE(panel().activityIndicator().isAnimating());
  const std::string threeMinutes = panel().lblRemainTime().text();
  EXPECT_NE(threeMinutes.find('3'), std::string::npos) << threeMinutes;
  // An estimate of more than 1000 minutes leaves the label alone.
  panel().setRemainTime(60001);
  EXPECT_EQ(panel().lblRemainTime().text(), threeMinutes);
  EXPECT_EQ(panel().remainTime(), 60001);
  panel().setRemainTime(30);
  EXPECT_EQ(panel().lblRemainTime().text(), test::textOf("TIMEREMAININGLESSAMINUTE"));
  // No estimate (nothing has arrived for a while) shows none, and the next
  // run does not start with this run's.
  panel().setRemainTime(SyncModel::kRemainTimeUnknown);
  EXPECT_EQ(panel().lblRemainTime().text(), "");
  panel().setRemainTime(30);
  panel().setBtnSyncEnabled(true);
  panel().setBtnSyncEnabled(false);
  EXPECT_EQ(panel().lblRemainTime().text(), "");
  panel().setRemainTime(30);

  // The hint fades in three seconds after the start, not before.
  panel().showHelp();
  advance(2.9);
  EXPECT_EQ(panel().labelBgDownload().alpha(), 0);
  advance(0.2);
  EXPECT_EQ(panel().labelBgDownload().alpha(), 1);
  panel().hideHelp();
  EXPECT_EQ(panel().labelBgDownload().alpha(), 0);
  // A run that ends before the hint is due never shows it.
  panel().showHelp();
  advance(1);
  panel().hideHelp();
  advance(5);
  EXPECT_EQ(panel().labelBgDownload().alpha(), 0);
  EXPECT_FALSE(panel().isHelpPending());

  // Bars and texts.
  panel().syncInfoProduc().setProgress(1.0f);
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), test::textOf("COMPLETED"));
  panel().syncInfoProduc().setProgress(0.5f);
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), test::textOf("COMPLETED"));
  panel().resetProgress();
  for (SyncRow row : {SyncRow::Products, SyncRow::Material, SyncRow::Customers}) {
    EXPECT_EQ(panel().row(row).progress(), 0);
    EXPECT_EQ(panel().row(row).lbprogressTxt(), "0%");
  }
  // Enabled again: the label goes and its spinner stops.
  panel().setBtnSyncEnabled(true);
  EXPECT_TRUE(panel().lblRemainTime().isHidden());
  EXPECT_FALSE(panel().activityIndicator().isAnimating());
}

TEST_F(SyncScreenPanelTest, ALanguageChangeRetranslatesAndKeepsTheLastSyncTime) {
  base::UserDefaults::standard().setString("acme-lastsync", "08:30 03/04/26");
  show();
  panel().syncInfoCustomer().setProgress(1.0f);
  const std::vector<std::string> before = window->texts();
  test::installChineseTexts();
  host->changeLanguage();
  EXPECT_EQ(screen->titleLabel().text(), test::textOf("SYNC_"));
  EXPECT_EQ(panel().title(), test::textOf("DATEUPDATES"));
  EXPECT_EQ(panel().btnsync().currentTitle(), test::textOf("GETUPDATES"));
  EXPECT_EQ(panel().labelBgDownload().text(), test::textOf("HELPBACKGROUNDDOWNLOAD"));
  EXPECT_EQ(panel().syncInfoCustomer().lbprogressTxt(), test::textOf("COMPLETED"));
  EXPECT_EQ(panel().syncInfoProduc().lbTittle().text(), "产品");
  EXPECT_EQ(panel().syncInfoIcon().lbTittle().text(), "销售资料");
  EXPECT_EQ(panel().syncInfoCustomer().lbTittle().text(), "客户资料");
  // The time of the last sync is still shown, in the Chinese short date.
  EXPECT_EQ(panel().syncInfoProduc().lbDatevalue().text(), "08:30 26/03/04");
  // Idle, the spinner stays still.
  EXPECT_FALSE(panel().activityIndicator().isAnimating());
  const std::vector<std::string> after = window->texts();
  for (const auto& text : {test::textOf("SYNC_"), test::textOf("GETUPDATES")}) {
    EXPECT_NE(std::find(after.begin(), after.end(), text), after.end()) << text;
  }
  EXPECT_NE(before, after);
}

TEST_F(SyncScreenPanelTest, TapsInTheDemoAccountAskToSignUpAndStartNothing) {
  session->type = LoginType::Demo;
  show();
  auto engine = SyncModel::sharedInstance();
  engine->setShowUpdate(true);
  window->driver().tap(panel().btnsync());
  // The badge goes with the tap, whatever follows.
  EXPECT_FALSE(engine->showUpdate());
  EXPECT_EQ(host->badges, std::vector<std::string>{""});
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), DemoLimitAlert::kTag);
  EXPECT_EQ(alert()->title(), test::textOf("FUNCTIONLIMITED"));
  EXPECT_FALSE(engine->isDownloading());
  EXPECT_TRUE(panel().btnsync().isEnabled());
  EXPECT_EQ(host->blinkStarts, 0);
  press(0);
  EXPECT_TRUE(ui::Application::sharedInstance().openedURLs().empty());
  window->driver().tap(panel().btnsync());
  press(1);
  ASSERT_EQ(ui::Application::sharedInstance().openedURLs().size(), 1u);
  const std::string opened = ui::Application::sharedInstance().openedURLs()[0];
  EXPECT_EQ(opened.rfind("http://", 0), 0u) << opened;
  EXPECT_EQ(opened.substr(opened.size() - 16), "/registered.html");
  EXPECT_FALSE(engine->isDownloading());

  // On a cellular network a tap asks first; "CANCEL" starts nothing.
  session->type = LoginType::Online;
  host->notWifi = true;
  window->driver().tap(panel().btnsync());
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), 1001);
  press(1);
  EXPECT_FALSE(engine->isDownloading());
  EXPECT_FALSE(alert());
}

TEST_F(SyncScreenPanelTest, BrokenRunsAlertOnceAndEndIdle) {
  show();
  auto engine = SyncModel::sharedInstance();
  // A run under way (the engine's flag), as the screen starts it.
  engine->setIsDownloading(true);
  screen->startIndictorView();
  EXPECT_TRUE(host->blinking);
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), test::textOf("CHECKING"));
  screen->setProgress(0.25f, 1, 200);
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), "25%");
  // A full sync asked while the run goes on.
  engine->setIsSyncAllData(true);
  screen->breakSync("The service did not answer.");
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), 255);
  EXPECT_EQ(alert()->title(), test::textOf("UPDATEFAILED"));
  EXPECT_EQ(alert()->message(), "The service did not answer.");
  EXPECT_EQ(ui::AlertView::showingAlerts().size(), 1u);
  EXPECT_FALSE(host->blinking);
  EXPECT_FALSE(engine->isDownloading());
  // Kept for the next run, which a broken one does not start.
  EXPECT_TRUE(engine->isSyncAllData());
  advance(1);
  EXPECT_FALSE(engine->isDownloading());
  EXPECT_TRUE(panel().btnsync().isEnabled());
  EXPECT_TRUE(panel().lblRemainTime().isHidden());
  // The hint does not come back after a broken run.
  advance(4);
  EXPECT_EQ(panel().labelBgDownload().alpha(), 0);
  // "OK" leaves the bars as the run left them: what it fetched is kept.
  press(0);
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), "25%");
  EXPECT_EQ(panel().syncInfoProduc().progress(), 0.25f);

  // An expired session offers the sign-in screen.
  screen->breakSync(test::textOf("101"));
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), 256);
  EXPECT_EQ(alert()->buttonTitleAtIndex(1), test::textOf("LOGOUTSETTINGS"));
  press(0);
  EXPECT_EQ(host->loginPages, 0);
  screen->breakSync(test::textOf("101"));
  press(1);
  EXPECT_EQ(host->loginPages, 1);
  // Not signed in: stay offline or sign in.
  session->type = LoginType::None;
  screen->breakSync("No way in.");
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->message(), "No way in." + test::textOf("STAYOFFLINEORLOGIN"));
  press(1);
  EXPECT_EQ(host->loginPages, 2);

  // The session handler's own alert is the only one.
  engine->setIsDownloading(true);
  screen->startIndictorView();
  screen->syncEndedBySession();
  EXPECT_FALSE(alert());
  EXPECT_FALSE(engine->isDownloading());
  EXPECT_TRUE(panel().btnsync().isEnabled());
  EXPECT_FALSE(host->blinking);
}

// No row is left saying it is checking once a run has ended, broken or
// ended by the session; a share short of whole never reads 100 or
// "Completed".
TEST_F(SyncScreenPanelTest, AnEndedRunLeavesNoRowCheckingAndNoShareShortOfWholeReadsWhole) {
  show();
  auto engine = SyncModel::sharedInstance();
  engine->setIsDownloading(true);
  screen->startIndictorView();
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), test::textOf("CHECKING"));
  screen->breakSync("The service did not answer.");
  ASSERT_TRUE(alert());
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), "0%");
  press(0);

  engine->setIsDownloading(true);
  screen->startIndictorView();
  screen->syncEndedBySession();
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), "0%");

  engine->setIsDownloading(true);
  screen->startIndictorView();
  screen->setProgress(0.996f, SyncModel::kImageTypeProduct, 10);
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), "99%");
  EXPECT_LT(panel().syncInfoProduc().progress(), 1.0f);
  screen->setProgress(0.999f, SyncModel::kImageTypeCover, 10);
  EXPECT_EQ(panel().syncInfoIcon().lbprogressTxt(), "99%");
  screen->setProgress(0.29f, SyncModel::kImageTypeProduct, 10);
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), "29%");
  screen->setProgress(1.0f, SyncModel::kImageTypeProduct, 0);
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), test::textOf("COMPLETED"));
}

// While a full sync removes the files of changed rows, the first row says
// how far it is; the pictures' own share takes over, and a run that ends
// leaves no row checking.
TEST_F(SyncScreenPanelTest, TheRemovalOfChangedFilesShowsHowFarItIs) {
  show();
  auto engine = SyncModel::sharedInstance();
  engine->setIsDownloading(true);
  screen->startIndictorView();
  const std::string checking = test::textOf("CHECKING");
  screen->setRemovalProgress(0.456f);
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), checking + " 45%");
  screen->setRemovalProgress(1.0f);
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), checking + " 100%");
  screen->setProgress(0.12f, SyncModel::kImageTypeProduct, 10);
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), "12%");
  // A late report of another removal changes nothing any more.
  screen->setRemovalProgress(0.5f);
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), "12%");

  engine->setIsDownloading(true);
  screen->startIndictorView();
  screen->setRemovalProgress(0.3f);
  screen->breakSync("The service did not answer.");
  ASSERT_TRUE(alert());
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), "0%");
  press(0);
}

TEST_F(SyncScreenPanelTest, TheButtonStaysOffWhenTheTabIsEnteredAgainDuringARun) {
  auto nav = std::make_shared<ui::NavigationController>(std::make_shared<SyncViewController>(SessionServices::current()));
  window = std::make_unique<test::ScreenWindow>(nav);
  screen = std::dynamic_pointer_cast<SyncViewController>(nav->viewControllers().front());
  ASSERT_TRUE(screen && screen->isViewLoaded());
  auto engine = SyncModel::sharedInstance();
  engine->setIsDownloading(true);
  screen->startIndictorView();
  // Away and back again.
  auto other = std::make_shared<ui::ViewController>();
  nav->pushViewController(other, false);
  window->flush();
  nav->popViewControllerAnimated(false);
  window->flush();
  EXPECT_FALSE(panel().btnsync().isEnabled());
  EXPECT_FALSE(panel().lblRemainTime().isHidden());
  // A tap while it runs cannot start a second run.
  screen->btnSyncClick(nullptr);
  EXPECT_EQ(host->blinkStarts, 1);
  engine->setIsDownloading(false);
  nav->pushViewController(other, false);
  window->flush();
  nav->popViewControllerAnimated(false);
  window->flush();
  EXPECT_TRUE(panel().btnsync().isEnabled());
}

}  // namespace
}  // namespace mv
