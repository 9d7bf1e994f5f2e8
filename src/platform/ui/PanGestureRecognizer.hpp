#pragma once
#include <vector>

#include "platform/ui/GestureRecognizer.hpp"

namespace ui {

// Begins once the fingers have moved 10 points, then reports the translation
// from the touch-down point (or from where `setTranslation` put it).
class PanGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;

  std::size_t minimumNumberOfTouches = 1;
  std::size_t maximumNumberOfTouches = 1000;

  static constexpr double kHysteresis = 10;
  // The velocity is the fingers' travel over about this many seconds
  // before the latest touch event.
  static constexpr double kVelocitySpan = 0.1;

  base::Point translationInView(const View* v) const;
  void setTranslation(base::Point translation, const View* v);
  // Points per second over the last moves: from the latest touch event back
  // to the newest place the fingers had at least `kVelocitySpan` before it
  // (or to the first place, when the pan is younger). Fingers that rested
  // that long before lifting have no velocity.
  base::Point velocityInView(const View* v) const;

 protected:
  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void reset() override;

 private:
  struct Sample {
    double time;
    base::Point at;
  };
  base::Point centroid() const;
  // Notes where the centroid is at `time`, keeping what the velocity needs.
  void sample(double time);
  base::Point origin_;     // window point the translation counts from
  base::Point current_;    // window centroid now
  // Window centroids by time, oldest first; a finger joining or lifting
  // shifts the centroid, so the samples start again there.
  std::vector<Sample> samples_;
};

}  // namespace ui
