#pragma once
// The page bar's touch strip: `value` is the x of the finger in the strip,
// kept within it.
#include "platform/ui/Control.hpp"

namespace mv {

class ReaderTrackControl : public ui::Control {
 public:
  explicit ReaderTrackControl(const ui::Rect& frame);
  double value() const { return value_; }
  // Clamped to [bounds x, bounds width - 1].
  double limitValue(double x) const;

  bool beginTracking(const ui::Touch& touch, const ui::Event& event) override;
  bool continueTracking(const ui::Touch& touch, const ui::Event& event) override;
  void endTracking(const ui::Touch* touch, const ui::Event* event) override;

 private:
  double value_ = 0;
};

}  // namespace mv
