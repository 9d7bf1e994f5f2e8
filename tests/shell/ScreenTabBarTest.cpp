// The main tab bar and its buttons on a session set up by hand: which
// buttons show and where, selection and the feature screens' callbacks,
// badges, the sync blink, the bar image, the logo's way back to sign-in.
#include <algorithm>
#include <filesystem>

#include "DesktopTestWindow.hpp"
#include "LargePicture.hpp"
#include "SessionScope.hpp"
#include "ScreenTestSupport.hpp"
#include "platform/base/Paths.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/gfx/PictureCache.hpp"
#include "platform/ui/LayerAnimation.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/FeaturePendingViewController.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/ShellActions.hpp"
#include "shell/sync-screens/ResourceUpdateView.hpp"
#include "shell/sync-screens/SyncScreens.hpp"
#include "shell/sync-screens/SyncViewController.hpp"
#include "sync/SessionServices.hpp"
#include "store/DataAccessManager.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

class TabBarTest : public ScreenTest {
 protected:
  std::vector<double> shownX() {
    std::vector<double> xs;
    for (int tag = 0; tag < UITabBarControllerExt::kButtonCount; ++tag) {
      if (!tabBar()->button(tag).isHidden()) xs.push_back(tabBar()->button(tag).frame().x());
    }
    return xs;
  }
  std::shared_ptr<FeaturePendingViewController> pending(int tag) {
    return std::dynamic_pointer_cast<FeaturePendingViewController>(tabBar()->screen(tag));
  }
};

gfx::ImagePtr solid(ui::Size size, const gfx::Color& colour) {
  auto ctx = gfx::Context::bitmap(size);
  ctx->setFillColor(colour);
  ctx->fillRect({0, 0, size.width, size.height});
  return ctx->makeImage();
}

TEST_F(TabBarTest, ButtonsFollowTheConfigurationAndTheSelection) {
  launch();
  showMainFor("acme", "1,0,1,1,1,1,0", LoginType::Online);
  auto tab = tabBar();
  ASSERT_TRUE(tab);
  // The first selection lays the shown buttons out 100 points apart.
  EXPECT_EQ(shownX(), (std::vector<double>{320, 420, 520, 620, 720, 820}));
  EXPECT_EQ(tab->backgroundImage().frame(), ui::Rect(0, 712, 1024, 56));
  EXPECT_EQ(tab->btnLogo().frame(), ui::Rect(15, 714.5, 225, 51));
  // Reading the configuration again uses 90 points.
  tab->loadByConfig();
  EXPECT_EQ(shownX(), (std::vector<double>{320, 410, 500, 590, 680, 770}));
  // The catalogue and library tabs leave the buttons where they are ...
  tab->selectTab(4);
  EXPECT_EQ(shownX(), (std::vector<double>{320, 410, 500, 590, 680, 770}));
  // ... any other tab lays them out again.
  tab->selectTab(3);
  EXPECT_EQ(shownX(), (std::vector<double>{320, 420, 520, 620, 720, 820}));
  EXPECT_EQ(tab->iCurSelectTab(), 3);
  EXPECT_EQ(tab->iPerSelectTab(), 4);
  EXPECT_TRUE(tab->button(3).isSelected());
  EXPECT_FALSE(tab->button(4).isSelected());
  // The chosen title takes the blue, deepened as far as the bar needs for it
  // to read; the others keep their grey, which reads already.
  const gfx::Color chosen = tab->button(3).lableTitle().textColor();
  EXPECT_NE(chosen, tab->button(4).lableTitle().textColor());
  EXPECT_LT(chosen.r(), chosen.b());
  EXPECT_EQ(tab->button(4).lableTitle().textColor(), gfx::Color::rgb255(70, 70, 70));
  EXPECT_EQ(tab->selectedIndex(), 3u);
  EXPECT_TRUE(pending(3)->isVisible());
  // Going back to the previous tab, as its button would.
  tab->returnPerselectTab();
  EXPECT_EQ(tab->iCurSelectTab(), 4);
  // A tap on a button.
  tap(tab->button(2).btn());
  EXPECT_EQ(tab->iCurSelectTab(), 2);
  EXPECT_TRUE(pending(2)->isVisible());
  EXPECT_FALSE(pending(4)->isVisible());

  // The catalogue and library screens hear when their tabs come and go.
  auto catalog = pending(1), library = pending(4);
  const int catalogShown = catalog->shownCount(), libraryShown = library->shownCount();
  const int catalogHidden = catalog->hiddenCount(), libraryHidden = library->hiddenCount();
  tab->selectTab(1);
  EXPECT_EQ(catalog->shownCount(), catalogShown + 1);
  EXPECT_EQ(library->hiddenCount(), libraryHidden + 1);
  tab->selectTab(4);
  EXPECT_EQ(catalog->hiddenCount(), catalogHidden + 1);
  EXPECT_EQ(library->shownCount(), libraryShown + 1);
  tab->selectTab(0);
  EXPECT_EQ(catalog->hiddenCount(), catalogHidden + 2);
  EXPECT_EQ(library->hiddenCount(), libraryHidden + 2);
  // Out of range: nothing.
  tab->selectTab(9);
  EXPECT_EQ(tab->iCurSelectTab(), 0);
  // Every screen re-read the configuration when the bar appeared.
  for (int tag = 1; tag < 7; ++tag) EXPECT_GE(pending(tag)->loadByConfigCount(), 1) << tag;
}

