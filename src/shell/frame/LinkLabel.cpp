#include "shell/frame/LinkLabel.hpp"

#include "platform/gfx/TextMeasurer.hpp"

namespace mv {

LinkLabel::LinkLabel(const ui::Rect& frame) : ui::Label(frame) {
  setLineBreakMode(gfx::LineBreakMode::TailTruncation);
  setFont(gfx::Font::fontWithName("Verdana-Italic", 18).value_or(gfx::Font::italicSystemFont(18)));
  setBackgroundColor(gfx::Color::clear());
  setUserInteractionEnabled(true);
  setNumberOfLines(0);
  setHighlightedTextColor(gfx::Color::blue());
}

std::pair<ui::Point, ui::Point> LinkLabel::underline() const {
  const ui::Rect b = bounds();
  const std::string shown =
      gfx::TextMeasurer::current().truncate(text(), font(), b.width(), gfx::LineBreakMode::TailTruncation);
  const double w = std::min(gfx::sizeWithFont(shown, font()).width, b.width());
  const double y = b.height() - 10;
  if (textAlignment() == gfx::TextAlignment::Right) return {{b.x() + b.width() - w, y}, {b.x() + b.width(), y}};
  return {{0, y}, {w, y}};
}

void LinkLabel::drawRect(gfx::Context& ctx, const ui::Rect& rect) {
  ui::Label::drawRect(ctx, rect);
  if (text().empty()) return;
  const gfx::Color color = isHighlighted() && highlightedTextColor() ? *highlightedTextColor() : textColor();
  auto [from, to] = underline();
  ctx.setStrokeColor(color);
  ctx.setLineWidth(1);
  ctx.strokeLine(from, to);
}

void LinkLabel::touchesBegan(const ui::TouchSet&, const ui::Event&) {
  setHighlighted(true);
  setNeedsDisplay();
}

void LinkLabel::touchesEnded(const ui::TouchSet&, const ui::Event&) { touchFinished(); }

void LinkLabel::touchesCancelled(const ui::TouchSet&, const ui::Event&) { touchFinished(); }

void LinkLabel::touchFinished() {
  auto keep = self();
  setHighlighted(false);
  setNeedsDisplay();
  if (auto d = delegate()) d->linkLabelTouche(*this, tag());
}

}  // namespace mv
