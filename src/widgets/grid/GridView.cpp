#include "widgets/grid/GridView.hpp"

#include <algorithm>
#include <cmath>

#include "platform/base/Log.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Control.hpp"
#include "platform/ui/PerformRequests.hpp"
#include "platform/ui/Touch.hpp"
#include "widgets/grid/GridViewIndexSets.hpp"
#include "widgets/grid/GridViewUpdateInfo.hpp"

namespace mv {

namespace {

constexpr double kBackgroundExtension = 500;

double floorS(double v) { return std::floor(static_cast<double>(static_cast<float>(v))); }
double ceilS(double v) { return std::ceil(static_cast<double>(static_cast<float>(v))); }

bool rectsMeet(const base::Rect& a, const base::Rect& b) {
  return a.maxX() > b.minX() && b.maxX() > a.minX() && a.maxY() > b.minY() && b.maxY() > a.minY();
}

// Restores the animations switch on every way out, exceptions included.
class AnimationsSwitch {
 public:
  explicit AnimationsSwitch(bool enabled) : saved_(ui::View::areAnimationsEnabled()) {
    ui::View::setAnimationsEnabled(enabled);
  }
  ~AnimationsSwitch() { ui::View::setAnimationsEnabled(saved_); }
  AnimationsSwitch(const AnimationsSwitch&) = delete;
  AnimationsSwitch& operator=(const AnimationsSwitch&) = delete;

 private:
  bool saved_;
};

}  // namespace

// The grid's bounds as its layouts read them; it outlives the grid only as an
// empty reader.
class GridView::BoundsReader : public GridBoundsSource {
 public:
  explicit BoundsReader(GridView* grid) : grid_(grid) {}
  std::optional<base::Size> gridBoundsSize() const override {
    if (!grid_) return std::nullopt;
    return grid_->bounds().size;
  }
  void detach() { grid_ = nullptr; }

 private:
  GridView* grid_;
};

// Holds reloads and refreshes off for its lifetime, exceptions included.
class GridView::Suspension {
 public:
  explicit Suspension(GridView& grid) : grid_(grid) { ++grid_.reloadingSuspendedCount_; }
  ~Suspension() { --grid_.reloadingSuspendedCount_; }
  Suspension(const Suspension&) = delete;
  Suspension& operator=(const Suspension&) = delete;

