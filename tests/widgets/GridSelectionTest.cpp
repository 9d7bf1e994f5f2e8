#include <gtest/gtest.h>

#include "GridTestSupport.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/LongPressGestureRecognizer.hpp"
#include "platform/ui/Window.hpp"

using base::Point;
using base::Rect;
using mv::GridView;
using mv::GridViewCell;
using mv::test::FakeSource;
using mv::test::RecordingDelegate;
using Log = std::vector<std::string>;

namespace {

class GridSelectionTest : public mv::test::GridTestEnvironment {
 protected:
  // A grid of `count` items (3 columns of 256 x 212) filling the top left of the window.
  void make(std::size_t count) {
    driver = std::make_unique<ui::HeadlessDriver>();
    grid = std::make_shared<GridView>(Rect{0, 0, 768, 700});
    source = std::make_shared<FakeSource>();
    source->setCount(count);
    delegate = std::make_shared<RecordingDelegate>();
    grid->setDataSource(source);
    grid->setDelegate(delegate);
    delegate->observe(*grid);
    driver->window().addSubview(grid);
    grid->reloadData();
    driver->flush();
  }
  // The window point at the middle of item i.
  Point at(std::size_t i) const {
    Rect r = grid->gridData().cellRectAtIndex(i);
    return {r.midX() - grid->contentOffset().x, r.midY() - grid->contentOffset().y};
  }
  ui::Window& window() { return driver->window(); }
  void tap(std::size_t i) {
    window().touchDown(touch, at(i));
    driver->flush();
    window().touchUp(touch++, at(i));
    driver->flush();
  }
  bool shownSelected(std::size_t i) {
    auto cell = grid->cellForItemAtIndex(i);
    return cell && cell->isSelected();
  }

  std::unique_ptr<ui::HeadlessDriver> driver;
  std::shared_ptr<GridView> grid;
  std::shared_ptr<FakeSource> source;
  std::shared_ptr<RecordingDelegate> delegate;
  long touch = 1;
};

}  // namespace

TEST_F(GridSelectionTest, TappingSelectsDeselectsAndReplaces) {
  make(30);
  window().touchDown(1, at(5));
  EXPECT_TRUE(grid->highlightedIndices().empty());  // not before the next turn
  driver->flush();
  EXPECT_EQ(grid->highlightedIndices(), (base::IndexSet{5}));
  EXPECT_TRUE(grid->cellForItemAtIndex(5)->isHighlighted());
  window().touchUp(1, at(5));
  EXPECT_TRUE(grid->highlightedIndices().empty());
  EXPECT_FALSE(grid->cellForItemAtIndex(5)->isHighlighted());
  EXPECT_TRUE(delegate->log.empty());  // selection waits a turn too
  driver->flush();
  EXPECT_EQ(delegate->log, (Log{"willSelect 5", "willSelect 5 fingers 1", "notification", "didSelect 5",
                                "didSelect 5 fingers 1"}));
  EXPECT_EQ(grid->indexOfSelectedItem(), 5u);
  EXPECT_TRUE(shownSelected(5));

  delegate->log.clear();
  tap(6);
  EXPECT_EQ(delegate->log, (Log{"willDeselect 5", "didDeselect 5", "notification", "willSelect 6",
                                "willSelect 6 fingers 1", "notification", "didSelect 6", "didSelect 6 fingers 1"}));
  EXPECT_FALSE(shownSelected(5));
  EXPECT_TRUE(shownSelected(6));

  // A tap on the selected item deselects it.
  delegate->log.clear();
  tap(6);
  EXPECT_EQ(delegate->log, (Log{"willDeselect 6", "didDeselect 6", "notification"}));
  EXPECT_EQ(grid->indexOfSelectedItem(), base::NotFound);
  EXPECT_FALSE(shownSelected(6));
  // Unless the grid requires a selection.
  tap(6);
  grid->setRequiresSelection(true);
  delegate->log.clear();
  tap(6);
  EXPECT_TRUE(delegate->log.empty());
  EXPECT_EQ(grid->indexOfSelectedItem(), 6u);
  EXPECT_TRUE(shownSelected(6));
  grid->setRequiresSelection(false);

  // The selected item is tapped while a reload has taken its cell away: it
  // is deselected all the same.
  window().touchDown(touch, at(6));
  driver->flush();
  window().touchUp(touch++, at(6));
  grid->reloadData();
  EXPECT_EQ(grid->cellForItemAtIndex(6), nullptr);
  delegate->log.clear();
  driver->flush();
  EXPECT_EQ(delegate->log, (Log{"willDeselect 6", "didDeselect 6", "notification"}));
  EXPECT_FALSE(shownSelected(6));
}

