#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "GridTestSupport.hpp"
#include "platform/base/Log.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"

using base::IndexSet;
using base::Point;
using base::Rect;
using mv::GridView;
using mv::GridViewCell;
using mv::test::FakeSource;
using mv::test::RecordingDelegate;

namespace {

class GridUpdateTest : public mv::test::GridTestEnvironment {
 protected:
  void make(std::size_t count) {
    driver = std::make_unique<ui::HeadlessDriver>();
    grid = std::make_shared<GridView>(Rect{0, 0, 768, 700});
    source = std::make_shared<FakeSource>();
    source->setCount(count);
    delegate = std::make_shared<RecordingDelegate>();
    grid->setDataSource(source);
    grid->setDelegate(delegate);
    driver->window().addSubview(grid);
    grid->reloadData();
    driver->flush();
    ui::View::clearAnimationLog();
  }
  // Runs the update animation to its end and the layout after it.
  void finish() {
    driver->advance(0.35);
    driver->flush();
  }
  std::size_t strayViews() const {
    std::size_t n = 0;
    for (const auto& v : grid->subviews())
      if (!dynamic_cast<GridViewCell*>(v.get())) ++n;
    return n;
  }
  // Every visible cell shows the model's item at its index, where the layout puts it.
  void expectCellsMatchModel() {
    mv::test::expectVisibleListConsistent(*grid);
    EXPECT_EQ(grid->numberOfItems(), source->items.size());
    for (const auto& cell : grid->visibleCells()) {
      std::size_t i = cell->displayIndex();
      ASSERT_LT(i, source->items.size());
      EXPECT_EQ(cell->tag(), source->items[i]) << "item " << i;
      EXPECT_EQ(cell->frame(), grid->fixCellFrame(cell->frame(), grid->gridData().cellRectAtIndex(i)));
      EXPECT_EQ(cell->alpha(), 1);
      EXPECT_FALSE(cell->isHidden());
    }
    EXPECT_EQ(strayViews(), 0u);
  }

  std::unique_ptr<ui::HeadlessDriver> driver;
  std::shared_ptr<GridView> grid;
  std::shared_ptr<FakeSource> source;
  std::shared_ptr<RecordingDelegate> delegate;
};

// What the grid logs while `f` runs.
std::string logOf(const std::function<void()>& f) {
  const bool wasEnabled = base::logEnabled();
  base::setLogEnabled(true);
  testing::internal::CaptureStderr();
  f();
  std::string out = testing::internal::GetCapturedStderr();
  base::setLogEnabled(wasEnabled);
  return out;
}

}  // namespace

TEST_F(GridUpdateTest, CountMismatchesAndBadIndicesAreRefusedWithoutHarm) {
  make(5);
  // The model still has 5 items after "inserting" two: the batch is dropped,
  // logged, and the grid shows the model as it is.
  EXPECT_NE(logOf([&] { grid->insertItemsAtIndices({5, 6}, mv::GridViewItemAnimationFade); })
                .find("Invalid number of items in GridView: Started with 5, added 2, deleted 0. Expected 7 items "
                      "after changes, but got 5"),
            std::string::npos);
  EXPECT_EQ(grid->reloadingSuspendedCount(), 0);
  EXPECT_FALSE(grid->isAnimatingUpdates());
  EXPECT_EQ(grid->numberOfItems(), 5u);
  EXPECT_EQ(delegate->endedAnimations, 0);
  // Indices outside the lists, whatever the count says.
  std::vector<std::function<void()>> bad = {
      [&] { grid->deleteItemsAtIndices({7}, mv::GridViewItemAnimationFade); },
      [&] { grid->reloadItemsAtIndices({5}, mv::GridViewItemAnimationFade); },
      [&] { grid->moveItemAtIndex(1, 100, mv::GridViewItemAnimationFade); },
      [&] { grid->moveItemAtIndex(std::size_t(1) << 40, 0, mv::GridViewItemAnimationFade); },
      [&] {
        grid->beginUpdates();
        grid->moveItemAtIndex(1, 2, mv::GridViewItemAnimationFade);
        grid->moveItemAtIndex(3, 2, mv::GridViewItemAnimationFade);
        grid->endUpdates();
      },
  };
  for (std::size_t k = 0; k < bad.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_NE(logOf(bad[k]).find("update refused"), std::string::npos);
    EXPECT_EQ(grid->reloadingSuspendedCount(), 0);
    EXPECT_EQ(grid->numberOfItems(), 5u);
    EXPECT_FALSE(grid->isAnimatingUpdates());
  }
  EXPECT_NE(logOf(bad[0]).find("delete index 7"), std::string::npos);
  driver->flush();
  expectCellsMatchModel();
  // The grid takes a proper update afterwards.
  source->items.push_back(5);
  grid->insertItemsAtIndices({5}, mv::GridViewItemAnimationFade);
  finish();
  expectCellsMatchModel();
  EXPECT_EQ(delegate->endedAnimations, 1);
}

