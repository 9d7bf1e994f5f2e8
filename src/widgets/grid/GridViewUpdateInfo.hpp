#pragma once
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/base/IndexSet.hpp"
#include "widgets/grid/GridViewAnimatorItem.hpp"
#include "widgets/grid/GridViewData.hpp"
#include "widgets/grid/GridViewUpdateItem.hpp"

namespace mv {

class GridView;
class GridViewCell;

// The record of one batch of grid updates: the requests in call order, then,
// once the batch closes, the layout after it, the index maps between the
// item lists before and after, and the animation of the cells.
//
// Delete, reload and move sources name items of the list before the batch;
// insert and move destinations name positions in the list after it. The
// list after is the list before without the deleted and moved-away items, with
// the inserted and moved items placed at their destinations and the rest
// filling the other positions in their old order.
class GridViewUpdateInfo {
 public:
  GridViewUpdateInfo(const GridViewData& oldGridData, std::weak_ptr<GridView> gridView);

  // Records one item per index, ascending; an unknown action records nothing.
  void updateItemsAtIndices(const base::IndexSet& indices, int action, GridViewItemAnimation animation);
  void moveItemAtIndex(std::size_t from, std::size_t to, GridViewItemAnimation animation);

  std::size_t numberOfUpdates() const;
  // Items after the batch: the count before it, plus inserts, minus deletes.
  std::size_t numberOfItemsAfterUpdates() const;
  const std::vector<GridViewUpdateItem>& sortedInsertItems() const { return insertItems_; }
  const std::vector<GridViewUpdateItem>& sortedDeleteItems() const { return deleteItems_; }
  const std::vector<GridViewUpdateItem>& sortedMoveItems() const { return moveItems_; }
  const std::vector<GridViewUpdateItem>& sortedReloadItems() const { return reloadItems_; }

  // Why the recorded requests cannot be applied (an index outside the list it
  // names, the same index twice in one action, an item both deleted and
  // moved, two items placed at one position), or nothing when they can.
  std::optional<std::string> invalidUpdateReason() const;

  // Sorts the requests (descending), builds the layout after the batch and
  // both index maps. Only for a record whose requests are valid.
  void cleanupUpdateItems();

  // Inside the grid's animation block: moves, removes, inserts and reloads
  // the cells; answers every view taking part.
  std::vector<GridViewAnimatorItem> animateCellUpdatesUsingVisibleContentRect(base::Rect visibleRect);

  const GridViewData& oldGridData() const { return oldGridData_; }
  GridViewData newGridViewData() const { return newGridData_; }
  // The index after the batch of an item before it (base::NotFound when
  // deleted); the index itself before `cleanupUpdateItems` or for an index
  // outside the map.
  std::size_t newIndexForOldIndex(std::size_t index) const;
  // The index before the batch of an item after it (base::NotFound when
  // inserted).
  std::size_t oldIndexForNewIndex(std::size_t index) const;
  const std::vector<std::size_t>& oldToNewIndexMap() const { return oldToNew_; }
  const std::vector<std::size_t>& newToOldIndexMap() const { return newToOld_; }
  const base::IndexSet& insertedIndices() const { return insertedIndices_; }
  const base::IndexSet& deletedIndices() const { return deletedIndices_; }

 private:
  std::vector<GridViewUpdateItem>* updateItemArrayForAction(int action);
  void buildIndexMaps();
  std::shared_ptr<ui::View> animateDeletionForCell(const std::shared_ptr<ui::View>& cell,
                                                   GridViewItemAnimation animation);
  void animateInsertionForCell(const std::shared_ptr<GridViewCell>& cell, GridViewItemAnimation animation);
  std::shared_ptr<ui::View> animateReloadForCell(const std::shared_ptr<GridViewCell>& cell,
                                                 const std::shared_ptr<ui::View>& originalCell,
                                                 GridViewItemAnimation animation);
  std::shared_ptr<ui::View> imageViewForView(ui::View& view);

  std::vector<GridViewUpdateItem> insertItems_, deleteItems_, moveItems_, reloadItems_;
  base::IndexSet insertedIndices_, deletedIndices_;
  GridViewData oldGridData_;
  GridViewData newGridData_;
  std::vector<std::size_t> oldToNew_;
  std::vector<std::size_t> newToOld_;
  bool cleanedUp_ = false;
  std::weak_ptr<GridView> gridView_;
};

}  // namespace mv