// Only the first tab's screen is made at sign-in; the bar still shows every
// tab's title, icon and badge, and each screen is made when its tab is first
// shown, reading the configuration once and hearing its tab's visits from then
// on. The work the features do ahead runs once the main screen is up.
TEST_F(TabBarTest, EachTabsScreenIsMadeWhenItsTabFirstShows) {
  launch();
  int ahead = 0;
  app->wiring().afterMainScreen.push_back([&ahead](SessionServices&) { ++ahead; });
  showMainFor("acme", "1,1,1,1,1,1,1", LoginType::Online);
  auto tab = tabBar();
  ASSERT_TRUE(tab);
  EXPECT_EQ(ahead, 1);
  EXPECT_TRUE(tab->hasScreen(MainTabScreens::kHome));
  for (int tag = 1; tag < MainTabScreens::kTabCount; ++tag) EXPECT_FALSE(tab->hasScreen(tag)) << tag;
  auto texts = visibleTexts();
  for (const char* key : {"CATALOG", "CUSTOMER", "INVENTORY", "SALESLIBRARY", "ORDER", "SYNC"})
    EXPECT_NE(std::find(texts.begin(), texts.end(), en(key)), texts.end()) << key;
  for (int tag = 1; tag < MainTabScreens::kTabCount; ++tag) EXPECT_TRUE(tab->button(tag).imgNormal()) << tag;
  ShellActions::of(SessionServices::current())->setTabBadge(MainTabScreens::kQuoteOrder, "3", false);
  EXPECT_EQ(tab->button(MainTabScreens::kQuoteOrder).badgeText(), "3");
  EXPECT_FALSE(tab->hasScreen(MainTabScreens::kQuoteOrder));

  // The first tap on the catalogue makes its screen, shown and told it entered.
  tap(tab->button(MainTabScreens::kCatalog).btn());
  ASSERT_TRUE(tab->hasScreen(MainTabScreens::kCatalog));
  auto catalog = pending(MainTabScreens::kCatalog);
  EXPECT_TRUE(catalog->isVisible());
  EXPECT_EQ(catalog->view()->frame(), ui::Rect(0, 0, 1024, 768));
  EXPECT_EQ(catalog->loadByConfigCount(), 1);
  EXPECT_EQ(catalog->shownCount(), 1);
  EXPECT_EQ(catalog->hiddenCount(), 0);
  EXPECT_FALSE(tab->hasScreen(MainTabScreens::kSalesLibrary));
  tap(tab->button(MainTabScreens::kSalesLibrary).btn());
  EXPECT_EQ(catalog->hiddenCount(), 1);
  EXPECT_EQ(pending(MainTabScreens::kSalesLibrary)->shownCount(), 1);
  EXPECT_FALSE(catalog->isVisible());
  // Coming back shows the same screen, made once.
  tap(tab->button(MainTabScreens::kCatalog).btn());
  EXPECT_EQ(pending(MainTabScreens::kCatalog), catalog);
  EXPECT_EQ(catalog->shownCount(), 2);
  EXPECT_TRUE(catalog->isVisible());
  EXPECT_EQ(catalog->loadByConfigCount(), 1);
  EXPECT_FALSE(tab->hasScreen(MainTabScreens::kSync));
  EXPECT_EQ(ahead, 1);
}

