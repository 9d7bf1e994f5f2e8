#pragma once
#include "TestEnvironment.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/View.hpp"

namespace mv::test {

// The toolkit reset around every grid test: no windows, animations on, an
// empty animation log, screen scale 1.
class GridTestEnvironment : public TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    reset();
  }
  void TearDown() override {
    reset();
    TestEnvironment::TearDown();
  }
  static void reset() {
    ui::AlertView::resetForTesting();
    ui::Application::freeInstance();
    ui::View::setAnimationsEnabled(true);
    ui::View::clearAnimationLog();
    ui::Screen::mainScreen().setScale(1);
  }
};

}  // namespace mv::test

#include <functional>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.hpp"
#include "widgets/grid/GridView.hpp"

namespace mv::test {

// A cell that counts its reuses.
class CountingCell : public GridViewCell {
 public:
  using GridViewCell::GridViewCell;
  int reuses = 0;
  void prepareForReuse() override {
    GridViewCell::prepareForReuse();
    ++reuses;
  }
};

// A data source over a list of item ids; each cell's tag is its item's id.
class FakeSource : public GridViewDataSource {
 public:
  std::vector<long> items;
  std::optional<base::Size> cellSize = base::Size{193, 212};
  std::string identifier = "cell";
  int countCalls = 0, cellCalls = 0, created = 0;
  bool nothing = false;  // gives no cells at all
  std::function<void(GridView&, std::size_t)> onCell;  // runs before each cell is made
  std::function<std::shared_ptr<GridViewCell>(std::size_t)> makeCell;

  void setCount(std::size_t n) {
    items.resize(n);
    for (std::size_t i = 0; i < n; ++i) items[i] = static_cast<long>(i);
  }
  std::size_t numberOfItemsInGridView(GridView&) override {
    ++countCalls;
    return items.size();
  }
  std::shared_ptr<GridViewCell> gridViewCellForItemAtIndex(GridView& grid, std::size_t index) override {
    ++cellCalls;
    if (onCell) onCell(grid, index);
    if (nothing) return nullptr;
    std::shared_ptr<GridViewCell> cell = makeCell ? makeCell(index) : nullptr;
    if (!cell) cell = grid.dequeueReusableCellWithIdentifier(identifier);
    if (!cell) {
      ++created;
      base::Size s = cellSize.value_or(base::Size{96, 128});
      cell = std::make_shared<CountingCell>(ui::Rect{0, 0, s.width, s.height}, identifier);
    }
    cell->setTag(index < items.size() ? items[index] : -1);
    return cell;
  }
  std::optional<base::Size> portraitGridCellSizeForGridView(GridView&) override { return cellSize; }
};

// Writes down every delegate call (and the selection notification) in order.
class RecordingDelegate : public GridViewDelegate {
 public:
  std::vector<std::string> log;
  std::vector<std::size_t> displayed;
  std::function<std::optional<std::size_t>(std::size_t)> willSelect;
  int endedAnimations = 0;
  base::Observation observation;

  void observe(GridView& grid) {
    observation = base::Observation(GridViewSelectionDidChangeNotification, &grid,
                                    [this](const base::Notification&) { log.push_back("notification"); });
  }
  void gridViewWillDisplayCell(GridView&, GridViewCell&, std::size_t index) override { displayed.push_back(index); }
  std::optional<std::size_t> gridViewWillSelectItemAtIndex(GridView&, std::size_t index) override {
    log.push_back("willSelect " + std::to_string(index));
    return willSelect ? willSelect(index) : std::optional<std::size_t>(index);
  }
  std::optional<std::size_t> gridViewWillSelectItemAtIndexNumFingersTouch(GridView&, std::size_t index,
                                                                          std::size_t fingers) override {
    log.push_back("willSelect " + std::to_string(index) + " fingers " + std::to_string(fingers));
    return std::nullopt;
  }
  void gridViewWillDeselectItemAtIndex(GridView&, std::size_t index) override {
    log.push_back("willDeselect " + std::to_string(index));
  }
  void gridViewDidSelectItemAtIndex(GridView&, std::size_t index) override {
    log.push_back("didSelect " + std::to_string(index));
  }
  void gridViewDidSelectItemAtIndexNumFingersTouch(GridView&, std::size_t index, std::size_t fingers) override {
    log.push_back("didSelect " + std::to_string(index) + " fingers " + std::to_string(fingers));
  }
  void gridViewDidDeselectItemAtIndex(GridView&, std::size_t index) override {
    log.push_back("didDeselect " + std::to_string(index));
  }
  void gridViewDidEndUpdateAnimation(GridView&) override { ++endedAnimations; }
};

// What must hold after every refresh: the list sorted by item, one cell per
// item of the visible range, every listed cell in the grid and no queued one.
inline void expectVisibleListConsistent(GridView& grid, const std::vector<std::string>& identifiers = {"cell"}) {
  auto cells = grid.visibleCells();
  ASSERT_EQ(cells.size(), grid.visibleLength());
  for (std::size_t k = 0; k < cells.size(); ++k) {
    EXPECT_EQ(cells[k]->displayIndex(), grid.visibleLocation() + k);
    EXPECT_EQ(cells[k]->superview(), &grid);
    EXPECT_EQ(grid.cellForItemAtIndex(grid.visibleLocation() + k), cells[k]);
  }
  EXPECT_EQ(grid.visibleCellIndices(), grid.gridData().indicesOfCellsInRect(grid.gridViewVisibleBounds()));
  std::size_t cellSubviews = 0;
  for (const auto& v : grid.subviews())
    if (dynamic_cast<GridViewCell*>(v.get())) ++cellSubviews;
  EXPECT_EQ(cellSubviews, cells.size());
  for (const auto& id : identifiers)
    for (const auto& queued : grid.reusableCells(id)) EXPECT_EQ(queued->superview(), nullptr);
}

}  // namespace mv::test
