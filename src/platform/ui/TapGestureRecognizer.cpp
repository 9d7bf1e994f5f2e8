#include "platform/ui/TapGestureRecognizer.hpp"

#include <cmath>

#include "platform/ui/View.hpp"
#include "platform/ui/WeakAs.hpp"

namespace ui {

TapGestureRecognizer::~TapGestureRecognizer() { base::RunLoop::main().cancel(timer_); }

base::Point TapGestureRecognizer::locationInView(const View* v) const {
  if (numberOfTouches() > 0) return GestureRecognizer::locationInView(v);
  return v ? v->convertPointFromView(location_, nullptr) : location_;
}

void TapGestureRecognizer::touchesBegan(const TouchSet& touches, const Event&) {
  base::RunLoop::main().cancel(timer_);
  timer_ = 0;
  mostTouches_ = std::max(mostTouches_, numberOfTouches());
  if (numberOfTouches() > static_cast<std::size_t>(std::max(1, numberOfTouchesRequired))) {
    setState(GestureState::Failed);
    return;
  }
  // Later taps must land near the first.
  for (auto& t : touches) {
    base::Point p = t->windowLocation();
    if (taps_ > 0 && std::hypot(p.x - location_.x, p.y - location_.y) > 3 * kAllowableMovement) {
      setState(GestureState::Failed);
      return;
    }
  }
  location_ = GestureRecognizer::locationInView(nullptr);
}

void TapGestureRecognizer::touchesMoved(const TouchSet& touches, const Event&) {
  for (auto& t : touches) {
    base::Point p = t->windowLocation(), s = t->startLocation();
    if (std::hypot(p.x - s.x, p.y - s.y) > kAllowableMovement) {
      setState(GestureState::Failed);
      return;
    }
  }
}

void TapGestureRecognizer::touchesEnded(const TouchSet& touches, const Event&) {
  for (auto& t : touches) {
    base::Point p = t->windowLocation(), s = t->startLocation();
    if (std::hypot(p.x - s.x, p.y - s.y) > kAllowableMovement) {
      setState(GestureState::Failed);
      return;
    }
  }
  if (numberOfTouches() > 0) return;  // the tap completes when every finger is up
  if (mostTouches_ != static_cast<std::size_t>(std::max(1, numberOfTouchesRequired))) {
    setState(GestureState::Failed);
    return;
  }
  mostTouches_ = 0;
  ++taps_;
  if (taps_ >= std::max(1, numberOfTapsRequired)) {
    setState(GestureRecognized);
    return;
  }
  auto weak = ui::weakAs<TapGestureRecognizer>(this);
  timer_ = base::RunLoop::main().after(kMaximumTapInterval, [weak] {
    if (auto self = weak.lock()) {
      self->timer_ = 0;
      if (self->state() == GestureState::Possible && !self->isTracking()) self->setState(GestureState::Failed);
    }
  });
}

void TapGestureRecognizer::reset() {
  base::RunLoop::main().cancel(timer_);
  timer_ = 0;
  taps_ = 0;
  mostTouches_ = 0;
}

}  // namespace ui
