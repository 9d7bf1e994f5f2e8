#include "platform/ui/Screen.hpp"

#include "platform/gfx/Image.hpp"

namespace ui {

Screen& Screen::mainScreen() {
  static Screen screen;
  return screen;
}

void Screen::setScale(double scale) {
  scale_ = scale >= 2 ? 2 : 1;
  gfx::Image::setDeviceScale(scale_);
}

}  // namespace ui
