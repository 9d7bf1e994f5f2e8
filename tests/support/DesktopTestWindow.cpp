#include "DesktopTestWindow.hpp"

#include <algorithm>

#include "platform/base/RunLoop.hpp"
#include "platform/ui/Window.hpp"

namespace mv::test {

std::unique_ptr<ui::DesktopWindow> openDesktop(const std::shared_ptr<ui::Window>& window, double scale) {
  window->makeKeyAndVisible();
  ui::DesktopWindow::Options options;
  options.scale = scale;
  options.softwareRendering = true;
  std::string error;
  auto desktop = ui::DesktopWindow::open(window, options, &error);
  EXPECT_TRUE(desktop) << error;
  return desktop;
}

// The desktop window resized as the user drags its edge: the desktop takes
// the request, and the window follows once the desktop's size event came.
bool resizeTo(ui::DesktopWindow& desktop, int width, int height) {
  desktop.resize(width, height);
  const base::Size wanted{double(width), double(height)};
  // The display server answers on its own time: its event is waited for.
  for (int turn = 0; turn < 200 && desktop.pixelSize() != wanted; ++turn) {
    desktop.waitForWork(0.05);
    desktop.runFrame();
  }
  return desktop.pixelSize() == wanted;
}

void DesktopUser::wait(double seconds) {
  auto& loop = base::RunLoop::main();
  for (double waited = 0; waited + 1e-9 < seconds; waited += kFrame) {
    loop.advance(std::min(kFrame, seconds - waited));
    window_.runFrame();
  }
}

void DesktopUser::click(base::Point p) {
  window_.pushMouseDown(p);
  window_.runFrame();
  wait(kPress);
  window_.pushMouseUp(p);
  window_.runFrame();
}

void DesktopUser::doubleClick(base::Point p) {
  click(p);
  wait(kBetweenClicks);
  window_.pushMouseDown(p, ui::DesktopWindow::None, 2);
  window_.runFrame();
  wait(kPress);
  window_.pushMouseUp(p, 2);
  window_.runFrame();
}

void DesktopUser::drag(base::Point from, base::Point to, double seconds, double rest, bool atOnce) {
  auto& loop = base::RunLoop::main();
  auto step = [&](double dt) {
    if (atOnce)
      loop.advance(dt);
    else
      wait(dt);
  };
  window_.pushMouseDown(from);
  if (!atOnce) window_.runFrame();
  const int moves = std::max(3, static_cast<int>(seconds / kFrame + 0.5));
  for (int i = 1; i <= moves; ++i) {
    step(seconds / moves);
    const double f = static_cast<double>(i) / moves;
    window_.pushMouseMove({from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f});
    if (!atOnce) window_.runFrame();
  }
  step(rest);
  window_.pushMouseUp(to);
  window_.runFrame();
}

void DesktopUser::wheel(base::Point at, double dx, double dy, unsigned modifiers) {
  window_.pushWheel(at, dx, dy, modifiers);
  window_.runFrame();
}

void DesktopUser::key(ui::DesktopWindow::Key key, unsigned modifiers) {
  window_.pushKey(key, modifiers);
  window_.runFrame();
}

void DesktopUser::type(const std::string& text) {
  window_.pushText(text);
  window_.runFrame();
}

}  // namespace mv::test
