#pragma once
#include <cstddef>
#include <memory>

#include "platform/base/IndexSet.hpp"
#include "platform/ui/View.hpp"

namespace mv {

// A view taking part in a running grid update animation and the item index it
// stands for afterwards (base::NotFound for a snapshot of a deleted or
// replaced cell, which goes away when the animation ends). Items are kept in
// lists, one per view: an index is no identity.
class GridViewAnimatorItem {
 public:
  GridViewAnimatorItem(std::shared_ptr<ui::View> view, std::size_t index)
      : view_(std::move(view)), index_(index) {}
  static GridViewAnimatorItem itemWithView(std::shared_ptr<ui::View> view, std::size_t index) {
    return GridViewAnimatorItem(std::move(view), index);
  }

  const std::shared_ptr<ui::View>& animatingView() const { return view_; }
  void setAnimatingView(std::shared_ptr<ui::View> view) { view_ = std::move(view); }
  std::size_t index() const { return index_; }
  void setIndex(std::size_t index) { index_ = index; }

  // By index: -1, 0 or 1.
  int compare(const GridViewAnimatorItem& other) const {
    if (index_ < other.index_) return -1;
    return index_ > other.index_ ? 1 : 0;
  }

 private:
  std::shared_ptr<ui::View> view_;
  std::size_t index_;
};

}  // namespace mv
