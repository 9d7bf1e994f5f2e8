#include "platform/ui/SwipeGestureRecognizer.hpp"

#include <cmath>

namespace ui {

void SwipeGestureRecognizer::touchesBegan(const TouchSet&, const Event& event) {
  if (mostTouches_ == 0) {
    startTime_ = event.timestamp();
    start_ = GestureRecognizer::locationInView(nullptr);
  }
  mostTouches_ = std::max(mostTouches_, numberOfTouches());
  if (numberOfTouches() > static_cast<std::size_t>(std::max(1, numberOfTouchesRequired))) setState(GestureState::Failed);
}

bool SwipeGestureRecognizer::check(const Event& event) {
  base::Point p = GestureRecognizer::locationInView(nullptr);
  double dx = p.x - start_.x, dy = p.y - start_.y;
  if (event.timestamp() - startTime_ > kMaximumDuration) {
    setState(GestureState::Failed);
    return true;
  }
  if (mostTouches_ != static_cast<std::size_t>(std::max(1, numberOfTouchesRequired))) return false;
  bool horizontal = std::fabs(dx) >= std::fabs(dy);
  double along = horizontal ? std::fabs(dx) : std::fabs(dy);
  double across = horizontal ? std::fabs(dy) : std::fabs(dx);
  if (along < kMinimumDistance) return false;
  unsigned dir = horizontal ? (dx > 0 ? SwipeRight : SwipeLeft) : (dy > 0 ? SwipeDown : SwipeUp);
  if (!(direction & dir) || across > along / 2) {
    setState(GestureState::Failed);
    return true;
  }
  setState(GestureRecognized);
  return true;
}

void SwipeGestureRecognizer::touchesMoved(const TouchSet&, const Event& event) { check(event); }

void SwipeGestureRecognizer::touchesEnded(const TouchSet&, const Event& event) {
  if (!check(event) && numberOfTouches() == 0) setState(GestureState::Failed);
}

void SwipeGestureRecognizer::reset() {
  mostTouches_ = 0;
  startTime_ = 0;
}

}  // namespace ui
