#include "widgets/grid/GridViewUpdateInfo.hpp"

#include <algorithm>

namespace mv {

namespace {

void sortDescending(std::vector<GridViewUpdateItem>& items) {
  std::stable_sort(items.begin(), items.end(),
                   [](const GridViewUpdateItem& a, const GridViewUpdateItem& b) { return a.inverseCompare(b) < 0; });
}

std::string describe(const char* what, std::size_t index, const char* limitName, std::size_t limit) {
  return std::string("Invalid update in GridView: ") + what + " index " + std::to_string(index) + " is beyond the " +
         std::to_string(limit) + " items " + limitName;
}

}  // namespace

GridViewUpdateInfo::GridViewUpdateInfo(const GridViewData& oldGridData, std::weak_ptr<GridView> gridView)
    : oldGridData_(oldGridData.copy()), newGridData_(oldGridData.copy()), gridView_(std::move(gridView)) {}

std::vector<GridViewUpdateItem>* GridViewUpdateInfo::updateItemArrayForAction(int action) {
  switch (action) {
    case GridViewUpdateActionInsert: return &insertItems_;
    case GridViewUpdateActionDelete: return &deleteItems_;
    case GridViewUpdateActionMove: return &moveItems_;
    case GridViewUpdateActionReload: return &reloadItems_;
    default: return nullptr;
  }
}

void GridViewUpdateInfo::updateItemsAtIndices(const base::IndexSet& indices, int action,
                                              GridViewItemAnimation animation) {
  auto* list = updateItemArrayForAction(action);
  if (!list) return;
  for (std::size_t i : indices) list->emplace_back(i, static_cast<GridViewUpdateAction>(action), animation);
}

void GridViewUpdateInfo::moveItemAtIndex(std::size_t from, std::size_t to, GridViewItemAnimation animation) {
  GridViewUpdateItem item(from, GridViewUpdateActionMove, animation);
  item.setNewIndex(to);
  moveItems_.push_back(item);
}

std::size_t GridViewUpdateInfo::numberOfUpdates() const {
  return insertItems_.size() + deleteItems_.size() + moveItems_.size() + reloadItems_.size();
}

std::size_t GridViewUpdateInfo::numberOfItemsAfterUpdates() const {
  std::size_t grown = newGridData_.numberOfItems() + insertItems_.size();
  return deleteItems_.size() > grown ? 0 : grown - deleteItems_.size();
}

std::optional<std::string> GridViewUpdateInfo::invalidUpdateReason() const {
  const std::size_t before = oldGridData_.numberOfItems();
  base::IndexSet deleted, reloaded, moveSources, inserted, moveTargets;
  for (const auto& item : deleteItems_) {
    if (item.originalIndex() >= before) return describe("delete", item.originalIndex(), "before the update", before);
    if (deleted.contains(item.originalIndex()))
      return "Invalid update in GridView: item " + std::to_string(item.originalIndex()) + " deleted twice";
    deleted.add(item.originalIndex());
  }
  for (const auto& item : reloadItems_) {
    if (item.originalIndex() >= before) return describe("reload", item.originalIndex(), "before the update", before);
    if (reloaded.contains(item.originalIndex()))
      return "Invalid update in GridView: item " + std::to_string(item.originalIndex()) + " reloaded twice";
    reloaded.add(item.originalIndex());
  }
  for (const auto& item : moveItems_) {
    if (item.originalIndex() >= before) return describe("move", item.originalIndex(), "before the update", before);
    if (moveSources.contains(item.originalIndex()) || deleted.contains(item.originalIndex()))
      return "Invalid update in GridView: item " + std::to_string(item.originalIndex()) +
             " moved twice or moved and deleted";
    moveSources.add(item.originalIndex());
  }
  const std::size_t after = before + insertItems_.size() - deleteItems_.size();
  for (const auto& item : insertItems_) {
    if (item.originalIndex() >= after) return describe("insert", item.originalIndex(), "after the update", after);
    if (inserted.contains(item.originalIndex()))
      return "Invalid update in GridView: position " + std::to_string(item.originalIndex()) + " inserted twice";
    inserted.add(item.originalIndex());
  }
  for (const auto& item : moveItems_) {
    if (item.newIndex() >= after) return describe("move destination", item.newIndex(), "after the update", after);
    if (moveTargets.contains(item.newIndex()) || inserted.contains(item.newIndex()))
      return "Invalid update in GridView: position " + std::to_string(item.newIndex()) + " filled twice";
    moveTargets.add(item.newIndex());
  }
  return std::nullopt;
}

void GridViewUpdateInfo::cleanupUpdateItems() {
  sortDescending(insertItems_);
  sortDescending(deleteItems_);
  sortDescending(moveItems_);
  sortDescending(reloadItems_);
  insertedIndices_.clear();
  deletedIndices_.clear();
  for (const auto& item : deleteItems_) deletedIndices_.add(item.originalIndex());
  for (const auto& item : insertItems_) insertedIndices_.add(item.originalIndex());
  buildIndexMaps();
  cleanedUp_ = true;
  // A reloaded item is shown at wherever the batch puts it.
  for (auto& item : reloadItems_) {
    std::size_t target = newIndexForOldIndex(item.originalIndex());
    item.setOffset(target == base::NotFound
                       ? 0
                       : static_cast<long>(target) - static_cast<long>(item.originalIndex()));
  }
}

void GridViewUpdateInfo::buildIndexMaps() {
  const std::size_t before = oldGridData_.numberOfItems();
  const std::size_t after = numberOfItemsAfterUpdates();
  newGridData_.setNumberOfItems(after);
  oldToNew_.assign(before, base::NotFound);
  newToOld_.assign(after, base::NotFound);

  // Positions after the batch that are spoken for: inserted items (no old
  // index) and move destinations (their old index).
  std::vector<bool> placed(after, false);
  for (const auto& item : insertItems_) {
    if (item.originalIndex() < after) placed[item.originalIndex()] = true;
  }
  for (const auto& item : moveItems_) {
    if (item.newIndex() < after && item.originalIndex() < before) {
      placed[item.newIndex()] = true;
      newToOld_[item.newIndex()] = item.originalIndex();
    }
  }
  // The survivors fill the other positions in their old order.
  base::IndexSet leaving = deletedIndices_;
  for (const auto& item : moveItems_) leaving.add(item.originalIndex());
  std::size_t next = 0;
  for (std::size_t j = 0; j < after; ++j) {
    if (placed[j]) continue;
    while (next < before && leaving.contains(next)) ++next;
    if (next >= before) break;
    newToOld_[j] = next++;
  }
  for (std::size_t j = 0; j < after; ++j)
    if (newToOld_[j] != base::NotFound && newToOld_[j] < before) oldToNew_[newToOld_[j]] = j;
}

std::size_t GridViewUpdateInfo::newIndexForOldIndex(std::size_t index) const {
  if (!cleanedUp_ || index >= oldToNew_.size()) return index;
  return oldToNew_[index];
}

std::size_t GridViewUpdateInfo::oldIndexForNewIndex(std::size_t index) const {
  if (!cleanedUp_ || index >= newToOld_.size()) return index;
  return newToOld_[index];
}

}  // namespace mv