TEST_F(TabBarTest, HiddenHomeStillSelectedAndEightButtonsFit) {
  launch();
  showMainFor("acme", "0,1,1,1,1,1,1", LoginType::Online);
  auto tab = tabBar();
  EXPECT_TRUE(tab->button(0).isHidden());
  EXPECT_EQ(tab->iCurSelectTab(), 0);
  EXPECT_EQ(tab->selectedIndex(), 0u);
  EXPECT_TRUE(tab->button(0).isSelected());
  app->showLoginPage();
  settle();
  // All eight: the wider pitch would end past the bar, so the narrower one stays.
  showMainFor("acme", "1,1,1,1,1,1,1", LoginType::Online);
  EXPECT_EQ(UITabBarControllerExt::movePitch(8), UITabBarControllerExt::kConfigPitch);
  EXPECT_EQ(UITabBarControllerExt::movePitch(7), UITabBarControllerExt::kMovePitch);
  const ui::Rect settings = tabBar()->button(7).frame();
  EXPECT_DOUBLE_EQ(settings.x(), 320 + 90 * 7);
  EXPECT_LE(settings.maxX(), 1024);
  // And it opens the settings window.
  tap(tabBar()->button(7).btn());
  EXPECT_TRUE(tabBar()->presentedViewController());
  EXPECT_TRUE(tabBar()->button(7).isSelected());
}

// The settings window covers the whole window, its tab bar too: the bar is
// drawn under the same shade as the screen above it, and a tap on one of
// its buttons neither changes the tab nor closes the window.
TEST_F(TabBarTest, TheBarBehindTheSettingsWindowIsDrawnCoveredAndTakesNoTap) {
  launch();
  showMainFor("acme", "1,1,1,1,1,1,1", LoginType::Online);
  auto tab = tabBar();
  const ui::Rect catalogue = tab->button(1).btn().convertRectToView(tab->button(1).btn().bounds(), nullptr);
  const ui::Rect bar = tab->backgroundImage().convertRectToView(tab->backgroundImage().bounds(), nullptr);
  // A spot of the bar between two buttons, and one of the screen above it.
  const ui::Point onBar{(catalogue.maxX() + tab->button(2).frame().minX() + bar.minX()) / 2, bar.midY()};
  const ui::Point onScreen{100, 400};
  const auto brightness = [&](ui::Point p) {
    auto frame = driver().render();
    if (!frame) return -1.0;
    const double scale = static_cast<double>(frame->pixelWidth()) / 1024;
    const auto c = frame->pixelAt(static_cast<int>(p.x * scale), static_cast<int>(p.y * scale));
    return c.r() + c.g() + c.b();
  };
  settle();
  const double barBefore = brightness(onBar), screenBefore = brightness(onScreen);
  ASSERT_GT(barBefore, 0);
  tap(tab->button(MainTabScreens::kSettings).btn());
  settle(1);
  ASSERT_TRUE(tab->presentedViewController());
  const double barCovered = brightness(onBar), screenCovered = brightness(onScreen);
  ASSERT_LT(screenCovered, screenBefore * 0.8) << "the screen above the bar is not shaded";
  EXPECT_NEAR(barCovered / barBefore, screenCovered / screenBefore, 0.05) << "the bar is not shaded as the screen is";

  const int selected = tab->iCurSelectTab();
  driver().tapAt(catalogue.center());
  settle(1);
  EXPECT_EQ(tab->iCurSelectTab(), selected);
  EXPECT_TRUE(tab->presentedViewController());
  EXPECT_TRUE(tab->button(MainTabScreens::kSettings).isSelected());
}

