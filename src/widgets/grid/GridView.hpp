#pragma once
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/base/IndexSet.hpp"
#include "platform/gfx/Color.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/GestureRecognizer.hpp"
#include "platform/ui/ScrollView.hpp"
#include "widgets/grid/GridViewAnimatorItem.hpp"
#include "widgets/grid/GridViewCell.hpp"
#include "widgets/grid/GridViewData.hpp"
#include "widgets/grid/GridViewUpdateItem.hpp"

namespace mv {

class GridView;
class GridViewUpdateInfo;

// Posted with the grid view as sender when a tap changes its selection.
inline constexpr const char* GridViewSelectionDidChangeNotification = "GridViewSelectionDidChangeNotification";

// Where `scrollToItemAtIndex` brings an item.
enum GridViewScrollPosition : int {
  GridViewScrollPositionNone = 0,
  GridViewScrollPositionTop = 1,
  GridViewScrollPositionMiddle = 2,
  GridViewScrollPositionBottom = 3,
};

// Supplies a grid's items.
class GridViewDataSource {
 public:
  virtual ~GridViewDataSource() = default;
  virtual std::size_t numberOfItemsInGridView(GridView& gridView) = 0;
  // The cell showing the item: one taken from `dequeueReusableCellWithIdentifier`
  // or a new one. Nothing leaves the item without a cell.
  virtual std::shared_ptr<GridViewCell> gridViewCellForItemAtIndex(GridView& gridView, std::size_t index) = 0;
  // The cell size asked for; nothing keeps the grid's present one.
  virtual std::optional<base::Size> portraitGridCellSizeForGridView(GridView& /*gridView*/) {
    return std::nullopt;
  }
};

// Hears what a grid does and may steer its selection and cell frames. Every
// operation is optional; operations that answer use nothing for "not
// implemented".
class GridViewDelegate : public ui::ScrollViewDelegate {
 public:
  // Before a new cell shows.
  virtual void gridViewWillDisplayCell(GridView& /*gridView*/, GridViewCell& /*cell*/, std::size_t /*index*/) {}
  // Before a tap selects `index`: the index to select instead, base::NotFound
  // to select nothing.
  virtual std::optional<std::size_t> gridViewWillSelectItemAtIndex(GridView& /*gridView*/, std::size_t /*index*/) {
    return std::nullopt;
  }
  virtual std::optional<std::size_t> gridViewWillSelectItemAtIndexNumFingersTouch(GridView& /*gridView*/,
                                                                                  std::size_t /*index*/,
                                                                                  std::size_t /*numFingers*/) {
    return std::nullopt;
  }
  virtual void gridViewWillDeselectItemAtIndex(GridView& /*gridView*/, std::size_t /*index*/) {}
  virtual void gridViewDidSelectItemAtIndex(GridView& /*gridView*/, std::size_t /*index*/) {}
  virtual void gridViewDidSelectItemAtIndexNumFingersTouch(GridView& /*gridView*/, std::size_t /*index*/,
                                                           std::size_t /*numFingers*/) {}
  virtual void gridViewDidDeselectItemAtIndex(GridView& /*gridView*/, std::size_t /*index*/) {}
  // Once per animated update, after the visible cells were rebuilt.
  virtual void gridViewDidEndUpdateAnimation(GridView& /*gridView*/) {}
  // Declared for owners that track recognisers per item; the grid never calls it.
  virtual void gridViewGestureRecognizerActivatedForItemAtIndex(GridView& /*gridView*/, ui::GestureRecognizer& /*recognizer*/,
                                                                std::size_t /*index*/) {}
  // The frame for a cell fitted into `gridCellFrame`; nothing keeps `frame`.
  virtual std::optional<base::Rect> gridViewAdjustCellFrame(GridView& /*gridView*/, base::Rect /*frame*/,
                                                            base::Rect /*gridCellFrame*/) {
    return std::nullopt;
  }
  // Declared for editing owners; the grid never calls it.
  virtual void gridViewCommitEditingStyle(GridView& /*gridView*/, long /*style*/, std::size_t /*index*/) {}
};

// A scrolling grid of items. Only the items inside the visible part of the
// content have cells (`GridViewCell` subviews the data source supplies);
// cells that scroll out of sight wait in reuse queues keyed by their reuse
// identifier. The geometry comes from a `GridViewData`. A tap highlights the
// item under the finger on the next run-loop turn and selects it (or
// deselects the selected one) on the turn after the finger lifts, unless the
// grid was dragged. Items can be inserted, deleted, moved and reloaded with
// animation, one call at a time or batched between `beginUpdates` and
// `endUpdates`.
//
// Create with std::make_shared (delayed calls and the layout hold it weakly).
class GridView : public ui::ScrollView {
 public:
  explicit GridView(const ui::Rect& frame = {});
  ~GridView() override;

