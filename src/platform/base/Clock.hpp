#pragma once
#include <atomic>
#include <memory>

namespace base {

// Where the run loop reads the time. Seconds as a double; the real clock counts
// from an arbitrary start, so only differences are meaningful. Wall-clock dates
// come from `Date::now()`, which follows the same clock when it is virtual.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual double now() const = 0;
  // Seconds since 1970 at `now()`.
  virtual double wallNow() const = 0;
  virtual bool isVirtual() const { return false; }
};

class RealClock : public Clock {
 public:
  double now() const override;
  double wallNow() const override;
};

// A clock that only moves when a test advances it. Starts at a fixed date so
// tests that format "now" are reproducible unless they set another.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(double wallStart = 1780000000.0) : wallStart_(wallStart) {}
  double now() const override { return now_.load(); }
  double wallNow() const override { return wallStart_ + now_.load(); }
  bool isVirtual() const override { return true; }
  void advanceBy(double seconds) { now_.store(now_.load() + seconds); }
  void setWallStart(double wallStart) { wallStart_ = wallStart; }

 private:
  std::atomic<double> now_{0.0};
  double wallStart_;
};

}  // namespace base
