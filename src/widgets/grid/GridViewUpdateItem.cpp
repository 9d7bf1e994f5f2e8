#include "widgets/grid/GridViewUpdateItem.hpp"

#include <cstdio>

namespace mv {

GridViewUpdateItem::GridViewUpdateItem(std::size_t index, GridViewUpdateAction action,
                                       GridViewItemAnimation animation)
    : index_(index), action_(action), animation_(animation) {}

std::size_t GridViewUpdateItem::index() const {
  if (offset_ < 0) {
    auto magnitude = static_cast<std::size_t>(-(offset_ + 1)) + 1;
    return magnitude > index_ ? 0 : index_ - magnitude;
  }
  return index_ + static_cast<std::size_t>(offset_);
}

int GridViewUpdateItem::compare(const GridViewUpdateItem& other) const {
  if (index_ < other.index_) return -1;
  return index_ > other.index_ ? 1 : 0;
}

std::string GridViewUpdateItem::actionName(int action) {
  switch (action) {
    case GridViewUpdateActionInsert: return "Insert";
    case GridViewUpdateActionDelete: return "Delete";
    case GridViewUpdateActionMove: return "Move";
    case GridViewUpdateActionReload: return "Reload";
    default: return "<Unknown>";
  }
}

std::string GridViewUpdateItem::animationName(int animation) {
  switch (animation) {
    case GridViewItemAnimationFade: return "Fade";
    case GridViewItemAnimationRight: return "Right";
    case GridViewItemAnimationLeft: return "Left";
    case GridViewItemAnimationTop: return "Top";
    case GridViewItemAnimationBottom: return "Bottom";
    case GridViewItemAnimationNone: return "None";
    case GridViewItemAnimationMiddle: return "Middle";
    default: return "<Unknown>";
  }
}

std::string GridViewUpdateItem::description() const {
  char head[64];
  std::snprintf(head, sizeof head, "<GridViewUpdateItem: %p>", static_cast<const void*>(this));
  char tail[64];
  std::snprintf(tail, sizeof tail, ", offset=%.02f}", static_cast<double>(offset_));
  return std::string(head) + "{index=" + std::to_string(index_) + ", action=" + actionName(action_) +
         ", animation=" + animationName(animation_) + tail;
}

}  // namespace mv
