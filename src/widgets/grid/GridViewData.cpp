#include "widgets/grid/GridViewData.hpp"

#include <cmath>

namespace mv {

namespace {

// The layout rounds through single precision, as the grid always has; the
// whole-point results (243 for 243.5) depend on it.
double floorS(double v) { return std::floor(static_cast<double>(static_cast<float>(v))); }
double ceilS(double v) { return std::ceil(static_cast<double>(static_cast<float>(v))); }

// Counts come from float quotients that may be negative, infinite or NaN for
// a grid without a usable size; those count as nothing.
constexpr double kLargestCount = 9007199254740992.0;  // 2^53: exact in a double

std::size_t toCount(double v) {
  if (!(v > 0)) return 0;  // also NaN
  if (v >= kLargestCount) return static_cast<std::size_t>(kLargestCount);
  return static_cast<std::size_t>(v);
}

base::Size finiteSize(base::Size s) {
  return {std::isfinite(s.width) ? s.width : 0, std::isfinite(s.height) ? s.height : 0};
}

// Rectangles meet when they overlap; touching along an edge is not enough.
bool rectsMeet(const base::Rect& a, const base::Rect& b) {
  return a.maxX() > b.minX() && b.maxX() > a.minX() && a.maxY() > b.minY() && b.maxY() > a.minY();
}

}  // namespace

GridViewData::GridViewData(std::weak_ptr<const GridBoundsSource> gridView) : gridView_(std::move(gridView)) {
  if (auto source = gridView_.lock())
    if (auto size = source->gridBoundsSize()) boundsSize_ = *size;
}

GridViewData GridViewData::copy() const {
  GridViewData c(*this);
  if (auto source = gridView_.lock())
    if (auto size = source->gridBoundsSize()) c.boundsSize_ = *size;
  return c;
}

void GridViewData::gridViewDidChangeBoundsSize(base::Size size) {
  boundsSize_ = size;
  if (isVertical()) fixDesiredCellSizeForWidth(boundsSize_.width);
}

void GridViewData::setDesiredCellSize(base::Size size) {
  desiredCellSize_ = finiteSize(size);
  if (isVertical())
    fixDesiredCellSizeForWidth(boundsSize_.width);
  else
    actualCellSize_ = desiredCellSize_;
}

void GridViewData::setLayoutDirection(int direction) {
  if (direction == kVertical) {
    layoutDirection_ = kVertical;
    fixDesiredCellSizeForWidth(boundsSize_.width);
  } else {
    actualCellSize_ = desiredCellSize_;
  }
  layoutDirection_ = direction;
}

void GridViewData::fixDesiredCellSizeForWidth(double width) {
  if (!isVertical()) return;
  double usable = floorS(width - leftPadding_ - rightPadding_);
  double desired = floorS(desiredCellSize_.width);
  // Without room for one desired cell the grid has no columns; the cell keeps
  // its desired (finite) size rather than a width divided by zero.
  std::size_t columns = (usable > 0 && desired > 0) ? toCount(floorS(usable / desired)) : 0;
  if (columns == 0) {
    actualCellSize_ = desiredCellSize_;
    return;
  }
  actualCellSize_ = {floorS(usable / static_cast<double>(columns)), desiredCellSize_.height};
}

std::size_t GridViewData::numberOfItemsPerRow() const {
  if (isVertical()) {
    double w = actualCellSize_.width;
    if (!(w > 0)) return 0;
    // The columns are counted in the width the cells were fitted to, so a
    // wide padding never gains a column that runs into it.
    return toCount(floorS((boundsSize_.width - leftPadding_ - rightPadding_) / w));
  }
  double h = actualCellSize_.height;
  if (!(h > 0)) return 0;
  std::size_t rows = toCount(floorS(boundsSize_.height / h));
  if (rows == 0) rows = 1;
  return numberOfItems_ / rows + (numberOfItems_ % rows ? 1 : 0);
}

base::Rect GridViewData::cellRectAtIndex(std::size_t index) const {
  std::size_t perRow = numberOfItemsPerRow();
  if (perRow == 0) return {};
  std::size_t row = index / perRow;
  std::size_t column = index - row * perRow;
  return {static_cast<double>(column) * actualCellSize_.width + leftPadding_,
          static_cast<double>(row) * actualCellSize_.height + topPadding_, actualCellSize_.width,
          actualCellSize_.height};
}

base::IndexSet GridViewData::indicesOfCellsInRect(const base::Rect& rect) const {
  base::IndexSet result;
  std::size_t perRow = numberOfItemsPerRow();
  if (perRow == 0) return result;
  for (std::size_t i = 0; i < numberOfItems_; ++i) {
    base::Rect cell = cellRectAtIndex(i);
    if (cell.maxY() < rect.minY()) {
      i += perRow - 1;  // the whole row lies above the rectangle
      continue;
    }
    // Rows only go down from here: one starting at or below the rectangle's
    // bottom ends the walk (a rectangle wider than the grid never meets a
    // cell past its right edge that would stop it otherwise).
    if (cell.minY() >= rect.maxY()) break;
    if (rectsMeet(cell, rect)) {
      result.add(i);
      if (cell.maxY() > rect.maxY() && cell.maxX() > rect.maxX()) break;
    }
  }
  return result;
}

std::size_t GridViewData::itemIndexForPoint(base::Point p) const {
  std::size_t perRow = numberOfItemsPerRow();
  if (perRow == 0) return base::NotFound;
  double x = p.x - leftPadding_;
  double y = p.y - topPadding_;
  // Points in the paddings belong to no item.
  if (!(x >= 0) || !(y >= 0)) return base::NotFound;
  double rowPoints = floorS(y), columnPoints = floorS(x);
  if (rowPoints >= kLargestCount || columnPoints >= kLargestCount) return base::NotFound;
  std::size_t cellHeight = toCount(std::trunc(actualCellSize_.height));
  std::size_t cellWidth = toCount(std::trunc(actualCellSize_.width));
  std::size_t row = cellHeight ? toCount(rowPoints) / cellHeight : 0;
  std::size_t column = cellWidth ? toCount(columnPoints) / cellWidth : 0;
  // The strip right of the last column is no item's (not the next row's).
  if (column >= perRow) return base::NotFound;
  if (row > numberOfItems_ / perRow) return base::NotFound;
  std::size_t index = perRow * row + column;
  return index < numberOfItems_ ? index : base::NotFound;
}

base::Rect GridViewData::cellRectForPoint(base::Point p) const { return cellRectAtIndex(itemIndexForPoint(p)); }

bool GridViewData::pointIsInLastRow(base::Point p) const {
  base::Size size = rectForEntireGrid().size;
  if (isVertical()) return size.height - actualCellSize_.height <= p.y;
  return size.width - actualCellSize_.width <= p.x;
}

base::Size GridViewData::sizeForEntireGrid() const {
  std::size_t perRow = numberOfItemsPerRow();
  if (perRow == 0) return {};
  std::size_t rows = numberOfItems_ / perRow + (numberOfItems_ % perRow ? 1 : 0);
  double height = ceilS(actualCellSize_.height * static_cast<double>(rows)) + topPadding_ + bottomPadding_;
  double boundsHeight = boundsSize_.height;
  if (auto source = gridView_.lock())
    if (auto size = source->gridBoundsSize()) boundsHeight = size->height;
  if (height < boundsHeight) height = boundsHeight;
  double width = ceilS(static_cast<double>(perRow) * actualCellSize_.width) + leftPadding_ + rightPadding_;
  return {width, height};
}

base::Rect GridViewData::rectForEntireGrid() const { return {{leftPadding_, topPadding_}, sizeForEntireGrid()}; }

}  // namespace mv
