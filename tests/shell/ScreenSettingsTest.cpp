// The settings window: end to end after a typed sign-in against the service
// (language, the customer switch, sign-out), then its rules on a session set
// up by hand (rows by configuration, the web administration's access levels
// and address, the full resync in demo and on cellular, About, backup).
#include <set>

#include "ScreenTestSupport.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/NavigationController.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "shell/settings/AboutViewController.hpp"
#include "shell/config/ConfigManager.hpp"
#include "sync/SessionServices.hpp"
#include "shell/frame/FeaturePendingViewController.hpp"
#include "shell/app/HomeViewController.hpp"
#include "shell/config/Language.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/settings/SettingsViewController.hpp"
#include "shell/settings/SwitchTableViewCell.hpp"
#include "shell/frame/WebViewController.hpp"
#include "sync/SyncModel.hpp"

namespace mv::test {
namespace {

// The settings window of the tab bar and its pages.
struct Window {
  ui::NavigationController* nav = nullptr;
  SettingsViewController* top() const { return nav ? dynamic_cast<SettingsViewController*>(nav->topViewController()) : nullptr; }
};

Window openSettings(ScreenTest& t, UITabBarControllerExt& tab, ui::HeadlessDriver& d) {
  d.tap(tab.button(MainTabScreens::kSettings).btn());
  d.advance(0.05);
  (void)t;
  return {dynamic_cast<ui::NavigationController*>(tab.presentedViewController())};
}

ui::TableViewCell* cellAt(SettingsViewController& page, long section, long row) {
  auto table = page.tableView();
  table->layoutIfNeeded();
  return table->cellForRowAtIndexPath({section, row});
}

TEST_F(ScreenFlowTest, SettingsLanguageSwitchCustomerSwitchAndSignOut) {
  launchAgainstService();
  LoginCheckBox& panel = welcome()->loginCheckBox();
  panel.userNameInputText().setText("rep");
  panel.passWordInputText().setText("secret");
  panel.clientIDInputText().setText("acme");
  tap(panel.loginBut());
  ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot(); }));
  if (alert()) press(0);  // the new-content prompt
  auto tab = tabBar();
  Window w = openSettings(*this, *tab, driver());
  ASSERT_TRUE(w.nav);
  settle();
  ASSERT_TRUE(w.top());
  EXPECT_EQ(w.top()->title(), en("SETTINGSTITLE"));
  EXPECT_TRUE(tab->button(MainTabScreens::kSettings).isSelected());
  // The main page: four sections, the customer switch among them.
  auto table = w.top()->tableView();
  EXPECT_EQ(table->numberOfSections(), 4);
  EXPECT_EQ(table->numberOfRowsInSection(1), 3);
  auto* sw = dynamic_cast<SwitchTableViewCell*>(cellAt(*w.top(), 1, 0));
  ASSERT_TRUE(sw);
  EXPECT_TRUE(sw->switchShowAll().isOn());

  // The customer switch: stored for this user and told once.
  int posted = 0;
  base::Observation seen(SwitchTableViewCell::kChangeNotification, nullptr,
                         [&](const base::Notification&) { ++posted; });
  tap(sw->switchShowAll());
  EXPECT_FALSE(sw->switchShowAll().isOn());
  EXPECT_EQ(posted, 1);
  EXPECT_FALSE(SessionServices::current()->get<ConfigManager>()->isShowAllCustomer());
  auto stored = base::UserDefaults::standard().objectForKey("rep_acme_showAllCustomer");
  ASSERT_TRUE(stored);
  EXPECT_EQ(*stored, base::Value(false));
  // Another user of the company is not affected.
  EXPECT_FALSE(base::UserDefaults::standard().hasKey("manager_acme_showAllCustomer"));

  // The language page, with its check mark on English.
  table->tapRowAtIndexPath({2, 0});
  settle();
  auto* languages = w.top();
  ASSERT_TRUE(languages);
  ASSERT_EQ(w.nav->viewControllers().size(), 2u);
  EXPECT_EQ(languages->settingPage(), SettingsViewController::kLanguagePage);
  EXPECT_EQ(cellAt(*languages, 0, 0)->accessoryType(), ui::TableViewCellAccessoryType::Checkmark);
  EXPECT_EQ(cellAt(*languages, 0, 1)->accessoryType(), ui::TableViewCellAccessoryType::None);
  const std::vector<std::string> before = visibleTexts();
  // Choosing English again changes nothing.
  languages->tableView()->tapRowAtIndexPath({0, 0});
  settle();
  EXPECT_EQ(LanguageManager::sharedInstance().currentLanguage(), 1);
  languages->tableView()->tapRowAtIndexPath({0, 1});
  settle();
  EXPECT_EQ(LanguageManager::sharedInstance().currentLanguage(), 2);
  EXPECT_EQ(cellAt(*languages, 0, 1)->accessoryType(), ui::TableViewCellAccessoryType::Checkmark);
  EXPECT_EQ(cellAt(*languages, 0, 0)->accessoryType(), ui::TableViewCellAccessoryType::None);
  // Every text that was on screen reads differently now, but for the names
  // of the languages and the values that are not words of the interface.
  const std::vector<std::string> after = visibleTexts();
  // (The company's own web address stays as it is.)
  const std::set<std::string> untranslated = {"English", "中文", LoginMode::sharedInstance()->companyLink()};
  std::size_t compared = 0;
  for (const std::string& text : before) {
    if (text.empty() || untranslated.count(text)) continue;
    ++compared;
    EXPECT_EQ(std::find(after.begin(), after.end(), text), after.end()) << "still shown: " << text;
  }
  EXPECT_GE(compared, 10u);
  EXPECT_EQ(languages->title(), textOrEmpty(Language::stringWithName("SWITCHLANGUAGES")));
  // The page below was re-titled as well, and shows the new language's name.
  w.nav->popViewControllerAnimated(false);
  settle();
  EXPECT_EQ(w.top()->title(), textOrEmpty(Language::stringWithName("SETTINGSTITLE")));
  EXPECT_EQ(cellAt(*w.top(), 2, 0)->detailTextLabel()->text(), "中文");
  EXPECT_EQ(cellAt(*w.top(), 3, 0)->textLabel().text(), textOrEmpty(Language::stringWithName("LOGOUTSETTINGS")));

  // Sign out: asked first; the window goes, then the session.
  w.top()->tableView()->tapRowAtIndexPath({3, 0});
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->message(), textOrEmpty(Language::stringWithName("SURELOGOUT")));
  press(0);  // cancel
  EXPECT_FALSE(app->isWelcomeRoot());
  w.top()->tableView()->tapRowAtIndexPath({3, 0});
  press(1);
  EXPECT_TRUE(app->isWelcomeRoot());
  EXPECT_FALSE(app->tabBarController());
  EXPECT_EQ(welcome()->loginCheckBox().loginBut().currentTitle(), textOrEmpty(Language::stringWithName("LOGINBUT")));
}

