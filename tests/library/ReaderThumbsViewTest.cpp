// The thumbnail grid: its geometry, cells only for the rows in sight,
// recycling, reloads centred or at a position, relayout without reload,
// and taps, long presses and the single-finger highlight.
#include <gtest/gtest.h>

#include "ReaderTestSupport.hpp"
#include "library/reader/ReaderThumbsView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"

namespace mv {
namespace {

class Cell : public ReaderThumbView {
 public:
  using ReaderThumbView::ReaderThumbView;
  void showTouched(bool touched) override { touches.push_back(touched); }
  void reuse() override {
    ReaderThumbView::reuse();
    ++reused;
  }
  std::vector<bool> touches;
  int reused = 0;
};

class GridDelegate : public ReaderThumbsViewDelegate {
 public:
  std::uint64_t numberOfThumbsInThumbsView(ReaderThumbsView&) override {
    ++countAsked;
    return count;
  }
  std::shared_ptr<ReaderThumbView> thumbCellWithFrame(ReaderThumbsView&, const ui::Rect& frame) override {
    ++made;
    return std::make_shared<Cell>(frame);
  }
  void updateThumbCell(ReaderThumbsView&, ReaderThumbView&, long index) override { updated.push_back(index); }
  void didSelectThumbWithIndex(ReaderThumbsView&, long index) override { selected.push_back(index); }
  void didPressThumbWithIndex(ReaderThumbsView&, long index) override { pressed.push_back(index); }
  void refreshThumbCell(ReaderThumbsView&, ReaderThumbView&, long index) override { refreshed.push_back(index); }

