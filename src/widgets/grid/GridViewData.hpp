#pragma once
#include <cstddef>
#include <memory>
#include <optional>

#include "platform/base/Geometry.hpp"
#include "platform/base/IndexSet.hpp"

namespace mv {

// Where a grid's layout reads the size of the view it lays out for. The grid
// view owns one; a layout only observes it, so a layout that outlives its grid
// view falls back to the size it was last given.
class GridBoundsSource {
 public:
  virtual ~GridBoundsSource() = default;
  // The present bounds size, or nothing once the view is gone.
  virtual std::optional<base::Size> gridBoundsSize() const = 0;
};

// The pure geometry of a grid: cell size, items per row, item rectangles,
// items meeting a rectangle, the item under a point and the size of the whole
// grid. Items stand row by row: item i is in row i / P, column i mod P.
//
// Copying with the copy constructor duplicates every value; `copy()` is the
// copy the grid's update records take, which re-reads the bounds size from
// the source at the time of copying.
class GridViewData {
 public:
  static constexpr int kVertical = 0;
  static constexpr int kHorizontal = 1;

  explicit GridViewData(std::weak_ptr<const GridBoundsSource> gridView = {});

  GridViewData copy() const;

  // Stores the size; a vertical layout refits the cell width to it.
  void gridViewDidChangeBoundsSize(base::Size size);
  base::Size boundsSize() const { return boundsSize_; }

  base::Size desiredCellSize() const { return desiredCellSize_; }
  void setDesiredCellSize(base::Size size);
  int layoutDirection() const { return layoutDirection_; }
  void setLayoutDirection(int direction);
  bool isVertical() const { return layoutDirection_ == kVertical; }

  // Paddings change nothing by themselves; the next refit uses them.
  double topPadding() const { return topPadding_; }
  void setTopPadding(double v) { topPadding_ = v; }
  double bottomPadding() const { return bottomPadding_; }
  void setBottomPadding(double v) { bottomPadding_ = v; }
  double leftPadding() const { return leftPadding_; }
  void setLeftPadding(double v) { leftPadding_ = v; }
  double rightPadding() const { return rightPadding_; }
  void setRightPadding(double v) { rightPadding_ = v; }

  std::size_t numberOfItems() const { return numberOfItems_; }
  void setNumberOfItems(std::size_t n) { numberOfItems_ = n; }
  std::size_t reorderedIndex() const { return reorderedIndex_; }
  void setReorderedIndex(std::size_t i) { reorderedIndex_ = i; }

  // The size every cell really gets.
  base::Size cellSize() const { return actualCellSize_; }
  // P: 0 when not one cell fits (the grid then shows nothing).
  std::size_t numberOfItemsPerRow() const;
  // Any index is accepted; the zero rectangle when P is 0.
  base::Rect cellRectAtIndex(std::size_t index) const;
  // Items whose rectangles overlap `rect` (touching edges do not count).
  base::IndexSet indicesOfCellsInRect(const base::Rect& rect) const;
  // The item whose grid rectangle holds the point, or base::NotFound for a
  // point in the paddings, right of the last column or past the last item.
  std::size_t itemIndexForPoint(base::Point p) const;
  base::Rect cellRectForPoint(base::Point p) const;
  bool pointIsInLastRow(base::Point p) const;
  // The whole grid with its paddings; never lower than the view's present
  // bounds height.
  base::Size sizeForEntireGrid() const;
  base::Rect rectForEntireGrid() const;

  // Spreads the width between the paddings over the desired columns.
  void fixDesiredCellSizeForWidth(double width);

 private:
  std::weak_ptr<const GridBoundsSource> gridView_;
  base::Size boundsSize_;
  int layoutDirection_ = kVertical;
  base::Size desiredCellSize_;
  base::Size actualCellSize_;
  double topPadding_ = 0, bottomPadding_ = 0, leftPadding_ = 0, rightPadding_ = 0;
  std::size_t numberOfItems_ = 0;
  std::size_t reorderedIndex_ = 0;
};

}  // namespace mv
