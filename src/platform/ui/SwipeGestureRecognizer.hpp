#pragma once
#include "platform/ui/GestureRecognizer.hpp"

namespace ui {

enum SwipeDirection : unsigned { SwipeRight = 1, SwipeLeft = 2, SwipeUp = 4, SwipeDown = 8 };

// Recognises a quick stroke: at least 30 points along an allowed direction
// within 0.5 s, mostly along that axis.
class SwipeGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;

  unsigned direction = SwipeRight;
  int numberOfTouchesRequired = 1;

  static constexpr double kMinimumDistance = 30;
  static constexpr double kMaximumDuration = 0.5;

 protected:
  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void reset() override;

 private:
  bool check(const Event& event);
  double startTime_ = 0;
  base::Point start_;
  std::size_t mostTouches_ = 0;
};

}  // namespace ui
