#include "CatalogTestSupport.hpp"
#include "SessionFixture.hpp"
#include "catalog/CatalogFeature.hpp"
#include "catalog/CatalogViewController.hpp"
#include "catalog/MasterViewController.hpp"
#include "catalog/ProductBigCatalog.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/TabBarController.hpp"
#include "platform/ui/Window.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/config/LanguageManager.hpp"

namespace mv::test {
namespace {

// A screen shown headless in a window of its own.
class CatalogScreenTest : public CatalogTest {
 protected:
  void SetUp() override {
    CatalogTest::SetUp();
    ui::View::setAnimationsEnabled(false);
  }
  void TearDown() override {
    if (window) {
      window->setRootViewController(nullptr);
      ui::Application::sharedInstance().removeWindow(window.get());
    }
    window.reset();
    driver.reset();
    ui::View::setAnimationsEnabled(true);
    CatalogTest::TearDown();
  }
  void show(std::shared_ptr<ui::ViewController> root) {
    window = std::make_shared<ui::Window>();
    window->makeKeyAndVisible();
    window->setRootViewController(std::move(root));
    driver = std::make_unique<ui::HeadlessDriver>(window);
    settle();
  }
  void settle() {
    base::RunLoop::main().runUntil([] { return false; }, 0.5);
    ui::View::layoutPendingViews();
  }
  // The left panel's rows as "title count".
  std::vector<std::string> rows(ui::TableView& table) {
    std::vector<std::string> out;
    for (long r = 0; r < table.numberOfRowsInSection(0); ++r) {
      table.scrollToRowAtIndexPath({0, r}, ui::TableViewScrollPosition::None, false);
      ui::View::layoutPendingViews();
      auto* cell = dynamic_cast<ProductBigCatalog*>(table.cellForRowAtIndexPath({0, r}));
      out.push_back(cell ? cell->lbTitle().text() + " " + cell->lbcount().text() : "<none>");
    }
    return out;
  }

  std::shared_ptr<ui::Window> window;
  std::unique_ptr<ui::HeadlessDriver> driver;
};

TEST_F(CatalogScreenTest, PanelWalksTheTreeAndBack) {
  seedExampleTree();
  auto title = std::make_shared<ui::Label>();
  auto panel = std::make_shared<MasterViewController>(*services);
  panel->setLblTitle(title);
  NotificationLog log;
  show(panel);
  EXPECT_TRUE(log.take().empty());
  EXPECT_EQ(rows(panel->myTable()), (std::vector<std::string>{"All 4", "A 2", "B 1", "Uncategorized 1"}));

  ASSERT_TRUE(panel->myTable().tapRowAtIndexPath({0, 1}));
  EXPECT_EQ(log.take(), (std::vector<std::string>{"displayFourColumn 10"}));
  settle();
  EXPECT_EQ(rows(panel->myTable()), (std::vector<std::string>{"All 2", "A1 2", "A2 1"}));
  EXPECT_FALSE(panel->btnback().isHidden());
  EXPECT_EQ(panel->lbcategory().text(), "A");
  EXPECT_EQ(title->text(), "A");
  EXPECT_EQ(panel->myTable().indexPathForSelectedRow(), (ui::IndexPath{0, 0}));

  // The "ALL" row just entered asks nothing; a leaf, then "ALL" again, do.
  panel->tagTableSelectRow(0);
  ASSERT_TRUE(panel->myTable().tapRowAtIndexPath({0, 2}));
  ASSERT_TRUE(panel->myTable().tapRowAtIndexPath({0, 0}));
  EXPECT_EQ(log.take(), (std::vector<std::string>{"displayFourColumn 12", "displayFourColumn 10"}));

  ASSERT_TRUE(driver->tap(panel->btnback()));
  EXPECT_EQ(log.take(), (std::vector<std::string>{"displayFourColumn 0"}));
  settle();
  EXPECT_TRUE(panel->btnback().isHidden());
  EXPECT_EQ(panel->lbcategory().text(), "Category");
  EXPECT_EQ(rows(panel->myTable()).back(), "Uncategorized 1");

  // Back from the tags to a level just entered, the grid is asked for the level again.
  ASSERT_TRUE(panel->myTable().tapRowAtIndexPath({0, 1}));
  settle();
  panel->btnCatalogSwitch().setCurrentIndex(1);
  log.take();
  panel->btnCatalogSwitch().setCurrentIndex(0);
  EXPECT_EQ(log.take(), (std::vector<std::string>{"displayFourColumn 10"}));
  EXPECT_EQ(title->text(), "A");
}

// A count wider than its badge's place shows whole: the badge grows to the
// left, short of the arrow, and the category's title gives it the room.
TEST_F(CatalogScreenTest, ALargeCountShowsWholeInItsBadge) {
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  auto cell = std::make_shared<ProductBigCatalog>("Cell");
  cell->setFrame({0, 0, 244, ProductBigCatalog::kRowHeight});
  cell->lbTitle().setText("Lighting and lamps for every room of the house");
  cell->imgicon().setHidden(false);
  for (const std::size_t count : {std::size_t{7}, std::size_t{100000}, std::size_t{2147483647}}) {
    SCOPED_TRACE(count);
    cell->setCount(count);
    cell->layoutIfNeeded();
    const auto shown = cell->lbcount().shownLines();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], std::to_string(count));
    EXPECT_LT(cell->lbTitle().frame().maxX(), cell->lbCountBackground().frame().x());
    EXPECT_LE(cell->lbCountBackground().frame().maxX(), cell->imgicon().frame().x());
  }
}

