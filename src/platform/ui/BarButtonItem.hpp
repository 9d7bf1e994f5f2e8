#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/gfx/Image.hpp"

namespace ui {

class View;

enum class BarButtonItemStyle { Plain = 0, Bordered = 1, Done = 2 };
enum class BarButtonSystemItem {
  Done, Cancel, Edit, Save, Add, FlexibleSpace, FixedSpace, Compose, Reply, Action, Organize, Bookmarks, Search,
  Refresh, Stop, Camera, Trash, Play, Pause, Rewind, FastForward, Undo, Redo,
};

// A button of a navigation bar or toolbar: a title or image (or a custom
// view), a style, and an action run when it is tapped. An action given with
// a target is skipped once the target is gone.
class BarButtonItem : public std::enable_shared_from_this<BarButtonItem> {
 public:
  using Action = std::function<void(BarButtonItem&)>;

  BarButtonItem(std::string title, BarButtonItemStyle style, Action action = {});
  BarButtonItem(std::string title, BarButtonItemStyle style, std::weak_ptr<void> target, Action action);
  BarButtonItem(gfx::ImagePtr image, BarButtonItemStyle style, Action action = {});
  BarButtonItem(BarButtonSystemItem item, Action action = {});
  explicit BarButtonItem(std::shared_ptr<View> customView);

  const std::string& title() const { return title_; }
  void setTitle(std::string title);
  const gfx::ImagePtr& image() const { return image_; }
  void setImage(gfx::ImagePtr image);
  BarButtonItemStyle style() const { return style_; }
  void setStyle(BarButtonItemStyle style);
  std::optional<BarButtonSystemItem> systemItem() const { return system_; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);
  long tag() const { return tag_; }
  void setTag(long tag) { tag_ = tag; }
  double width() const { return width_; }
  void setWidth(double w) { width_ = w; }
  const std::shared_ptr<View>& customView() const { return customView_; }
  void setCustomView(std::shared_ptr<View> v);

  void setAction(Action action);
  void setTarget(std::weak_ptr<void> target, Action action);
  bool hasAction() const { return static_cast<bool>(action_); }
  // Runs the action as a tap would (nothing while disabled). False when nothing ran.
  bool trigger();

  // The view showing the item in a bar now (a button or the custom view).
  View* view() const;
  // Set by the bar that shows the item; `onChange` lets it refresh.
  void attach(std::weak_ptr<View> view, std::function<void()> onChange);

  // The standard title of a system item ("Done", "Cancel", ...; empty for spaces).
  static std::string systemTitle(BarButtonSystemItem item);

 private:
  void changed();
  std::string title_;
  gfx::ImagePtr image_;
  BarButtonItemStyle style_ = BarButtonItemStyle::Plain;
  std::optional<BarButtonSystemItem> system_;
  bool enabled_ = true;
  long tag_ = 0;
  double width_ = 0;
  std::shared_ptr<View> customView_;
  Action action_;
  bool hasTarget_ = false;
  std::weak_ptr<void> target_;
  std::weak_ptr<View> view_;
  std::function<void()> onChange_;
};

}  // namespace ui
