#include "platform/ui/Label.hpp"

#include <algorithm>
#include <cmath>

namespace ui {

Label::Label(const Rect& frame) : View(frame) {
  setBackgroundColor(std::nullopt);
  setOpaque(false);
  setUserInteractionEnabled(false);
}

void Label::setText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  setNeedsDisplay();
}

void Label::setFont(const gfx::Font& font) {
  font_ = font;
  setNeedsDisplay();
}

void Label::setTextColor(const gfx::Color& c) {
  textColor_ = c;
  setNeedsDisplay();
}

void Label::setHighlightedTextColor(std::optional<gfx::Color> c) {
  highlightedTextColor_ = std::move(c);
  setNeedsDisplay();
}

void Label::setTextAlignment(gfx::TextAlignment a) {
  alignment_ = a;
  setNeedsDisplay();
}

void Label::setNumberOfLines(int n) {
  lines_ = std::max(0, n);
  setNeedsDisplay();
}

void Label::setLineBreakMode(gfx::LineBreakMode m) {
  breakMode_ = m;
  setNeedsDisplay();
}

void Label::setAdjustsFontSizeToFitWidth(bool on) {
  adjusts_ = on;
  setNeedsDisplay();
}

void Label::setMinimumFontSize(double s) {
  minimumFontSize_ = std::max(0.0, s);
  setNeedsDisplay();
}

void Label::setMinimumScaleFactor(double f) {
  minimumScale_ = std::clamp(f, 0.0, 1.0);
  setNeedsDisplay();
}

void Label::setShadowColor(std::optional<gfx::Color> c) {
  shadowColor_ = std::move(c);
  setNeedsDisplay();
}

void Label::setShadowOffset(Size s) {
  shadowOffset_ = s;
  setNeedsDisplay();
}

void Label::setEnabled(bool on) {
  enabled_ = on;
  setNeedsDisplay();
}

void Label::setHighlighted(bool on) {
  highlighted_ = on;
  setNeedsDisplay();
}

void Label::setStrikeThrough(bool on) {
  strike_ = on;
  setNeedsDisplay();
}

double Label::actualFontSize() const {
  if (!adjusts_ || text_.empty()) return font_.pointSize();
  double minSize = minimumFontSize_ > 0 ? minimumFontSize_ : font_.pointSize() * minimumScale_;
  if (minSize <= 0) minSize = std::min(font_.pointSize(), 4.0);
  if (lines_ == 1) return gfx::fitFontSize(text_, font_, minSize, bounds().width());
  // Several lines: the largest size at which the text wraps into the lines
  // the label's height allows with no word broken.
  const Rect b = bounds();
  auto& m = gfx::TextMeasurer::current();
  auto fits = [&](double size) {
    const gfx::Font f = font_.withSize(size);
    if (gfx::widestWord(text_, f).width > b.width()) return false;
    const double lh = m.lineHeight(f);
    int room = lh > 0 ? gfx::linesFitting(b.height(), lh) : 1;
    if (lines_ > 0) room = std::min(room, lines_);
    return static_cast<int>(m.layout(text_, f, b.width(), gfx::LineBreakMode::WordWrap, 0).lines.size()) <= room;
  };
  double size = font_.pointSize();
  while (size > minSize && !fits(size)) size = std::max(minSize, size - 0.5);
  return size;
}

gfx::Font Label::effectiveFont() const { return font_.withSize(actualFontSize()); }

Rect Label::textRectForBounds(const Rect& b, int lines) const {
  if (text_.empty()) return {b.x(), b.y(), 0, 0};
  gfx::Font f = effectiveFont();
  auto& m = gfx::TextMeasurer::current();
  double lh = m.lineHeight(f);
  int fit = lh > 0 ? gfx::linesFitting(b.height(), lh) : 1;
  int maxLines = lines > 0 ? std::min(lines, fit) : fit;
  if (b.height() <= 0) maxLines = lines;  // unconstrained height: the line count alone decides
  auto layout = m.layout(text_, f, b.width(), breakMode_, maxLines);
  return {b.x(), b.y(), layout.size.width, layout.size.height};
}

Size Label::sizeThatFits(Size size) const {
  if (text_.empty()) return {0, 0};
  auto& m = gfx::TextMeasurer::current();
  double width = size.width > 0 && lines_ != 1 ? size.width : 0;
  auto layout = m.layout(text_, font_, width, breakMode_, lines_);
  return layout.size;
}

gfx::TextLayout Label::layoutInRect(const Rect& rect, const gfx::Font& f) const {
  auto& m = gfx::TextMeasurer::current();
  double lh = m.lineHeight(f);
  int fit = lh > 0 ? gfx::linesFitting(rect.height(), lh) : 1;
  int maxLines = lines_ > 0 ? std::min(lines_, fit) : fit;
  return m.layout(text_, f, rect.width(), breakMode_, maxLines);
}

std::vector<std::string> Label::shownLines() const {
  std::vector<std::string> out;
  if (text_.empty()) return out;
  for (auto& line : layoutInRect(bounds(), effectiveFont()).lines) out.push_back(std::move(line.text));
  return out;
}

void Label::drawTextInRect(gfx::Context& ctx, const Rect& rect) {
  if (text_.empty()) return;
  gfx::Font f = effectiveFont();
  auto layout = layoutInRect(rect, f);
  // Centred vertically, as the platform's labels are.
  double y = rect.y() + std::floor((rect.height() - layout.size.height) / 2);
  gfx::Color color = textColor_;
  if (highlighted_ && highlightedTextColor_) color = *highlightedTextColor_;
  if (!enabled_) color = color.withAlphaComponent(color.alpha() * 0.44);
  if (shadowColor_ && !highlighted_) {
    ctx.drawTextLayout(layout, {rect.x() + shadowOffset_.width, y + shadowOffset_.height}, rect.width(), f,
                       *shadowColor_, alignment_);
  }
  ctx.drawTextLayout(layout, {rect.x(), y}, rect.width(), f, color, alignment_);
  if (strike_) {
    ctx.save();
    ctx.setStrokeColor(color);
    ctx.setLineWidth(1);
    double ly = y + layout.ascender * 0.65;
    for (const auto& line : layout.lines) {
      double x = rect.x();
      if (alignment_ == gfx::TextAlignment::Center) x += (rect.width() - line.width) / 2;
      if (alignment_ == gfx::TextAlignment::Right) x += rect.width() - line.width;
      ctx.strokeLine({x, ly}, {x + line.width, ly});
      ly += layout.lineHeight;
    }
    ctx.restore();
  }
}

void Label::drawRect(gfx::Context& ctx, const Rect&) { drawTextInRect(ctx, bounds()); }

}  // namespace ui