// What the features and the shell's screens ask of the application reaches
// the tab bar shown; each session asks through actions of its own, which go
// quiet when it ends.
TEST_F(TabBarTest, EachSessionsActionsReachTheTabBarShownWhileItLasts) {
  launch();
  // Before a sign-in the application's own actions answer the welcome screen.
  auto beforeSignIn = app->shellActions();
  ASSERT_TRUE(beforeSignIn);
  EXPECT_TRUE(beforeSignIn->isWelcomeShown());
  EXPECT_EQ(beforeSignIn->appVersion(), app->currentVersion());
  EXPECT_EQ(ShellActions::of(SessionServices::current()), nullptr);

  showMainFor("acme", "1,1,1,1,1,1,1", LoginType::Online);
  auto actions = ShellActions::of(SessionServices::current());
  ASSERT_TRUE(actions);
  EXPECT_NE(actions, beforeSignIn);
  EXPECT_FALSE(actions->isWelcomeShown());
  EXPECT_FALSE(beforeSignIn->isWelcomeShown());
  auto tab = tabBar();
  actions->setTabBadge(MainTabScreens::kQuoteOrder, "4", false);
  EXPECT_EQ(tab->button(MainTabScreens::kQuoteOrder).badgeText(), "4");
  actions->selectTab(MainTabScreens::kCustomer);
  EXPECT_EQ(tab->iCurSelectTab(), MainTabScreens::kCustomer);
  actions->startSyncIconAnimation();
  EXPECT_TRUE(tab->button(MainTabScreens::kSync).isBlinking());
  actions->stopSyncIconAnimation();
  EXPECT_FALSE(tab->button(MainTabScreens::kSync).isBlinking());
  // The settings window's backup page comes from what the features installed:
  // here none, so the page saying so.
  EXPECT_TRUE(std::dynamic_pointer_cast<FeaturePendingViewController>(actions->makeBackupAndRestore({})));
  // The library's two columns last as long as the session.
  EXPECT_FALSE(actions->libraryTwoColumns());
  actions->setLibraryTwoColumns(true);

  // The logout asked for runs on the next turn, once the asker has returned.
  actions->logOutLater();
  EXPECT_EQ(tabBar(), tab);
  settle();
  EXPECT_TRUE(app->isWelcomeRoot());
  EXPECT_TRUE(beforeSignIn->isWelcomeShown());

  showMainFor("acme", "1,1,1,1,1,1,1", LoginType::Online);
  auto next = ShellActions::of(SessionServices::current());
  ASSERT_TRUE(next);
  EXPECT_NE(next, actions);
  EXPECT_FALSE(next->libraryTwoColumns());
  // The ended session's actions no longer reach the new tab bar.
  actions->setTabBadge(MainTabScreens::kQuoteOrder, "7", false);
  actions->selectTab(MainTabScreens::kSync);
  EXPECT_FALSE(tabBar()->button(MainTabScreens::kQuoteOrder).isBadgeShown());
  EXPECT_NE(tabBar()->iCurSelectTab(), MainTabScreens::kSync);
  next->setTabBadge(MainTabScreens::kQuoteOrder, "7", false);
  EXPECT_EQ(tabBar()->button(MainTabScreens::kQuoteOrder).badgeText(), "7");
}

