#include <cmath>
#include <cstdint>

#include "CatalogTestSupport.hpp"
#include "LargePicture.hpp"
#include "catalog/CatalogFeature.hpp"
#include "catalog/InventoryViewController.hpp"
#include "catalog/MultiColumnTableView.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/Window.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "util/PublicFunction.hpp"

namespace mv::test {
namespace {

using Entry = MultiColumnTableLayout::Entry;
using Layout = MultiColumnTableLayout;

TEST(MultiColumnTableLayoutTest, RowListFlatOrBySectionWithFolding) {
  auto rows = [](long s) { return s == 0 ? 2L : 1L; };
  EXPECT_EQ(Layout::rowList(2, rows, false, {true, true}),
            (std::vector<Entry>{{0, 0}, {0, 1}, {1, 0}}));
  EXPECT_EQ(Layout::rowList(2, rows, true, {false, true}),
            (std::vector<Entry>{{0, Entry::kNoRow}, {0, 0}, {0, 1}, {1, Entry::kNoRow}}));
  EXPECT_EQ(Layout::rowList(2, rows, true, {true, true}), (std::vector<Entry>{{0, Entry::kNoRow}, {1, Entry::kNoRow}}));
  // A section the folding list does not know yet counts as open.
  EXPECT_EQ(Layout::rowList(2, rows, true, {true}).size(), 3u);
  EXPECT_TRUE(Layout::rowList(0, rows, true, {}).empty());
}

TEST(MultiColumnTableLayoutTest, ColumnsStartAfterTheWidthsAndSeparatorsBeforeThem) {
  const std::vector<double> widths{105, 200, 200, 390, 100};
  EXPECT_EQ(Layout::columnX(widths, 0, 4), 895);
  EXPECT_EQ(Layout::columnX(widths, 1, 2), 307);
  EXPECT_EQ(Layout::contentWidth(widths, 0), 995);
  EXPECT_EQ(Layout::contentWidth(widths, 1), 999);
  EXPECT_EQ(Layout::contentWidth({}, 1), 0);
  struct Case {
    double x;
    long column;
  };
  for (const Case& c : {Case{-5, 0}, Case{0, 0}, Case{104.9, 0}, Case{105, 1}, Case{304.9, 1}, Case{994.9, 4},
                        Case{995, -1}, Case{5000, -1}}) {
    EXPECT_EQ(Layout::columnAtPoint(widths, c.x), c.column) << c.x;
  }
  EXPECT_EQ(Layout::foldIndexPaths(3, 2), (std::vector<ui::IndexPath>{{0, 4}, {0, 5}}));
  EXPECT_TRUE(Layout::foldIndexPaths(3, 0).empty());
  EXPECT_EQ(Layout::highlightFrame(111, 50, 3, {100, 200}, 1, 1, 400), (ui::Rect{165, 1, 200, 398}));
  EXPECT_EQ(Layout::highlightFrame(0, 0, 0, {100}, 1, -1, 400), ui::Rect{});
  std::vector<bool> folded{true};
  Layout::resizeFolding(folded, 3, false);
  EXPECT_EQ(folded, (std::vector<bool>{true, false, false}));
}

// A data source of `sections` sections of `rows` rows and three columns of
// 100, with optional left header cells and column swapping.
class GridSource : public MultiColumnTableViewDataSource {
 public:
  bool leftHeader = false;
  bool swaps = false;
  long sections = 2;
  long rows = 2;
  std::vector<std::pair<long, long>> swapped;

