#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "widgets/grid/GridViewData.hpp"

using base::NotFound;
using base::Point;
using base::Rect;
using base::Size;
using mv::GridViewData;

namespace {

struct FakeBounds : mv::GridBoundsSource {
  Size size;
  explicit FakeBounds(Size s) : size(s) {}
  std::optional<Size> gridBoundsSize() const override { return size; }
};

struct Layout {
  std::shared_ptr<FakeBounds> bounds;
  GridViewData data;
};

// A vertical layout as the grid view sets it up: bounds, paddings, desired size, items.
Layout vertical(Size bounds, double sidePadding, Size desired, std::size_t items) {
  auto source = std::make_shared<FakeBounds>(bounds);
  GridViewData data(source);
  data.setLeftPadding(sidePadding);
  data.setRightPadding(sidePadding);
  data.setDesiredCellSize(desired);
  data.setNumberOfItems(items);
  return {source, data};
}

Layout horizontal(Size bounds, Size desired, std::size_t items) {
  auto source = std::make_shared<FakeBounds>(bounds);
  GridViewData data(source);
  data.setLayoutDirection(GridViewData::kHorizontal);
  data.setDesiredCellSize(desired);
  data.setNumberOfItems(items);
  return {source, data};
}

bool finite(const Size& s) { return std::isfinite(s.width) && std::isfinite(s.height); }
bool finite(const Rect& r) { return std::isfinite(r.x()) && std::isfinite(r.y()) && finite(r.size); }

}  // namespace

TEST(GridData, ColumnsAndCellWidthsOfTheAppsGrids) {
  struct Case {
    double width, padding, desiredWidth;
    double cellWidth;
    std::size_t perRow;
  } cases[] = {
      {768, 0, 193, 256, 3},   // the leftover spread over three columns
      {780, 20, 200, 246, 3},  // library
      {780, 20, 193, 246, 3},
      {780, 25, 193, 243, 3},
      {1024, 25, 200, 243, 4},  // 243.5 floored in single precision
      {774, 0, 193, 193, 4},    // catalogue beside its left panel (193.5)
      {1024, 0, 193, 204, 5},   // catalogue full width
      {800, 0, 250, 266, 3},
      // Wide paddings: the columns are counted between them, so no fourth
      // column runs into the right padding.
      {780, 100, 193, 193, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " / " << c.padding << " / " << c.desiredWidth);
    auto l = vertical({c.width, 600}, c.padding, {c.desiredWidth, 212}, 10);
    EXPECT_EQ(l.data.cellSize(), (Size{c.cellWidth, 212}));
    EXPECT_EQ(l.data.numberOfItemsPerRow(), c.perRow);
    // Every column ends inside the right padding's edge.
    Rect last = l.data.cellRectAtIndex(c.perRow - 1);
    EXPECT_LE(last.maxX(), c.width - c.padding);
  }
  auto wide = vertical({780, 600}, 100, {193, 212}, 10);
  EXPECT_EQ(wide.data.sizeForEntireGrid().width, 779);
}

TEST(GridData, RectanglesAndGridSize) {
  auto l = vertical({768, 700}, 0, {193, 212}, 10);
  EXPECT_EQ(l.data.cellRectAtIndex(0), (Rect{0, 0, 256, 212}));
  EXPECT_EQ(l.data.cellRectAtIndex(4), (Rect{256, 212, 256, 212}));
  EXPECT_EQ(l.data.cellRectAtIndex(9), (Rect{0, 636, 256, 212}));
  EXPECT_EQ(l.data.cellRectAtIndex(12), (Rect{0, 848, 256, 212}));  // any index has a place
  EXPECT_EQ(l.data.sizeForEntireGrid(), (Size{768, 848}));
  // The height never falls below the view's present bounds height.
  l.bounds->size = {768, 1024};
  EXPECT_EQ(l.data.sizeForEntireGrid(), (Size{768, 1024}));
  // Paddings surround the cells and count in the size.
  l.bounds->size = {768, 700};
  l.data.setTopPadding(44);
  l.data.setBottomPadding(30);
  EXPECT_EQ(l.data.cellRectAtIndex(4), (Rect{256, 256, 256, 212}));
  EXPECT_EQ(l.data.sizeForEntireGrid(), (Size{768, 848 + 74}));
  EXPECT_EQ(l.data.rectForEntireGrid(), (Rect{0, 44, 768, 922}));
  // Last row: the bottom cell height of the whole grid rectangle.
  EXPECT_TRUE(l.data.pointIsInLastRow({10, 922 - 212}));
  EXPECT_FALSE(l.data.pointIsInLastRow({10, 922 - 213}));
}

