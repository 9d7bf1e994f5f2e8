#pragma once
// Screens on the real desktop window in tests: a fixture that sets a screen
// up on the virtual screen (see DesktopSupport), and a
// person's mouse, wheel and keys given through the desktop's event queue
// with the times a real desktop stamps on them.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DesktopSupport.hpp"
#include "platform/base/Geometry.hpp"
#include "platform/ui/DesktopWindow.hpp"

namespace mv::test {

// A fixture on `Base` whose tests open desktop windows: the virtual screen
// first (skipped without Xvfb), then `Base` set up as for any other test.
template <typename Base>
class DesktopFixture : public Base {
 protected:
  void SetUp() override {
    MV_USE_VIRTUAL_SCREEN();
    baseSetUp_ = true;
    Base::SetUp();
  }
  void TearDown() override {
    if (baseSetUp_) Base::TearDown();
  }

  template <typename Body>
  void runDesktop(Body body) {
    mv::test::runDesktop(body);
  }

 private:
  bool baseSetUp_ = false;
};

// Opens `window` (made key and visible) on the desktop, drawn in software;
// nothing drawn yet.
std::unique_ptr<ui::DesktopWindow> openDesktop(const std::shared_ptr<ui::Window>& window, double scale = 1);

// Resizes the desktop window as the user drags its edge: the desktop takes
// the request, and the window follows once the desktop's size event came.
// False when it did not come.
bool resizeTo(ui::DesktopWindow& desktop, int width, int height);

// A person at the desktop: each step goes into the window's event queue
// stamped with the main loop's time, the clock moves on as it would
// between a person's events, and the window runs a frame.
class DesktopUser {
 public:
  explicit DesktopUser(ui::DesktopWindow& window) : window_(window) {}

  static constexpr double kFrame = 1.0 / 60;
  // A press held this long, and the pause between a double click's presses.
  static constexpr double kPress = 0.06;
  static constexpr double kBetweenClicks = 0.12;

  void click(base::Point p);
  void doubleClick(base::Point p);
  // Drags from `from` to `to` over `seconds` with a move every frame (three
  // at least), and lets go a few milliseconds after the last move (a flick)
  // or after resting `rest` seconds. With `atOnce` every event waits in the
  // queue and the window takes them in one frame, as a busy window does;
  // with no `seconds` and no `rest` too, they all happen in the same
  // millisecond, as a script's flick does.
  void drag(base::Point from, base::Point to, double seconds, double rest = 0.008, bool atOnce = false);
  // Notches of the wheel: positive `dy` away from the user.
  void wheel(base::Point at, double dx, double dy, unsigned modifiers = ui::DesktopWindow::None);
  void key(ui::DesktopWindow::Key key, unsigned modifiers = ui::DesktopWindow::None);
  void type(const std::string& text);
  // Lets time pass frame by frame (animations, decelerations, timers).
  void wait(double seconds);

 private:
  ui::DesktopWindow& window_;
};

}  // namespace mv::test
