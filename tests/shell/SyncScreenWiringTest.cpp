// The sync screens inside the application: the Sync tab and the settings'
// backup page come from their makers, a sync runs from the tab against the
// service with the tab's badge and blinking icon, the home screen's "sync
// now" starts a run through the session hook, a full resync the service asks
// for at a silent sign-in reaches the engine, the configuration is the sync
// layer's while signed in, and the widgets draw the client's skin.
#include <filesystem>

#include "ScreenTestSupport.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/Paths.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/NavigationController.hpp"
#include "shell/config/ConfigManager.hpp"
#include "sync/SessionServices.hpp"
#include "shell/config/Language.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/settings/SettingsViewController.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/sync-screens/SyncScreens.hpp"
#include "shell/sync-screens/BackupAndRestoreViewController.hpp"
#include "sync/SyncConfigManager.hpp"
#include "sync/SyncModel.hpp"
#include "shell/sync-screens/SyncViewController.hpp"
#include "widgets/WidgetSkin.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

class SyncWiringTest : public ScreenFlowTest {
 protected:
  void SetUp() override {
    ScreenFlowTest::SetUp();
    shots = root / "snapshots";
    fs::create_directories(shots);
  }
  void TearDown() override {
    SyncScreens::uninstall();
    ScreenFlowTest::TearDown();
  }
  void installSyncScreens() {
    SyncScreens::install(app->wiring());
    ASSERT_EQ(app->wiring().startSync.size(), 1u);
    ASSERT_TRUE(app->wiring().services.has<SyncModel>());
    ASSERT_TRUE(app->wiring().hasScreenMaker(MainTabScreens::kSync));
  }
  void signIn() {
    LoginCheckBox& panel = welcome()->loginCheckBox();
    panel.userNameInputText().setText("rep");
    panel.passWordInputText().setText("secret");
    panel.clientIDInputText().setText("acme");
    tap(panel.loginBut());
    ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot(); }));
  }
  std::shared_ptr<SyncViewController> syncScreen() {
    return std::dynamic_pointer_cast<SyncViewController>(tabBar()->screen(MainTabScreens::kSync));
  }
  TabBarItemButton& syncButton() { return tabBar()->button(MainTabScreens::kSync); }
  // Waits for the run under way to end.
  bool waitForIdle() {
    return waitFor([&] { return !SyncModel::sharedInstance()->isDownloading(); }, 60);
  }
  void shoot(const std::string& name) {
    driver().flush();
    gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
    const fs::path file = shots / (name + ".png");
    EXPECT_TRUE(driver().snapshot(file));
    keepSnapshot(file);
  }
  std::vector<sales::LogEntry> tableRequests() const { return messages("syncData"); }

  fs::path shots;
};

