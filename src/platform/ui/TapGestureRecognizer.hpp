#pragma once
#include "platform/base/RunLoop.hpp"
#include "platform/ui/GestureRecognizer.hpp"

namespace ui {

// Recognises when the required number of fingers has tapped the required
// number of times without moving more than 10 points; a next tap must begin
// within 0.35 s of the last one ending.
class TapGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;
  ~TapGestureRecognizer() override;

  int numberOfTapsRequired = 1;
  int numberOfTouchesRequired = 1;

  bool yieldsToControls() const override { return numberOfTapsRequired == 1 && numberOfTouchesRequired == 1; }
  base::Point locationInView(const View* v) const override;

  static constexpr double kMaximumTapInterval = 0.35;
  static constexpr double kAllowableMovement = 10;

 protected:
  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void reset() override;

 private:
  int taps_ = 0;
  std::size_t mostTouches_ = 0;
  base::TimerId timer_ = 0;
  base::Point location_;
};

}  // namespace ui
