#pragma once
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/ui/Touch.hpp"
#include "platform/ui/View.hpp"

namespace ui {

class ViewController;

// The root of the view tree on screen: 1024 x 768 points in landscape. It
// holds the root view controller's view, an overlay level above it for alerts
// and other presentations, and the keyboard focus; it turns raw touches into
// delivered touches and gestures.
class Window : public View {
 public:
  explicit Window(const Rect& frame = {0, 0, 1024, 768});
  ~Window() override;

  void makeKeyAndVisible();
  void makeKeyWindow();
  bool isKeyWindow() const;
  double windowLevel() const { return level_; }
  void setWindowLevel(double level) { level_ = level; }

  // The root controller's view fills the window under the overlay; setting
  // another root swaps them and runs their appearance calls.
  std::shared_ptr<ViewController> rootViewController() const { return root_; }
  void setRootViewController(std::shared_ptr<ViewController> controller);

  // The level above everything else (alerts); it lets touches through where
  // it has no visible content.
  View& overlay() const { return *overlay_; }

  Responder* firstResponder() const { return firstResponder_; }
  // Moves focus; the old responder is asked to resign first. False when it refuses.
  bool setFirstResponder(Responder* responder);
  // Drops `responder` as first responder without asking it (it is going away).
  void forgetResponder(const Responder* responder);
  // Takes the focus from `responder` without calling it or updating the
  // keyboard (a text input resigning by itself does both).
  void releaseFirstResponder(const Responder* responder) {
    if (firstResponder_ == responder) firstResponder_ = nullptr;
  }
  // Called when a view leaves the window or hides: focus inside it is dropped.
  void viewWillLeaveWindow(View* view);
  // Drops the focus without asking the first responder whether it may go
  // (it still hears `resignFirstResponder`).
  void forceResignFirstResponder();
  // The responder about to take the focus while the old one resigns.
  Responder* incomingFirstResponder() const { return incoming_; }
  // Tab and Shift+Tab: the focus goes to the next (or previous) text input
  // of the focused one's form, in reading order (rows top to bottom, each
  // left to right), coming round at the end. The form is the nearest view
  // around the input that holds other inputs; only inputs that show and may
  // take the focus count, and one that refuses is passed over. False when
  // the focus stayed.
  bool moveFocusToNextField(bool backward);

  // The keyboard (see Keyboard): shown while the focus is on a text input.
  bool isKeyboardVisible() const { return keyboardVisible_; }
  // Its frame in window coordinates; empty while hidden.
  Rect keyboardFrame() const;
  // Shows or hides the keyboard to match the focus, posting the
  // notifications. `resigning`: the text input that just ended editing; a
  // form sheet whose controller disables automatic keyboard dismissal keeps
  // the keyboard up for its inputs.
  void updateKeyboard(const View* resigning = nullptr);
  // A desktop types on its own keyboard: with no on-screen keyboard, a text
  // input taking the focus shows none and posts nothing, so no screen makes
  // room for one.
  bool hasOnScreenKeyboard() const { return hasOnScreenKeyboard_; }
  void setHasOnScreenKeyboard(bool on);

  // Raw input: touches by identifier at window points, at `at` on the main
  // loop's clock (when the input happened; now when not given).
  using TouchPoints = std::vector<std::pair<long, Point>>;
  void touchesDown(const TouchPoints& touches, std::optional<double> at = std::nullopt);
  void touchesMove(const TouchPoints& touches, std::optional<double> at = std::nullopt);
  void touchesUp(const TouchPoints& touches, std::optional<double> at = std::nullopt);
  void touchesCancel(const std::vector<long>& ids);
  void touchDown(long id, Point p, std::optional<double> at = std::nullopt) { touchesDown({{id, p}}, at); }
  void touchMove(long id, Point p, std::optional<double> at = std::nullopt) { touchesMove({{id, p}}, at); }
  void touchUp(long id, Point p, std::optional<double> at = std::nullopt) { touchesUp({{id, p}}, at); }
  std::size_t activeTouchCount() const { return active_.size(); }
  // The desktop's wheel: offered to the view under the pointer and up its
  // responder chain until one takes it. False when none did.
  bool turnWheel(const WheelEvent& event);
  // A key that moves through what is shown: offered to the first responder
  // and up its chain (a text input keeps the keys it edits with), then to
  // the screens on show, the front-most first. False when none took it.
  bool pressPageKey(const KeyPress& press);
  // Escape closes what is in front: the alert (it backs out, see
  // AlertView::backOutButtonIndex), else the front-most of the overlay that
  // closes (a list unfolded in a popover before the popover, a page's
  // drop-down list), else a wait box laid over the window (it closes when it
  // offers a way out, and otherwise holds Escape back from what lies under
  // it), else the modal screen in front. False when nothing took Escape.
  bool pressEscape();
  // Return answers the alert on show with its default button. False when
  // no alert shows.
  bool pressReturn();

  Responder* nextResponder() const override;
  void didAddSubview(View* subview) override;
  void layoutSubviews() override;

 private:
  void deliver(TouchPhase phase, const TouchSet& changed, double at);
  TouchSet allActive() const;

  bool keepsKeyboardFor(const View* resigning) const;

  std::shared_ptr<View> overlay_;
  std::shared_ptr<ViewController> root_;
  Responder* firstResponder_ = nullptr;
  Responder* incoming_ = nullptr;
  // The last move of the focus failed because the focused responder would not let go.
  bool resignRefused_ = false;
  int leaving_ = 0;
  bool keyboardVisible_ = false;
  bool hasOnScreenKeyboard_ = true;
  base::TimerId keyboardTimer_ = 0;
  double level_ = 0;
  std::map<long, std::shared_ptr<Touch>> active_;
  Point lastTapPoint_;
  double lastTapTime_ = -1;
  int lastTapCount_ = 0;
};

}  // namespace ui