TEST_F(GridUpdateTest, ARefusedBatchReloadsTheModelAsItIsNow) {
  make(5);
  // The model gained three items but the batch names only one of them.
  source->items.insert(source->items.end(), {5, 6, 7});
  logOf([&] { grid->insertItemsAtIndices({5}, mv::GridViewItemAnimationFade); });
  EXPECT_FALSE(grid->isAnimatingUpdates());
  EXPECT_EQ(grid->numberOfItems(), 8u);
  driver->flush();
  expectCellsMatchModel();
  // Inside a batch the refusal comes at its end, and the whole batch goes.
  source->items.erase(source->items.begin());
  grid->beginUpdates();
  grid->deleteItemsAtIndices({0}, mv::GridViewItemAnimationFade);
  grid->deleteItemsAtIndices({20}, mv::GridViewItemAnimationFade);
  EXPECT_EQ(grid->numberOfItems(), 8u);
  logOf([&] { grid->endUpdates(); });
  EXPECT_EQ(grid->reloadingSuspendedCount(), 0);
  EXPECT_EQ(grid->numberOfItems(), 7u);
  driver->flush();
  expectCellsMatchModel();
  EXPECT_EQ(delegate->endedAnimations, 0);
}

TEST_F(GridUpdateTest, BatchesNestAndStrayEndsAreIgnored) {
  make(5);
  grid->beginUpdates();
  grid->endUpdates();
  finish();
  EXPECT_TRUE(ui::View::animationLog().empty());
  EXPECT_EQ(delegate->endedAnimations, 0);

  // Only the outermost end animates.
  source->items.insert(source->items.begin(), 100);
  source->items.push_back(101);
  grid->beginUpdates();
  grid->beginUpdates();
  grid->insertItemsAtIndices({0}, mv::GridViewItemAnimationTop);
  grid->endUpdates();
  EXPECT_FALSE(grid->isAnimatingUpdates());
  grid->insertItemsAtIndices({6}, mv::GridViewItemAnimationLeft);
  EXPECT_FALSE(grid->isAnimatingUpdates());
  grid->endUpdates();
  EXPECT_TRUE(grid->isAnimatingUpdates());
  ASSERT_EQ(ui::View::animationLog().size(), 1u);
  EXPECT_EQ(ui::View::animationLog().back().duration, 0.3);
  finish();
  EXPECT_FALSE(grid->isAnimatingUpdates());
  EXPECT_EQ(delegate->endedAnimations, 1);
  expectCellsMatchModel();

  // An end without a begin changes nothing; batching still works after it.
  grid->endUpdates();
  grid->endUpdates();
  source->items.erase(source->items.begin());
  grid->beginUpdates();
  grid->deleteItemsAtIndices({0}, mv::GridViewItemAnimationRight);
  EXPECT_FALSE(grid->isAnimatingUpdates());
  grid->endUpdates();
  EXPECT_TRUE(grid->isAnimatingUpdates());
  finish();
  EXPECT_EQ(delegate->endedAnimations, 2);
  expectCellsMatchModel();
}