  // --- Data source and delegate (neither is owned) -------------------------
  std::shared_ptr<GridViewDataSource> dataSource() const { return dataSource_.lock(); }
  void setDataSource(std::weak_ptr<GridViewDataSource> dataSource);
  // The scroll view's delegate when it is a grid delegate.
  std::shared_ptr<GridViewDelegate> delegate() const;
  // Only a grid delegate can be set: the scroll view's own setter is hidden.
  void setDelegate(std::weak_ptr<GridViewDelegate> delegate) { ui::ScrollView::setDelegate(std::move(delegate)); }

  // --- Properties ----------------------------------------------------------
  int layoutDirection() const { return gridData_.layoutDirection(); }
  void setLayoutDirection(int direction);
  std::size_t numberOfItems() const { return gridData_.numberOfItems(); }
  // Items per row; at least 1.
  std::size_t numberOfColumns();
  std::size_t numberOfRows() const;
  base::Size gridCellSize() const { return gridData_.cellSize(); }
  bool allowsSelection() const { return allowsSelection_; }
  void setAllowsSelection(bool on) { allowsSelection_ = on; }
  // A tap on the selected item keeps it selected.
  bool requiresSelection() const { return requiresSelection_; }
  void setRequiresSelection(bool on) { requiresSelection_ = on; }
  bool backgroundViewExtendsUp() const { return backgroundViewExtendsUp_; }
  void setBackgroundViewExtendsUp(bool on) { backgroundViewExtendsUp_ = on; }
  bool backgroundViewExtendsDown() const { return backgroundViewExtendsDown_; }
  void setBackgroundViewExtendsDown(bool on) { backgroundViewExtendsDown_ = on; }
  bool contentSizeGrowsToFillBounds() const { return contentSizeFillsBounds_; }
  void setContentSizeGrowsToFillBounds(bool on) { contentSizeFillsBounds_ = on; }
  // Cells take their whole grid rectangle instead of being centred in it.
  bool resizesCellWidthToFit() const { return resizesCellWidths_; }
  void setResizesCellWidthToFit(bool on);
  bool usesPagedHorizontalScrolling() const { return usesPagedHorizontalScrolling_; }
  void setUsesPagedHorizontalScrolling(bool on);
  bool clipsContentWidthToBounds() const { return layoutDirection() == GridViewData::kVertical; }
  void setClipsContentWidthToBounds(bool on) {
    setLayoutDirection(on ? GridViewData::kVertical : GridViewData::kHorizontal);
  }
  int separatorStyle() const { return separatorStyle_; }
  void setSeparatorStyle(int style);
  const std::optional<gfx::Color>& separatorColor() const { return separatorColor_; }
  void setSeparatorColor(std::optional<gfx::Color> color);
  double leftContentInset() const { return gridData_.leftPadding(); }
  // A changed inset refits the columns and moves the cards at once.
  void setLeftContentInset(double inset);
  double rightContentInset() const { return gridData_.rightPadding(); }
  void setRightContentInset(double inset);
  bool isEditing() const { return editing_; }
  void setEditing(bool editing, bool animated = false);
  bool isAnimatingUpdates() const { return animationCount_ > 0; }