TEST_F(TabBarTest, BadgesAndTheSyncBlink) {
  launch();
  showMainFor("acme", "1,1,1,1,1,1,1", LoginType::Online);
  auto tab = tabBar();
  TabBarItemButton& orders = tab->button(5);
  EXPECT_FALSE(app->EditStatus());
  // Screens and models reach the badges and the wide layout through the
  // application delegate's main tab bar, the one shown.
  std::shared_ptr<UITabBarControllerExt> own = MarvistoAppDelegate::current()->tabBarController();
  ASSERT_EQ(own, tab);
  EXPECT_EQ(app->mainScreen(), tab);
  own->setBadgeValue("4", 5, false);
  EXPECT_EQ(orders.badgeText(), "4");
  const ui::Rect laidOut = tab->button(2).frame();
  tab->button(2).setFrame({0, 0, 10, 10});
  own->itemsMove(true);
  EXPECT_EQ(tab->button(2).frame(), laidOut);
  tab->selectTab(2);
  struct Case {
    std::optional<std::string> value;
    bool shown;
    std::string text;
  };
  const Case ordersCases[] = {{"12", true, "12"},    {"1500", true, "999+"}, {"999", true, "999"},
                              {"0", false, ""},      {std::nullopt, false, ""}, {"abc", false, ""},
                              {"1000", true, "999+"}};
  for (const Case& c : ordersCases) {
    tab->setBadgeValue(c.value, 5, false);
    EXPECT_EQ(orders.isBadgeShown(), c.shown) << c.value.value_or("nil");
    if (c.shown) {
      EXPECT_EQ(orders.badgeText(), c.text);
    }
  }
  // Other tags take the text as it is; an empty text hides.
  tab->setBadgeValue("1500", 2, false);
  EXPECT_EQ(tab->button(2).badgeText(), "1500");
  tab->setBadgeValue("", 2, false);
  EXPECT_FALSE(tab->button(2).isBadgeShown());
  // A tag no button has: nothing happens.
  tab->setBadgeValue("3", 42, true);

  // Narrow texts get the round badge centred at x 50, wider ones grow.
  tab->setBadgeValue("7", 5, false);
  EXPECT_EQ(orders.badgeView().frame(), ui::Rect(40, -5, 20, 20));
  EXPECT_DOUBLE_EQ(TabBarItemButton::badgeWidth(10), 20);
  EXPECT_DOUBLE_EQ(TabBarItemButton::badgeWidth(30), 40);
  tab->setBadgeValue("999+", 5, false);
  const double w = gfx::sizeWithFont("999+", orders.badgeLabel().font()).width;
  ASSERT_GT(w, 10);
  EXPECT_DOUBLE_EQ(orders.badgeView().frame().width(), w + 10);
  EXPECT_DOUBLE_EQ(orders.badgeView().frame().midX(), 50);
  EXPECT_DOUBLE_EQ(orders.badgeLabel().frame().width(), w);
  // Animated: two bounces, the second 0.3 s later.
  tab->setBadgeValue("13", 5, true);
  auto first = orders.badgeView().layer().animationForKey(TabBarItemButton::kBounceKey);
  auto second = orders.badgeView().layer().animationForKey(TabBarItemButton::kBounce2Key);
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  EXPECT_NEAR(second->beginTime - first->beginTime, 0.3, 1e-9);
  EXPECT_DOUBLE_EQ(first->duration, 0.15);
  EXPECT_TRUE(first->autoreverses);

  // The sync icon blinks between its two images and restarts from the normal one.
  TabBarItemButton& sync = tab->button(6);
  tab->startSyncIconAnimation();
  EXPECT_TRUE(sync.isBlinking());
  EXPECT_DOUBLE_EQ(sync.animatedImageView().alpha(), 1);
  EXPECT_DOUBLE_EQ(sync.btn().imageView().alpha(), 0);
  tab->startSyncIconAnimation();
  EXPECT_TRUE(sync.isBlinking());
  tab->stopSyncIconAnimation();
  EXPECT_FALSE(sync.isBlinking());
  EXPECT_DOUBLE_EQ(sync.animatedImageView().alpha(), 0);
  EXPECT_DOUBLE_EQ(sync.btn().imageView().alpha(), 1);
}

TEST_F(TabBarTest, BarImageComesFromTheClientsIconFolder) {
  launch();
  makeClientDatabase("acme", "1,1,1,1,1,1,1");
  auto lm = LoginMode::sharedInstance();
  lm->setClientID("acme");
  // The bar reads the session's database; the main screen joins this session,
  // whose services are the application's.
  SessionScope scope(Session::current(), app->wiring().services);
  ASSERT_TRUE(scope.services());
  // Without an icon row: the skin's bar.
  auto skinBar = SkinManager::skinFromImageName("btmbar-bg.png");
  ASSERT_TRUE(skinBar);
  EXPECT_EQ(UITabBarControllerExt::barImage()->size(), skinBar->size());
  // An icon row titled "top bar" names a file of the client's icon folder; a
  // file of that name elsewhere in Documents is never taken.
  DataAccessManager* dam = &scope.services()->database();
  marvisto_icon_Entity icon;
  icon._id = 1;
  icon.title = "top bar";
  icon.name = "bar.png";
  icon.publish = 1;
  ASSERT_TRUE(dam->saveToDatabaseIcon({icon}));
  fs::create_directories(base::Paths::documents() / "ConfigImages");
  ASSERT_TRUE(solid({1024, 56}, gfx::Color::blue())->writePNG(base::Paths::documents() / "ConfigImages" / "bar.png"));
  EXPECT_EQ(UITabBarControllerExt::barImage()->size(), skinBar->size());
  auto file = PublicFunction::filePathWithName("bar.png", kFileTypeConfigImage);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->parent_path(), base::Paths::documents() / "acme" / "ConfigImages");
  fs::create_directories(file->parent_path());
  ASSERT_TRUE(solid({1024, 56}, gfx::Color::red())->writePNG(*file));
  auto bar = UITabBarControllerExt::barImage();
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->pixelAt(10, 10), gfx::Color::red());
  // The tab bar shows it.
  lm->setLoginType(LoginType::Online);
  app->showMainController();
  settle();
  EXPECT_EQ(tabBar()->backgroundImage().image()->pixelAt(10, 10), gfx::Color::red());
}