TEST_F(GridSelectionTest, TouchesThatMoveOrMissDoNotSelect) {
  make(6);  // two rows: nothing to scroll
  // Starts on 2, ends on 3.
  window().touchDown(1, at(2));
  driver->flush();
  EXPECT_TRUE(grid->cellForItemAtIndex(2)->isHighlighted());
  window().touchMove(1, at(3));
  EXPECT_TRUE(grid->highlightedIndices().empty());
  EXPECT_FALSE(grid->cellForItemAtIndex(2)->isHighlighted());
  window().touchUp(1, at(3));
  driver->flush();
  EXPECT_EQ(grid->indexOfSelectedItem(), base::NotFound);
  EXPECT_TRUE(delegate->log.empty());

  // A small move inside the item loses the highlight but still selects it.
  Point p = at(2);
  window().touchDown(2, p);
  driver->flush();
  window().touchMove(2, {p.x + 3, p.y + 2});
  EXPECT_FALSE(grid->cellForItemAtIndex(2)->isHighlighted());
  window().touchUp(2, {p.x + 3, p.y + 2});
  driver->flush();
  EXPECT_EQ(grid->indexOfSelectedItem(), 2u);

  // Empty space below the last item keeps the selection.
  delegate->log.clear();
  driver->tapAt({100, 600});
  EXPECT_EQ(grid->indexOfSelectedItem(), 2u);
  EXPECT_TRUE(delegate->log.empty());

  // A button inside a cell keeps its taps: no highlight, no selection.
  auto button = std::make_shared<ui::Button>(Rect{20, 20, 100, 40});
  int pressed = 0;
  button->addAction([&](ui::Control&, const ui::Event*) { ++pressed; }, ui::ControlEventTouchUpInside);
  source->makeCell = [&](std::size_t index) -> std::shared_ptr<GridViewCell> {
    if (index != 4) return nullptr;
    auto cell = std::make_shared<GridViewCell>(Rect{0, 0, 193, 212}, "button");
    cell->contentView()->addSubview(button);
    return cell;
  };
  grid->reloadData();
  driver->flush();
  Point onButton = driver->centerOf(*button);
  window().touchDown(touch, onButton);
  driver->flush();
  EXPECT_TRUE(grid->highlightedIndices().empty());
  window().touchUp(touch++, onButton);
  driver->flush();
  EXPECT_EQ(pressed, 1);
  EXPECT_EQ(grid->indexOfSelectedItem(), 2u);
  EXPECT_TRUE(delegate->log.empty());
  // Elsewhere on that cell (its content view) a tap selects.
  driver->tapAt({at(4).x, at(4).y + 80});
  EXPECT_EQ(grid->indexOfSelectedItem(), 4u);
}

TEST_F(GridSelectionTest, ADragCancelsTheTapAndAGestureRecognizerKeepsTheHighlight) {
  make(30);
  Point p = at(4);
  window().touchDown(1, p);
  driver->flush();
  EXPECT_TRUE(grid->cellForItemAtIndex(4)->isHighlighted());
  for (int step = 1; step <= 5; ++step) {
    driver->advance(0.02);
    window().touchMove(1, {p.x, p.y - 30.0 * step});
  }
  EXPECT_TRUE(grid->isDragging());
  EXPECT_TRUE(grid->highlightedIndices().empty());
  window().touchUp(1, {p.x, p.y - 150});
  driver->advance(2);
  driver->flush();
  EXPECT_GT(grid->contentOffset().y, 0);
  EXPECT_EQ(grid->indexOfSelectedItem(), base::NotFound);
  EXPECT_TRUE(delegate->log.empty());
  mv::test::expectVisibleListConsistent(*grid);

  // With a long-press recogniser of the grid following the finger, a small
  // move keeps the highlight.
  grid->setContentOffset(Point{0, 0}, false);
  grid->addGestureRecognizer(std::make_shared<ui::LongPressGestureRecognizer>());
  p = at(1);
  window().touchDown(2, p);
  driver->flush();
  window().touchMove(2, {p.x + 2, p.y});
  EXPECT_TRUE(grid->highlightedIndices().contains(1));
  EXPECT_TRUE(grid->cellForItemAtIndex(1)->isHighlighted());
  window().touchUp(2, {p.x + 2, p.y});
  driver->flush();
  EXPECT_TRUE(grid->highlightedIndices().empty());
}

