#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "GridTestSupport.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"
#include "widgets/grid/GridViewController.hpp"

using base::Point;
using base::Rect;
using base::Size;
using mv::GridView;
using mv::GridViewCell;
using mv::test::CountingCell;
using mv::test::FakeSource;
using mv::test::RecordingDelegate;

namespace {

class GridViewTest : public mv::test::GridTestEnvironment {
 protected:
  void make(Rect frame, std::size_t count, std::optional<Size> cellSize = Size{193, 212}) {
    grid = std::make_shared<GridView>(frame);
    source = std::make_shared<FakeSource>();
    source->cellSize = cellSize;
    source->setCount(count);
    delegate = std::make_shared<RecordingDelegate>();
    grid->setDataSource(source);
    grid->setDelegate(delegate);
    grid->reloadData();
    grid->layoutIfNeeded();
  }
  std::vector<long> visibleTags() const {
    std::vector<long> tags;
    for (const auto& c : grid->visibleCells()) tags.push_back(c->tag());
    return tags;
  }

  std::shared_ptr<GridView> grid;
  std::shared_ptr<FakeSource> source;
  std::shared_ptr<RecordingDelegate> delegate;
};

}  // namespace

TEST_F(GridViewTest, ScrollingARowDownReusesTheCellsThatLeft) {
  make({0, 0, 768, 700}, 30);  // 3 columns of 256 x 212; four rows in sight
  EXPECT_EQ(grid->numberOfColumns(), 3u);
  EXPECT_EQ(grid->contentSize(), (Size{768, 2120}));
  EXPECT_EQ(grid->visibleLocation(), 0u);
  EXPECT_EQ(grid->visibleLength(), 12u);
  EXPECT_EQ(source->created, 12);
  mv::test::expectVisibleListConsistent(*grid);
  // Cells are centred in their grid rectangles, at their own size.
  EXPECT_EQ(grid->cellForItemAtIndex(4)->frame(), (Rect{256 + 31, 212, 193, 212}));
  EXPECT_EQ(grid->rectForItemAtIndex(4), (Rect{256 + 31, 212, 193, 212}));
  EXPECT_EQ(grid->rectForItemAtIndex(20), (Rect{512 + 128, 6 * 212 + 106, 0, 0}));

  auto top = grid->visibleCells();
  std::vector<std::shared_ptr<GridViewCell>> firstRow(top.begin(), top.begin() + 3);
  source->cellCalls = 0;
  delegate->displayed.clear();
  grid->setContentOffset(Point{0, 212}, false);
  EXPECT_EQ(grid->visibleLocation(), 3u);
  EXPECT_EQ(grid->visibleLength(), 12u);
  EXPECT_EQ(source->cellCalls, 3);
  EXPECT_EQ(delegate->displayed, (std::vector<std::size_t>{12, 13, 14}));
  EXPECT_EQ(source->created, 12);  // the row that left came back for the new row
  for (auto& cell : firstRow) {
    EXPECT_EQ(cell->superview(), grid.get());
    EXPECT_GE(cell->displayIndex(), 12u);
    EXPECT_EQ(std::static_pointer_cast<CountingCell>(cell)->reuses, 1);
  }
  mv::test::expectVisibleListConsistent(*grid);
  EXPECT_EQ(visibleTags(), (std::vector<long>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
  // The same place again asks for nothing.
  grid->setContentOffset(Point{0, 212}, false);
  grid->updateVisibleGridCellsNow();
  EXPECT_EQ(source->cellCalls, 3);
  // Scrolling by offset alone goes through the layout pass.
  grid->setContentOffset(Point{0, 424});
  grid->layoutIfNeeded();
  EXPECT_EQ(grid->visibleLocation(), 6u);
  mv::test::expectVisibleListConsistent(*grid);
  // Lookups.
  EXPECT_EQ(grid->indexForItemAtPoint({300, 700}), 10u);
  EXPECT_EQ(grid->cellForItemAtPoint({300, 700})->tag(), 10);
  EXPECT_EQ(grid->indexForCell(*grid->cellForItemAtIndex(10)), 10u);
  EXPECT_EQ(grid->indexForCell(*firstRow[0]), firstRow[0]->displayIndex());
  EXPECT_EQ(grid->indexForCell(GridViewCell({}, "x")), base::NotFound);
  EXPECT_EQ(grid->cellForItemAtIndex(2), nullptr);
  EXPECT_EQ(grid->cellForItemAtIndex(base::NotFound), nullptr);
  EXPECT_TRUE(grid->isRectVisible({0, 424, 10, 10}));
  EXPECT_FALSE(grid->isRectVisible({0, 414, 10, 10}));  // touches the top edge only
}

TEST_F(GridViewTest, ReloadingQueuesEveryCellAndKeepsThePlace) {
  make({0, 0, 768, 636}, 30);
  grid->setContentOffset(Point{0, 848}, false);
  ASSERT_EQ(grid->visibleLocation(), 12u);
  ASSERT_EQ(grid->visibleLength(), 9u);
  auto shown = grid->visibleCells();
  source->setCount(20);
  grid->reloadData();
  EXPECT_EQ(grid->visibleLocation(), 11u);
  EXPECT_EQ(grid->visibleLength(), 0u);
  EXPECT_TRUE(grid->visibleCells().empty());
  EXPECT_EQ(grid->reusableCellCount("cell"), 9u);
  for (auto& cell : shown) EXPECT_EQ(cell->superview(), nullptr);
  EXPECT_EQ(grid->contentSize(), (Size{768, 1484}));
  grid->layoutIfNeeded();
  EXPECT_EQ(grid->visibleLocation(), 12u);
  EXPECT_EQ(grid->visibleLength(), 8u);
  mv::test::expectVisibleListConsistent(*grid);
  EXPECT_EQ(source->created, 9);  // the first screen's cells served every later one

  // A reload asked for while the grid is fetching a cell waits its turn.
  int counts = source->countCalls;
  source->onCell = [](GridView& g, std::size_t) { g.reloadData(); };
  grid->setContentOffset(Point{0, 0}, false);
  EXPECT_EQ(source->countCalls, counts);
  EXPECT_EQ(grid->reloadingSuspendedCount(), 0);
  mv::test::expectVisibleListConsistent(*grid);
}

TEST_F(GridViewTest, ReuseQueues) {
  make({0, 0, 768, 700}, 0);
  EXPECT_EQ(grid->dequeueReusableCellWithIdentifier("cell"), nullptr);
  auto cell = std::make_shared<CountingCell>(Rect{0, 0, 10, 10}, "cell");
  grid->enqueueReusableCells({cell, cell});
  grid->enqueueReusableCells({cell});
  EXPECT_EQ(grid->reusableCellCount("cell"), 1u);
  // A cell without identifier could never be asked for: it is not kept.
  auto anonymous = std::make_shared<CountingCell>(Rect{0, 0, 10, 10}, "");
  grid->enqueueReusableCells({anonymous, nullptr});
  EXPECT_EQ(grid->reusableCellCount(""), 0u);
  EXPECT_EQ(grid->dequeueReusableCellWithIdentifier("other"), nullptr);
  EXPECT_EQ(grid->dequeueReusableCellWithIdentifier("cell"), cell);
  EXPECT_EQ(cell->reuses, 1);
  EXPECT_EQ(grid->dequeueReusableCellWithIdentifier("cell"), nullptr);
}

TEST_F(GridViewTest, AFailingDataSourceLeavesTheGridUsable) {
  make({0, 0, 768, 700}, 30);
  source->onCell = [](GridView&, std::size_t) { throw std::runtime_error("no cell"); };
  grid->ui::ScrollView::setContentOffset(Point{0, 212});
  EXPECT_THROW(grid->updateVisibleGridCellsNow(), std::runtime_error);
  EXPECT_TRUE(ui::View::areAnimationsEnabled());
  EXPECT_EQ(grid->reloadingSuspendedCount(), 0);
  source->onCell = nullptr;
  grid->updateVisibleGridCellsNow();
  mv::test::expectVisibleListConsistent(*grid);
  EXPECT_EQ(visibleTags(), (std::vector<long>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
  // Without cells from the data source the grid shows nothing, and says so.
  source->nothing = true;
  grid->reloadData();
  grid->layoutIfNeeded();
  EXPECT_TRUE(grid->visibleCells().empty());
}

TEST_F(GridViewTest, SeparatorEdgesColumnsAndRows) {
  grid = std::make_shared<GridView>(Rect{0, 0, 800, 500});
  source = std::make_shared<FakeSource>();
  source->cellSize = Size{200, 100};
  source->setCount(8);
  grid->setDataSource(source);
  grid->setSeparatorStyle(mv::GridViewCellSeparatorStyleSingleLine);
  grid->reloadData();
  grid->layoutIfNeeded();
  ASSERT_EQ(grid->numberOfColumns(), 4u);
  EXPECT_EQ(grid->numberOfRows(), 2u);
  for (const auto& cell : grid->visibleCells()) {
    std::size_t i = cell->displayIndex();
    EXPECT_EQ(cell->separatorStyle(), mv::GridViewCellSeparatorStyleSingleLine);
    EXPECT_EQ(cell->separatorEdge(), (i == 3 || i == 7) ? mv::GridViewCellSeparatorEdgeBottom
                                                         : mv::GridViewCellSeparatorEdgeBoth)
        << i;
  }
  // Style changes reach the visible cells; so do editing and the colour.
  grid->setSeparatorStyle(mv::GridViewCellSeparatorStyleNone);
  grid->setEditing(true);
  grid->setSeparatorColor(gfx::Color::red());
  for (const auto& cell : grid->visibleCells()) {
    EXPECT_EQ(cell->separatorStyle(), mv::GridViewCellSeparatorStyleNone);
    EXPECT_TRUE(cell->isEditing());
    EXPECT_EQ(cell->separatorColor(), gfx::Color::red());
  }
  // Cells resized to their grid rectangles.
  grid->setResizesCellWidthToFit(true);
  grid->layoutIfNeeded();
  grid->reloadData();
  grid->layoutIfNeeded();
  EXPECT_EQ(grid->cellForItemAtIndex(5)->frame(), (Rect{200, 100, 200, 100}));

  // A grid without a frame yet has one column and no rows.
  auto empty = std::make_shared<GridView>();
  EXPECT_EQ(empty->numberOfColumns(), 1u);
  EXPECT_EQ(empty->numberOfRows(), 0u);
  EXPECT_EQ(empty->gridCellSize(), (Size{96, 128}));
}

TEST_F(GridViewTest, LayoutIsStableAcrossReloadsAndCountsEveryColumn) {
  grid = std::make_shared<GridView>(Rect{0, 0, 780, 700});
  source = std::make_shared<FakeSource>();
  source->setCount(40);
  grid->setDataSource(source);
  grid->setLeftContentInset(100);
  grid->setRightContentInset(100);
  grid->reloadData();
  grid->layoutIfNeeded();
  std::size_t columns = grid->numberOfColumns();
  Size cell = grid->gridCellSize(), content = grid->contentSize();
  EXPECT_EQ(columns, 3u);
  EXPECT_EQ(cell, (Size{193, 212}));
  EXPECT_EQ(content.width, 779);
  grid->reloadData();
  grid->layoutIfNeeded();
  grid->reloadData();
  grid->layoutIfNeeded();
  EXPECT_EQ(grid->numberOfColumns(), columns);
  EXPECT_EQ(grid->gridCellSize(), cell);
  EXPECT_EQ(grid->contentSize(), content);
  for (const auto& c : grid->visibleCells()) EXPECT_LE(c->frame().maxX(), 680);

  // The related-materials strip: one row with every item.
  auto strip = std::make_shared<GridView>(Rect{0, 0, 364, 144});
  auto files = std::make_shared<FakeSource>();
  files->cellSize = Size{118, 144};
  files->setCount(70);
  strip->setDataSource(files);
  strip->setLayoutDirection(mv::GridViewData::kHorizontal);
  EXPECT_FALSE(strip->clipsContentWidthToBounds());
  strip->reloadData();
  strip->layoutIfNeeded();
  EXPECT_EQ(strip->numberOfColumns(), 70u);
  EXPECT_EQ(strip->numberOfRows(), 1u);
  EXPECT_EQ(strip->contentSize(), (Size{70 * 118, 144}));
  EXPECT_EQ(strip->visibleLength(), 4u);  // three whole cells and part of a fourth
  strip->setContentOffset(Point{118 * 66, 0}, false);
  EXPECT_EQ(strip->visibleCellIndices(), (base::IndexSet{66, 67, 68, 69}));
  mv::test::expectVisibleListConsistent(*strip);
}

// Only grid delegates and grid views go in: the compiler refuses the rest.
template <class Delegate>
concept GridTakesDelegate = requires(GridView& g, std::shared_ptr<Delegate> d) { g.setDelegate(d); };
template <class View>
concept ControllerTakesView = requires(mv::GridViewController& c, std::shared_ptr<View> v) { c.setGridView(v); };
static_assert(!GridTakesDelegate<ui::ScrollViewDelegate>);
static_assert(GridTakesDelegate<RecordingDelegate>);
static_assert(!ControllerTakesView<ui::View>);
static_assert(ControllerTakesView<GridView>);

TEST_F(GridViewTest, DelegatesAreTypedAndAdjustFrames) {
  make({0, 0, 768, 700}, 6);
  EXPECT_EQ(grid->delegate(), delegate);
  grid->setDelegate(std::weak_ptr<mv::GridViewDelegate>());
  EXPECT_EQ(grid->delegate(), nullptr);
  // A plain scroll delegate set through the scroll view hears the scrolling
  // but is not taken for a grid delegate.
  struct PlainScrollDelegate : ui::ScrollViewDelegate {};
  auto plain = std::make_shared<PlainScrollDelegate>();
  static_cast<ui::ScrollView&>(*grid).setDelegate(plain);
  EXPECT_EQ(grid->delegate(), nullptr);
  EXPECT_EQ(grid->ui::ScrollView::delegate(), plain);

  struct Adjusting : RecordingDelegate {
    std::optional<Rect> gridViewAdjustCellFrame(GridView&, Rect frame, Rect gridCell) override {
      return Rect{gridCell.x(), gridCell.y(), frame.width() / 2, frame.height() / 2};
    }
  };
  auto adjusting = std::make_shared<Adjusting>();
  grid->setDelegate(adjusting);
  grid->reloadData();
  grid->layoutIfNeeded();
  EXPECT_EQ(grid->cellForItemAtIndex(4)->frame().origin, (Point{256, 212}));
}

TEST_F(GridViewTest, ContentSizeFillsTheViewAndLeavesRoomForTheFooter) {
  make({0, 0, 768, 700}, 3);
  EXPECT_EQ(grid->contentSize(), (Size{768, 700}));  // one row, raised to the bounds
  grid->setContentSizeGrowsToFillBounds(false);
  grid->setContentSize({768, 212});
  EXPECT_EQ(grid->contentSize().height, 700);  // never below the frame either

  auto footer = std::make_shared<ui::View>(Rect{0, 0, 768, 44});
  grid->setContentSizeGrowsToFillBounds(true);
  grid->setGridFooterView(footer);
  EXPECT_EQ(grid->gridData().bottomPadding(), 44);
  grid->setContentSize({768, 780});
  EXPECT_EQ(grid->contentSize().height, 780);  // cells under the footer stay reachable
  grid->setContentSize({768, 700});
  EXPECT_EQ(grid->contentSize().height, 744);
  grid->layoutIfNeeded();
  EXPECT_EQ(footer->frame(), (Rect{0, 700, 768, 44}));
  EXPECT_EQ(grid->subviews().back(), footer);

  auto header = std::make_shared<ui::View>(Rect{0, 0, 10, 30});
  grid->setGridHeaderView(header);
  EXPECT_EQ(grid->gridData().topPadding(), 30);
  grid->reloadData();
  grid->layoutIfNeeded();
  EXPECT_EQ(header->frame(), (Rect{0, 0, 768, 30}));
  EXPECT_EQ(grid->cellForItemAtIndex(0)->frame().y(), 30);
  grid->setGridHeaderView(nullptr);
  grid->setGridFooterView(nullptr);
  EXPECT_EQ(header->superview(), nullptr);
  EXPECT_EQ(grid->gridData().topPadding(), 0);
  EXPECT_EQ(grid->gridData().bottomPadding(), 0);
}

TEST_F(GridViewTest, FrameAndBoundsChangesRefitTheGrid) {
  make({0, 0, 768, 700}, 30);
  EXPECT_EQ(grid->numberOfColumns(), 3u);
  // Height only through the frame: no refit.
  grid->setFrame({0, 0, 768, 600});
  EXPECT_EQ(grid->gridData().boundsSize(), (Size{768, 700}));
  // A new width refits.
  grid->setFrame({0, 0, 1024, 600});
  EXPECT_EQ(grid->gridData().boundsSize(), (Size{1024, 600}));
  EXPECT_EQ(grid->numberOfColumns(), 5u);
  EXPECT_EQ(grid->gridCellSize(), (Size{204, 212}));
  // Bounds with only a new height do.
  grid->setBounds({0, 0, 1024, 500});
  EXPECT_EQ(grid->gridData().boundsSize(), (Size{1024, 500}));
  grid->layoutIfNeeded();
  mv::test::expectVisibleListConsistent(*grid);
}

TEST_F(GridViewTest, AGridScrolledToItsEndStaysThere) {
  make({0, 0, 768, 700}, 30);  // 10 rows: 2120 high
  grid->setContentOffset(Point{0, 1420}, false);
  // Narrower: two columns, 15 rows. The view stays on the end.
  grid->setFrame({0, 0, 500, 700});
  EXPECT_EQ(grid->numberOfColumns(), 2u);
  EXPECT_EQ(grid->contentSize().height, 3180);
  EXPECT_EQ(grid->contentOffset(), (Point{0, 2480}));
  grid->layoutIfNeeded();
  mv::test::expectVisibleListConsistent(*grid);
  EXPECT_EQ(grid->visibleCellIndices().last(), 29u);
  // Wider again: fewer rows pull the offset back to the last full screen.
  grid->setFrame({0, 0, 768, 700});
  EXPECT_EQ(grid->contentSize().height, 2120);
  EXPECT_EQ(grid->contentOffset(), (Point{0, 1420}));
  // Far fewer rows than a screen: the offset never goes above the top.
  source->setCount(2);
  grid->reloadData();
  EXPECT_EQ(grid->contentOffset(), (Point{0, 0}));
  grid->layoutIfNeeded();
  mv::test::expectVisibleListConsistent(*grid);
  // Not at the end: a refit leaves the offset alone.
  source->setCount(30);
  grid->reloadData();
  grid->setContentOffset(Point{0, 300}, false);
  grid->setFrame({0, 0, 500, 700});
  EXPECT_EQ(grid->contentOffset(), (Point{0, 300}));
}

TEST_F(GridViewTest, ScrollingToAnItem) {
  make({0, 0, 768, 1024}, 60);  // 20 rows
  grid->scrollToItemAtIndex(0, mv::GridViewScrollPositionTop, false);
  EXPECT_EQ(grid->contentOffset(), (Point{0, 0}));
  grid->scrollToItemAtIndex(30, mv::GridViewScrollPositionMiddle, false);
  EXPECT_EQ(grid->contentOffset(), (Point{0, 2120 - 406}));
  mv::test::expectVisibleListConsistent(*grid);
  grid->scrollToItemAtIndex(30, mv::GridViewScrollPositionBottom, false);
  EXPECT_EQ(grid->contentOffset(), (Point{0, 2120 - (1024 - 212)}));
  grid->scrollToItemAtIndex(1, mv::GridViewScrollPositionMiddle, false);
  EXPECT_EQ(grid->contentOffset(), (Point{0, 0}));
  grid->scrollToItemAtIndex(59, mv::GridViewScrollPositionTop, false);
  EXPECT_EQ(grid->contentOffset(), (Point{0, 4240 - 1024}));  // within the limits
  grid->scrollToItemAtIndex(3, mv::GridViewScrollPositionNone, false);
  EXPECT_EQ(grid->contentOffset(), (Point{0, 212}));  // the least move showing it
  mv::test::expectVisibleListConsistent(*grid);
  // Animated: there after the scroll animation.
  grid->scrollToItemAtIndex(45, mv::GridViewScrollPositionTop, true);
  advance(0.5);
  grid->layoutIfNeeded();
  EXPECT_EQ(grid->contentOffset(), (Point{0, 3180}));
  mv::test::expectVisibleListConsistent(*grid);

  // A horizontal strip scrolls sideways.
  make({0, 0, 364, 144}, 0, Size{118, 144});
  grid->setLayoutDirection(mv::GridViewData::kHorizontal);
  source->setCount(70);
  grid->reloadData();
  grid->layoutIfNeeded();
  grid->scrollToItemAtIndex(20, mv::GridViewScrollPositionTop, false);
  EXPECT_EQ(grid->contentOffset(), (Point{20 * 118, 0}));
  grid->scrollToItemAtIndex(20, mv::GridViewScrollPositionMiddle, false);
  EXPECT_EQ(grid->contentOffset(), (Point{20 * 118 - 123, 0}));
  grid->scrollToItemAtIndex(20, mv::GridViewScrollPositionBottom, false);
  EXPECT_EQ(grid->contentOffset(), (Point{21 * 118 - 364, 0}));
  mv::test::expectVisibleListConsistent(*grid);
}

TEST_F(GridViewTest, RotationHooksOnlyReleaseWhatTheyHeld) {
  make({0, 0, 768, 700}, 30);
  grid->viewDidRotate();
  EXPECT_EQ(grid->reloadingSuspendedCount(), 0);
  grid->beginUpdates();  // an open batch holds reloads off
  EXPECT_EQ(grid->reloadingSuspendedCount(), 1);
  grid->viewDidRotate();
  EXPECT_EQ(grid->reloadingSuspendedCount(), 1);
  grid->viewWillRotateToInterfaceOrientation(ui::InterfaceOrientation::LandscapeLeft);
  EXPECT_EQ(grid->reloadingSuspendedCount(), 2);
  grid->viewDidRotate();
  EXPECT_EQ(grid->reloadingSuspendedCount(), 1);
  grid->endUpdates();
  EXPECT_EQ(grid->reloadingSuspendedCount(), 0);
}

TEST_F(GridViewTest, ControllerMakesAnEmptyGrid) {
  auto controller = std::make_shared<mv::GridViewController>();
  auto view = controller->view();
  auto g = controller->gridView();
  ASSERT_TRUE(g);
  EXPECT_EQ(view, g);
  EXPECT_EQ(g->frame(), Rect{});
  EXPECT_EQ(g->numberOfItems(), 0u);
  EXPECT_EQ(g->dataSource().get(), static_cast<mv::GridViewDataSource*>(controller.get()));
  EXPECT_EQ(g->delegate().get(), static_cast<mv::GridViewDelegate*>(controller.get()));
  EXPECT_EQ(g->autoresizingMask(), unsigned(ui::FlexibleWidth | ui::FlexibleHeight));
  // The zero frame: nothing to show, nothing undefined.
  g->layoutIfNeeded();
  EXPECT_TRUE(g->visibleCells().empty());
  EXPECT_EQ(g->contentSize(), Size{});
  // Dropping the grid makes the controller load a new one when asked.
  controller->setGridView(nullptr);
  auto fresh = controller->gridView();
  ASSERT_TRUE(fresh);
  EXPECT_NE(fresh, g);
  EXPECT_EQ(fresh->delegate().get(), static_cast<mv::GridViewDelegate*>(controller.get()));
  controller->setGridView(g);
  EXPECT_EQ(controller->gridView(), g);
  // Deselects silently on appearing when asked to.
  auto recorder = std::make_shared<RecordingDelegate>();
  g->setDelegate(recorder);
  recorder->observe(*g);
  g->selectItemAtIndex(3, false, 0);
  controller->viewWillAppear(false);
  EXPECT_EQ(g->indexOfSelectedItem(), 3u);
  controller->setClearsSelectionOnViewWillAppear(true);
  controller->viewWillAppear(false);
  EXPECT_EQ(g->indexOfSelectedItem(), base::NotFound);
  EXPECT_TRUE(recorder->log.empty());
  // Rotation hooks are balanced.
  controller->willRotateToInterfaceOrientation(ui::InterfaceOrientation::LandscapeLeft, 0.3);
  EXPECT_EQ(g->reloadingSuspendedCount(), 1);
  controller->didRotateFromInterfaceOrientation(ui::InterfaceOrientation::LandscapeRight);
  EXPECT_EQ(g->reloadingSuspendedCount(), 0);
}

// A grid of a few hundred generated items scrolled from end to end: only the
// cells in sight exist, and the handful made at the start are reused.
TEST_F(GridViewTest, HundredsOfItemsScrollWithOnlyTheVisibleCellsAlive) {
  ui::HeadlessDriver driver;
  make({0, 0, 768, 700}, 600);
  driver.window().addSubview(grid);
  driver.flush();
  const double end = grid->contentSize().height - 700;
  ASSERT_EQ(end, 200 * 212 - 700);
  std::size_t most = 0;
  for (double y = 0; y <= end; y += 97) {
    grid->setContentOffset(Point{0, y});
    driver.flush();
    mv::test::expectVisibleListConsistent(*grid);
    most = std::max(most, grid->visibleCells().size());
    ASSERT_LE(grid->visibleCells().size(), 15u);
  }
  grid->setContentOffset(Point{0, end});
  driver.flush();
  EXPECT_EQ(grid->visibleCellIndices().last(), 599u);
  EXPECT_EQ(grid->visibleCells().back()->tag(), 599);
  EXPECT_LE(source->created, static_cast<int>(most) + 3);
  // And by finger: a drag up moves the content and brings new cells.
  auto before = grid->visibleCellIndices();
  grid->setContentOffset(Point{0, 0});
  driver.flush();
  driver.drag({{400, 600}, {400, 500}, {400, 400}, {400, 300}, {400, 200}});
  driver.advance(2);
  driver.flush();
  EXPECT_GT(grid->contentOffset().y, 0);
  mv::test::expectVisibleListConsistent(*grid);
  EXPECT_GT(grid->visibleCellIndices().first(), 0u);
  EXPECT_LE(source->created, static_cast<int>(most) + 3);
}
