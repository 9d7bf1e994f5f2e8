#include "platform/ui/ProgressView.hpp"

#include <algorithm>
#include <cmath>

namespace ui {

ProgressView::ProgressView(ProgressViewStyle style) : View(Rect{0, 0, 150, 2}), style_(style) {
  setOpaque(false);
  setBackgroundColor(std::nullopt);
}

ProgressView::ProgressView(const Rect& frame) : View(frame) {
  setOpaque(false);
  setBackgroundColor(std::nullopt);
}

void ProgressView::setProgress(double progress, bool) {
  if (std::isnan(progress)) progress = 0;
  progress_ = std::clamp(progress, 0.0, 1.0);
  setNeedsDisplay();
}

void ProgressView::drawRect(gfx::Context& ctx, const Rect&) {
  Rect b = bounds();
  if (trackImage_)
    ctx.drawImage(*trackImage_, b);
  else {
    ctx.setFillColor(trackTint_.value_or(style_ == ProgressViewStyle::Bar ? gfx::Color::clear() : gfx::Color::white(0.72)));
    ctx.fillRect(b);
  }
  Rect filled{b.x(), b.y(), b.width() * progress_, b.height()};
  if (filled.width() <= 0) return;
  if (progressImage_)
    ctx.drawImage(*progressImage_, filled);
  else {
    ctx.setFillColor(progressTint_.value_or(tintColor().value_or(gfx::Color::rgb255(0, 122, 255))));
    ctx.fillRect(filled);
  }
}

}  // namespace ui
