#include "shell/session/AutoInputTextField.hpp"

namespace mv {

AutoInputTextField::AutoInputTextField(const ui::Rect& frame) : ui::TextField(frame) {}

void AutoInputTextField::showAutoText(const std::optional<std::string>& text, double pointX) {
  x_ = pointX;
  autoTextStr_ = text;
  if (!isShowingSuggestion()) candidate_.clear();
  setNeedsDisplay();
}

void AutoInputTextField::drawRect(gfx::Context& ctx, const ui::Rect& rect) {
  ui::TextField::drawRect(ctx, rect);
  if (!isShowingSuggestion()) return;
  const ui::Rect text = textRectForBounds(bounds());
  ctx.drawText(*autoTextStr_, ui::Point{text.x() + x_, kSuggestionY}, font(),
               gfx::Color::rgb255(128, 128, 128, 1));
}

}  // namespace mv
