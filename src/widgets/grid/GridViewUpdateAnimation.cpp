// The animation half of a grid update record: moving surviving cells to
// their new places, fading or sliding deleted, inserted and reloaded ones.
#include <algorithm>
#include <map>

#include "platform/ui/ImageView.hpp"
#include "platform/ui/Renderer.hpp"
#include "platform/ui/Screen.hpp"
#include "widgets/grid/GridView.hpp"
#include "widgets/grid/GridViewUpdateInfo.hpp"

namespace mv {

namespace {

// Where a view comes in from or goes out to for a direction: one width or
// height beside where it is.
base::Point shifted(base::Point p, GridViewItemAnimation animation, double w, double h, double sign) {
  switch (animation) {
    case GridViewItemAnimationRight: return {p.x + sign * w, p.y};
    case GridViewItemAnimationLeft: return {p.x - sign * w, p.y};
    case GridViewItemAnimationTop: return {p.x, p.y - sign * h};
    case GridViewItemAnimationBottom: return {p.x, p.y + sign * h};
    default: return p;
  }
}

void insertAboveBackground(GridView& grid, const std::shared_ptr<ui::View>& view) {
  const auto& background = grid.backgroundView();
  if (background && background->superview() == &grid)
    grid.insertSubviewAbove(view, background.get());
  else
    grid.insertSubview(view, 0);
}

}  // namespace

std::shared_ptr<ui::View> GridViewUpdateInfo::imageViewForView(ui::View& view) {
  auto image = ui::Renderer::renderToImage(view, ui::Screen::mainScreen().scale());
  auto snapshot = std::make_shared<ui::ImageView>(view.bounds());
  snapshot->setImage(image);
  return snapshot;
}

std::shared_ptr<ui::View> GridViewUpdateInfo::animateDeletionForCell(const std::shared_ptr<ui::View>& cell,
                                                                     GridViewItemAnimation animation) {
  auto grid = gridView_.lock();
  if (animation == GridViewItemAnimationNone || !grid) {
    cell->removeFromSuperview();
    return nullptr;
  }
  std::shared_ptr<ui::View> snapshot;
  ui::View::performWithoutAnimation([&] {
    snapshot = imageViewForView(*cell);
    snapshot->setFrame(cell->frame());
    insertAboveBackground(*grid, snapshot);
    cell->removeFromSuperview();
  });
  ui::Rect f = snapshot->frame();
  snapshot->setAlpha(0);
  snapshot->setCenter(shifted(snapshot->center(), animation, f.width(), f.height(), 1));
  return snapshot;
}

void GridViewUpdateInfo::animateInsertionForCell(const std::shared_ptr<GridViewCell>& cell,
                                                 GridViewItemAnimation animation) {
  auto grid = gridView_.lock();
  if (!grid) return;
  ui::View::performWithoutAnimation([&] {
    if (cell->superview() != grid.get()) insertAboveBackground(*grid, cell);
  });
  if (animation == GridViewItemAnimationNone) return;
  ui::Rect f = cell->frame();
  base::Point end = cell->center();
  base::Point start = shifted(end, animation, f.width(), f.height(), 1);
  ui::View::performWithoutAnimation([&] {
    cell->setAlpha(0);
    cell->setCenter(start);
  });
  cell->setAlpha(1);
  cell->setCenter(end);
}

std::shared_ptr<ui::View> GridViewUpdateInfo::animateReloadForCell(const std::shared_ptr<GridViewCell>& cell,
                                                                   const std::shared_ptr<ui::View>& originalCell,
                                                                   GridViewItemAnimation animation) {
  auto grid = gridView_.lock();
  if (animation == GridViewItemAnimationNone || !grid) {
    originalCell->removeFromSuperview();
    return nullptr;
  }
  std::shared_ptr<ui::View> snapshot;
  ui::Rect original = originalCell->frame();
  ui::View::performWithoutAnimation([&] {
    snapshot = imageViewForView(*originalCell);
    snapshot->setFrame(original);
    insertAboveBackground(*grid, snapshot);
    originalCell->removeFromSuperview();
    cell->setAlpha(0);
    base::Point from = shifted(original.origin, animation, original.width(), original.height(), 1);
    cell->setFrame({from, original.size});
  });
  snapshot->setAlpha(0);
  snapshot->setFrame({shifted(original.origin, animation, original.width(), original.height(), -1), original.size});
  cell->setAlpha(1);
  cell->setFrame(original);
  return snapshot;
}

std::vector<GridViewAnimatorItem> GridViewUpdateInfo::animateCellUpdatesUsingVisibleContentRect(base::Rect rect) {
  auto grid = gridView_.lock();
  if (!grid) return {};
  const base::Size gridSize = newGridData_.sizeForEntireGrid();
  const base::IndexSet oldVisible = oldGridData_.indicesOfCellsInRect(rect);
  if (newGridData_.isVertical() && rect.maxY() > gridSize.height) {
    double excess = rect.maxY() - gridSize.height;
    rect = {rect.x(), rect.y() - excess, rect.width(), rect.height() + excess};
    grid->setContentSize({rect.width(), gridSize.height});
    rect.origin.y = std::max(rect.y(), 0.0);
  } else if (!newGridData_.isVertical() && rect.maxX() > gridSize.width) {
    double excess = rect.maxX() - gridSize.width;
    rect = {rect.x() - excess, rect.y(), rect.width() + excess, rect.height()};
    grid->setContentSize({gridSize.width, rect.height()});
    rect.origin.x = std::max(rect.x(), 0.0);
  } else {
    grid->updateGridViewBoundsForNewGridData(newGridData_);
    // The content may have moved under the view (pinned to its end): what
    // shows after the update is what the view shows now.
    rect = grid->gridViewVisibleBounds();
  }
  const base::IndexSet newVisible = newGridData_.indicesOfCellsInRect(rect);

  // Views of a still running update, by the index they stand for (which is
  // an index of the list before this update).
  std::vector<GridViewAnimatorItem> items = grid->animatingCells();
  std::map<std::size_t, std::size_t> byIndex;
  for (std::size_t k = 0; k < items.size(); ++k)
    if (std::dynamic_pointer_cast<GridViewCell>(items[k].animatingView()) && items[k].index() != base::NotFound)
      byIndex.emplace(items[k].index(), k);
  auto viewAt = [&](std::size_t oldIndex) -> std::shared_ptr<ui::View> {
    if (auto it = byIndex.find(oldIndex); it != byIndex.end()) return items[it->second].animatingView();
    return grid->cellForItemAtIndex(oldIndex);
  };

  // Surviving items in sight before or after move to their new places.
  base::IndexSet toAnimate = oldVisible;
  for (std::size_t j : newVisible) {
    std::size_t old = oldIndexForNewIndex(j);
    if (old != base::NotFound) toAnimate.add(old);
  }
  for (std::size_t i : toAnimate) {
    std::size_t n = newIndexForOldIndex(i);
    if (n == base::NotFound || i >= oldToNew_.size()) continue;
    auto found = byIndex.find(i);
    auto cell = std::dynamic_pointer_cast<GridViewCell>(viewAt(i));
    if (!cell) {
      cell = grid->createPreparedCellForIndex(n);
      if (!cell) continue;
      ui::View::performWithoutAnimation(
          [&] { cell->setFrame(grid->fixCellFrame(cell->frame(), oldGridData_.cellRectAtIndex(i))); });
    } else {
      cell->setDisplayIndex(n);
    }
    if (found == byIndex.end())
      items.emplace_back(cell, n);
    else
      items[found->second].setIndex(n);
    cell->setFrame(grid->fixCellFrame(cell->frame(), newGridData_.cellRectAtIndex(n)));
    grid->delegateWillDisplayCell(*cell, n);
  }

  // Deleted items in sight leave as snapshots (each its own entry, removed
  // when the animation ends).
  for (const auto& item : deleteItems_) {
    std::size_t index = item.originalIndex();
    if (!oldVisible.contains(index)) continue;
    auto found = byIndex.find(index);
    auto view = viewAt(index);
    if (!view) continue;
    auto snapshot = animateDeletionForCell(view, item.animation());
    if (found != byIndex.end()) {
      if (snapshot) items[found->second].setAnimatingView(snapshot);
      items[found->second].setIndex(base::NotFound);
      byIndex.erase(found);
    } else if (snapshot) {
      items.emplace_back(snapshot, base::NotFound);
    }
  }

  // Inserted items in sight come in at the index they name.
  for (const auto& item : insertItems_) {
    std::size_t index = item.originalIndex();
    if (!newVisible.contains(index)) continue;
    auto cell = grid->createPreparedCellForIndex(index, newGridData_);
    if (!cell) continue;
    animateInsertionForCell(cell, item.animation());
    grid->delegateWillDisplayCell(*cell, index);
    items.emplace_back(cell, index);
  }

  // Reloaded items in sight cross-fade from a snapshot of the old cell to a
  // new one, wherever the batch puts them.
  for (const auto& item : reloadItems_) {
    std::size_t target = newIndexForOldIndex(item.originalIndex());
    if (target == base::NotFound || !newVisible.contains(target)) continue;
    // The old cell is the one the moves above already placed for the item.
    std::size_t entry = items.size();
    for (std::size_t k = 0; k < items.size(); ++k)
      if (items[k].index() == target && std::dynamic_pointer_cast<GridViewCell>(items[k].animatingView())) {
        entry = k;
        break;
      }
    std::shared_ptr<ui::View> oldCell =
        entry < items.size() ? items[entry].animatingView() : grid->cellForItemAtIndex(item.originalIndex());
    auto cell = grid->createPreparedCellForIndex(target);
    if (!cell) continue;
    if (oldCell) {
      ui::View::performWithoutAnimation([&] { cell->setFrame(oldCell->frame()); });
    }
    grid->delegateWillDisplayCell(*cell, target);
    if (oldCell && oldCell != cell) {
      if (auto snapshot = animateReloadForCell(cell, oldCell, item.animation()))
        items.emplace_back(snapshot, base::NotFound);
    } else {
      animateInsertionForCell(cell, item.animation());
    }
    if (entry < items.size())
      items[entry].setAnimatingView(cell);
    else
      items.emplace_back(cell, target);
  }
  return items;
}

}  // namespace mv
