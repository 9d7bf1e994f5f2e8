#pragma once
#include "platform/base/RunLoop.hpp"
#include "platform/ui/GestureRecognizer.hpp"

namespace ui {

// Begins once the fingers have stayed down for the minimum duration without
// moving beyond the allowable movement; changes as they move; ends on lift.
class LongPressGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;
  ~LongPressGestureRecognizer() override;

  double minimumPressDuration = 0.5;
  int numberOfTouchesRequired = 1;
  double allowableMovement = 10;

 protected:
  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void reset() override;

 private:
  base::TimerId timer_ = 0;
};

}  // namespace ui