TEST_F(CatalogScreenTest, PanelSwitchesBetweenTreeAndTagsAndReloadsAfterASync) {
  seedExampleTree();
  tag(1, "red", {3, 1, 99});
  tag(2, "Blue", {2});
  save();
  auto title = std::make_shared<ui::Label>();
  auto panel = std::make_shared<MasterViewController>(*services);
  panel->setLblTitle(title);
  NotificationLog log;
  show(panel);

  // A product screen's tag while browsing categories: the panel turns to
  // its tags, which start with the first one.
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::changeMasterViewState);
  EXPECT_EQ(MasterViewController::getCurrentState(), CatalogMode::kTag);
  // The tags are read on a worker.
  EXPECT_EQ(log.take(), (std::vector<std::string>{"refushRightData nil"}));
  settle();
  EXPECT_EQ(log.take(), (std::vector<std::string>{"refushRightData Blue 2"}));
  EXPECT_TRUE(panel->myTable().isHidden());
  EXPECT_FALSE(panel->tagsLeftView().isHidden());
  EXPECT_EQ(panel->lbcategory().text(), "Tags");
  EXPECT_EQ(rows(panel->tagsLeftView().tableView()), (std::vector<std::string>{"Blue 1", "red 2"}));

  // By name: a listed tag is chosen (its unknown product left out), another changes nothing.
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::didSelectToFromNotification,
                                                  std::string("green"));
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::didSelectToFromNotification,
                                                  std::string("red"));
  EXPECT_EQ(log.take(), (std::vector<std::string>{"didSelectToFromNotification green",
                                                  "didSelectToFromNotification red", "refushRightData red 1,3"}));
  EXPECT_EQ(panel->tagsLeftView().selectRow(), 1);

  // Back to the tree, which asks again for the row it had; then to the
  // tags, which send the tag chosen before.
  panel->btnCatalogSwitch().setCurrentIndex(0);
  EXPECT_EQ(MasterViewController::getCurrentState(), CatalogMode::kCategory);
  panel->btnCatalogSwitch().setCurrentIndex(1);
  EXPECT_EQ(log.take(), (std::vector<std::string>{"displayFourColumn 0", "refushRightData red 1,3"}));
  panel->btnCatalogSwitch().setCurrentIndex(0);
  log.take();

  // After a sync the panel starts again from the root, once.
  auto config = services->get<ConfigManager>();
  ASSERT_TRUE(config);
  config->flagDic()[ConfigManager::kReloadCatalog] = "YES";
  panel->beginAppearanceTransition(false, false);
  panel->endAppearanceTransition();
  panel->beginAppearanceTransition(true, false);
  panel->endAppearanceTransition();
  EXPECT_EQ(log.take(), (std::vector<std::string>{"btnBackClick", "displayFourColumn 0"}));
  EXPECT_EQ(config->flagDic()[ConfigManager::kReloadCatalog], "NO");
  EXPECT_EQ(title->text(), "Product Catalog");

  window->setRootViewController(nullptr);
  panel.reset();
  CatalogMode::setCurrentState(CatalogMode::kTag);
  auto second = std::make_shared<MasterViewController>(*services);
  second.reset();
  EXPECT_EQ(MasterViewController::getCurrentState(), CatalogMode::kCategory);
}