  std::uint64_t count = 0;
  int countAsked = 0, made = 0;
  std::vector<long> updated, selected, pressed, refreshed;
};

class ReaderThumbsViewTest : public test::ReaderTest {
 protected:
  void TearDown() override {
    if (window) ui::Application::sharedInstance().removeWindow(window.get());
    window.reset();
    ReaderTest::TearDown();
  }
  std::shared_ptr<ReaderThumbsView> grid(ui::Rect frame, double cell, std::uint64_t count) {
    delegate = std::make_shared<GridDelegate>();
    delegate->count = count;
    auto g = ReaderThumbsView::initWithFrame(frame);
    g->setThumbsDelegate(delegate);
    g->setThumbSize({cell, cell});
    return g;
  }
  std::vector<long> placedTags(const ReaderThumbsView& g) {
    std::vector<long> tags;
    for (const auto& c : g.visibleCells()) tags.push_back(c->tag());
    std::sort(tags.begin(), tags.end());
    return tags;
  }
  std::shared_ptr<GridDelegate> delegate;
  std::shared_ptr<ui::Window> window;
};

TEST_F(ReaderThumbsViewTest, ColumnsRowsAndTheCentringMargin) {
  struct Case {
    double width, cell;
    std::uint64_t count;
    long columns, rows, margin;
  } cases[] = {
      {1024, 256, 40, 4, 10, 0}, {700, 160, 40, 4, 10, 30}, {100, 160, 3, 1, 3, 0}, {480, 160, 10, 3, 4, 0},
  };
  for (const auto& c : cases) {
    auto g = grid({0, 0, c.width, 700}, c.cell, c.count);
    g->updateContentSize(c.count);
    EXPECT_EQ(g->columns(), c.columns) << c.width;
    EXPECT_EQ(g->rows(), c.rows) << c.width;
    EXPECT_EQ(g->marginX(), c.margin) << c.width;
  }
  auto g = grid({0, 0, 700, 700}, 160, 40);
  g->updateContentSize(40);
  EXPECT_EQ(g->thumbCellFrameForIndex(5), (ui::Rect{190, 160, 160, 160}));
  EXPECT_EQ(g->contentSize(), (ui::Size{700, 1600}));
  g->setThumbSize({50, 50});
  EXPECT_EQ(g->thumbSize(), (ui::Size{160, 160}));
}

TEST_F(ReaderThumbsViewTest, AnEmptyGridHasNoCellsAndRestsAboveItsInset) {
  auto g = grid({0, 0, 1024, 700}, 256, 0);
  g->setContentInset({44, 0, 0, 0});
  g->reloadThumbsCenterOnIndex(3);
  EXPECT_EQ(g->contentSize(), (ui::Size{}));
  EXPECT_TRUE(g->visibleCells().empty());
  EXPECT_EQ(g->contentOffset(), (ui::Point{0, -44}));
}

TEST_F(ReaderThumbsViewTest, ReloadsCentreOnAnItemWithinTheContent) {
  auto g = grid({0, 0, 1024, 700}, 256, 40);
  g->reloadThumbsCenterOnIndex(11);
  EXPECT_EQ(g->contentOffset(), (ui::Point{0, 290}));
  // Rows 1 to 3 are in sight: only their cells exist.
  std::vector<long> expected;
  for (long i = 4; i <= 15; ++i) expected.push_back(i);
  EXPECT_EQ(placedTags(*g), expected);
  EXPECT_EQ(delegate->made, 12);
  g->reloadThumbsCenterOnIndex(100);
  EXPECT_EQ(g->contentOffset(), (ui::Point{0, 1859}));
  g->reloadThumbsCenterOnIndex(-5);
  EXPECT_EQ(g->contentOffset(), (ui::Point{0, 0}));
  g->reloadThumbsContentOffset({300, 5000.7});
  EXPECT_EQ(g->contentOffset(), (ui::Point{0, 1859}));
  g->reloadThumbsContentOffset({0, 512.9});
  EXPECT_EQ(g->contentOffset(), (ui::Point{0, 512}));
  EXPECT_EQ(g->insetContentOffset(), (ui::Point{0, 512}));
}

TEST_F(ReaderThumbsViewTest, ScrollingRecyclesCellsInsteadOfMakingNew) {
  auto g = grid({0, 0, 1024, 700}, 256, 40);
  g->reloadThumbsCenterOnIndex(0);
  const int made = delegate->made;
  for (double y = 0; y <= 1800; y += 100) g->setContentOffset(ui::Point{0, y});
  EXPECT_EQ(delegate->made, made + 4);  // at most one row more than the first screenful
  for (const auto& c : g->recycledCells()) {
    EXPECT_EQ(c->tag(), ReaderThumbsView::kRecycledTag);
    EXPECT_TRUE(c->isHidden());
  }
  for (const auto& c : g->visibleCells()) EXPECT_FALSE(c->isHidden());
  // Pulled far past the top: no row before the first.
  g->setContentOffset(ui::Point{0, -500});
  EXPECT_EQ(placedTags(*g).front(), 0);
}

TEST_F(ReaderThumbsViewTest, ANewSizeRearrangesWithoutReloading) {
  window = makeWindow();
  auto g = grid({0, 0, 1024, 700}, 256, 40);
  window->addSubview(g);
  ui::View::layoutPendingViews();
  g->reloadThumbsCenterOnIndex(0);
  const int asked = delegate->countAsked;
  g->setFrame({0, 0, 768, 700});
  ui::View::layoutPendingViews();
  EXPECT_EQ(g->columns(), 3);
  EXPECT_EQ(delegate->countAsked, asked);
  for (const auto& c : g->visibleCells()) EXPECT_EQ(c->frame(), g->thumbCellFrameForIndex(c->tag()));
  std::vector<long> expected;
  for (long i = 0; i <= 8; ++i) expected.push_back(i);
  EXPECT_EQ(placedTags(*g), expected);
}

TEST_F(ReaderThumbsViewTest, TapsPressesAndTheSingleFingerHighlight) {
  window = makeWindow();
  auto g = grid({0, 0, 1024, 768}, 256, 10);
  window->addSubview(g);
  ui::View::layoutPendingViews();
  g->reloadThumbsCenterOnIndex(0);
  ui::HeadlessDriver d(window);
  d.tapAt({300, 300});  // column 1, row 1: item 5
  EXPECT_EQ(delegate->selected, (std::vector<long>{5}));
  auto* cell = dynamic_cast<Cell*>(g->thumbCellContainingPoint({300, 300}));
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->touches, (std::vector<bool>{true, false}));
  d.longPress({10, 10}, 0.9);
  EXPECT_EQ(delegate->pressed, (std::vector<long>{0}));
  cell->touches.clear();
  d.multiTap({{300, 300}, {310, 310}});
  EXPECT_TRUE(std::find(cell->touches.begin(), cell->touches.end(), true) == cell->touches.end());
  g->refreshThumbWithIndex(5);
  g->refreshThumbWithIndex(30);
  EXPECT_EQ(delegate->refreshed, (std::vector<long>{5}));
}

}  // namespace
}  // namespace mv
