#include "platform/ui/PressedInput.hpp"

#include "platform/base/MainThread.hpp"
#include "platform/ui/View.hpp"

namespace ui::pressed_input {

namespace {

struct Press {
  bool begun = false;
  std::weak_ptr<View> input;
};

Press& press() {
  static Press p;
  return p;
}

}  // namespace

void pressBegins(View* focused) {
  MV_ASSERT_MAIN_THREAD();
  Press& p = press();
  if (p.begun) return;
  p.begun = true;
  p.input = focused && focused->acceptsTextInput() ? focused->self() : nullptr;
}

void pressEndsEditingOf(View& input) {
  MV_ASSERT_MAIN_THREAD();
  press() = Press{true, input.self()};
}

void pressEnds() {
  MV_ASSERT_MAIN_THREAD();
  press() = Press{};
}

std::shared_ptr<View> input() {
  MV_ASSERT_MAIN_THREAD();
  return press().input.lock();
}

}  // namespace ui::pressed_input