TEST_F(GridUpdateTest, DeletedCellsLeaveNoSnapshotsBehind) {
  make(30);
  auto before = grid->visibleCells();
  source->items.erase(source->items.begin() + 4);
  source->items.erase(source->items.begin() + 1);
  grid->deleteItemsAtIndices({1, 4}, mv::GridViewItemAnimationFade);
  EXPECT_TRUE(grid->isAnimatingUpdates());
  // Both deleted cells are standing in as fading snapshots.
  EXPECT_EQ(strayViews(), 2u);
  std::size_t faded = 0;
  for (const auto& v : grid->subviews())
    if (!dynamic_cast<GridViewCell*>(v.get()) && v->alpha() == 0) ++faded;
  EXPECT_EQ(faded, 2u);
  EXPECT_EQ(before[1]->superview(), nullptr);
  EXPECT_EQ(before[4]->superview(), nullptr);
  // The layout passes during the animation keep the moving cells.
  driver->advance(0.1);
  driver->flush();
  EXPECT_TRUE(grid->isAnimatingUpdates());
  finish();
  EXPECT_EQ(delegate->endedAnimations, 1);
  expectCellsMatchModel();
  EXPECT_EQ(grid->visibleLength(), 12u);

  // Without animation the deleted cell simply goes.
  source->items.erase(source->items.begin());
  grid->deleteItemsAtIndices({0}, mv::GridViewItemAnimationNone);
  EXPECT_EQ(strayViews(), 0u);
  finish();
  expectCellsMatchModel();
  EXPECT_EQ(delegate->endedAnimations, 2);
}

TEST_F(GridUpdateTest, TheSelectionFollowsItsItem) {
  make(30);
  grid->selectItemAtIndex(4, false, 0);
  source->items.erase(source->items.begin() + 1);
  grid->deleteItemsAtIndices({1}, mv::GridViewItemAnimationBottom);
  EXPECT_EQ(grid->indexOfSelectedItem(), 3u);
  finish();
  expectCellsMatchModel();
  auto cell = grid->cellForItemAtIndex(3);
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->tag(), 4);
  EXPECT_TRUE(cell->isSelected());
  for (const auto& c : grid->visibleCells()) EXPECT_EQ(c->isSelected(), c == cell);
  // A deleted selection goes with its item.
  source->items.erase(source->items.begin() + 3);
  grid->deleteItemsAtIndices({3}, mv::GridViewItemAnimationFade);
  EXPECT_EQ(grid->indexOfSelectedItem(), base::NotFound);
  finish();
  expectCellsMatchModel();
}

TEST_F(GridUpdateTest, MovesInsertsAndReloadsShowTheRightItems) {
  make(30);
  // Delete below an insert, move across, reload one item.
  auto& items = source->items;
  // Old: 0..29. Delete 0 and 2, move 5 to 0, insert new 7 at 3, reload 4.
  std::vector<long> after;
  after.push_back(5);
  for (long id : {1L, 3L}) after.push_back(id);
  after.push_back(700);
  for (long id = 4; id < 30; ++id)
    if (id != 5) after.push_back(id == 4 ? 400 : id);
  items = after;
  grid->beginUpdates();
  grid->deleteItemsAtIndices({0, 2}, mv::GridViewItemAnimationLeft);
  grid->moveItemAtIndex(5, 0, mv::GridViewItemAnimationFade);
  grid->insertItemsAtIndices({3}, mv::GridViewItemAnimationMiddle);
  grid->reloadItemsAtIndices({4}, mv::GridViewItemAnimationRight);
  grid->endUpdates();
  finish();
  expectCellsMatchModel();
  EXPECT_EQ(grid->cellForItemAtIndex(3)->tag(), 700);
  EXPECT_EQ(grid->cellForItemAtIndex(4)->tag(), 400);

  // Inserted at the top, one call at a time, while another animation runs.
  items.insert(items.begin(), 900);
  grid->insertItemsAtIndices({0}, mv::GridViewItemAnimationTop);
  driver->advance(0.1);
  items.insert(items.begin(), 901);
  grid->insertItemsAtIndices({0}, mv::GridViewItemAnimationFade);
  finish();
  finish();
  expectCellsMatchModel();
  EXPECT_EQ(delegate->endedAnimations, 3);
  EXPECT_EQ(grid->cellForItemAtIndex(0)->tag(), 901);
}

