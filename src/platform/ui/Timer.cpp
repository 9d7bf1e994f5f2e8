#include "platform/ui/Timer.hpp"

namespace ui {

Timer::Timer(double interval, bool repeats, Callback callback, base::Value userInfo)
    : interval_(interval > 0 ? interval : 1e-4), repeats_(repeats), callback_(std::move(callback)),
      userInfo_(std::move(userInfo)) {}

Timer::~Timer() { base::RunLoop::main().cancel(id_); }

std::shared_ptr<Timer> Timer::scheduledTimer(double interval, bool repeats, Callback callback, base::Value userInfo) {
  auto t = std::make_shared<Timer>(interval, repeats, std::move(callback), std::move(userInfo));
  // The loop holds the timer while it is scheduled.
  std::shared_ptr<Timer> held = t;
  auto task = [held] { held->fire(); };
  t->id_ = repeats ? base::RunLoop::main().every(t->interval_, task) : base::RunLoop::main().after(t->interval_, task);
  return t;
}

void Timer::invalidate() {
  base::TimerId id = id_;
  id_ = 0;
  // Cancelling drops the loop's hold on the timer, which may be its last owner.
  auto keep = weak_from_this().lock();
  base::RunLoop::main().cancel(id);
}

void Timer::fire() {
  if (!isValid()) return;
  auto keep = shared_from_this();
  if (!repeats_) {
    auto cb = callback_;
    invalidate();
    if (cb) cb(*this);
    return;
  }
  if (callback_) {
    auto cb = callback_;
    cb(*this);
  }
}

}  // namespace ui
