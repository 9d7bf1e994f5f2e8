#include "platform/ui/LongPressGestureRecognizer.hpp"

#include <cmath>

#include "platform/ui/WeakAs.hpp"

namespace ui {

LongPressGestureRecognizer::~LongPressGestureRecognizer() { base::RunLoop::main().cancel(timer_); }

void LongPressGestureRecognizer::touchesBegan(const TouchSet&, const Event&) {
  if (state() != GestureState::Possible) return;
  std::size_t need = static_cast<std::size_t>(std::max(1, numberOfTouchesRequired));
  if (numberOfTouches() > need) {
    base::RunLoop::main().cancel(timer_);
    setState(GestureState::Failed);
    return;
  }
  if (numberOfTouches() < need) return;
  base::RunLoop::main().cancel(timer_);
  auto weak = ui::weakAs<LongPressGestureRecognizer>(this);
  timer_ = base::RunLoop::main().after(minimumPressDuration, [weak] {
    if (auto self = weak.lock()) {
      self->timer_ = 0;
      if (self->state() == GestureState::Possible && self->isTracking()) self->setState(GestureState::Began);
    }
  });
}

void LongPressGestureRecognizer::touchesMoved(const TouchSet& touches, const Event&) {
  if (state() == GestureState::Possible) {
    for (auto& t : touches) {
      base::Point p = t->windowLocation(), s = t->startLocation();
      if (std::hypot(p.x - s.x, p.y - s.y) > allowableMovement) {
        base::RunLoop::main().cancel(timer_);
        timer_ = 0;
        setState(GestureState::Failed);
        return;
      }
    }
    return;
  }
  if (state() == GestureState::Began || state() == GestureState::Changed) setState(GestureState::Changed);
}

void LongPressGestureRecognizer::touchesEnded(const TouchSet&, const Event&) {
  if (state() == GestureState::Possible) {
    base::RunLoop::main().cancel(timer_);
    timer_ = 0;
    setState(GestureState::Failed);
    return;
  }
  if (numberOfTouches() == 0 && (state() == GestureState::Began || state() == GestureState::Changed))
    setState(GestureState::Ended);
}

void LongPressGestureRecognizer::reset() {
  base::RunLoop::main().cancel(timer_);
  timer_ = 0;
}

}  // namespace ui