  bool respondsTo(MultiColumnTableOp op) const override {
    switch (op) {
      case MultiColumnTableOp::NumberOfSections:
      case MultiColumnTableOp::WidthForColumn:
        return true;
      case MultiColumnTableOp::HeaderCellForIndexPath:
        return leftHeader;
      case MultiColumnTableOp::SwapColumns:
        return swaps;
      default:
        return false;
    }
  }
  long numberOfColumnsInTableView(MultiColumnTableView&) override { return 3; }
  long numberOfSectionsInTableView(MultiColumnTableView&) override { return sections; }
  long tableViewNumberOfRowsInSection(MultiColumnTableView&, long) override { return rows; }
  double tableViewWidthForColumn(MultiColumnTableView&, long) override { return 100; }
  std::shared_ptr<ui::View> tableViewCellForIndexPath(MultiColumnTableView&, const ui::IndexPath&, long) override {
    return std::make_shared<ui::Label>(ui::Rect{0, 0, 100, 30});
  }
  void tableViewSetContentForCell(MultiColumnTableView&, ui::View& cell, const ui::IndexPath& p, long c) override {
    static_cast<ui::Label&>(cell).setText(std::to_string(p.section) + "." + std::to_string(p.row) + "." +
                                          std::to_string(c));
  }
  std::shared_ptr<ui::View> tableViewHeaderCellForIndexPath(MultiColumnTableView&, const ui::IndexPath&) override {
    return std::make_shared<ui::View>(ui::Rect{0, 0, 111, 30});
  }
  void tableViewSwapDataOfColumn(MultiColumnTableView&, long a, long b) override { swapped.emplace_back(a, b); }
};

class MultiColumnTableTest : public CatalogTest {
 protected:
  void SetUp() override {
    CatalogTest::SetUp();
    ui::View::setAnimationsEnabled(false);
  }
  void TearDown() override {
    table.reset();
    if (window) {
      window->setRootViewController(nullptr);
      ui::Application::sharedInstance().removeWindow(window.get());
    }
    window.reset();
    ui::View::setAnimationsEnabled(true);
    CatalogTest::TearDown();
  }
  void show(const std::function<void(MultiColumnTableView&)>& configure) {
    auto root = std::make_shared<ui::ViewController>();
    table = MultiColumnTableView::initWithFrame({0, 0, 800, 500});
    configure(*table);
    root->view()->addSubview(table);
    window = std::make_shared<ui::Window>();
    window->makeKeyAndVisible();
    window->setRootViewController(root);
    table->setDataSource(source);
    base::RunLoop::main().runUntil([] { return false; }, 0.2);
    ui::View::layoutPendingViews();
  }
  std::shared_ptr<GridSource> source = std::make_shared<GridSource>();
  std::shared_ptr<MultiColumnTableView> table;
  std::shared_ptr<ui::Window> window;
};

TEST_F(MultiColumnTableTest, WithoutLeftHeaderCellsThereIsNoLeftColumnAndNothingFolds) {
  show([](MultiColumnTableView& t) { t.sectionHeaderEnabled = false; });
  EXPECT_EQ(table->leftHeaderWidthInUse(), 0);
  EXPECT_FALSE(table->headerTable());
  EXPECT_EQ(table->indexPathTable().size(), 4u);
  EXPECT_EQ(table->contentTable().numberOfRowsInSection(0), 4);
  EXPECT_EQ(table->contentWidth(), 302);
  EXPECT_EQ(table->scrollView().contentSize().width, 302);
  // A line before the first column and one after each column.
  EXPECT_EQ(table->lineCount(), 4u);
  auto* cell = dynamic_cast<MultiColumnTableViewCell*>(table->contentTable().cellForRowAtIndexPath({0, 3}));
  ASSERT_TRUE(cell);
  ASSERT_EQ(cell->columnCells().size(), 3u);
  EXPECT_EQ(static_cast<ui::Label&>(*cell->columnCells()[2]).text(), "1.1.2");
  EXPECT_EQ(cell->columnCells()[2]->frame().x(), 202);
}

TEST_F(MultiColumnTableTest, FoldedSectionsShowTheirHeaderRowUntilTappedAndTheListGrowsWithSections) {
  source->leftHeader = true;
  show([](MultiColumnTableView& t) {
    t.sectionHeaderEnabled = true;
    t.sectionFoldedByDefault = true;
  });
  ASSERT_TRUE(table->headerTable());
  EXPECT_EQ(table->leftHeaderWidthInUse(), 111);
  EXPECT_EQ(table->scrollView().frame().x(), 114);
  EXPECT_EQ(table->indexPathTable().size(), 2u);
  ASSERT_TRUE(table->headerTable()->tapRowAtIndexPath({0, 0}));
  EXPECT_EQ(table->indexPathTable().size(), 4u);
  EXPECT_EQ(table->contentTable().numberOfRowsInSection(0), 4);
  EXPECT_EQ(table->headerTable()->numberOfRowsInSection(0), 4);
  // A regular row does not fold; the header row folds again.
  ASSERT_TRUE(table->headerTable()->tapRowAtIndexPath({0, 1}));
  EXPECT_EQ(table->indexPathTable().size(), 4u);
  ASSERT_TRUE(table->headerTable()->tapRowAtIndexPath({0, 0}));
  EXPECT_EQ(table->indexPathTable().size(), 2u);

  // More sections than when the list was made: the new ones fold by default.
  source->sections = 4;
  table->reloadData();
  EXPECT_EQ(table->sectionFoldingStatus().size(), 4u);
  EXPECT_EQ(table->indexPathTable().size(), 4u);
  table->toggleFoldOfSection(3, 3);
  EXPECT_EQ(table->indexPathTable().size(), 6u);
  table->toggleFoldOfSection(9, 0);
  EXPECT_EQ(table->indexPathTable().size(), 6u);
}

TEST_F(MultiColumnTableTest, LongPressSwapsColumnsOnlyWhenTheDataSourceCanAndNotFromBeyondTheColumns) {
  show([](MultiColumnTableView&) {});
  table->columnLongPressed(ui::GestureState::Began, {50, 10});
  EXPECT_FALSE(table->hasHighlight());
  EXPECT_EQ(table->selectedColumn(), -1);

  source->swaps = true;
  auto other = std::make_shared<GridSource>();
  other->swaps = true;
  source = other;
  table->setDataSource(source);
  table->columnLongPressed(ui::GestureState::Began, {50, 10});
  EXPECT_TRUE(table->hasHighlight());
  EXPECT_EQ(table->selectedColumn(), 0);
  table->columnLongPressed(ui::GestureState::Changed, {60, 10});
  table->columnLongPressed(ui::GestureState::Changed, {700, 10});
  EXPECT_TRUE(source->swapped.empty());
  table->columnLongPressed(ui::GestureState::Changed, {150, 10});
  EXPECT_EQ(source->swapped, (std::vector<std::pair<long, long>>{{0, 1}}));
  EXPECT_EQ(table->selectedColumn(), 1);
  table->columnLongPressed(ui::GestureState::Ended, {150, 10});
  EXPECT_FALSE(table->hasHighlight());
  EXPECT_EQ(table->selectedColumn(), -1);

  // A press that starts beyond the last column moves nothing later.
  table->columnLongPressed(ui::GestureState::Began, {500, 10});
  EXPECT_FALSE(table->hasHighlight());
  table->columnLongPressed(ui::GestureState::Changed, {50, 10});
  EXPECT_EQ(source->swapped.size(), 1u);
}

TEST_F(MultiColumnTableTest, SeparatorsOfZeroLetColumnsTouch) {
  show([](MultiColumnTableView& t) {
    t.normalSeperatorLineWidth = 0;
    t.boldSeperatorLineWidth = 0;
  });
  EXPECT_EQ(table->contentWidth(), 300);
  auto* cell = dynamic_cast<MultiColumnTableViewCell*>(table->contentTable().cellForRowAtIndexPath({0, 0}));
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->columnCells()[1]->frame().x(), 100);
  EXPECT_EQ(*table->tableViewHeightForRowAtIndexPath(table->contentTable(), {0, 0}), 31);
}

TEST(InventoryContentTest, StockCountsAndRowColours) {
  marvisto_product_Entity p;
  p.product_sku = "SKU-9";
  p.product_name = "Lamp";
  p.product_s_desc = "Oak";
  struct Case {
    int stock;
    const char* text;
  };
  for (const Case& c : {Case{0, "0"}, Case{-5, "0"}, Case{999, "999"}, Case{1000, "1,000"}, Case{1234567, "1,234,567"}}) {
    p.product_stock = c.stock;
    EXPECT_EQ(InventoryViewController::cellText(p, 4), c.text) << c.stock;
  }
  EXPECT_EQ(InventoryViewController::cellText(p, 0), "SKU-9");
  EXPECT_EQ(InventoryViewController::cellText(p, 3), "Oak");
  EXPECT_EQ(InventoryViewController::rowColor(0), gfx::Color::white());
  EXPECT_EQ(InventoryViewController::rowColor(1), gfx::Color::rgb255(249, 249, 249));
  EXPECT_EQ(InventoryViewController::rowColor(2), gfx::Color::white());
  const auto infos = InventoryViewController::regularInfos();
  EXPECT_EQ(infos[2].contentWidth(), 160);
  EXPECT_EQ(infos[2].contentHeight(), 115);
  EXPECT_EQ(InventoryViewController::headerInfos()[0].contentWidth(), 59);
}

class InventoryScreenTest : public CatalogTest {
 protected:
  void SetUp() override {
    CatalogTest::SetUp();
    ui::View::setAnimationsEnabled(false);
    for (int id = 1; id <= 3; ++id) product(id, "p" + std::to_string(id));
    save();
    picture(1, 1, "p1.png", "p1_s.png", true);
    picture(2, 2, "p2.png", "p2_s.png", true);
    writePicture("p1_s.png", 40, 30);
    writePicture("p2_s.png", 80, 60);
    CatalogFeature::install(wiring);
    screen = std::dynamic_pointer_cast<InventoryViewController>(
        wiring.makeScreen(MainTabScreens::kInventory, services.get()));
    ASSERT_TRUE(screen);
    nav = std::make_shared<ui::NavigationController>(screen);
    window = std::make_shared<ui::Window>();
    window->makeKeyAndVisible();
    window->setRootViewController(nav);
    driver = std::make_unique<ui::HeadlessDriver>(window);
    settle();
  }
  void TearDown() override {
    window->setRootViewController(nullptr);
    ui::Application::sharedInstance().removeWindow(window.get());
    screen.reset();
    nav.reset();
    driver.reset();
    window.reset();
    ui::View::setAnimationsEnabled(true);
    CatalogTest::TearDown();
  }
  void writePicture(const std::string& name, int w, int h) {
    auto path = PublicFunction::filePathWithName(name, kFileTypeProductImage);
    ASSERT_TRUE(path);
    std::filesystem::create_directories(path->parent_path());
    ASSERT_TRUE(gfx::ImageData(w, h).writePNG(*path));
  }
  void settle() {
    base::RunLoop::main().runUntil([] { return false; }, 0.3);
    ui::View::layoutPendingViews();
  }
  // The picture a row's picture button shows, by its pixel width; 0 for none.
  double pictureWidth(ui::View& button) {
    for (const auto& sub : button.subviews()) {
      if (auto* image = dynamic_cast<ui::ImageView*>(sub.get()); image && image->image()) {
        return image->image()->size().width;
      }
    }
    return 0;
  }