class SettingsTest : public ScreenTest {
 protected:
  Window open(const std::string& modules, LoginType loginType, const std::string& account = "rep") {
    showMainFor("acme", modules, loginType);
    LoginMode::sharedInstance()->setAcountID(account);
    Window w = openSettings(*this, *tabBar(), driver());
    settle();
    return w;
  }
};

TEST_F(SettingsTest, RowsFollowTheConfiguration) {
  launch();
  Window w = open("1,1,0,1,1,1,1", LoginType::Online);
  ASSERT_TRUE(w.top());
  const auto& groups = w.top()->groups();
  ASSERT_EQ(groups.size(), 4u);
  // Without the customers module: only the resync and backup rows.
  ASSERT_EQ(groups.at(1).size(), 2u);
  EXPECT_EQ(groups.at(1)[0].cellType, SettingsCellEntity::kFullSync);
  EXPECT_EQ(groups.at(1)[1].cellType, SettingsCellEntity::kBackupAndRestore);
  EXPECT_EQ(cellAt(*w.top(), 2, 1)->detailTextLabel()->text(), app->currentVersion());
  EXPECT_EQ(cellAt(*w.top(), 0, 0)->accessoryType(), ui::TableViewCellAccessoryType::DisclosureIndicator);

  // Backup and restore: its own page (not built yet here).
  w.top()->tableView()->tapRowAtIndexPath({1, 1});
  settle();
  auto* backup = dynamic_cast<FeaturePendingViewController*>(w.nav->topViewController());
  ASSERT_TRUE(backup);
  EXPECT_EQ(backup->featureTitleKey(), "BACKANDRESTORE");
  w.nav->popViewControllerAnimated(false);
  settle();

  // About: the version, and Done closes the whole window.
  w.top()->tableView()->tapRowAtIndexPath({2, 2});
  settle();
  auto* about = dynamic_cast<AboutViewController*>(w.nav->topViewController());
  ASSERT_TRUE(about);
  EXPECT_EQ(about->lblVersion().text(), app->currentVersion());
  EXPECT_EQ(about->lblCompany().text(), en("COMPANYNAMEINFO"));
  EXPECT_DOUBLE_EQ(about->viewWidth(), w.nav->view()->bounds().width());
  about->doneButtonTapped();
  settle();
  EXPECT_FALSE(tabBar()->presentedViewController());
  EXPECT_FALSE(tabBar()->button(MainTabScreens::kSettings).isSelected());

  // Escape closes the window as Done does.
  w = openSettings(*this, *tabBar(), driver());
  settle();
  ASSERT_TRUE(tabBar()->button(MainTabScreens::kSettings).isSelected());
  EXPECT_TRUE(driver().window().pressEscape());
  settle();
  EXPECT_FALSE(tabBar()->presentedViewController());
  EXPECT_FALSE(tabBar()->button(MainTabScreens::kSettings).isSelected());
}

