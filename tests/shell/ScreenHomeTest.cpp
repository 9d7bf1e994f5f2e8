// The home screen on a session set up by hand: the new-content prompt and
// its answers, the Sync badge across a language change, the company link.
#include "ScreenTestSupport.hpp"
#include "platform/ui/Application.hpp"
#include "shell/app/HomeViewController.hpp"
#include "shell/config/Language.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "sync/SyncModel.hpp"

namespace mv::test {
namespace {

class HomeTest : public ScreenTest {
 protected:
  void signedIn(LoginType loginType, bool needUpdate, const std::string& link = {}) {
    auto lm = LoginMode::sharedInstance();
    lm->setNeedUpdate(needUpdate);
    lm->setCompanyLink(link);
    showMainFor("acme", "1,1,1,1,1,1,1", loginType);
  }
  std::shared_ptr<HomeViewController> home() {
    return std::dynamic_pointer_cast<HomeViewController>(tabBar()->screen(MainTabScreens::kHome));
  }
  TabBarItemButton& syncButton() { return tabBar()->button(MainTabScreens::kSync); }
};

TEST(HomeLink, AddressesGetASchemeOnlyWhenTheyHaveNone) {
  EXPECT_EQ(HomeViewController::linkURL("www.example.com"), "http://www.example.com");
  EXPECT_EQ(HomeViewController::linkURL("http://www.example.com"), "http://www.example.com");
  EXPECT_EQ(HomeViewController::linkURL("https://shop.example.com/a"), "https://shop.example.com/a");
  EXPECT_EQ(HomeViewController::linkURL("HTTPS://EXAMPLE.COM"), "HTTPS://EXAMPLE.COM");
  EXPECT_EQ(HomeViewController::linkURL("Http://example.com"), "Http://example.com");
  // A scheme-looking text later in the address is not a scheme.
  EXPECT_EQ(HomeViewController::linkURL("example.com/?next=http://x"), "http://example.com/?next=http://x");
}

TEST_F(HomeTest, PromptOnlyForAnOnlineSignInWithNewContent) {
  launch();
  for (LoginType type : {LoginType::Offline, LoginType::Demo}) {
    signedIn(type, true);
    EXPECT_FALSE(alert()) << static_cast<int>(type);
    app->showLoginPage();
    settle();
  }
  signedIn(LoginType::Online, false);
  EXPECT_FALSE(alert());
  app->showLoginPage();
  settle();
  signedIn(LoginType::Online, true);
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), en("CONTENTUPDATED"));
  EXPECT_EQ(alert()->buttonTitleAtIndex(0), en("UPDATE_NOTNOW"));
  EXPECT_EQ(alert()->buttonTitleAtIndex(1), en("UPDATE_YES"));
  EXPECT_TRUE(SyncModel::sharedInstance()->needUpdate());

  // Not now: the Sync tab carries the badge, bouncing.
  press(0);
  EXPECT_TRUE(SyncModel::sharedInstance()->showUpdate());
  EXPECT_TRUE(syncButton().isBadgeShown());
  const std::string english = en("UPDATE");
  EXPECT_EQ(syncButton().badgeText(), english);
  // (The first bounce is over by now; the second is still under way.)
  EXPECT_TRUE(syncButton().badgeView().layer().animationForKey(TabBarItemButton::kBounce2Key));
  // A new language re-badges in that language, without bouncing again.
  syncButton().badgeView().layer().removeAllAnimations();
  LanguageManager::sharedInstance().setCurrentLanguage(2);
  EXPECT_EQ(syncButton().badgeText(), textOrEmpty(Language::stringWithName("UPDATE")));
  EXPECT_NE(syncButton().badgeText(), english);
  EXPECT_FALSE(syncButton().badgeView().layer().animationForKey(TabBarItemButton::kBounceKey));
  EXPECT_FALSE(syncButton().badgeView().layer().animationForKey(TabBarItemButton::kBounce2Key));
  // The prompt is once per sign-in: the home screen appearing again asks nothing.
  tabBar()->selectTab(2);
  tabBar()->selectTab(0);
  settle();
  EXPECT_FALSE(alert());
}