TEST_F(CatalogScreenTest, ALanguageChangeRetitlesTheVisibleSwitch) {
  seedExampleTree();
  auto panel = std::make_shared<MasterViewController>(*services);
  panel->setLblTitle(std::make_shared<ui::Label>());
  show(panel);
  auto& languages = LanguageManager::sharedInstance();
  const auto titles = [&] {
    auto& segments = panel->btnCatalogSwitch().segmentedControl();
    return std::vector<std::string>{segments.titleForSegmentAtIndex(0), segments.titleForSegmentAtIndex(1),
                                    panel->lbcategory().text()};
  };
  EXPECT_EQ(titles(), (std::vector<std::string>{"Category", "Tags", "Category"}));
  languages.setCurrentLanguage(2);
  EXPECT_EQ(titles(), (std::vector<std::string>{"分类", "标签", "分类"}));
  panel->btnCatalogSwitch().setCurrentIndex(1);
  languages.setCurrentLanguage(1);
  EXPECT_EQ(titles(), (std::vector<std::string>{"Category", "Tags", "Tags"}));
  EXPECT_EQ(panel->btnCatalogSwitch().segmentedControl().selectedSegmentIndex(), 1);
}

class CatalogTabTest : public CatalogScreenTest {
 protected:
  void SetUp() override {
    CatalogScreenTest::SetUp();
    seedExampleTree();
    CatalogFeature::install(wiring);
    auto made = wiring.makeScreen(MainTabScreens::kCatalog, services.get());
    screen = std::dynamic_pointer_cast<CatalogViewController>(made);
    ASSERT_TRUE(screen);
    tabs = std::make_shared<ui::TabBarController>();
    tabs->setViewControllers({std::make_shared<ui::ViewController>(), std::make_shared<ui::NavigationController>(screen)});
    tabs->setSelectedIndex(1);
    show(tabs);
  }
  void TearDown() override {
    screen.reset();
    tabs.reset();
    CatalogScreenTest::TearDown();
  }
  long count(long tag) {
    long n = 0;
    for (const auto& v : screen->view()->subviews()) n += v->tag() == tag;
    return n;
  }

  std::shared_ptr<CatalogViewController> screen;
  std::shared_ptr<ui::TabBarController> tabs;
};

TEST_F(CatalogTabTest, AttachesItsPanelsOnlyOnItsOwnTabAndOnlyOnce) {
  EXPECT_EQ(count(CatalogViewController::kMasterViewTag), 1);
  EXPECT_EQ(count(CatalogViewController::kDetailViewTag), 1);
  screen->addCatologView();
  EXPECT_EQ(count(CatalogViewController::kMasterViewTag), 1);
  EXPECT_EQ(count(CatalogViewController::kDetailViewTag), 1);
  // the panel above the grid
  const auto& subviews = screen->view()->subviews();
  EXPECT_EQ(subviews.back()->tag(), CatalogViewController::kMasterViewTag);
  EXPECT_EQ(screen->masterController()->view()->frame(), (base::Rect{0, 0, 244, 712}));
  EXPECT_EQ(screen->detailController()->view()->frame(), (base::Rect{0, 64, 1024, 648}));

  tabs->setSelectedIndex(0);
  screen->removeCalogView();
  screen->addCatologView();
  EXPECT_EQ(count(CatalogViewController::kMasterViewTag), 0);
  EXPECT_EQ(count(CatalogViewController::kDetailViewTag), 0);
}

