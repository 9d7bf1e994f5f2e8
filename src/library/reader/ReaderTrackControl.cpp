#include "library/reader/ReaderTrackControl.hpp"

#include <algorithm>

#include "platform/ui/Touch.hpp"

namespace mv {

ReaderTrackControl::ReaderTrackControl(const ui::Rect& frame) : ui::Control(frame) {
  setAutoresizesSubviews(false);
  setUserInteractionEnabled(true);
  setContentMode(ui::ContentMode::Redraw);
  setAutoresizingMask(ui::AutoresizingNone);
  setBackgroundColor(gfx::Color::clear());
}

double ReaderTrackControl::limitValue(double x) const {
  double lo = bounds().x(), hi = bounds().width() - 1;
  return std::max(lo, std::min(x, hi));
}

bool ReaderTrackControl::beginTracking(const ui::Touch& touch, const ui::Event& /*event*/) {
  value_ = limitValue(touch.locationInView(this).x);
  return true;
}

bool ReaderTrackControl::continueTracking(const ui::Touch& touch, const ui::Event& /*event*/) {
  if (isTouchInside()) {
    double x = limitValue(touch.locationInView(this).x);
    if (x != value_) {
      value_ = x;
      sendActionsForControlEvents(ui::ControlEventValueChanged);
    }
  }
  return true;
}

void ReaderTrackControl::endTracking(const ui::Touch* touch, const ui::Event* /*event*/) {
  if (touch) value_ = limitValue(touch->locationInView(this).x);
}

}  // namespace mv
