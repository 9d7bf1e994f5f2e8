#include "platform/ui/ActivityIndicatorView.hpp"

#include <cmath>

namespace ui {

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorStyle style) : View(Rect{}), style_(style) {
  Size s = sizeThatFits({});
  setFrame({0, 0, s.width, s.height});
  setOpaque(false);
  setBackgroundColor(std::nullopt);
  setUserInteractionEnabled(false);
  setHidden(true);
}

void ActivityIndicatorView::setActivityIndicatorViewStyle(ActivityIndicatorStyle style) {
  style_ = style;
  Size s = sizeThatFits({});
  Point c = center();
  setBounds({0, 0, s.width, s.height});
  setCenter(c);
  setNeedsDisplay();
}

Size ActivityIndicatorView::sizeThatFits(Size) const {
  return style_ == ActivityIndicatorStyle::WhiteLarge ? Size{37, 37} : Size{20, 20};
}

void ActivityIndicatorView::startAnimating() {
  animating_ = true;
  setHidden(false);
}

void ActivityIndicatorView::stopAnimating() {
  animating_ = false;
  if (hidesWhenStopped_) setHidden(true);
}

void ActivityIndicatorView::setHidesWhenStopped(bool on) {
  hidesWhenStopped_ = on;
  if (!animating_) setHidden(on);
}

void ActivityIndicatorView::drawRect(gfx::Context& ctx, const Rect&) {
  gfx::Color c = color_.value_or(style_ == ActivityIndicatorStyle::Gray ? gfx::Color::gray() : gfx::Color::white());
  Rect b = bounds();
  double r = std::min(b.width(), b.height()) / 2;
  Point mid{b.midX(), b.midY()};
  ctx.setLineWidth(r / 5);
  ctx.setLineCap(gfx::LineCap::Round);
  for (int i = 0; i < 12; ++i) {
    double a = i * M_PI / 6;
    ctx.setStrokeColor(c.withAlphaComponent(c.alpha() * (0.25 + 0.75 * i / 11.0)));
    ctx.strokeLine({mid.x + std::cos(a) * r * 0.45, mid.y + std::sin(a) * r * 0.45},
                   {mid.x + std::cos(a) * r * 0.9, mid.y + std::sin(a) * r * 0.9});
  }
}

}  // namespace ui