  std::shared_ptr<InventoryViewController> screen;
  std::shared_ptr<ui::NavigationController> nav;
  std::shared_ptr<ui::Window> window;
  std::unique_ptr<ui::HeadlessDriver> driver;
};

TEST_F(InventoryScreenTest, ListsEveryPublishedProductUnderTheColumnTitles) {
  EXPECT_EQ(screen->multiColumnTableData().size(), 3u);
  EXPECT_EQ(screen->tblView().contentTable().numberOfRowsInSection(0), 3);
  EXPECT_EQ(screen->labelArray()[4]->text(), "Quantity");
  EXPECT_EQ(screen->labelArray()[2]->frame().x(), 305 + 50);
  EXPECT_EQ(screen->tblView().frame(), (ui::Rect{0, 85, 1024, 768 - 56 - 85}));
  EXPECT_TRUE(nav->isNavigationBarHidden());
  // Products added meanwhile show on the next appearance.
  product(4, "p4");
  save();
  screen->beginAppearanceTransition(false, false);
  screen->endAppearanceTransition();
  screen->beginAppearanceTransition(true, false);
  screen->endAppearanceTransition();
  EXPECT_EQ(screen->tblView().contentTable().numberOfRowsInSection(0), 4);
  {
    gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
    settle();
    const auto file = root / "inventory.png";
    ASSERT_TRUE(driver->snapshot(file));
    keepSnapshot(file);
  }
}

TEST_F(InventoryScreenTest, APictureLandsOnlyInTheRowThatAskedForIt) {
  // Row 0's picture is large, so it is read after row 1's small one: the
  // stale picture arrives last.
  writePicture("p1_s.png", 3000, 2200);
  auto cell = screen->tableViewCellForIndexPath(screen->tblView(), {0, 0}, 1);
  ASSERT_TRUE(cell);
  auto& button = *cell->subviews().front();
  // The cell asks for row 0's picture, then is reused for row 1 before it arrives.
  screen->tableViewSetContentForCell(screen->tblView(), *cell, {0, 0}, 1);
  screen->tableViewSetContentForCell(screen->tblView(), *cell, {0, 1}, 1);
  screen->waitForPictureReads();
  settle();
  EXPECT_EQ(button.tag(), 1);
  EXPECT_EQ(pictureWidth(button), 80);
  // A product without a picture shows the stock one.
  screen->tableViewSetContentForCell(screen->tblView(), *cell, {0, 2}, 1);
  screen->waitForPictureReads();
  settle();
  EXPECT_EQ(pictureWidth(button), 400);
}

// A huge interlaced picture is read on a worker at the size
// of the row's picture button, pass by pass, never whole.
TEST_F(InventoryScreenTest, ALargeInterlacedPictureIsReadAtItsButtonsSizeOffTheMainThread) {
  const auto path = PublicFunction::filePathWithName("p1_s.png", kFileTypeProductImage);
  ASSERT_TRUE(path);
  ASSERT_TRUE(writeLargePicture(*path, PictureKind::InterlacedPng, kHugePictureWidth, kHugePictureHeight));
  gfx::ImageData::resetLargestDecodeOnMainThread();
  auto cell = screen->tableViewCellForIndexPath(screen->tblView(), {0, 0}, 1);
  ASSERT_TRUE(cell);
  auto& button = *cell->subviews().front();
  screen->tableViewSetContentForCell(screen->tblView(), *cell, {0, 0}, 1);
  screen->waitForPictureReads();
  settle();
  ui::ImageView* shown = nullptr;
  for (const auto& sub : button.subviews()) {
    if (auto* image = dynamic_cast<ui::ImageView*>(sub.get()); image && image->image()) shown = image;
  }
  ASSERT_TRUE(shown);
  const double scale = ui::Screen::mainScreen().scale();
  EXPECT_LE(shown->image()->pixelWidth(), std::ceil(button.bounds().width() * scale));
  EXPECT_LE(shown->image()->pixelHeight(), std::ceil(button.bounds().height() * scale));
  EXPECT_LT(gfx::ImageData::largestDecodeOnMainThread(), std::uint64_t(kHugePictureWidth) * kHugePictureHeight);
  // Red on the left, blue on the right, as the file has it.
  const auto left = shown->image()->pixelAt(shown->image()->pixelWidth() / 4, shown->image()->pixelHeight() / 2);
  const auto right = shown->image()->pixelAt(shown->image()->pixelWidth() * 3 / 4, shown->image()->pixelHeight() / 2);
  EXPECT_GT(left.r(), 0.8);
  EXPECT_GT(right.b(), 0.8);
}

TEST_F(InventoryScreenTest, APictureOpensItsProductAloneAndBackReturns) {
  screen->tapImage(1);
  settle();
  auto* product = dynamic_cast<ProductDetailController*>(nav->topViewController());
  ASSERT_TRUE(product);
  EXPECT_EQ(product->productID(), 2);
  EXPECT_FALSE(nav->isNavigationBarHidden());
  EXPECT_TRUE(product->tapToLeftProduct().isHidden());
  EXPECT_TRUE(product->tapToRightProduct().isHidden());
  EXPECT_TRUE(product->view()->gestureRecognizers().empty());
  EXPECT_TRUE(product->tagsChooseView().isHidden());
  screen->backClicked();
  settle();
  EXPECT_EQ(nav->topViewController(), screen.get());
  EXPECT_TRUE(nav->isNavigationBarHidden());
  screen->backClicked();
  EXPECT_EQ(nav->topViewController(), screen.get());
  screen->tapImage(7);
  EXPECT_EQ(nav->viewControllers().size(), 1u);
}

// A name longer than its row holds ends its last shown line in an
// ellipsis, so it reads as cut rather than as whole.
TEST_F(InventoryScreenTest, ALongNameEndsInAnEllipsisWhereTheRowEnds) {
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  std::string name = "Sideboard";
  for (int i = 0; i < 40; ++i) name += " with drawer " + std::to_string(i);
  product(4, name);
  save();
  screen->beginAppearanceTransition(false, false);
  screen->endAppearanceTransition();
  screen->beginAppearanceTransition(true, false);
  screen->endAppearanceTransition();
  settle();
  const ui::Label* cell = nullptr;
  for (auto* label : driver->findAllOf<ui::Label>())
    if (label->text() == name) cell = label;
  ASSERT_TRUE(cell);
  const auto lines = cell->shownLines();
  ASSERT_GT(lines.size(), 1u);
  EXPECT_TRUE(lines.back().ends_with("…")) << lines.back();
  EXPECT_LE(lines.size() * gfx::TextMeasurer::current().lineHeight(cell->font()), cell->bounds().height());
}

}  // namespace
}  // namespace mv::test
