#pragma once
#include <memory>
#include <optional>
#include <vector>

#include "platform/ui/ViewController.hpp"

namespace ui {

class PopoverController;
class BarButtonItem;

enum PopoverArrowDirection : unsigned {
  PopoverArrowDirectionUp = 1u << 0,
  PopoverArrowDirectionDown = 1u << 1,
  PopoverArrowDirectionLeft = 1u << 2,
  PopoverArrowDirectionRight = 1u << 3,
  PopoverArrowDirectionAny = 15u,
  PopoverArrowDirectionUnknown = ~0u,
};

// Hears a popover closed by a tap outside it. Dismissal by code tells it nothing.
class PopoverControllerDelegate {
 public:
  virtual ~PopoverControllerDelegate() = default;
  // Asked before a tap outside closes the popover.
  virtual bool popoverControllerShouldDismissPopover(PopoverController& /*popover*/) {
    return true;
  }
  virtual void popoverControllerDidDismissPopover(PopoverController& /*popover*/) {}
};

// Shows a content controller in a floating panel with an arrow pointing at
// a rectangle of a view. The panel goes where it fits within the window,
// trying the permitted arrow directions in the order up (panel below the
// rectangle), down, left, right; when none fits, the direction with the most
// room is taken and the panel shrinks to it. While it shows, a touch
// anywhere outside it (except on the passthrough views) closes it after
// asking the delegate, which then hears did-dismiss. The owner must keep the
// popover controller; releasing it takes the panel down without delegate calls.
// The content controller hears will/did appear and disappear.
class PopoverController : public std::enable_shared_from_this<PopoverController> {
 public:
  explicit PopoverController(std::shared_ptr<ViewController> content);
  ~PopoverController();
  PopoverController(const PopoverController&) = delete;
  PopoverController& operator=(const PopoverController&) = delete;

  std::shared_ptr<ViewController> contentViewController() const { return content_; }
  void setContentViewController(std::shared_ptr<ViewController> content, bool animated = false);
  // The content's size; by default the content controller's preferred size,
  // else 320 x 480.
  Size popoverContentSize() const;
  void setPopoverContentSize(Size size, bool animated = false);

  // Refused (logged) when the view is not in a window.
  void presentPopoverFromRect(const Rect& rect, View* view, unsigned permittedArrowDirections, bool animated);
  void presentPopoverFromBarButtonItem(BarButtonItem& item, unsigned permittedArrowDirections, bool animated);
  void dismissPopoverAnimated(bool animated);
  bool isPopoverVisible() const { return visible_; }
  // The direction of the arrow shown (unknown while hidden).
  unsigned popoverArrowDirection() const { return visible_ ? arrow_ : PopoverArrowDirectionUnknown; }

  std::shared_ptr<PopoverControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<PopoverControllerDelegate> d) { delegate_ = std::move(d); }
  // Views that keep taking touches while the popover shows.
  void setPassthroughViews(std::vector<std::weak_ptr<View>> views) { passthrough_ = std::move(views); }
  bool isPassthrough(const View* v) const;
  std::optional<gfx::Color> backgroundColor() const { return background_; }
  void setBackgroundColor(std::optional<gfx::Color> c);

  // The panel while shown (its frame is in window coordinates), and the
  // area the content occupies in it.
  View* popoverView() const { return panel_.get(); }
  Rect contentFrameInWindow() const;
  // As a touch outside would: asks the delegate, dismisses, tells it. False
  // when not visible or the delegate refused.
  bool dismissByOutsideTap();

  static constexpr double kArrowSize = 13;
  static constexpr double kMargin = 10;
  static constexpr double kAnimationDuration = 0.2;

 private:
  class Panel;
  class Catcher;
  void place(const Rect& rectInWindow, unsigned permitted);
  void removeViews();

  std::shared_ptr<ViewController> content_;
  std::optional<Size> size_;
  std::weak_ptr<PopoverControllerDelegate> delegate_;
  std::vector<std::weak_ptr<View>> passthrough_;
  std::optional<gfx::Color> background_;
  std::shared_ptr<View> panel_, catcher_;
  std::weak_ptr<View> window_;
  bool visible_ = false;
  bool dismissing_ = false;
  unsigned arrow_ = PopoverArrowDirectionUnknown;
  Rect anchor_;
  unsigned permitted_ = PopoverArrowDirectionAny;
};

}  // namespace ui