TEST(GridData, HorizontalStrip) {
  auto l = horizontal({364, 144}, {118, 144}, 7);
  EXPECT_EQ(l.data.cellSize(), (Size{118, 144}));
  EXPECT_EQ(l.data.numberOfItemsPerRow(), 7u);
  EXPECT_EQ(l.data.cellRectAtIndex(6), (Rect{708, 0, 118, 144}));
  EXPECT_EQ(l.data.sizeForEntireGrid(), (Size{826, 144}));
  EXPECT_TRUE(l.data.pointIsInLastRow({708, 0}));
  EXPECT_FALSE(l.data.pointIsInLastRow({707, 0}));
  // Two rows fit: the items share them, the first row taking the extra one.
  l.bounds->size = {364, 300};
  l.data.gridViewDidChangeBoundsSize({364, 300});
  EXPECT_EQ(l.data.numberOfItemsPerRow(), 4u);
  EXPECT_EQ(l.data.cellRectAtIndex(4), (Rect{0, 144, 118, 144}));
  // No items: nothing anywhere.
  l.data.setNumberOfItems(0);
  EXPECT_EQ(l.data.numberOfItemsPerRow(), 0u);
  EXPECT_EQ(l.data.cellRectAtIndex(0), Rect{});
  EXPECT_EQ(l.data.sizeForEntireGrid(), Size{});
  // Far more linked files than fit in a small counter.
  l.bounds->size = {364, 144};
  l.data.gridViewDidChangeBoundsSize({364, 144});
  l.data.setNumberOfItems(70);
  EXPECT_EQ(l.data.numberOfItemsPerRow(), 70u);
  EXPECT_EQ(l.data.sizeForEntireGrid(), (Size{70 * 118, 144}));
  // Direction changes: horizontal takes the desired size, vertical refits it.
  l.data.setLayoutDirection(GridViewData::kVertical);
  EXPECT_EQ(l.data.cellSize(), (Size{121, 144}));
  l.data.setLayoutDirection(GridViewData::kHorizontal);
  EXPECT_EQ(l.data.cellSize(), (Size{118, 144}));
}

TEST(GridData, GridsWithoutRoomForACellStayFinite) {
  std::vector<Layout> layouts;
  layouts.push_back(vertical({0, 0}, 0, {96, 128}, 12));        // a grid before its first frame
  layouts.push_back(vertical({150, 400}, 0, {193, 212}, 12));   // narrower than one cell
  layouts.push_back(vertical({300, 400}, 200, {193, 212}, 12)); // paddings wider than the view
  layouts.push_back(vertical({300, 400}, 0, {0, 0}, 12));       // no desired size yet
  layouts.push_back(horizontal({364, 144}, {118, 0}, 12));       // zero cell height
  layouts.push_back(vertical({300, 400}, 0, {std::numeric_limits<double>::quiet_NaN(), 10}, 12));
  layouts.push_back(vertical({300, 400}, 0, {std::numeric_limits<double>::infinity(), 10}, 12));
  for (std::size_t k = 0; k < layouts.size(); ++k) {
    SCOPED_TRACE(k);
    const auto& d = layouts[k].data;
    EXPECT_TRUE(finite(d.cellSize()));
    EXPECT_EQ(d.numberOfItemsPerRow(), 0u);
    EXPECT_EQ(d.cellRectAtIndex(5), Rect{});
    EXPECT_TRUE(d.indicesOfCellsInRect({0, 0, 1000, 1000}).empty());
    EXPECT_EQ(d.itemIndexForPoint({1, 1}), NotFound);
    EXPECT_EQ(d.sizeForEntireGrid(), Size{});
    EXPECT_TRUE(finite(d.cellRectForPoint({1, 1})));
  }
  // The zero-frame grid keeps its desired size and gets columns once it has a width.
  auto& first = layouts[0];
  EXPECT_EQ(first.data.cellSize(), (Size{96, 128}));
  first.bounds->size = {400, 300};
  first.data.gridViewDidChangeBoundsSize({400, 300});
  EXPECT_EQ(first.data.numberOfItemsPerRow(), 4u);
  EXPECT_EQ(first.data.cellSize(), (Size{100, 128}));
}

