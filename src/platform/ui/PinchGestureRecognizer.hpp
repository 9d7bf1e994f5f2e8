#pragma once
#include "platform/ui/GestureRecognizer.hpp"

namespace ui {

// Two fingers moving apart or together: the scale is the fingers' distance
// now over their distance when they came down (or when `setScale` rebased
// it). Begins once the distance has changed by 8 points.
class PinchGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;

  double scale() const { return scale_; }
  void setScale(double scale);
  // Scale change per second over the last move.
  double velocity() const { return velocity_; }

  static constexpr double kHysteresis = 8;

 protected:
  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void reset() override;

 private:
  double distance() const;
  double initialDistance_ = 0;
  double scale_ = 1;
  double velocity_ = 0;
  double lastTime_ = 0;
};

}  // namespace ui