// A skin of huge pictures (a plain colour each, which packs small) under
// the names the bar draws: shown read at the size each is drawn, on the
// workers, so the bar's showing costs no more than the picture cache keeps
// and nothing as large is decoded on the main thread.
TEST_F(TabBarTest, ASkinOfHugePicturesIsReadAtTheSizesItIsDrawnOffTheMainThread) {
  launch();
  const fs::path skin = base::Paths::documents() / "acme" / SkinManager::kSkinFolderName;
  fs::create_directories(skin);
  const fs::path bar = skin / "btmbar-bg.png";
  ASSERT_TRUE(writePictureRows(bar, PictureKind::InterlacedPng, kHugePictureWidth, kHugePictureHeight, 80,
                               [](std::uint8_t* row, int) {
                                 for (int x = 0; x < kHugePictureWidth * 3; x += 3) row[x] = 200, row[x + 1] = 40;
                               }));
  for (const char* name : {"homelogo.png", "btn-home-on.png", "btn-catalog.png"})
    fs::create_hard_link(bar, skin / name);
  gfx::ImageData::resetLargestDecodeOnMainThread();
  gfx::PictureCache::shared().clear();
  gfx::ImagePtr shown;
  const auto peak = peakAllocatedBy([&] {
    showMainFor("acme", "1,1,1,1,1,1,1", LoginType::Online);
    driver().render();
    settlePictures();
    shown = driver().render(tabBar()->backgroundImage());
  });
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->pixelAt(10, 10), gfx::Color::rgb255(200, 40, 0));
  EXPECT_LT(gfx::ImageData::largestDecodeOnMainThread(), std::uint64_t(kHugePictureWidth) * kHugePictureHeight);
  if (peak) {
    EXPECT_LE(*peak, gfx::PictureCache::kSharedBudget) << (*peak >> 20) << " MB";
  }
}

class SkinButtonsTest : public TabBarTest {
 protected:
  void installFeatures(FeatureWiring& wiring) override {
    TabBarTest::installFeatures(wiring);
    SyncScreens::install(wiring);
  }
  fs::path skin() const { return base::Paths::documents() / "acme" / SkinManager::kSkinFolderName; }
  // The sync screen, shown by its tab, and drawn once its pictures are in.
  std::shared_ptr<SyncViewController> showSync() {
    showMainFor("acme", "1,1,1,1,1,1,1", LoginType::Online);
    tap(tabBar()->button(MainTabScreens::kSync).btn());
    auto sync = std::dynamic_pointer_cast<SyncViewController>(tabBar()->screen(MainTabScreens::kSync));
    driver().render();
    settlePictures();
    return sync;
  }
  // A button picture past what an image reads whole, of one colour (which
  // packs small), under the names the buttons with fixed corners draw.
  void writeHugeButtons(int cutBytes = 0) {
    fs::create_directories(skin());
    const fs::path button = skin() / "Button-default_H34.png";
    ASSERT_TRUE(writePictureRows(button, PictureKind::InterlacedPng, kSide, kSide, 80, [](std::uint8_t* row, int) {
      for (int x = 0; x < kSide * 3; x += 3) row[x] = 30, row[x + 1] = 120, row[x + 2] = 60;
    }));
    if (cutBytes > 0) fs::resize_file(button, fs::file_size(button) - static_cast<std::uintmax_t>(cutBytes));
    for (const char* name : {"Button-backward_H34.png", "Button-default_H30.png"})
      fs::create_hard_link(button, skin() / name);
  }
  static constexpr int kSide = 2100;
  static_assert(std::uint64_t(kSide) * kSide > gfx::Image::kWholeReadPixels);
};