  // --- Data and lookup -----------------------------------------------------
  void reloadData();
  std::shared_ptr<GridViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);
  std::shared_ptr<GridViewCell> cellForItemAtIndex(std::size_t index) const;
  std::size_t indexForItemAtPoint(base::Point point) const { return gridData_.itemIndexForPoint(point); }
  std::shared_ptr<GridViewCell> cellForItemAtPoint(base::Point point) const {
    return cellForItemAtIndex(indexForItemAtPoint(point));
  }
  // base::NotFound for a cell not in the visible list.
  std::size_t indexForCell(const GridViewCell& cell) const;
  std::vector<std::shared_ptr<GridViewCell>> visibleCells() const { return visibleCells_; }
  base::IndexSet visibleCellIndices() const { return base::IndexSet::range(visibleLocation_, visibleLength_); }
  base::Rect rectForItemAtIndex(std::size_t index) const;
  bool isRectVisible(const base::Rect& rect) const;
  base::Rect gridViewVisibleBounds() const { return bounds(); }
  void scrollToItemAtIndex(std::size_t index, int scrollPosition, bool animated);

  // --- Selection -----------------------------------------------------------
  std::size_t indexOfSelectedItem() const { return selectedIndex_; }
  // base::NotFound clears every highlight.
  void highlightItemAtIndex(std::size_t index, bool animated, int scrollPosition);
  void unhighlightItemAtIndex(std::size_t index, bool animated);
  const base::IndexSet& highlightedIndices() const { return highlightedIndices_; }
  // By code: no delegate calls, no notification.
  void selectItemAtIndex(std::size_t index, bool animated, int scrollPosition);
  void deselectItemAtIndex(std::size_t index, bool animated);

  // --- Animated updates ----------------------------------------------------
  void beginUpdates();
  void endUpdates();
  void insertItemsAtIndices(const base::IndexSet& indices, GridViewItemAnimation animation);
  void deleteItemsAtIndices(const base::IndexSet& indices, GridViewItemAnimation animation);
  void reloadItemsAtIndices(const base::IndexSet& indices, GridViewItemAnimation animation);
  void moveItemAtIndex(std::size_t index, std::size_t toIndex, GridViewItemAnimation animation);
  const std::vector<GridViewAnimatorItem>& animatingCells() const { return animatingCells_; }
  void setAnimatingCells(std::vector<GridViewAnimatorItem> items);
  const base::IndexSet& animatingIndices() const { return animatingIndices_; }
  void setAnimatingIndices(base::IndexSet indices) { animatingIndices_ = std::move(indices); }

  // --- Decoration views ----------------------------------------------------
  const std::shared_ptr<ui::View>& gridHeaderView() const { return headerView_; }
  void setGridHeaderView(std::shared_ptr<ui::View> view);
  const std::shared_ptr<ui::View>& gridFooterView() const { return footerView_; }
  void setGridFooterView(std::shared_ptr<ui::View> view);
  const std::shared_ptr<ui::View>& backgroundView() const { return backgroundView_; }
  void setBackgroundView(std::shared_ptr<ui::View> view);

  // --- Scroll view -----------------------------------------------------------
  using ui::ScrollView::setContentOffset;
  void setContentOffset(base::Point offset, bool animated) override;
  void setContentSize(base::Size size) override;
  void setFrame(const ui::Rect& frame) override;
  void setBounds(const ui::Rect& bounds) override;
  void layoutSubviews() override;
  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesMoved(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) override;

  // --- Rotation (a grid view controller forwards these) ---------------------
  void viewWillRotateToInterfaceOrientation(ui::InterfaceOrientation orientation);
  void viewDidRotate();

  // --- The grid's own machinery, used by its update records and subclasses --
  const GridViewData& gridData() const { return gridData_; }
  std::size_t visibleLocation() const { return visibleLocation_; }
  std::size_t visibleLength() const { return visibleLength_; }
  long reloadingSuspendedCount() const { return reloadingSuspendedCount_; }
  std::size_t reusableCellCount(const std::string& identifier) const;
  std::vector<std::shared_ptr<GridViewCell>> reusableCells(const std::string& identifier) const;
  void enqueueReusableCells(const std::vector<std::shared_ptr<GridViewCell>>& cells);
  // Brings the visible list in line with what the bounds show.
  void updateVisibleGridCellsNow();
  void layoutAllCells();
  void layoutCellsInVisibleCellRange(std::size_t location, std::size_t length);
  void sortVisibleCellList();
  base::Rect fixCellFrame(base::Rect frame, base::Rect gridRect);
  // A cell from the data source, placed for `index` and added to the grid
  // (nothing when the data source gives none).
  std::shared_ptr<GridViewCell> createPreparedCellForIndex(std::size_t index);
  std::shared_ptr<GridViewCell> createPreparedCellForIndex(std::size_t index, const GridViewData& gridData);
  void doAddVisibleCell(const std::shared_ptr<GridViewCell>& cell);
  void delegateWillDisplayCell(GridViewCell& cell, std::size_t index);
  std::size_t visibleCellListIndexForItemIndex(std::size_t index) const { return index - visibleLocation_; }
  void insertVisibleCell(const std::shared_ptr<GridViewCell>& cell, std::size_t position);
  void deleteVisibleCell(std::size_t position, const std::shared_ptr<GridViewCell>& newCell);
  void ensureCellInVisibleList(const std::shared_ptr<GridViewCell>& cell);
  void handleGridViewBoundsChanged(const ui::Rect& oldBounds, const ui::Rect& newBounds);
  void refitToInsets();
  void updateContentRectWithOldMaxLocation(base::Point oldMaxLocation, base::Size gridSize);
  void updateGridViewBoundsForNewGridData(const GridViewData& gridData);

