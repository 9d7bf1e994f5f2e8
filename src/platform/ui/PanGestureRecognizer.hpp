#pragma once
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

  base::Point translationInView(const View* v) const;
  void setTranslation(base::Point translation, const View* v);
  // Points per second over the last move.
  base::Point velocityInView(const View* v) const;

 protected:
  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void reset() override;

 private:
  base::Point centroid() const;
  base::Point origin_;     // window point the translation counts from
  base::Point current_;    // window centroid now
  base::Point velocity_;   // window points per second
  double lastTime_ = 0;
};

}  // namespace ui