TEST_F(SettingsTest, WebAdministrationByAccessLevel) {
  launch();
  Window w = open("1,1,1,1,1,1,1", LoginType::Online, "a&b c#d");
  // The address: each value escaped, the language named.
  const std::string url = SettingsViewController::cmsURL();
  EXPECT_NE(url.find("/administrator/index.php?option=com_login&username=a%26b%20c%23d&client_id=acme&lang=en-GB"),
            std::string::npos)
      << url;
  w.top()->tableView()->tapRowAtIndexPath({0, 0});
  settle();
  SettingsViewController* account = w.top();
  ASSERT_EQ(account->settingPage(), SettingsViewController::kAccountPage);
  EXPECT_EQ(cellAt(*account, 0, 0)->detailTextLabel()->text(), "Acme & Sons");
  EXPECT_EQ(cellAt(*account, 0, 1)->detailTextLabel()->text(), "a&b c#d");
  ASSERT_TRUE(cellAt(*account, 0, 1)->accessoryView());
  for (std::int64_t level : {0, 3, 6}) {
    LoginMode::sharedInstance()->setUserAccess(level);
    account->tableView()->tapRowAtIndexPath({0, 2});
    settle();
    EXPECT_FALSE(alert()) << level;
    auto* page = dynamic_cast<WebViewController*>(account->presentedViewController());
    ASSERT_TRUE(page) << level;
    EXPECT_EQ(page->url(), SettingsViewController::cmsURL());
    page->close();
    settle();
    EXPECT_FALSE(account->presentedViewController());
  }
  for (std::int64_t level : {1, 7, -1}) {
    LoginMode::sharedInstance()->setUserAccess(level);
    account->tableView()->tapRowAtIndexPath({0, 2});
    settle();
    ASSERT_TRUE(alert()) << level;
    EXPECT_EQ(alert()->title(), en("NOCMSACCESS"));
    EXPECT_FALSE(account->presentedViewController());
    press(0);
    EXPECT_FALSE(account->presentedViewController());
  }
  account->tableView()->tapRowAtIndexPath({0, 2});
  settle();
  press(1);  // open it anyway
  EXPECT_TRUE(dynamic_cast<WebViewController*>(account->presentedViewController()));
  // The company row cannot be selected.
  EXPECT_FALSE(account->tableViewWillSelectRowAtIndexPath(*account->tableView(), {0, 0}));
}

TEST_F(SettingsTest, FullResyncInTheDemoAndOnCellular) {
  launch();
  // (The demo's one-time help would take the first tap outside it.)
  HomeViewController::markAppHasShownHelpLogout();
  Window w = open("1,1,1,1,1,1,1", LoginType::Demo);
  auto& application = ui::Application::sharedInstance();
  w.top()->tableView()->tapRowAtIndexPath({1, 1});
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), en("FUNCTIONLIMITED"));
  EXPECT_EQ(alert()->tag(), DemoLimitAlert::kTag);  // the shared demo-limit alert
  press(1);  // sign up now: the service's page in the browser
  ASSERT_FALSE(application.openedURLs().empty());
  EXPECT_EQ(application.openedURLs().back(), DemoLimitAlert::signUpPageURL());
  EXPECT_NE(application.openedURLs().back().find("/registered.html"), std::string::npos);
  EXPECT_FALSE(SyncModel::sharedInstance()->isSyncAllData());
  EXPECT_TRUE(tabBar()->presentedViewController());
  app->showLoginPage();
  settle();

  w = open("1,1,1,1,1,1,1", LoginType::Online);
  ASSERT_TRUE(w.top()) << (alert() ? alert()->title() : std::string("no alert"));
  LoginMode::sharedInstance()->setIsNotWifi(true);
  w.top()->tableView()->tapRowAtIndexPath({1, 1});
  EXPECT_EQ(alert()->title(), en("FULLRESYNC"));
  press(1);
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), en("NONWIFINETWORKUSING"));
  // Escape backs out ("OK" would resync everything over the cellular
  // network): nothing, as CANCEL.
  EXPECT_TRUE(driver().window().pressEscape());
  settle();
  EXPECT_FALSE(alert());
  EXPECT_TRUE(tabBar()->presentedViewController());
  EXPECT_FALSE(SyncModel::sharedInstance()->isSyncAllData());
  w.top()->tableView()->tapRowAtIndexPath({1, 1});
  press(1);
  ASSERT_TRUE(alert());
  press(1);  // CANCEL: nothing
  EXPECT_TRUE(tabBar()->presentedViewController());
  EXPECT_FALSE(SyncModel::sharedInstance()->isSyncAllData());
  w.top()->tableView()->tapRowAtIndexPath({1, 1});
  press(1);
  press(0);  // OK: the window closes and the Sync tab syncs everything
  EXPECT_FALSE(tabBar()->presentedViewController());
  EXPECT_TRUE(SyncModel::sharedInstance()->isSyncAllData());
  EXPECT_TRUE(SyncModel::sharedInstance()->needUpdate());
  EXPECT_EQ(tabBar()->iCurSelectTab(), MainTabScreens::kSync);
  EXPECT_FALSE(tabBar()->button(MainTabScreens::kSettings).isSelected());
}

}  // namespace
}  // namespace mv::test
