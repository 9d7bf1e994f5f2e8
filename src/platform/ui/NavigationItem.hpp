#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/BarButtonItem.hpp"

namespace ui {

class View;

// What a navigation bar shows while a controller is on top: its title (or a
// title view), the buttons on the left and right, and the back button that
// the next controller pushed shows to come back to it.
class NavigationItem {
 public:
  NavigationItem() = default;
  explicit NavigationItem(std::string title) : title_(std::move(title)) {}

  const std::string& title() const { return title_; }
  void setTitle(std::string title);
  const std::shared_ptr<View>& titleView() const { return titleView_; }
  void setTitleView(std::shared_ptr<View> v);
  const std::string& prompt() const { return prompt_; }
  void setPrompt(std::string p);

  std::shared_ptr<BarButtonItem> leftBarButtonItem() const;
  void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item, bool animated = false);
  const std::vector<std::shared_ptr<BarButtonItem>>& leftBarButtonItems() const { return left_; }
  void setLeftBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool animated = false);
  std::shared_ptr<BarButtonItem> rightBarButtonItem() const;
  void setRightBarButtonItem(std::shared_ptr<BarButtonItem> item, bool animated = false);
  const std::vector<std::shared_ptr<BarButtonItem>>& rightBarButtonItems() const { return right_; }
  void setRightBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool animated = false);
  // The back button shown by the controller above this one (its title is
  // what counts; its action is the bar's).
  const std::shared_ptr<BarButtonItem>& backBarButtonItem() const { return back_; }
  void setBackBarButtonItem(std::shared_ptr<BarButtonItem> item);
  bool hidesBackButton() const { return hidesBack_; }
  void setHidesBackButton(bool hides, bool animated = false);
  bool leftItemsSupplementBackButton() const { return supplementBack_; }
  void setLeftItemsSupplementBackButton(bool on);

  // Set by the navigation controller holding the item, to refresh its bar.
  void setChangeHandler(std::function<void()> handler) { onChange_ = std::move(handler); }

 private:
  void changed();
  std::string title_;
  std::shared_ptr<View> titleView_;
  std::string prompt_;
  std::vector<std::shared_ptr<BarButtonItem>> left_, right_;
  std::shared_ptr<BarButtonItem> back_;
  bool hidesBack_ = false;
  bool supplementBack_ = false;
  std::function<void()> onChange_;
};

}  // namespace ui
