// The base screens (language hook, one-time set-up, status-bar strip, the
// popup title bar), the guide, the sign-in pop-over and the welcome screen's
// own behaviour.
#include "ScreenTestSupport.hpp"
#include "platform/base/UserDefaults.hpp"
#include "shell/session/GuideView.hpp"
#include "shell/config/Language.hpp"
#include "shell/session/LoginPopController.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/frame/PopBaseController.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv::test {
namespace {

class CountingScreen : public BaseViewController {
 public:
  void viewDidLoad() override {
    BaseViewController::viewDidLoad();
    ++loads;
    finishViewDidLoad();
  }
  void viewAfterFirstDidLoad() override {
    BaseViewController::viewAfterFirstDidLoad();
    ++setUps;
  }
  void updateLanguage(ui::ViewController& sender) override {
    EXPECT_EQ(&sender, this);
    ++languageChanges;
  }
  void hightVersionViewDidUnload() override { ++unloads; }
  int loads = 0, setUps = 0, languageChanges = 0, unloads = 0;
};

class Presenter : public PopControllerDelegate {
 public:
  void dismissPopController(bool animated) override { calls.push_back(animated); }
  std::vector<bool> calls;
};

class BaseScreenTest : public ScreenTest {
 protected:
  void TearDown() override {
    PublicFunction::setDeviceVersion(7.0);
    ScreenTest::TearDown();
  }
};

TEST_F(BaseScreenTest, LanguageHookOneTimeSetUpAndAppearance) {
  auto& languages = LanguageManager::sharedInstance();
  const std::size_t listeners = languages.listenerCount();
  auto screen = std::make_shared<CountingScreen>();
  EXPECT_FALSE(screen->bViewHasLoad());
  EXPECT_FALSE(screen->bViewAppear());
  // Not listening before its view has loaded.
  languages.setCurrentLanguage(2);
  EXPECT_EQ(screen->languageChanges, 0);
  screen->view();
  EXPECT_TRUE(screen->bViewHasLoad());
  EXPECT_EQ(screen->setUps, 1);
  EXPECT_EQ(languages.listenerCount(), listeners + 1);
  languages.setCurrentLanguage(1);
  EXPECT_EQ(screen->languageChanges, 1);
  // A reloaded view does not run the one-time set-up again.
  screen->setView(nullptr);
  screen->view();
  EXPECT_EQ(screen->loads, 2);
  EXPECT_EQ(screen->setUps, 1);
  // A memory warning reaches the unload hook.
  screen->didReceiveMemoryWarning();
  EXPECT_EQ(screen->unloads, 1);
  // On screen between did-appear and did-disappear.
  screen->beginAppearanceTransition(true, false);
  screen->endAppearanceTransition();
  EXPECT_TRUE(screen->bViewAppear());
  screen->beginAppearanceTransition(false, false);
  screen->endAppearanceTransition();
  EXPECT_FALSE(screen->bViewAppear());
  // Gone: no longer listening.
  screen.reset();
  EXPECT_EQ(languages.listenerCount(), listeners);
  languages.setCurrentLanguage(2);
}

TEST_F(BaseScreenTest, StatusBarStripAndPopupClose) {
  EXPECT_LT(BaseViewController::compareVersions("6.1", "7.0"), 0);
  EXPECT_EQ(BaseViewController::compareVersions("7.0", "7.0"), 0);
  EXPECT_GT(BaseViewController::compareVersions("10.0", "7.0"), 0);
  // Before 7.0: no strip; from 7.0: the theme's strip across the top.
  PublicFunction::setDeviceVersion(6.1);
  auto old = std::make_shared<CountingScreen>();
  old->addStatusBarBGForVersion7(true);
  EXPECT_EQ(old->view()->viewWithTag(BaseViewController::kStatusBarStripTag), nullptr);
  PublicFunction::setDeviceVersion(7.0);
  auto screen = std::make_shared<CountingScreen>();
  screen->view()->addSubview(std::make_shared<ui::View>(ui::Rect{0, 0, 10, 10}));
  screen->addStatusBarBGForVersion7(true);
  ui::View* strip = screen->view()->viewWithTag(BaseViewController::kStatusBarStripTag);
  ASSERT_TRUE(strip);
  EXPECT_EQ(strip->backgroundColor(), ViewStyle::colorOfMainTheme());
  EXPECT_EQ(screen->view()->subviews().back().get(), strip);
  screen->addStatusBarBGForVersion7WithColor(gfx::Color::red(), false);
  EXPECT_EQ(screen->view()->subviews().back()->backgroundColor(), gfx::Color::red());

  // A popup's close button asks the presenter, when there is one.
  auto popup = std::make_shared<PopBaseController>();
  popup->view();
  EXPECT_EQ(popup->btnClose()->currentTitle(), en("CLOSE"));
  popup->close();
  auto presenter = std::make_shared<Presenter>();
  popup->setDelegate(presenter);
  popup->close();
  EXPECT_EQ(presenter->calls, std::vector<bool>{true});
  presenter.reset();
  popup->close();
}

TEST_F(BaseScreenTest, GuideOncePerVersion) {
  launch(true);
  auto w = welcome();
  ASSERT_TRUE(w);
  auto guide = w->guideView();
  ASSERT_TRUE(guide);
  EXPECT_FALSE(base::UserDefaults::standard().boolForKey("SHOULDSHOWGUIDE"));
  // The demo data was unpacked under its own wait box, closed since.
  EXPECT_NE(w->demoWaitTag(), 0);
  EXPECT_FALSE(MessageBox::sharedInstance().isShowing(w->demoWaitTag()));
  ui::ScrollView& pages = guide->guideImageScorllView();
  EXPECT_EQ(pages.contentSize(), ui::Size(4 * 1024, 768));
  EXPECT_TRUE(pages.isPagingEnabled());
  for (int i = 0; i < GuideView::kPageCount; ++i) {
    ui::View* page = pages.viewWithTag(GuideView::kFirstPageTag + i);
    ASSERT_TRUE(page) << i;
    EXPECT_EQ(page->frame(), ui::Rect(1024.0 * i, 0, 1024, 768));
  }
  EXPECT_EQ(guide->startButton()->frame(), ui::Rect(3814, 548, 236, 46));
  EXPECT_EQ(guide->skipButton()->currentTitle(), en("GUIDESKIPBTN"));
  // The tour button goes to the second page.
  tap(*guide->detailButton());
  settle(0.5);
  EXPECT_DOUBLE_EQ(pages.contentOffset().x, 1024);
  // Dragging the last page further than 10 points closes the guide.
  pages.setContentOffset({3 * 1024 + 5, 0});
  EXPECT_FALSE(guide->isEnding());
  pages.setContentOffset({3 * 1024 + 11, 0});
  EXPECT_TRUE(guide->isEnding());
  EXPECT_FALSE(pages.isScrollEnabled());
  settle(0.7);
  EXPECT_FALSE(guide->superview());
  guide.reset();
  EXPECT_FALSE(w->guideView());
  // The same version again: no guide.
  app->showLoginPage();
  settle();
  EXPECT_FALSE(welcome()->guideView());
}

TEST_F(BaseScreenTest, SkipClosesTheGuideAndTheKeyboardMovesThePanel) {
  launch(true);
  auto w = welcome();
  auto guide = w->guideView();
  ASSERT_TRUE(guide);
  tap(*guide->skipButton());
  settle(0.7);
  EXPECT_FALSE(guide->superview());
  EXPECT_DOUBLE_EQ(guide->alpha(), 1.0);
  // The keyboard lifts the panel by 120 points and lets it down again.
  tap(w->loginCheckBox().userNameInputText());
  EXPECT_DOUBLE_EQ(w->homeBg().frame().y(), -120);
  w->loginCheckBox().resignTextFirstResponder();
  settle(0.5);
  EXPECT_DOUBLE_EQ(w->homeBg().frame().y(), 0);
  // The panel follows a language change.
  LanguageManager::sharedInstance().setCurrentLanguage(2);
  EXPECT_EQ(w->loginCheckBox().loginBut().currentTitle(), textOrEmpty(Language::stringWithName("LOGINBUT")));
  EXPECT_EQ(w->loginCheckBox().userNameInputText().placeholder(),
            textOrEmpty(Language::stringWithName("USERNAMEINPUT")));
  EXPECT_NE(w->loginCheckBox().loginBut().currentTitle(), "Sign In");
}

TEST_F(BaseScreenTest, SignInPopoverAndItsHelpForm) {
  class Back : public LoginPopControllerDelegate {
   public:
    void goBackLoginView() override { ++calls; }
    int calls = 0;
  };
  auto back = std::make_shared<Back>();
  auto pop = std::make_shared<LoginPopController>();
  pop->setDelegate(back);
  pop->view();
  EXPECT_EQ(pop->gobackButton()->frame(), ui::Rect(0, 0, 300, 40));
  EXPECT_DOUBLE_EQ(pop->gobackButton()->layer().cornerRadius(), 8);
  EXPECT_EQ(pop->gobackButton()->currentTitle(), en("GOBACKTOLOGIN"));
  pop->gobackButton()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  EXPECT_EQ(back->calls, 1);
  auto help = std::make_shared<LoginPopController>();
  help->setForHelp(true);
  help->view();
  EXPECT_EQ(help->gobackButton()->currentTitle(), en("HELPLOGOUT"));
  EXPECT_FALSE(help->gobackButton()->isEnabled());
  LanguageManager::sharedInstance().setCurrentLanguage(2);
  EXPECT_EQ(help->gobackButton()->currentTitle(), textOrEmpty(Language::stringWithName("HELPLOGOUT")));
  EXPECT_EQ(pop->gobackButton()->currentTitle(), textOrEmpty(Language::stringWithName("GOBACKTOLOGIN")));
}

}  // namespace
}  // namespace mv::test
