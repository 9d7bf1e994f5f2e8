#include "platform/ui/Switch.hpp"

#include "platform/ui/Touch.hpp"

namespace ui {

Switch::Switch(const Rect& frame) : Control({frame.x(), frame.y(), 51, 31}) {
  setOpaque(false);
  setBackgroundColor(std::nullopt);
}

void Switch::setFrame(const Rect& frame) { Control::setFrame({frame.x(), frame.y(), 51, 31}); }

void Switch::setOn(bool on, bool) {
  if (on_ == on) return;
  on_ = on;
  setNeedsDisplay();
}

void Switch::endTracking(const Touch* touch, const Event* event) {
  if (!touch || !isEnabled()) return;
  if (!bounds().inset(-kTrackingSlop, -kTrackingSlop).contains(touch->locationInView(this))) return;
  on_ = !on_;
  setNeedsDisplay();
  sendActionsForControlEvents(ControlEventValueChanged, event);
}

void Switch::drawRect(gfx::Context& ctx, const Rect&) {
  Rect b = bounds().inset(0.5, 0.5);
  gfx::Color track = on_ ? onTint_.value_or(gfx::Color::rgb255(76, 217, 100)) : gfx::Color::white(0.9);
  ctx.setFillColor(track);
  ctx.fillRoundedRect(b, b.height() / 2);
  ctx.setStrokeColor(gfx::Color::white(0.8));
  ctx.strokeRoundedRect(b, b.height() / 2);
  double d = b.height() - 2;
  double x = on_ ? b.maxX() - d - 1 : b.x() + 1;
  ctx.setFillColor(thumbTint_.value_or(gfx::Color::white()));
  ctx.fillEllipse({x, b.y() + 1, d, d});
  ctx.strokeEllipse({x, b.y() + 1, d, d});
}

}  // namespace ui
