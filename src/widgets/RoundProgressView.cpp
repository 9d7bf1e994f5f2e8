#include "widgets/RoundProgressView.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mv {

RoundProgressView::RoundProgressView(const ui::Rect& frame) : ui::View(frame) {
  setBackgroundColor(gfx::Color::clear());
  setOpaque(false);
}

void RoundProgressView::setProgress(float progress) {
  progress_ = progress;
  setNeedsDisplay();
}

void RoundProgressView::setAnnular(bool annular) {
  annular_ = annular;
  setNeedsDisplay();
}

void RoundProgressView::setProgressTintColor(const gfx::Color& color) {
  progressTintColor_ = color;
  setNeedsDisplay();
}

void RoundProgressView::setBackgroundTintColor(const gfx::Color& color) {
  backgroundTintColor_ = color;
  setNeedsDisplay();
}

void RoundProgressView::drawRect(gfx::Context& ctx, const ui::Rect&) {
  const ui::Rect b = bounds();
  const double pi = std::numbers::pi;
  // A progress outside 0..1 (or not a number) draws as its nearest end.
  double p = std::isnan(progress_) ? 0.0 : std::clamp(static_cast<double>(progress_), 0.0, 1.0);
  const double start = -pi / 2;
  if (annular_) {
    const double lineWidth = 5;
    const ui::Point center{b.width() / 2, b.height() / 2};
    const double radius = (b.width() - lineWidth) / 2;
    ctx.save();
    ctx.setLineWidth(lineWidth);
    ctx.setLineCap(gfx::LineCap::Round);
    ctx.beginPath();
    ctx.arc(center, radius, start, start + 2 * pi, true);
    ctx.setStrokeColor(backgroundTintColor_);
    ctx.strokePath();
    if (p > 0) {
      ctx.beginPath();
      ctx.arc(center, radius, start, start + 2 * pi * p, true);
      ctx.setStrokeColor(progressTintColor_);
      ctx.strokePath();
    }
    ctx.restore();
    return;
  }
  const ui::Rect circle = b.inset(2, 2);
  ctx.save();
  ctx.setStrokeColor(progressTintColor_);
  ctx.setFillColor(backgroundTintColor_);
  ctx.setLineWidth(2);
  ctx.fillEllipse(circle);
  ctx.strokeEllipse(circle);
  if (p > 0) {
    const ui::Point center{b.width() / 2, b.height() / 2};
    ctx.setFillColor(gfx::Color::white());
    ctx.beginPath();
    ctx.moveTo(center);
    ctx.arc(center, (b.width() - 4) / 2, start, start + 2 * pi * p, true);
    ctx.closePath();
    ctx.fillPath();
  }
  ctx.restore();
}

}  // namespace mv
