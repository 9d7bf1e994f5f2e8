#include <algorithm>
#include <cmath>
#include <string_view>

#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/TextField.hpp"
#include "platform/ui/TextMetrics.hpp"

// Where the field's line of text stands: the text as shown (dots for secure
// text, an input method's composition in place of the selection), the
// caret, the selection and the composition measured along it.
namespace ui {

namespace {

constexpr double kCaretWidth = 2;
constexpr std::string_view kDot = "\u25CF";

std::string dots(std::string_view text) {
  std::string out;
  for (std::size_t i = 0, n = gfx::utf8Length(text); i < n; ++i) out += kDot;
  return out;
}

}  // namespace

std::string TextField::displayText() const { return secure_ ? dots(text_) : text_; }

std::size_t TextField::shownOffset(std::size_t textIndex) const {
  textIndex = std::min(textIndex, text_.size());
  return secure_ ? kDot.size() * gfx::utf8Length(std::string_view(text_).substr(0, textIndex)) : textIndex;
}

std::string TextField::shownText() const {
  std::string shown = displayText();
  const std::string& marked = sel_.marked();
  if (marked.empty()) return shown;
  const std::size_t from = shownOffset(sel_.range().location);
  return shown.replace(from, shownOffset(sel_.range().end()) - from, secure_ ? dots(marked) : marked);
}

TextRange TextField::shownMarked() const {
  const std::string& marked = sel_.marked();
  if (marked.empty()) return {};
  return {shownOffset(sel_.range().location), secure_ ? kDot.size() * gfx::utf8Length(marked) : marked.size()};
}

std::size_t TextField::shownCaret() const {
  if (sel_.marked().empty()) return shownOffset(sel_.activeEnd());
  const std::string_view typed = std::string_view(sel_.marked()).substr(0, sel_.markedCaret());
  return shownOffset(sel_.range().location) + (secure_ ? kDot.size() * gfx::utf8Length(typed) : typed.size());
}

Rect TextField::textRoom() const { return editing_ ? editingRectForBounds(bounds()) : textRectForBounds(bounds()); }

double TextField::lineY(const Rect& room, double lineHeight) const {
  if (contentVerticalAlignment() == ContentVerticalAlignment::Center)
    return room.y() + std::round((room.height() - lineHeight) / 2);
  if (contentVerticalAlignment() == ContentVerticalAlignment::Bottom) return room.maxY() - lineHeight;
  return room.y();
}

double TextField::textScrollOffset() const {
  const Rect room = textRoom();
  const gfx::Font f = drawingFont();
  const std::string shown = shownText();
  const double width = textWidth(shown, f);
  if (!editing_ || width + kCaretWidth <= room.width()) {
    scroll_ = 0;
    return 0;
  }
  // Only as far as keeps the caret in the room, never past the text's end.
  const double caret = textWidth(std::string_view(shown).substr(0, shownCaret()), f);
  scroll_ = std::min(scroll_, caret);
  scroll_ = std::max(scroll_, caret + kCaretWidth - room.width());
  scroll_ = std::max(0.0, std::min(scroll_, width + kCaretWidth - room.width()));
  return scroll_;
}

double TextField::textOriginX(const Rect& room, double width) const {
  // While editing, the caret's width is room the text leaves free.
  const double caret = editing_ ? kCaretWidth : 0;
  if (editing_ && width + caret > room.width()) return room.x() - textScrollOffset();
  switch (alignment_) {
    case gfx::TextAlignment::Center: return room.x() + (room.width() - width) / 2;
    case gfx::TextAlignment::Right: return room.maxX() - width - caret;
    default: return room.x();
  }
}

double TextField::shownX(std::size_t shownIndex) const {
  const gfx::Font f = drawingFont();
  const std::string shown = shownText();
  const double origin = textOriginX(textRoom(), textWidth(shown, f));
  return origin + textWidth(std::string_view(shown).substr(0, std::min(shownIndex, shown.size())), f);
}

void TextField::drawTextInRect(gfx::Context& ctx, const Rect& rect) {
  const gfx::Font f = drawingFont();
  const double h = f.lineHeight();
  const double y = lineY(rect, h);
  const gfx::Color c = isEnabled() ? textColor_ : textColor_.withAlphaComponent(textColor_.alpha() * 0.5);
  const std::string shown = shownText();
  const double x = textOriginX(rect, textWidth(shown, f));
  // Text longer than its room is cut at the room's edge, never drawn under
  // the clear button or past the border.
  ctx.save();
  ctx.clipToRect(rect);
  // A text scrolled along is drawn from the character at the room's left
  // edge: drawing lays out no more than a box's worth from where it starts.
  std::size_t from = 0;
  if (x < rect.x()) from = previousCodePoint(shown, offsetNearestX(shown, f, x, rect.x()));
  ctx.drawText(std::string_view(shown).substr(from), Point{x + textWidth(std::string_view(shown).substr(0, from), f), y},
               f, c);
  if (const TextRange marked = shownMarked(); marked.length > 0) {
    // The composition is underlined until the input method commits it.
    const double left = x + textWidth(std::string_view(shown).substr(0, marked.location), f);
    const double right = x + textWidth(std::string_view(shown).substr(0, marked.end()), f);
    ctx.setFillColor(c);
    ctx.fillRect({left, y + h - 1, right - left, 1});
  }
  ctx.restore();
}

Rect TextField::caretRect() const {
  if (!editing_) return {};
  const Rect room = textRoom();
  const double h = drawingFont().lineHeight();
  double x = shownX(shownCaret());
  if (text_.empty() && sel_.marked().empty()) {
    // Where the alignment starts an empty line.
    if (alignment_ == gfx::TextAlignment::Center) x = room.midX() - kCaretWidth / 2;
    if (alignment_ == gfx::TextAlignment::Right) x = room.maxX() - kCaretWidth;
  }
  x = std::max(room.x(), std::min(x, room.maxX() - kCaretWidth));
  return {x, lineY(room, h), kCaretWidth, h};
}

Rect TextField::selectionRect() const {
  const TextRange selected = sel_.range();
  if (!editing_ || selected.length == 0 || !sel_.marked().empty()) return {};
  const Rect room = textRoom();
  const double h = drawingFont().lineHeight();
  const double left = std::max(room.x(), shownX(shownOffset(selected.location)));
  const double right = std::min(room.maxX(), shownX(shownOffset(selected.end())));
  if (right <= left) return {};
  return {left, lineY(room, h), right - left, h};
}

std::size_t TextField::textIndexAtPoint(Point p) const {
  const gfx::Font f = drawingFont();
  const std::string shown = displayText();
  const std::size_t at = offsetNearestX(shown, f, textOriginX(textRoom(), textWidth(shownText(), f)), p.x);
  if (!secure_) return at;
  return gfx::utf8Prefix(text_, at / kDot.size()).size();
}

Rect TextField::caretRectInWindow() const { return editing_ ? convertRectToView(caretRect(), nullptr) : Rect{}; }

}  // namespace ui