 private:
  GridView& grid_;
};

GridView::GridView(const ui::Rect& frame)
    : ui::ScrollView(frame), boundsReader_(std::make_shared<BoundsReader>(this)), gridData_(boundsReader_) {
  gridData_.setDesiredCellSize({96, 128});
  setClipsToBounds(true);
  separatorColor_ = gfx::Color::white(0.85, 1.0);
  setCanCancelContentTouches(true);
  numColumns_ = gridData_.numberOfItemsPerRow();
}

GridView::~GridView() {
  boundsReader_->detach();
  ui::PerformRequests::cancelAll(requestTarget());
}

// --- Data source, delegate, properties ------------------------------------------

void GridView::setDataSource(std::weak_ptr<GridViewDataSource> dataSource) { dataSource_ = std::move(dataSource); }

std::shared_ptr<GridViewDelegate> GridView::delegate() const {
  return std::dynamic_pointer_cast<GridViewDelegate>(ui::ScrollView::delegate());
}

void GridView::setLayoutDirection(int direction) {
  gridData_.setLayoutDirection(direction);
  numColumns_ = gridData_.numberOfItemsPerRow();
}

std::size_t GridView::numberOfColumns() {
  if (numColumns_ == 0) numColumns_ = 1;
  return numColumns_;
}

std::size_t GridView::numberOfRows() const { return numColumns_ ? numberOfItems() / numColumns_ : 0; }

void GridView::setResizesCellWidthToFit(bool on) {
  if (on == resizesCellWidths_) return;
  resizesCellWidths_ = on;
  setNeedsLayout();
}

void GridView::setUsesPagedHorizontalScrolling(bool on) {
  if (on == usesPagedHorizontalScrolling_) return;
  usesPagedHorizontalScrolling_ = on;
  setNeedsLayout();
}

void GridView::setSeparatorStyle(int style) {
  style &= 0x7;
  if (style == separatorStyle_) return;
  separatorStyle_ = style;
  for (auto& cell : visibleCells_) cell->setSeparatorStyle(style);
  setNeedsLayout();
}

void GridView::setSeparatorColor(std::optional<gfx::Color> color) {
  if (color == separatorColor_) return;
  separatorColor_ = color;
  for (auto& cell : visibleCells_) cell->setSeparatorColor(color);
}

void GridView::setEditing(bool editing, bool animated) {
  editing_ = editing;
  for (auto& cell : visibleCells_) cell->setEditing(editing, animated);
}

void GridView::setAnimatingCells(std::vector<GridViewAnimatorItem> items) {
  animatingCells_ = std::move(items);
  animatingIndices_.clear();
  for (const auto& item : animatingCells_)
    if (item.index() != base::NotFound) animatingIndices_.add(item.index());
}

bool GridView::isAnimatingView(const ui::View* view) const {
  for (const auto& item : animatingCells_)
    if (item.animatingView().get() == view) return true;
  return false;
}

// --- Reuse queues ------------------------------------------------------------------

std::shared_ptr<GridViewCell> GridView::dequeueReusableCellWithIdentifier(const std::string& identifier) {
  auto it = reusableGridCells_.find(identifier);
  if (it == reusableGridCells_.end() || it->second.empty()) return nullptr;
  auto cell = it->second.back();
  cell->prepareForReuse();
  it->second.pop_back();
  return cell;
}

void GridView::enqueueReusableCells(const std::vector<std::shared_ptr<GridViewCell>>& cells) {
  for (const auto& cell : cells) {
    // A cell without an identifier can never be asked for again.
    if (!cell || cell->reuseIdentifier().empty()) continue;
    auto& queue = reusableGridCells_[cell->reuseIdentifier()];
    if (std::find(queue.begin(), queue.end(), cell) != queue.end()) {
      MV_LOG("Warning: tried to add duplicate gridview cell");
      continue;
    }
    if (queue.empty()) queue.reserve(32);
    queue.push_back(cell);
  }
}

std::size_t GridView::reusableCellCount(const std::string& identifier) const {
  auto it = reusableGridCells_.find(identifier);
  return it == reusableGridCells_.end() ? 0 : it->second.size();
}

std::vector<std::shared_ptr<GridViewCell>> GridView::reusableCells(const std::string& identifier) const {
  auto it = reusableGridCells_.find(identifier);
  return it == reusableGridCells_.end() ? std::vector<std::shared_ptr<GridViewCell>>{} : it->second;
}

// --- Cells ---------------------------------------------------------------------------

base::Rect GridView::fixCellFrame(base::Rect frame, base::Rect gridRect) {
  base::Rect fitted = gridRect;
  if (!resizesCellWidths_) {
    double width = std::min(frame.width(), gridRect.width());
    double height = std::min(frame.height(), gridRect.height());
    fitted = {floorS((gridRect.width() - width) * 0.5) + gridRect.x(),
              floorS((gridRect.height() - height) * 0.5) + gridRect.y(), width, height};
  }
  if (auto d = delegate())
    if (auto adjusted = d->gridViewAdjustCellFrame(*this, fitted, gridRect)) fitted = *adjusted;
  return fitted;
}

void GridView::insertCellIntoGrid(const std::shared_ptr<ui::View>& cell) {
  if (backgroundView_ && backgroundView_->superview() == this)
    insertSubviewAbove(cell, backgroundView_.get());
  else
    insertSubview(cell, 0);
}

std::shared_ptr<GridViewCell> GridView::createPreparedCellForIndex(std::size_t index) {
  return createPreparedCellForIndex(index, gridData_);
}

std::shared_ptr<GridViewCell> GridView::createPreparedCellForIndex(std::size_t index, const GridViewData& data) {
  AnimationsSwitch off(false);
  auto source = dataSource();
  if (!source) return nullptr;
  auto cell = source->gridViewCellForItemAtIndex(*this, index);
  if (!cell) return nullptr;
  cell->setSeparatorStyle(separatorStyle_);
  cell->setEditing(editing_);
  cell->setDisplayIndex(index);
  cell->setFrame(fixCellFrame(cell->frame(), data.cellRectAtIndex(index)));
  insertCellIntoGrid(cell);
  return cell;
}

void GridView::delegateWillDisplayCell(GridViewCell& cell, std::size_t index) {
  if (cell.separatorStyle() == GridViewCellSeparatorStyleSingleLine) {
    std::size_t columns = numberOfColumns();
    cell.setSeparatorEdge(index % columns == columns - 1 ? GridViewCellSeparatorEdgeBottom
                                                          : GridViewCellSeparatorEdgeBoth);
  }
  if (auto d = delegate()) d->gridViewWillDisplayCell(*this, cell, index);
}

void GridView::doAddVisibleCell(const std::shared_ptr<GridViewCell>& cell) {
  if (!cell) return;
  visibleCells_.push_back(cell);
  if (!cell->superview()) {
    MV_LOG("Visible cell not in gridview - adding");
    insertCellIntoGrid(cell);
  }
}

std::shared_ptr<GridViewCell> GridView::cellForItemAtIndex(std::size_t index) const {
  if (index == base::NotFound) return nullptr;
  std::size_t position = index - visibleLocation_;
  if (position < visibleCells_.size() && visibleCells_[position]->displayIndex() == index) return visibleCells_[position];
  // The list has a gap where a data source gave no cell: look the item up.
  if (index < visibleLocation_ || index - visibleLocation_ >= visibleLength_) return nullptr;
  for (const auto& cell : visibleCells_)
    if (cell->displayIndex() == index) return cell;
  return nullptr;
}

std::size_t GridView::indexForCell(const GridViewCell& cell) const {
  for (const auto& listed : visibleCells_)
    if (listed.get() == &cell) return listed->displayIndex();
  return base::NotFound;
}

base::Rect GridView::rectForItemAtIndex(std::size_t index) const {
  if (auto cell = cellForItemAtIndex(index)) return cell->frame();
  return const_cast<GridView*>(this)->fixCellFrame({}, gridData_.cellRectAtIndex(index));
}

bool GridView::isRectVisible(const base::Rect& rect) const { return rectsMeet(rect, bounds()); }

void GridView::insertVisibleCell(const std::shared_ptr<GridViewCell>& cell, std::size_t position) {
  if (!cell || position >= visibleCells_.size()) return;
  visibleCells_.insert(visibleCells_.begin() + static_cast<long>(position), cell);
}

void GridView::deleteVisibleCell(std::size_t position, const std::shared_ptr<GridViewCell>& newCell) {
  if (position >= visibleCells_.size()) return;
  visibleCells_.erase(visibleCells_.begin() + static_cast<long>(position));
  doAddVisibleCell(newCell);
}

void GridView::ensureCellInVisibleList(const std::shared_ptr<GridViewCell>& cell) {
  if (!cell) return;
  if (std::find(visibleCells_.begin(), visibleCells_.end(), cell) == visibleCells_.end()) doAddVisibleCell(cell);
  std::stable_sort(visibleCells_.begin(), visibleCells_.end(),
                   [](const auto& a, const auto& b) { return a->compareOriginAgainstCell(*b) < 0; });
}

// --- Keeping the visible cells ------------------------------------------------------

void GridView::updateVisibleGridCellsNow() {
  if (reloadingSuspendedCount_ > 0) return;
  auto keep = self();
  Suspension suspended(*this);
  const base::IndexSet wanted = gridData_.indicesOfCellsInRect(gridViewVisibleBounds());
  AnimationsSwitch off(false);

  const base::IndexSet shown = base::IndexSet::range(visibleLocation_, visibleLength_);
  bool unchanged = visibleCells_.size() == wanted.count();
  for (std::size_t i = visibleLocation_; unchanged && i < visibleLocation_ + visibleLength_; ++i)
    unchanged = wanted.contains(i);
  if (unchanged) return;

  base::IndexSet remove = aq_indexesOutsideIndexSet(shown, wanted);
  base::IndexSet add = aq_indexesOutsideIndexSet(wanted, shown);

  if (!remove.empty()) {
    std::vector<std::shared_ptr<GridViewCell>> leaving, queue;
    for (auto it = visibleCells_.begin(); it != visibleCells_.end();) {
      if (remove.contains((*it)->displayIndex())) {
        leaving.push_back(*it);
        it = visibleCells_.erase(it);
      } else {
        ++it;
      }
    }
    for (auto& cell : leaving) {
      if (isAnimatingView(cell.get())) continue;  // still moving: stays where it is
      cell->removeFromSuperview();
      queue.push_back(cell);
    }
    enqueueReusableCells(queue);
  }

  if (!add.empty()) {
    base::IndexSet animated;
    for (std::size_t i : add)
      if (animatingIndices_.contains(i)) animated.add(i);
    if (!animated.empty()) {
      for (const auto& item : animatingCells_) {
        auto cell = std::dynamic_pointer_cast<GridViewCell>(item.animatingView());
        if (!cell || !wanted.contains(item.index())) continue;
        if (std::find(visibleCells_.begin(), visibleCells_.end(), cell) == visibleCells_.end()) doAddVisibleCell(cell);
      }
      add = aq_indexesOutsideIndexSet(add, animated);
    }
    for (std::size_t i : add) {
      auto cell = createPreparedCellForIndex(i);
      if (!cell) continue;
      doAddVisibleCell(cell);
      delegateWillDisplayCell(*cell, i);
    }
  }

  if (visibleCells_.size() > wanted.count()) {
    base::IndexSet animatingItemIndices;
    for (const auto& item : animatingCells_) animatingItemIndices.add(item.index());
    base::IndexSet seen;
    std::vector<std::shared_ptr<GridViewCell>> kept;
    for (auto& cell : visibleCells_) {
      std::size_t index = cell->displayIndex();
      bool drop = false;
      if (!wanted.contains(index) && !animatingItemIndices.contains(index)) {
        MV_LOG("Cell for index ", index, " is still in visible list, removing...");
        drop = true;
      } else if (seen.contains(index)) {
        MV_LOG("Multiple cells with index ", index, " found-- removing duplicate...");
        drop = true;
      }
      seen.add(index);
      if (drop)
        cell->removeFromSuperview();
      else
        kept.push_back(cell);
    }
    visibleCells_.swap(kept);
  }

  if (visibleCells_.size() < wanted.count()) {
    MV_LOG("Visible cell list is missing some items!");
    base::IndexSet listed;
    for (const auto& cell : visibleCells_) listed.add(cell->displayIndex());
    base::IndexSet missing = aq_indexesOutsideIndexSet(wanted, listed);
    MV_LOG("Got ", missing.count(), " missing indices");
    for (std::size_t i : missing) {
      auto cell = createPreparedCellForIndex(i);
      if (!cell) continue;
      doAddVisibleCell(cell);
      delegateWillDisplayCell(*cell, i);
    }
  }

  visibleLocation_ = wanted.empty() ? 0 : wanted.first();
  visibleLength_ = wanted.count();
  layoutAllCells();
}

void GridView::sortVisibleCellList() {
  std::stable_sort(visibleCells_.begin(), visibleCells_.end(),
                   [](const auto& a, const auto& b) { return a->displayIndex() < b->displayIndex(); });
}

void GridView::layoutAllCells() {
  sortVisibleCellList();
  layoutCellsInVisibleCellRange(0, std::min(visibleLength_, visibleCells_.size()));
}

void GridView::layoutCellsInVisibleCellRange(std::size_t location, std::size_t length) {
  std::size_t end = std::min(visibleCells_.size(), location + length);
  for (std::size_t p = location; p < end; ++p) {
    auto cell = visibleCells_[p];
    std::size_t index = cell->displayIndex();
    if (animatingIndices_.contains(index)) continue;
    cell->setFrame(fixCellFrame(cell->frame(), gridData_.cellRectAtIndex(index)));
    // A reused cell never keeps the selection of the item it showed before.
    cell->setSelected(index == selectedIndex_);
  }
}

void GridView::reloadData() {
  if (reloadingSuspendedCount_ > 0) return;
  auto keep = self();
  auto source = dataSource();
  if (source) {
    if (auto size = source->portraitGridCellSizeForGridView(*this)) {
      gridData_.setDesiredCellSize(*size);
      numColumns_ = gridData_.numberOfItemsPerRow();
    }
  }
  std::size_t count = source ? source->numberOfItemsInGridView(*this) : 0;
  gridData_.setNumberOfItems(count);
  // A horizontal grid's row length follows its item count.
  numColumns_ = gridData_.numberOfItemsPerRow();
  setContentSize(gridData_.sizeForEntireGrid());
  if (count >= visibleLength_) visibleLocation_ = std::min(visibleLocation_, count - visibleLength_);
  visibleLength_ = 0;
  auto cells = std::move(visibleCells_);
  visibleCells_.clear();
  for (auto& cell : cells) cell->removeFromSuperview();
  enqueueReusableCells(cells);
  setNeedsLayout();
  allCellsNeedLayout_ = true;
}

void GridView::layoutSubviews() {
  auto keep = self();
  if (reloadingSuspendedCount_ == 0 && !gridViewVisibleBounds().isEmpty()) updateVisibleGridCellsNow();
  if (allCellsNeedLayout_) {
    allCellsNeedLayout_ = false;
    if (visibleLength_ != 0) layoutAllCells();
  }
  layoutDecorationViews();
}

// --- Content size and scrolling ----------------------------------------------------

void GridView::setContentSize(base::Size size) {
  double height = size.height;
  ui::Rect b = bounds();
  if (contentSizeFillsBounds_ && b.height() > height) height = b.height();
  if (footerView_) {
    base::Rect bar = ui::Application::sharedInstance().statusBarFrame();
    double s = std::min(bar.width(), bar.height());
    double t = footerView_->frame().height() + (s - 20) + b.height();
    // Room for the footer without ever cutting cells off under it.
    height = std::max(height, t);
  }
  height = std::max(height, frame().height());
  double oldWidth = contentSize().width;
  ui::ScrollView::setContentSize({size.width, height});
  if (size.width != oldWidth) {
    // The layout is refitted to the view, never to its own output.
    gridData_.gridViewDidChangeBoundsSize(bounds().size);
    numColumns_ = gridData_.numberOfItemsPerRow();
  }
  b = bounds();
  double contentHeight = contentSize().height;
  if (b.maxY() > contentHeight)
    setBounds({b.x(), std::max(b.y() - (b.maxY() - contentHeight), 0.0), b.width(), b.height()});
}

void GridView::setLeftContentInset(double inset) {
  if (inset == gridData_.leftPadding()) return;
  gridData_.setLeftPadding(inset);
  refitToInsets();
}

void GridView::setRightContentInset(double inset) {
  if (inset == gridData_.rightPadding()) return;
  gridData_.setRightPadding(inset);
  refitToInsets();
}

void GridView::refitToInsets() {
  gridData_.gridViewDidChangeBoundsSize(bounds().size);
  numColumns_ = gridData_.numberOfItemsPerRow();
  setContentSize(gridData_.sizeForEntireGrid());
  allCellsNeedLayout_ = true;
  setNeedsLayout();
}

void GridView::setFrame(const ui::Rect& frame) {
  ui::Rect old = bounds();
  ui::ScrollView::setFrame(frame);
  ui::Rect now = bounds();
  if (now.width() != old.width()) handleGridViewBoundsChanged(old, now);
}

void GridView::setBounds(const ui::Rect& newBounds) {
  ui::Rect old = bounds();
  ui::ScrollView::setBounds(newBounds);
  ui::Rect now = bounds();
  if (now.width() != old.width() || now.height() != old.height()) handleGridViewBoundsChanged(old, now);
}

void GridView::setContentOffset(base::Point offset, bool animated) {
  ui::ScrollView::setContentOffset(offset, animated);
  if (!animated) updateVisibleGridCellsNow();
}

void GridView::handleGridViewBoundsChanged(const ui::Rect& oldBounds, const ui::Rect& newBounds) {
  auto keep = self();
  double oldHeight = gridData_.sizeForEntireGrid().height;
  bool atEnd = oldHeight != 0 && oldBounds.maxY() == oldHeight;
  gridData_.gridViewDidChangeBoundsSize(newBounds.size);
  numColumns_ = gridData_.numberOfItemsPerRow();
  base::Size grid = gridData_.sizeForEntireGrid();
  updateContentRectWithOldMaxLocation({oldBounds.maxX(), oldBounds.maxY()}, grid);
  ui::Rect b = bounds();
  if (atEnd && oldBounds.origin != base::Point{0, 0} && grid.height > oldHeight && b.maxY() < grid.height)
    setContentOffset(base::Point{b.x(), grid.height - oldHeight + b.y()});
  updateVisibleGridCellsNow();
  allCellsNeedLayout_ = true;
}

void GridView::updateContentRectWithOldMaxLocation(base::Point oldMaxLocation, base::Size gridSize) {
  if (contentSize() == gridSize) return;
  setContentSize(gridSize);
  base::Point c = contentOffset();
  ui::Rect b = bounds();
  base::Size content = contentSize();
  if (c.y + b.height() > gridSize.height) {
    setContentOffset(base::Point{c.x, std::max(content.height - b.height(), 0.0)});
  } else if (c == base::Point{0, 0}) {
    // at the top: stays
  } else if (gridData_.pointIsInLastRow(oldMaxLocation)) {
    if (gridData_.isVertical())
      setContentOffset(base::Point{c.x, std::max(content.height - b.height(), 0.0)});
    else
      setContentOffset(base::Point{std::max(content.width - b.width(), 0.0), c.y});
  } else {
    setContentOffset(c);
  }
}

void GridView::updateGridViewBoundsForNewGridData(const GridViewData& data) {
  ui::Rect b = bounds();
  updateContentRectWithOldMaxLocation({b.maxX(), b.maxY()}, data.sizeForEntireGrid());
}

void GridView::scrollToItemAtIndex(std::size_t index, int scrollPosition, bool animated) {
  base::Rect c = gridData_.cellRectAtIndex(index);
  ui::Rect b = bounds();
  bool vertical = gridData_.isVertical();
  base::Rect target = c;
  // A horizontal grid scrolls sideways by the same rules.
  switch (scrollPosition) {
    case GridViewScrollPositionTop:
      target = vertical ? base::Rect{b.x(), c.y(), b.width(), b.height()}
                        : base::Rect{c.x(), b.y(), b.width(), b.height()};
      break;
    case GridViewScrollPositionMiddle:
      target = vertical
                   ? base::Rect{b.x(), std::max(c.y() - ceilS((b.height() - c.height()) * 0.5), 0.0), b.width(),
                                b.height()}
                   : base::Rect{std::max(c.x() - ceilS((b.width() - c.width()) * 0.5), 0.0), b.y(), b.width(),
                                b.height()};
      break;
    case GridViewScrollPositionBottom:
      target = vertical ? base::Rect{b.x(), std::max(floorS(c.y() - (b.height() - c.height())), 0.0), b.width(),
                                     b.height()}
                        : base::Rect{std::max(floorS(c.x() - (b.width() - c.width())), 0.0), b.y(), b.width(),
                                     b.height()};
      break;
    default:
      break;
  }
  scrollRectToVisible(target, animated);
  if (!animated) updateVisibleGridCellsNow();
}

// --- Decoration views ----------------------------------------------------------------

void GridView::setGridHeaderView(std::shared_ptr<ui::View> view) {
  if (view == headerView_) return;
  if (headerView_) headerView_->removeFromSuperview();
  headerView_ = std::move(view);
  if (headerView_) {
    addSubview(headerView_);
    gridData_.setTopPadding(headerView_->frame().height());
  } else {
    gridData_.setTopPadding(0);
  }
  setNeedsLayout();
}

void GridView::setGridFooterView(std::shared_ptr<ui::View> view) {
  if (view == footerView_) return;
  if (footerView_) footerView_->removeFromSuperview();
  footerView_ = std::move(view);
  if (footerView_) {
    addSubview(footerView_);
    gridData_.setBottomPadding(footerView_->frame().height());
  } else {
    gridData_.setBottomPadding(0);
  }
  setNeedsLayout();
}

void GridView::setBackgroundView(std::shared_ptr<ui::View> view) {
  if (view == backgroundView_) return;
  if (backgroundView_) backgroundView_->removeFromSuperview();
  backgroundView_ = std::move(view);
  if (!backgroundView_) return;
  ui::Rect b = bounds();
  backgroundView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  double up = backgroundViewExtendsUp_ ? kBackgroundExtension : 0;
  double down = backgroundViewExtendsDown_ ? kBackgroundExtension : 0;
  backgroundView_->setFrame({0, -up, b.width(), b.height() + up + down});
  insertSubview(backgroundView_, 0);
}

void GridView::layoutDecorationViews() {
  ui::Rect b = bounds();
  base::Size content = contentSize();
  if (backgroundView_) {
    double cellHeight = gridData_.cellSize().height;
    std::size_t items = gridData_.numberOfItems();
    std::size_t perRow = gridData_.numberOfItemsPerRow();
    double height = (items > 0 && perRow > 0) ? cellHeight * static_cast<double>(items / perRow + 1) : cellHeight;
    double limit = content.height - (gridData_.topPadding() + gridData_.bottomPadding());
    // Grows row by row; a zero cell height would never get there.
    if (cellHeight > 0 && std::isfinite(limit)) {
      while (height < limit) height += cellHeight;
    }
    double up = backgroundViewExtendsUp_ ? kBackgroundExtension : 0;
    double down = backgroundViewExtendsDown_ ? kBackgroundExtension : 0;
    backgroundView_->setFrame({0, gridData_.topPadding() - up, b.width(), height + down});
  }
  if (headerView_) headerView_->setFrame({0, 0, b.width(), headerView_->frame().height()});
  if (footerView_) {
    double h = footerView_->frame().height();
    footerView_->setFrame({0, content.height - h, b.width(), h});
    bringSubviewToFront(footerView_.get());
  }
}

// --- Rotation -------------------------------------------------------------------------

void GridView::viewWillRotateToInterfaceOrientation(ui::InterfaceOrientation /*orientation*/) {
  // Refreshes wait for the rotation to end; only the suspension raised here
  // is released by `viewDidRotate`, never one of a running update.
  ++rotationSuspensions_;
  ++reloadingSuspendedCount_;
}

void GridView::viewDidRotate() {
  if (rotationSuspensions_ == 0) return;
  --rotationSuspensions_;
  if (reloadingSuspendedCount_ > 0 && --reloadingSuspendedCount_ == 0) updateVisibleGridCellsNow();
}

}  // namespace mv
