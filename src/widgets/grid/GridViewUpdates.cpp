// Animated insertions, deletions, moves and reloads of GridView.
#include <algorithm>
#include <cstdio>

#include "platform/base/Log.hpp"
#include "platform/ui/WeakAs.hpp"
#include "widgets/grid/GridView.hpp"
#include "widgets/grid/GridViewUpdateInfo.hpp"

namespace mv {

namespace {

constexpr double kUpdateAnimationDuration = 0.3;

std::string countMismatchMessage(std::size_t started, std::size_t added, std::size_t deleted, std::size_t expected,
                                 std::size_t got) {
  char text[256];
  std::snprintf(text, sizeof text,
                "Invalid number of items in GridView: Started with %zu, added %zu, deleted %zu. Expected %zu items "
                "after changes, but got %zu",
                started, added, deleted, expected, got);
  return text;
}

}  // namespace

std::optional<std::string> GridView::refusedUpdateReason(const GridViewUpdateInfo& record) {
  if (auto reason = record.invalidUpdateReason()) return reason;
  auto source = dataSource();
  std::size_t expected = record.numberOfItemsAfterUpdates();
  std::size_t got = source ? source->numberOfItemsInGridView(*this) : 0;
  if (expected == got) return std::nullopt;
  return countMismatchMessage(gridData_.numberOfItems(), record.sortedInsertItems().size(),
                              record.sortedDeleteItems().size(), expected, got);
}

void GridView::beginUpdates() {
  if (updateCount_++ == 0) setupUpdateAnimations();
}

void GridView::endUpdates() {
  // An end without a begin would leave every later batch unrecorded.
  if (updateCount_ == 0) {
    MV_LOG("GridView: endUpdates without beginUpdates ignored");
    return;
  }
  if (--updateCount_ == 0) endUpdateAnimations();
}

void GridView::insertItemsAtIndices(const base::IndexSet& indices, GridViewItemAnimation animation) {
  updateItemsAtIndices(indices, GridViewUpdateActionInsert, animation);
}

void GridView::deleteItemsAtIndices(const base::IndexSet& indices, GridViewItemAnimation animation) {
  updateItemsAtIndices(indices, GridViewUpdateActionDelete, animation);
}

void GridView::reloadItemsAtIndices(const base::IndexSet& indices, GridViewItemAnimation animation) {
  updateItemsAtIndices(indices, GridViewUpdateActionReload, animation);
}

void GridView::updateItemsAtIndices(const base::IndexSet& indices, int action, GridViewItemAnimation animation) {
  bool ownRecord = static_cast<long>(updateInfoStack_.size()) <= animationCount_;
  if (ownRecord) setupUpdateAnimations();
  updateInfoStack_.back()->updateItemsAtIndices(indices, action, animation);
  if (ownRecord) endUpdateAnimations();
}

void GridView::moveItemAtIndex(std::size_t index, std::size_t toIndex, GridViewItemAnimation animation) {
  bool ownRecord = static_cast<long>(updateInfoStack_.size()) <= animationCount_;
  if (ownRecord) setupUpdateAnimations();
  updateInfoStack_.back()->moveItemAtIndex(index, toIndex, animation);
  if (ownRecord) endUpdateAnimations();
}

void GridView::setupUpdateAnimations() {
  ++reloadingSuspendedCount_;
  auto self = ui::weakAs<GridView>(this).lock();
  updateInfoStack_.push_back(std::make_shared<GridViewUpdateInfo>(gridData_, self));
}

void GridView::endUpdateAnimations() {
  if (updateInfoStack_.empty()) return;
  auto keep = self();
  auto record = updateInfoStack_.back();
  auto drop = [this] {
    updateInfoStack_.pop_back();
    if (reloadingSuspendedCount_ > 0) --reloadingSuspendedCount_;
  };
  if (record->numberOfUpdates() == 0) {
    drop();
    return;
  }
  // A batch that does not fit the model (indices outside the lists, or a
  // count the data source does not confirm) would make the maps
  // meaningless: it is refused before anything changes, and the grid shows
  // the model as it is now instead.
  if (auto reason = refusedUpdateReason(*record)) {
    MV_LOG("GridView: update refused, reloading: ", *reason);
    drop();
    reloadData();
    return;
  }
  record->cleanupUpdateItems();
  ++animationCount_;
  auto weak = ui::weakAs<GridView>(this);
  ui::View::animate(
      kUpdateAnimationDuration, 0, 0,
      [this, record] {
        setAnimatingCells(record->animateCellUpdatesUsingVisibleContentRect(gridViewVisibleBounds()));
        gridData_ = record->newGridViewData();
        numColumns_ = gridData_.numberOfItemsPerRow();
        if (selectedIndex_ != base::NotFound) selectedIndex_ = record->newIndexForOldIndex(selectedIndex_);
        adoptAnimatingCellsAsVisible();
        if (reloadingSuspendedCount_ > 0) --reloadingSuspendedCount_;
      },
      [weak, record](bool) {
        auto grid = weak.lock();
        if (!grid) return;
        grid->fixCellsFromAnimation();
        auto& stack = grid->updateInfoStack_;
        stack.erase(std::remove(stack.begin(), stack.end(), record), stack.end());
        --grid->animationCount_;
        if (auto d = grid->delegate()) d->gridViewDidEndUpdateAnimation(*grid);
      });
}

void GridView::adoptAnimatingCellsAsVisible() {
  // From here on the list speaks of the items after the update: the cells
  // of the animation under their new indices. The cells of deleted and
  // reloaded items have already left the grid for their snapshots.
  std::vector<std::shared_ptr<GridViewCell>> list;
  for (const auto& item : animatingCells_) {
    auto cell = std::dynamic_pointer_cast<GridViewCell>(item.animatingView());
    if (!cell || item.index() == base::NotFound) continue;
    if (std::find(list.begin(), list.end(), cell) == list.end()) list.push_back(cell);
  }
  std::vector<std::shared_ptr<GridViewCell>> leaving;
  for (auto& cell : visibleCells_) {
    if (std::find(list.begin(), list.end(), cell) != list.end()) continue;
    if (cell->superview() == this && !isAnimatingView(cell.get())) {
      cell->removeFromSuperview();
      leaving.push_back(cell);
    }
  }
  enqueueReusableCells(leaving);
  visibleCells_ = std::move(list);
  sortVisibleCellList();
  base::IndexSet wanted = gridData_.indicesOfCellsInRect(gridViewVisibleBounds());
  visibleLocation_ = wanted.empty() ? 0 : wanted.first();
  visibleLength_ = wanted.count();
}

void GridView::fixCellsFromAnimation() {
  auto keep = self();
  for (auto& cell : visibleCells_) {
    if (!cell->isHiddenForAnimation()) continue;
    cell->setHiddenForAnimation(false);
    delegateWillDisplayCell(*cell, cell->displayIndex());
    cell->setHidden(false);
  }
  ui::Rect b = bounds();
  base::IndexSet visible = gridData_.indicesOfCellsInRect(b);
  std::vector<std::shared_ptr<GridViewCell>> kept;
  if (visible.empty()) {
    visibleLocation_ = 0;
    visibleLength_ = 0;
    auto cells = std::move(visibleCells_);
    visibleCells_.clear();
    for (auto& cell : cells) cell->removeFromSuperview();
    enqueueReusableCells(cells);
  } else {
    visibleLocation_ = visible.first();
    visibleLength_ = visible.count();
    for (const auto& item : animatingCells_) {
      auto cell = std::dynamic_pointer_cast<GridViewCell>(item.animatingView());
      if (cell && item.index() != base::NotFound && isRectVisible(gridData_.cellRectForPoint(cell->center())))
        kept.push_back(cell);
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const auto& a, const auto& b) { return a->compareOriginAgainstCell(*b) < 0; });
    for (auto& cell : visibleCells_)
      if (std::find(kept.begin(), kept.end(), cell) == kept.end()) cell->removeFromSuperview();
    visibleCells_ = kept;
  }
  // Snapshots of deleted and reloaded cells, and cells that ended out of
  // sight, all leave: only listed cells stay in the grid.
  for (const auto& item : animatingCells_) {
    const auto& view = item.animatingView();
    if (!view) continue;
    auto cell = std::dynamic_pointer_cast<GridViewCell>(view);
    if (!cell || std::find(visibleCells_.begin(), visibleCells_.end(), cell) == visibleCells_.end())
      view->removeFromSuperview();
  }
  setAnimatingCells({});
  auto subviews = this->subviews();
  for (auto& view : subviews) {
    auto cell = std::dynamic_pointer_cast<GridViewCell>(view);
    if (cell && std::find(visibleCells_.begin(), visibleCells_.end(), cell) == visibleCells_.end())
      cell->removeFromSuperview();
  }
  b = bounds();
  updateContentRectWithOldMaxLocation({b.maxX(), b.maxY()}, gridData_.sizeForEntireGrid());
  setNeedsLayout();
}

}  // namespace mv
