#pragma once
#include <cstddef>
#include <string>

namespace mv {

// What a recorded grid update does.
enum GridViewUpdateAction : int {
  GridViewUpdateActionInsert = 0,
  GridViewUpdateActionDelete = 1,
  GridViewUpdateActionMove = 2,
  GridViewUpdateActionReload = 3,
};

// How an inserted, deleted or reloaded item comes and goes.
enum GridViewItemAnimation : int {
  GridViewItemAnimationFade = 0,
  GridViewItemAnimationRight = 1,
  GridViewItemAnimationLeft = 2,
  GridViewItemAnimationTop = 3,
  GridViewItemAnimationBottom = 4,
  GridViewItemAnimationNone = 5,
  GridViewItemAnimationMiddle = 6,
};

// One insert, delete, move or reload request of a grid update. Insert and
// move destinations are indices after the update; delete, reload and move
// sources are indices before it.
class GridViewUpdateItem {
 public:
  GridViewUpdateItem(std::size_t index, GridViewUpdateAction action, GridViewItemAnimation animation);

  // The caller's index corrected by `offset`, never below 0.
  std::size_t index() const;
  std::size_t originalIndex() const { return index_; }
  std::size_t newIndex() const { return newIndex_; }
  void setNewIndex(std::size_t i) { newIndex_ = i; }
  GridViewUpdateAction action() const { return action_; }
  GridViewItemAnimation animation() const { return animation_; }
  long offset() const { return offset_; }
  void setOffset(long offset) { offset_ = offset; }

  // By original index: -1, 0 or 1; `inverseCompare` orders the other way.
  int compare(const GridViewUpdateItem& other) const;
  int inverseCompare(const GridViewUpdateItem& other) const { return other.compare(*this); }

  std::string description() const;
  static std::string actionName(int action);
  static std::string animationName(int animation);

 private:
  std::size_t index_;
  std::size_t newIndex_ = 0;
  GridViewUpdateAction action_;
  GridViewItemAnimation animation_;
  long offset_ = 0;
};

}  // namespace mv