// Random batches against the list model: after each animation the grid shows
// exactly the model's items, with no views left over, wherever it is scrolled.
TEST_F(GridUpdateTest, RandomBatchesAgreeWithTheModel) {
  make(40);
  std::mt19937 rng(77);
  long nextId = 1000;
  for (int round = 0; round < 120; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    auto& items = source->items;
    std::size_t n = items.size();
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), rng);
    std::size_t deletes = n ? rng() % std::min<std::size_t>(4, n) : 0;
    std::size_t moves = (n - deletes) ? rng() % std::min<std::size_t>(3, n - deletes) : 0;
    std::size_t inserts = rng() % 4;
    IndexSet deleted, moved, inserted, reloaded;
    for (std::size_t k = 0; k < deletes; ++k) deleted.add(order[k]);
    std::vector<std::size_t> movedFrom;
    for (std::size_t k = 0; k < moves; ++k) movedFrom.push_back(order[deletes + k]);
    std::size_t m = n - deletes + inserts;
    std::vector<std::size_t> slots(m);
    std::iota(slots.begin(), slots.end(), 0);
    std::shuffle(slots.begin(), slots.end(), rng);
    for (std::size_t k = 0; k < inserts; ++k) inserted.add(slots[k]);
    std::vector<std::pair<std::size_t, std::size_t>> moveList;
    for (std::size_t k = 0; k < moves; ++k) moveList.emplace_back(movedFrom[k], slots[inserts + k]);
    for (std::size_t k = deletes + moves; k < n; ++k)
      if (rng() % 6 == 0) reloaded.add(order[k]);

    // The model after the batch.
    std::vector<long> next(m, 0);
    std::vector<bool> placed(m, false);
    for (std::size_t j : inserted) next[j] = nextId++, placed[j] = true;
    for (auto [from, to] : moveList) next[to] = items[from], placed[to] = true;
    std::vector<long> rest;
    for (std::size_t i = 0; i < n; ++i)
      if (!deleted.contains(i) && std::find(movedFrom.begin(), movedFrom.end(), i) == movedFrom.end())
        rest.push_back(items[i]);
    std::size_t r = 0;
    for (std::size_t j = 0; j < m; ++j)
      if (!placed[j]) next[j] = rest[r++];
    for (std::size_t i : reloaded) {
      auto it = std::find(next.begin(), next.end(), items[i]);
      if (it != next.end()) *it = nextId++;
    }
    items = next;

    auto animation = static_cast<mv::GridViewItemAnimation>(rng() % 7);
    grid->beginUpdates();
    if (!deleted.empty()) grid->deleteItemsAtIndices(deleted, animation);
    for (auto [from, to] : moveList) grid->moveItemAtIndex(from, to, animation);
    if (!inserted.empty()) grid->insertItemsAtIndices(inserted, animation);
    if (!reloaded.empty()) grid->reloadItemsAtIndices(reloaded, animation);
    grid->endUpdates();
    driver->advance(0.1);
    driver->flush();
    finish();
    ASSERT_FALSE(grid->isAnimatingUpdates());
    expectCellsMatchModel();
    if (HasFailure()) return;
    // Somewhere else next time.
    double maxY = std::max(0.0, grid->contentSize().height - 700);
    grid->setContentOffset(Point{0, std::floor(maxY * (rng() % 5) / 4)}, false);
    driver->flush();
  }
}
