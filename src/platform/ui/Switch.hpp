#pragma once
#include "platform/ui/Control.hpp"

namespace ui {

// An on/off switch of fixed size (51 x 31); a tap flips it and sends
// value-changed. Setting it in code sends nothing.
class Switch : public Control {
 public:
  explicit Switch(const Rect& frame = {});

  bool isOn() const { return on_; }
  void setOn(bool on, bool animated = false);
  const std::optional<gfx::Color>& onTintColor() const { return onTint_; }
  void setOnTintColor(std::optional<gfx::Color> c) { onTint_ = std::move(c); setNeedsDisplay(); }
  const std::optional<gfx::Color>& thumbTintColor() const { return thumbTint_; }
  void setThumbTintColor(std::optional<gfx::Color> c) { thumbTint_ = std::move(c); setNeedsDisplay(); }

  void setFrame(const Rect& frame) override;
  Size sizeThatFits(Size /*size*/) const override {  return {51, 31}; }
  void endTracking(const Touch* touch, const Event* event) override;
  void drawRect(gfx::Context& ctx, const Rect& rect) override;

 private:
  bool on_ = false;
  std::optional<gfx::Color> onTint_, thumbTint_;
};

}  // namespace ui