TEST_F(GridSelectionTest, DelegateAnswersAndFingerCounts) {
  make(30);
  delegate->willSelect = [](std::size_t) { return std::optional<std::size_t>(0); };
  tap(4);
  EXPECT_EQ(grid->indexOfSelectedItem(), 0u);
  EXPECT_EQ(delegate->log, (Log{"willSelect 4", "willSelect 0 fingers 1", "notification", "didSelect 0",
                                "didSelect 0 fingers 1"}));
  EXPECT_TRUE(shownSelected(0));
  EXPECT_FALSE(shownSelected(4));

  // "Not found" is a veto: nothing selected, nothing announced.
  grid->deselectItemAtIndex(0, false);
  delegate->log.clear();
  delegate->willSelect = [](std::size_t) { return std::optional<std::size_t>(base::NotFound); };
  tap(2);
  EXPECT_EQ(grid->indexOfSelectedItem(), base::NotFound);
  EXPECT_EQ(delegate->log, (Log{"willSelect 2"}));
  for (const auto& cell : grid->visibleCells()) EXPECT_FALSE(cell->isSelected());

  // Two fingers on one item.
  delegate->willSelect = nullptr;
  delegate->log.clear();
  Point p = at(5);
  driver->multiTap({{p.x - 20, p.y}, {p.x + 20, p.y + 10}});
  EXPECT_EQ(grid->indexOfSelectedItem(), 5u);
  EXPECT_EQ(delegate->log.back(), "didSelect 5 fingers 2");
}

TEST_F(GridSelectionTest, SelectionByCodeAndHighlights) {
  make(30);
  grid->selectItemAtIndex(4, false, mv::GridViewScrollPositionNone);
  EXPECT_TRUE(shownSelected(4));
  EXPECT_TRUE(delegate->log.empty());
  grid->selectItemAtIndex(4, false, mv::GridViewScrollPositionNone);
  grid->setAllowsSelection(false);
  grid->selectItemAtIndex(7, false, mv::GridViewScrollPositionNone);
  EXPECT_EQ(grid->indexOfSelectedItem(), base::NotFound);
  EXPECT_FALSE(shownSelected(4));
  EXPECT_FALSE(shownSelected(7));
  EXPECT_TRUE(delegate->log.empty());
  // Taps do nothing either.
  tap(3);
  EXPECT_EQ(grid->indexOfSelectedItem(), base::NotFound);
  grid->setAllowsSelection(true);

  // Selecting an item out of sight, with scrolling to it.
  grid->selectItemAtIndex(25, false, mv::GridViewScrollPositionTop);
  EXPECT_EQ(grid->contentOffset().y, 2120 - 700);  // as far as the content goes
  driver->flush();
  EXPECT_TRUE(shownSelected(25));

  // Highlights: several at once, all cleared by "not found"; the selected
  // item keeps its look when its highlight goes.
  grid->highlightItemAtIndex(26, false, 0);
  grid->highlightItemAtIndex(27, false, 0);
  grid->highlightItemAtIndex(25, false, 0);
  EXPECT_EQ(grid->highlightedIndices(), (base::IndexSet{25, 26, 27}));
  EXPECT_TRUE(grid->cellForItemAtIndex(26)->isHighlighted());
  grid->unhighlightItemAtIndex(25, false);
  EXPECT_TRUE(grid->cellForItemAtIndex(25)->isHighlighted());
  grid->highlightItemAtIndex(25, false, 0);
  grid->highlightItemAtIndex(base::NotFound, false, 0);
  EXPECT_TRUE(grid->highlightedIndices().empty());
  EXPECT_FALSE(grid->cellForItemAtIndex(26)->isHighlighted());
  EXPECT_FALSE(grid->cellForItemAtIndex(27)->isHighlighted());
  EXPECT_TRUE(grid->cellForItemAtIndex(25)->isHighlighted());
  EXPECT_TRUE(shownSelected(25));
}

TEST_F(GridSelectionTest, ReusedCellsNeverShowAStaleSelection) {
  make(60);
  grid->selectItemAtIndex(1, false, 0);
  auto selectedCell = grid->cellForItemAtIndex(1);
  ASSERT_TRUE(selectedCell->isSelected());
  grid->setContentOffset(Point{0, 3 * 212}, false);
  driver->flush();
  // The cell that showed item 1 shows another item now, unselected.
  ASSERT_EQ(selectedCell->superview(), grid.get());
  EXPECT_NE(selectedCell->displayIndex(), 1u);
  for (const auto& cell : grid->visibleCells()) EXPECT_FALSE(cell->isSelected()) << cell->displayIndex();
  grid->setContentOffset(Point{0, 0}, false);
  driver->flush();
  for (const auto& cell : grid->visibleCells()) EXPECT_EQ(cell->isSelected(), cell->displayIndex() == 1u);
}
