#pragma once
// What the desktop's wheel, touchpad and keyboard give besides touches and
// text, as the window hands it to responders (see Responder::wheelTurned
// and Responder::pageKeyPressed).

#include "platform/base/Geometry.hpp"

namespace ui {

// The points one notch of the mouse wheel moves the content.
constexpr double kWheelNotch = 40;

// A turn of the mouse wheel or a two-finger scroll on a touchpad.
struct WheelEvent {
  // Under the pointer, in window points.
  base::Point location;
  // How far the content should move, in points: positive brings what lies
  // right of and below the view into sight. A touchpad gives fractions.
  base::Point delta;
  // Ctrl held: notches to zoom in (positive, the wheel turned away from
  // the user) or out, and no delta.
  double zoom = 0;
  // When it happened, on the main loop's clock.
  double timestamp = 0;
};

// A turn of the wheel counted in pages, for the views that show a page at
// a time: a notch's worth of travel turns one. A pause ends a turn of the
// wheel, and what it left short of a notch goes with it.
class WheelPages {
 public:
  // The pages the travel so far turns along each axis: -1, 0 or 1.
  struct Turn {
    int x = 0, y = 0;
    bool any() const { return x != 0 || y != 0; }
  };
  Turn add(base::Point delta, double time) {
    if (last_ < 0 || time - last_ > kPause) travel_ = {};
    last_ = time;
    travel_ = {travel_.x + delta.x, travel_.y + delta.y};
    auto notch = [](double travel) { return travel >= kWheelNotch ? 1 : travel <= -kWheelNotch ? -1 : 0; };
    const Turn turn{notch(travel_.x), notch(travel_.y)};
    if (turn.any()) travel_ = {};
    return turn;
  }

  // Seconds without the wheel that end its turn.
  static constexpr double kPause = 0.3;

 private:
  base::Point travel_;
  double last_ = -1;
};

// A key that moves through what is shown, pressed while no text input takes
// it. Home and End go to the first and the last of what is shown (their
// step is 0).
struct KeyPress {
  enum class Key { PageUp, PageDown, Space, Left, Right, Up, Down, Home, End };
  Key key = Key::Space;
  bool shift = false;
  // +1 for the keys that go on to what follows (Page Down, Space, the right
  // and down arrows), -1 for those that go back (Page Up, Shift+Space, the
  // left and up arrows).
  int step() const {
    switch (key) {
      case Key::PageDown:
      case Key::Right:
      case Key::Down: return 1;
      case Key::Space: return shift ? -1 : 1;
      case Key::PageUp:
      case Key::Left:
      case Key::Up: return -1;
      case Key::Home:
      case Key::End: return 0;
    }
    return 0;
  }
};

}  // namespace ui