TEST_F(CatalogTabTest, ThePanelMovesInAndOutAndTheTopBarFollowsEachState) {
  NotificationLog log;
  screen->ControlMasterClicked();
  EXPECT_TRUE(screen->isMasterViewHiddened());
  EXPECT_EQ(log.take(), (std::vector<std::string>{"switchProductStyle"}));
  EXPECT_EQ(screen->masterController()->view()->frame().x(), -244);
  EXPECT_EQ(screen->btnMenu().frame(), (base::Rect{15, 25, 34, 34}));
  EXPECT_EQ(screen->searchBar().frame(), (base::Rect{55, 23, 220, 34}));
  EXPECT_EQ(screen->detailViewController()->productShowView().frame(), (base::Rect{0, 0, 1024, 648}));
  // While moving, the title keeps its text where it stood: centred beside the panel.
  EXPECT_EQ(screen->lblTitle().frame().x(), 282);
  EXPECT_EQ(screen->lblTitle().frame().width(),
            gfx::TextMeasurer::current().widthOf(screen->lblTitle().text(), screen->lblTitle().font()));
  settle();
  EXPECT_EQ(screen->lblTitle().frame(), (base::Rect{282, 27, 460, 30}));

  // Asking for the state it has does nothing.
  screen->setMasterViewHidded(true, {0, 0});
  EXPECT_TRUE(log.take().empty());
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::AppearOrHiddenMasterView);
  EXPECT_FALSE(screen->isMasterViewHiddened());
  settle();
  EXPECT_EQ(screen->masterController()->view()->frame().x(), 0);
  EXPECT_EQ(screen->lblTitle().frame(), (base::Rect{527, 27, 220, 30}));
  EXPECT_EQ(screen->catalogNavBgImageView().frame().x(), 244);
  log.take();

  // A product opening hides the panel and the search; coming back brings them again.
  screen->productCellClicked();
  EXPECT_FALSE(screen->btnBack().isHidden());
  EXPECT_TRUE(screen->btnMenu().isHidden());
  EXPECT_TRUE(screen->searchBar().isHidden());
  EXPECT_TRUE(screen->orderingController().orderingButton()->isHidden());
  EXPECT_EQ(screen->lblTitle().frame(), (base::Rect{112, 27, 800, 30}));
  EXPECT_EQ(screen->masterController()->view()->frame().x(), -244);
  EXPECT_FALSE(screen->isMasterViewHiddened());
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::btnBackClick);
  settle();
  EXPECT_TRUE(screen->btnBack().isHidden());
  EXPECT_FALSE(screen->btnMenu().isHidden());
  EXPECT_FALSE(screen->searchBar().isHidden());
  EXPECT_EQ(screen->orderingController().orderingButton()->alpha(), 1.0);
  EXPECT_EQ(screen->masterController()->view()->frame().x(), 0);

  screen->productCellClicked();
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::detailOnClickTagListener, std::string("red"));
  EXPECT_EQ(screen->lblTitle().text(), "red");
  screen->orderingDidSelected(screen->orderingController(), 2);
  EXPECT_EQ(log.take(), (std::vector<std::string>{"switchProductStyle", "btnBackClick",
                                                  "didSelectToFromNotification red", "SORT_PRODUCT 2"}));
}

TEST_F(CatalogTabTest, TheOrderingsShowWholeOnTheButtonAndInItsMenu) {
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  auto& ordering = screen->orderingController();
  auto whole = [](const ui::Label& label) {
    const gfx::Font shown = label.font().withSize(label.actualFontSize());
    return gfx::TextMeasurer::current().truncate(label.text(), shown, label.bounds().width(), label.lineBreakMode());
  };
  ASSERT_TRUE(driver->tap(*ordering.orderingButton()));
  settle();
  auto& table = *ordering.orderingTableViewController()->tableView();
  const long rows = table.numberOfRowsInSection(0);
  ASSERT_EQ(rows, 4);
  for (long r = 0; r < rows; ++r) {
    auto* cell = table.cellForRowAtIndexPath({0, r});
    ASSERT_TRUE(cell);
    EXPECT_EQ(whole(cell->textLabel()), cell->textLabel().text()) << r;
  }
  ASSERT_TRUE(driver->tap(*table.cellForRowAtIndexPath({0, 3})));
  settle();
  const ui::Label& title = ordering.orderingButton()->titleLabel();
  EXPECT_EQ(title.text(), "Recommended");
  EXPECT_EQ(whole(title), "Recommended");
  EXPECT_EQ(title.actualFontSize(), title.font().pointSize());
}

TEST_F(CatalogTabTest, EmptyCompareAndFavouriteListsSayThatInAToast) {
  // (the toast runs its course within a few turns while animations are off)
  screen->btnCompareClicked();
  auto toasts = driver->findAllOf<UIToast>(nullptr, false);
  ASSERT_EQ(toasts.size(), 1u);
  EXPECT_EQ(toasts[0]->text(), "You have not added any products to compare yet.");
  screen->btnFavoritesClicked();
  toasts = driver->findAllOf<UIToast>(nullptr, false);
  ASSERT_FALSE(toasts.empty());
  EXPECT_EQ(toasts.back()->text(), "You have not added any favorites yet.");
}

}  // namespace
}  // namespace mv::test
