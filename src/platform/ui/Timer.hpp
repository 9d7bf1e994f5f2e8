#pragma once
#include <functional>
#include <memory>

#include "platform/base/RunLoop.hpp"
#include "platform/base/Value.hpp"

namespace ui {

// A timer on the main loop that stays scheduled (and alive) until it fires
// for the last time or is invalidated.
class Timer : public std::enable_shared_from_this<Timer> {
 public:
  using Callback = std::function<void(Timer&)>;

  static std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats, Callback callback,
                                               base::Value userInfo = {});
  ~Timer();

  void invalidate();
  bool isValid() const { return id_ != 0; }
  // Runs the callback now; a one-shot timer is then invalidated.
  void fire();
  double timeInterval() const { return interval_; }
  bool repeats() const { return repeats_; }
  const base::Value& userInfo() const { return userInfo_; }

  Timer(double interval, bool repeats, Callback callback, base::Value userInfo);

 private:
  double interval_;
  bool repeats_;
  Callback callback_;
  base::Value userInfo_;
  base::TimerId id_ = 0;
};

}  // namespace ui