 private:
  class BoundsReader;
  class Suspension;
  struct UserSelectItemIndexParams {
    std::size_t indexNum = base::NotFound;
    std::size_t numFingers = 1;
  };

  void insertCellIntoGrid(const std::shared_ptr<ui::View>& cell);
  bool isAnimatingView(const ui::View* view) const;
  void selectItemAtIndex(std::size_t index, bool animated, int scrollPosition, bool notifyDelegate,
                         std::size_t numFingers);
  void deselectItemAtIndex(std::size_t index, bool animated, bool notifyDelegate);
  ui::View* basicHitTestOfGrid(base::Point point, const ui::Event* event);
  bool canSelectItemContainingHitView(const ui::View* view) const;
  void gridViewDeferredTouchesBegan();
  void userSelectItemAtIndex(const UserSelectItemIndexParams& params);
  bool gestureRecognizerIsHandlingTouches(const ui::TouchSet& touches) const;
  void updateItemsAtIndices(const base::IndexSet& indices, int action, GridViewItemAnimation animation);
  void setupUpdateAnimations();
  void endUpdateAnimations();
  // Why a batch cannot be applied to the model as the data source tells it.
  std::optional<std::string> refusedUpdateReason(const GridViewUpdateInfo& record);
  void fixCellsFromAnimation();
  void adoptAnimatingCellsAsVisible();
  void layoutDecorationViews();
  const void* requestTarget() const { return static_cast<const ui::View*>(this); }

  std::shared_ptr<BoundsReader> boundsReader_;
  std::weak_ptr<GridViewDataSource> dataSource_;
  GridViewData gridData_;
  std::vector<std::shared_ptr<GridViewUpdateInfo>> updateInfoStack_;
  long animationCount_ = 0;
  std::size_t visibleLocation_ = 0, visibleLength_ = 0;
  std::vector<std::shared_ptr<GridViewCell>> visibleCells_;
  std::map<std::string, std::vector<std::shared_ptr<GridViewCell>>> reusableGridCells_;
  std::vector<GridViewAnimatorItem> animatingCells_;
  base::IndexSet animatingIndices_;
  base::IndexSet highlightedIndices_;
  std::weak_ptr<ui::View> touchedContentView_;
  std::shared_ptr<ui::View> backgroundView_;
  std::optional<gfx::Color> separatorColor_;
  long reloadingSuspendedCount_ = 0;
  long rotationSuspensions_ = 0;
  long updateCount_ = 0;
  std::size_t selectedIndex_ = base::NotFound;
  std::size_t pendingSelectionIndex_ = base::NotFound;
  base::Point touchBeganPosition_;
  std::shared_ptr<ui::View> headerView_, footerView_;

  bool resizesCellWidths_ = false;
  std::size_t numColumns_ = 0;
  int separatorStyle_ = GridViewCellSeparatorStyleNone;
  bool allowsSelection_ = true;
  bool backgroundViewExtendsUp_ = false;
  bool backgroundViewExtendsDown_ = false;
  bool usesPagedHorizontalScrolling_ = false;
  bool ignoreTouchSelect_ = false;
  bool allCellsNeedLayout_ = false;
  bool requiresSelection_ = false;
  bool contentSizeFillsBounds_ = true;
  bool editing_ = false;
};

}  // namespace mv