// A skin's huge button pictures: each button, drawn with fixed corners,
// reads its picture at the size it is drawn through the picture cache, not
// at full size (all of them cost less than one read whole); its corners show
// the picture's colour as its middle does.
TEST_F(SkinButtonsTest, HugeButtonPicturesAreReadAtTheSizeTheButtonsAreDrawn) {
  launch();
  writeHugeButtons();
  gfx::ImageData::resetLargestDecodeOnMainThread();
  gfx::PictureCache::shared().clear();
  gfx::ImagePtr shown;
  const auto peak = peakAllocatedBy([&] {
    auto sync = showSync();
    ASSERT_TRUE(sync);
    shown = driver().render(sync->resourceUpdateView().btnsync());
  });
  ASSERT_TRUE(shown);
  const gfx::Color skinColour = gfx::Color::rgb255(30, 120, 60);
  // Above the title, and in each fixed corner.
  const int middle = shown->pixelHeight() / 2;
  EXPECT_EQ(shown->pixelAt(shown->pixelWidth() / 2, 2), skinColour);
  EXPECT_EQ(shown->pixelAt(1, middle), skinColour);
  EXPECT_EQ(shown->pixelAt(shown->pixelWidth() - 2, middle), skinColour);
  EXPECT_LT(gfx::ImageData::largestDecodeOnMainThread(), std::uint64_t(kSide) * kSide);
  EXPECT_LE(gfx::PictureCache::shared().bytes(), gfx::PictureCache::kSharedBudget);
  if (peak) {
    EXPECT_LT(*peak, gfx::ImageData::byteCount(kSide, kSide)) << (*peak >> 20) << " MB";
  }
}

// A skin's picture cut short is found so only when drawn: the application's
// own picture is drawn in its place, so the white heading of the sync
// screen stands on the standard bar, not on nothing (white), and a cut
// button picture of any size still shows a button.
TEST_F(SkinButtonsTest, ACutSkinPictureIsDrawnAsTheStandardOne) {
  launch();
  fs::create_directories(skin());
  const fs::path bar = skin() / "topbar-bg.png";
  // The standard bar's size, of another colour.
  auto painter = gfx::Context::bitmap({1024, 64}, 1.0, true);
  painter->setFillColor(gfx::Color::rgb255(200, 30, 30));
  painter->fillRect({0, 0, 1024, 64});
  ASSERT_TRUE(painter->makeImage()->writePNG(bar));
  fs::resize_file(bar, fs::file_size(bar) - 30);
  writeHugeButtons(4096);
  auto sync = showSync();
  ASSERT_TRUE(sync);

  auto heading = driver().render(sync->topBar());
  ASSERT_TRUE(heading);
  auto standard = gfx::Context::bitmap(sync->topBar().bounds().size, 1.0, false);
  standard->drawImage(*gfx::Image::named("topbar-bg.png"), sync->topBar().bounds());
  const auto expected = standard->makeImage();
  for (const ui::Point at : {ui::Point{10, 10}, ui::Point{500, 30}}) {
    const gfx::Color drawn = heading->pixelAt(static_cast<int>(at.x), static_cast<int>(at.y));
    EXPECT_EQ(drawn, expected->pixelAt(static_cast<int>(at.x), static_cast<int>(at.y))) << at.x;
    EXPECT_NE(drawn, gfx::Color::white());
    EXPECT_EQ(drawn.alpha(), 1.0);
  }
  auto button = driver().render(sync->resourceUpdateView().btnsync());
  ASSERT_TRUE(button);
  EXPECT_EQ(button->pixelAt(button->pixelWidth() / 2, button->pixelHeight() / 2).alpha(), 1.0);
}