TEST_F(SyncWiringTest, ASyncFromTheSyncTabOfTheSignedInApplication) {
  launchAgainstService();
  installSyncScreens();
  signIn();
  // The session's configuration is the sync layer's.
  auto services = SessionServices::current();
  ASSERT_TRUE(services);
  auto config = services->get<ConfigManager>();
  ASSERT_TRUE(config);
  EXPECT_EQ(SyncConfigManager::current().get(), static_cast<SyncConfigManager*>(config.get()));
  // It starts with the module list the sign-in stored.
  EXPECT_TRUE(config->modelDescArray());
  auto screen = syncScreen();
  ASSERT_TRUE(screen);

  // New data on the service: "not now" leaves the badge on the Sync tab.
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), en("CONTENTUPDATED"));
  press(0);
  EXPECT_TRUE(syncButton().isBadgeShown());
  EXPECT_EQ(syncButton().badgeText(), en("UPDATE"));

  tap(syncButton().btn());
  EXPECT_EQ(tabBar()->iCurSelectTab(), MainTabScreens::kSync);
  ASSERT_TRUE(screen->isViewLoaded());
  EXPECT_EQ(SyncModel::sharedInstance()->delegate().get(), static_cast<SyncModelDelegate*>(screen.get()));
  ResourceUpdateView& panel = screen->resourceUpdateView();
  EXPECT_EQ(panel.syncInfoProduc().lbDatevalue().text(), en("NORECORD"));

  tap(panel.btnsync());
  EXPECT_FALSE(syncButton().isBadgeShown());
  EXPECT_TRUE(syncButton().isBlinking());
  EXPECT_FALSE(panel.btnsync().isEnabled());
  // Away to the home tab and back during the run: still off.
  tap(tabBar()->button(MainTabScreens::kHome).btn());
  tap(syncButton().btn());
  if (SyncModel::sharedInstance()->isDownloading()) {
    EXPECT_FALSE(panel.btnsync().isEnabled());
  }
  ASSERT_TRUE(waitForIdle());
  settle();
  EXPECT_FALSE(alert()) << (alert() ? alert()->message() : "");
  EXPECT_FALSE(syncButton().isBlinking());
  EXPECT_TRUE(panel.btnsync().isEnabled());
  EXPECT_NE(panel.syncInfoProduc().lbDatevalue().text(), en("NORECORD"));
  EXPECT_EQ(panel.syncInfoCustomer().lbprogressTxt(), en("COMPLETED"));
  shoot("sync-tab-app");

  // The home screen's "sync now" goes through the session hook: the tab is
  // chosen and the run starts without a tap.
  tap(tabBar()->button(MainTabScreens::kHome).btn());
  service->clearRequestLog();
  SyncModel::sharedInstance()->setNeedUpdate(true);
  app->showSyncController();
  EXPECT_EQ(tabBar()->iCurSelectTab(), MainTabScreens::kSync);
  ASSERT_TRUE(waitFor([&] { return SyncModel::sharedInstance()->isDownloading(); }, 2));
  ASSERT_TRUE(waitForIdle());
  auto tables = tableRequests();
  ASSERT_EQ(tables.size(), 3u);
  for (const auto& t : tables) EXPECT_EQ(t.parameters.value("isFull", std::string()), "false") << t.qualifier;

  // The service wants a full resync; a silent sign-in hears it, and the next
  // run asks for every table in full, once.
  ASSERT_TRUE(service->backend().requestFullSync("acme", "rep"));
  base::NotificationCenter::defaultCenter().post("netconnect");
  // (The sign-in's configuration box goes first.)
  ASSERT_TRUE(waitFor(
      [&] { return LoginMode::sharedInstance()->isSyncAllData() && MessageBox::sharedInstance().waitMsgBoxtag() == 0; },
      10));
  service->clearRequestLog();
  tap(panel.btnsync());
  ASSERT_TRUE(waitForIdle());
  tables = tableRequests();
  ASSERT_EQ(tables.size(), 3u);
  for (const auto& t : tables) EXPECT_EQ(t.parameters.value("isFull", std::string()), "true") << t.qualifier;
  EXPECT_FALSE(LoginMode::sharedInstance()->isSyncAllData());
  EXPECT_FALSE(SyncModel::sharedInstance()->isSyncAllData());

  // Logout: the configuration is no longer the sync layer's.
  app->showLoginPage();
  settle();
  EXPECT_FALSE(SyncConfigManager::current());
}

TEST_F(SyncWiringTest, TheSettingsOpenTheBackupPageWhichClosesTheWindow) {
  launchAgainstService();
  installSyncScreens();
  signIn();
  if (alert()) press(0);
  auto tab = tabBar();
  tap(tab->button(MainTabScreens::kSettings).btn());
  auto* nav = dynamic_cast<ui::NavigationController*>(tab->presentedViewController());
  ASSERT_TRUE(nav);
  auto* settings = dynamic_cast<SettingsViewController*>(nav->topViewController());
  ASSERT_TRUE(settings);
  // The customers module is on: the backup row is the third of its section.
  settings->tableView()->tapRowAtIndexPath({1, 2});
  settle(0.5);
  auto* page = dynamic_cast<BackupAndRestoreViewController*>(nav->topViewController());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->settingDelegate().get(), static_cast<SettingsViewControllerDelegate*>(tab.get()));
  // Signed in without a backup yet.
  EXPECT_EQ(page->lastBackupDateLabel().text(), "");
  shoot("backup-and-restore-app");
  EXPECT_TRUE(tab->button(MainTabScreens::kSettings).isSelected());
  page->doneButtonTapped();
  settle(0.5);
  EXPECT_FALSE(tab->presentedViewController());
  EXPECT_FALSE(tab->button(MainTabScreens::kSettings).isSelected());
}

TEST_F(ScreenTest, TheWidgetsDrawTheSignedInClientsSkin) {
  launch();
  // Before the launch's sign-in nothing is skinned: the application's own picture.
  auto own = WidgetSkin::skinFromImageName("sync_bar_on.png");
  ASSERT_TRUE(own);
  showMainFor("acme", "1,1,1,1,1,1,1", LoginType::Online);
  const fs::path skin = base::Paths::documents() / "acme" / SkinManager::kSkinFolderName;
  fs::create_directories(skin);
  const fs::path other = base::Bundle::pathForResource("topbar-bg", "png");
  ASSERT_TRUE(fs::exists(other));
  fs::copy_file(other, skin / "sync_bar_on.png");
  auto skinned = WidgetSkin::skinFromImageName("sync_bar_on.png");
  ASSERT_TRUE(skinned);
  EXPECT_EQ(skinned->size(), gfx::Image::named("topbar-bg.png")->size());
  EXPECT_NE(skinned->size(), own->size());
}

}  // namespace
}  // namespace mv::test
