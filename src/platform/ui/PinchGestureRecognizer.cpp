#include "platform/ui/PinchGestureRecognizer.hpp"

#include <cmath>

namespace ui {

double PinchGestureRecognizer::distance() const {
  if (numberOfTouches() < 2) return 0;
  base::Point a = locationOfTouch(0, nullptr), b = locationOfTouch(1, nullptr);
  return std::hypot(a.x - b.x, a.y - b.y);
}

void PinchGestureRecognizer::setScale(double scale) {
  if (!(scale > 0)) return;
  double d = distance();
  if (d > 0) initialDistance_ = d / scale;
  scale_ = scale;
}

void PinchGestureRecognizer::touchesBegan(const TouchSet&, const Event& event) {
  lastTime_ = event.timestamp();
  if (numberOfTouches() == 2) {
    double d = distance();
    if (state() == GestureState::Possible) {
      initialDistance_ = d;
      scale_ = 1;
    } else if (scale_ > 0 && d > 0) {
      initialDistance_ = d / scale_;  // a finger put back down: no jump
    }
  }
}

void PinchGestureRecognizer::touchesMoved(const TouchSet&, const Event& event) {
  if (numberOfTouches() < 2 || initialDistance_ <= 0) return;
  double d = distance();
  double s = d / initialDistance_;
  double dt = event.timestamp() - lastTime_;
  if (dt > 0) velocity_ = (s - scale_) / dt;
  lastTime_ = event.timestamp();
  scale_ = s;
  if (state() == GestureState::Possible) {
    if (std::fabs(d - initialDistance_) > kHysteresis) setState(GestureState::Began);
    return;
  }
  setState(GestureState::Changed);
}

void PinchGestureRecognizer::touchesEnded(const TouchSet&, const Event&) {
  if (state() == GestureState::Possible) {
    if (numberOfTouches() == 0) setState(GestureState::Failed);
    return;
  }
  if (numberOfTouches() < 2) setState(GestureState::Ended);
}

void PinchGestureRecognizer::reset() {
  initialDistance_ = 0;
  scale_ = 1;
  velocity_ = 0;
  lastTime_ = 0;
}

}  // namespace ui