TEST(GridData, ItemUnderAPoint) {
  auto l = vertical({800, 600}, 0, {250, 200}, 8);  // 3 columns of 266
  EXPECT_EQ(l.data.itemIndexForPoint({0, 0}), 0u);
  EXPECT_EQ(l.data.itemIndexForPoint({265.9, 199.9}), 0u);
  EXPECT_EQ(l.data.itemIndexForPoint({266, 10}), 1u);
  EXPECT_EQ(l.data.itemIndexForPoint({540, 210}), 5u);
  // The strip right of the last column belongs to nobody, not to the next row.
  EXPECT_EQ(l.data.itemIndexForPoint({799, 10}), NotFound);
  EXPECT_EQ(l.data.itemIndexForPoint({798, 10}), NotFound);
  // Past the last item, and below the grid.
  EXPECT_EQ(l.data.itemIndexForPoint({540, 410}), NotFound);  // would be item 8
  EXPECT_EQ(l.data.itemIndexForPoint({10, 5000}), NotFound);
  EXPECT_EQ(l.data.itemIndexForPoint({10, 1e300}), NotFound);
  EXPECT_EQ(l.data.itemIndexForPoint({std::numeric_limits<double>::quiet_NaN(), 10}), NotFound);
  EXPECT_EQ(l.data.cellRectForPoint({540, 210}), (Rect{532, 200, 266, 200}));
  // Paddings belong to no item either.
  l.data.setLeftPadding(20);
  l.data.setTopPadding(30);
  EXPECT_EQ(l.data.itemIndexForPoint({10, 40}), NotFound);
  EXPECT_EQ(l.data.itemIndexForPoint({25, 10}), NotFound);
  EXPECT_EQ(l.data.itemIndexForPoint({20, 30}), 0u);
}

TEST(GridData, ItemsMeetingARectangle) {
  auto l = vertical({768, 600}, 0, {193, 212}, 10);  // 3 columns of 256, rows of 212
  using V = std::vector<std::size_t>;
  // A rectangle ending exactly on a row boundary leaves the next row out.
  EXPECT_EQ(l.data.indicesOfCellsInRect({0, 0, 768, 212}).toVector(), (V{0, 1, 2}));
  EXPECT_EQ(l.data.indicesOfCellsInRect({0, 0, 768, 212.5}).toVector(), (V{0, 1, 2, 3, 4, 5}));
  // Rows above the rectangle are skipped, the last row is partial.
  EXPECT_EQ(l.data.indicesOfCellsInRect({0, 424, 768, 600}).toVector(), (V{6, 7, 8, 9}));
  EXPECT_EQ(l.data.indicesOfCellsInRect({300, 300, 10, 10}).toVector(), (V{4}));
  // Touching an edge is not meeting.
  EXPECT_TRUE(l.data.indicesOfCellsInRect({768, 0, 50, 50}).empty());
  EXPECT_TRUE(l.data.indicesOfCellsInRect({0, 848, 768, 100}).empty());
  EXPECT_TRUE(l.data.indicesOfCellsInRect({0, -50, 768, 50}).empty());

  // Against a plain check of every item, for rectangles anywhere (also wider
  // than the grid and with paddings).
  l.data.setLeftPadding(7);
  l.data.setTopPadding(13);
  l.data.setNumberOfItems(47);
  l.data.gridViewDidChangeBoundsSize({768, 600});
  std::mt19937 rng(1234);
  std::uniform_real_distribution<double> pos(-300, 3000), len(0, 1200);
  for (int k = 0; k < 400; ++k) {
    Rect r{std::round(pos(rng)), std::round(pos(rng)), std::round(len(rng)), std::round(len(rng))};
    base::IndexSet expected;
    for (std::size_t i = 0; i < l.data.numberOfItems(); ++i) {
      Rect c = l.data.cellRectAtIndex(i);
      if (c.maxX() > r.minX() && r.maxX() > c.minX() && c.maxY() > r.minY() && r.maxY() > c.minY()) expected.add(i);
    }
    ASSERT_EQ(l.data.indicesOfCellsInRect(r), expected) << r;
  }
}

TEST(GridData, CopiesReadTheViewsPresentBounds) {
  auto l = vertical({768, 700}, 10, {193, 212}, 10);
  l.data.setReorderedIndex(4);
  l.data.setTopPadding(5);
  l.bounds->size = {1024, 748};
  GridViewData copy = l.data.copy();
  EXPECT_EQ(copy.boundsSize(), (Size{1024, 748}));
  EXPECT_EQ(l.data.boundsSize(), (Size{768, 700}));
  // Everything else comes along unchanged (no refit on copying).
  EXPECT_EQ(copy.cellSize(), l.data.cellSize());
  EXPECT_EQ(copy.desiredCellSize(), l.data.desiredCellSize());
  EXPECT_EQ(copy.numberOfItems(), 10u);
  EXPECT_EQ(copy.reorderedIndex(), 4u);
  EXPECT_EQ(copy.topPadding(), 5);
  EXPECT_EQ(copy.leftPadding(), 10);
  // A layout that outlives its view keeps the last size it knew.
  l.bounds.reset();
  GridViewData orphan = copy.copy();
  EXPECT_EQ(orphan.boundsSize(), (Size{1024, 748}));
  EXPECT_EQ(orphan.sizeForEntireGrid().height, 748);  // three rows of 212 + 5 are less
}