TEST_F(TabBarTest, LogoLongPressLeadsBackToSignIn) {
  launch();
  showMainFor("acme", "1,1,1,1,1,1,1", LoginType::Online);
  auto tab = tabBar();
  driver().longPress(driver().centerOf(tab->btnLogo()));
  settle();
  ASSERT_TRUE(tab->logoutPopController());
  ASSERT_TRUE(tab->logoutPopController()->isPopoverVisible());
  EXPECT_EQ(tab->logoutPopController()->popoverContentSize(), ui::Size(300, 40));
  EXPECT_EQ(tab->logoutPopController()->backgroundColor(), gfx::Color::rgb255(64, 95, 131));
  auto pop = std::dynamic_pointer_cast<LoginPopController>(tab->logoutPopController()->contentViewController());
  ASSERT_TRUE(pop);
  EXPECT_EQ(pop->gobackButton()->currentTitle(), en("GOBACKTOLOGIN"));
  EXPECT_TRUE(pop->gobackButton()->isEnabled());
  // A tap outside only closes it.
  driver().tapAt({500, 300});
  settle();
  EXPECT_FALSE(tab->logoutPopController()->isPopoverVisible());
  EXPECT_FALSE(app->isWelcomeRoot());
  // Its button signs out.
  driver().longPress(driver().centerOf(tab->btnLogo()));
  settle();
  pop = std::dynamic_pointer_cast<LoginPopController>(tab->logoutPopController()->contentViewController());
  std::weak_ptr<UITabBarControllerExt> weakTab = tab;
  tab.reset();
  tap(*pop->gobackButton());
  EXPECT_TRUE(app->isWelcomeRoot());
  EXPECT_FALSE(app->tabBarController());
  EXPECT_TRUE(weakTab.expired());
  EXPECT_FALSE(LoginMode::existingInstance() && LoginMode::existingInstance()->loginType() != LoginType::None);
}

TEST_F(TabBarTest, LanguageChangeRetitlesTheBarAndRegisteredFeatureScreensAreUsed) {
  // A feature screen installed by its subsystem replaces the placeholder.
  auto custom = std::make_shared<FeaturePendingViewController>("ORDER");
  launch();
  app->wiring().setScreenMaker(MainTabScreens::kCatalog, [custom](SessionServices&) { return custom; });
  showMainFor("acme", "1,1,1,1,1,1,1", LoginType::Online);
  auto tab = tabBar();
  EXPECT_EQ(tab->screen(1), custom);
  EXPECT_EQ(tab->button(3).title(), en("INVENTORY"));
  LanguageManager::sharedInstance().setCurrentLanguage(2);
  EXPECT_EQ(tab->button(3).title(), textOrEmpty(Language::stringWithName("INVENTORY")));
  EXPECT_NE(tab->button(3).title(), "Inventory");
  EXPECT_EQ(pending(2)->lblTitle().text(), textOrEmpty(Language::stringWithName("CUSTOMER")));
  EXPECT_EQ(pending(2)->lblMessage().text(), textOrEmpty(Language::stringWithName("FEATURENOTBUILT")));
}

using TabBarDesktopTest = DesktopFixture<TabBarTest>;

TEST_F(TabBarDesktopTest, AClickOnAButtonsTitleChoosesItsTabAsOnItsIcon) {
  runDesktop([&] {
    launch();
    showMainFor("acme", "1,0,1,1,1,1,0", LoginType::Online);
    auto tab = tabBar();
    ASSERT_TRUE(tab);
    auto desktop = openDesktop(driver().windowPtr());
    ASSERT_TRUE(desktop);
    desktop->runFrame(true);
    DesktopUser user(*desktop);
    for (int tag : {3, 2}) {
      auto& title = tab->button(tag).lableTitle();
      ASSERT_FALSE(title.text().empty());
      const ui::Rect r = title.convertRectToView(title.bounds(), nullptr);
      user.click({r.midX(), r.midY()});
      user.wait(0.2);
      EXPECT_EQ(tab->iCurSelectTab(), tag);
      EXPECT_TRUE(tab->button(tag).isSelected());
      EXPECT_TRUE(pending(tag)->isVisible());
    }
    auto& icon = tab->button(3).btn();
    const ui::Rect r = icon.convertRectToView(icon.bounds(), nullptr);
    user.click({r.midX(), r.midY()});
    user.wait(0.2);
    EXPECT_EQ(tab->iCurSelectTab(), 3);
  });
}

}  // namespace
}  // namespace mv::test
