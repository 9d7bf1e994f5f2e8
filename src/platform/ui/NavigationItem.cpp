#include "platform/ui/NavigationItem.hpp"

namespace ui {

void NavigationItem::changed() {
  if (onChange_) {
    auto keep = onChange_;
    keep();
  }
}

void NavigationItem::setTitle(std::string title) {
  if (title == title_) return;
  title_ = std::move(title);
  changed();
}

void NavigationItem::setTitleView(std::shared_ptr<View> v) {
  titleView_ = std::move(v);
  changed();
}

void NavigationItem::setPrompt(std::string p) {
  prompt_ = std::move(p);
  changed();
}

std::shared_ptr<BarButtonItem> NavigationItem::leftBarButtonItem() const { return left_.empty() ? nullptr : left_.front(); }

void NavigationItem::setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item, bool) {
  left_.clear();
  if (item) left_.push_back(std::move(item));
  changed();
}

void NavigationItem::setLeftBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool) {
  left_.clear();
  for (auto& i : items)
    if (i) left_.push_back(std::move(i));
  changed();
}

std::shared_ptr<BarButtonItem> NavigationItem::rightBarButtonItem() const {
  return right_.empty() ? nullptr : right_.front();
}

void NavigationItem::setRightBarButtonItem(std::shared_ptr<BarButtonItem> item, bool) {
  right_.clear();
  if (item) right_.push_back(std::move(item));
  changed();
}

void NavigationItem::setRightBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool) {
  right_.clear();
  for (auto& i : items)
    if (i) right_.push_back(std::move(i));
  changed();
}

void NavigationItem::setBackBarButtonItem(std::shared_ptr<BarButtonItem> item) {
  back_ = std::move(item);
  changed();
}

void NavigationItem::setHidesBackButton(bool hides, bool) {
  if (hides == hidesBack_) return;
  hidesBack_ = hides;
  changed();
}

void NavigationItem::setLeftItemsSupplementBackButton(bool on) {
  supplementBack_ = on;
  changed();
}

}  // namespace ui