TEST_F(HomeTest, UpdateNowGoesToSyncAskingFirstOnCellular) {
  launch();
  signedIn(LoginType::Online, true);
  press(1);  // Wi-Fi: straight to the Sync tab
  EXPECT_EQ(tabBar()->iCurSelectTab(), MainTabScreens::kSync);
  EXPECT_FALSE(SyncModel::sharedInstance()->showUpdate());
  EXPECT_FALSE(alert());
  app->showLoginPage();
  settle();

  signedIn(LoginType::Online, true);
  LoginMode::sharedInstance()->setIsNotWifi(true);
  press(1);
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), HomeViewController::kCellularAlertTag);
  EXPECT_EQ(alert()->title(), en("NONWIFINETWORKUSING"));
  press(1);  // CANCEL: as "not now"
  EXPECT_EQ(tabBar()->iCurSelectTab(), MainTabScreens::kHome);
  EXPECT_TRUE(SyncModel::sharedInstance()->showUpdate());
  EXPECT_TRUE(syncButton().isBadgeShown());
  app->showLoginPage();
  settle();

  signedIn(LoginType::Online, true);
  LoginMode::sharedInstance()->setIsNotWifi(true);
  press(1);
  press(0);  // OK: to the Sync tab
  EXPECT_EQ(tabBar()->iCurSelectTab(), MainTabScreens::kSync);
  EXPECT_FALSE(SyncModel::sharedInstance()->showUpdate());
}

TEST_F(HomeTest, CompanyLinkAndAccountPage) {
  launch();
  signedIn(LoginType::Online, false, "shop.example.com");
  LinkLabel& link = home()->linklblWebsite();
  EXPECT_FALSE(link.isHidden());
  EXPECT_EQ(link.text(), "shop.example.com");
  auto& application = ui::Application::sharedInstance();
  const std::size_t before = application.openedURLs().size();
  tap(link);
  ASSERT_EQ(application.openedURLs().size(), before + 1);
  EXPECT_EQ(application.openedURLs().back(), "http://shop.example.com");
  // Underlined under the right-aligned text.
  auto [from, to] = link.underline();
  EXPECT_DOUBLE_EQ(to.x, link.bounds().width());
  EXPECT_DOUBLE_EQ(from.y, link.bounds().height() - 10);
  EXPECT_GT(to.x - from.x, 0);
  // A link of another kind than a web or mail address is shown but opens
  // nothing on the device.
  for (const char* address : {"file:///etc/passwd", "FILE:///home/rep/.local/share/marvisto", "javascript://x%0Aalert(1)",
                              "smb://server/share", "x-scheme-handler://run"}) {
    home()->loadWebsiteAddress(address);
    const std::size_t shown = application.openedURLs().size();
    tap(link);
    EXPECT_EQ(application.openedURLs().size(), shown) << address;
  }
  home()->loadWebsiteAddress("HTTPS://shop.example.com/a");
  tap(link);
  EXPECT_EQ(application.openedURLs().back(), "HTTPS://shop.example.com/a");
  // An empty address hides the link.
  home()->loadWebsiteAddress("");
  EXPECT_TRUE(link.isHidden());
  // The account page carries the user and the client, each escaped.
  LoginMode::sharedInstance()->setAcountID("a&b c");
  home()->userEditBtnClick();
  const std::string opened = application.openedURLs().back();
  EXPECT_NE(opened.find("username=a%26b%20c@acme"), std::string::npos) << opened;
  // The logout button signs out once its own call has returned.
  home()->logoutBtnClick();
  EXPECT_FALSE(app->isWelcomeRoot());
  settle();
  EXPECT_TRUE(app->isWelcomeRoot());
}

}  // namespace
}  // namespace mv::test
