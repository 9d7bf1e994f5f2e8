#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/base/NotificationCenter.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/TextMetrics.hpp"
#include "platform/ui/TextView.hpp"
#include "platform/ui/Touch.hpp"

// The text view's lines as drawn, the caret and the selection along them,
// and what the user does to the text: typing, deleting, the caret and
// selection keys, the clipboard, an input method's composition, and the
// presses, drags and double taps that place the caret or select.
namespace ui {

namespace {
constexpr double kCaretWidth = 2;
}  // namespace

// --- the lines ---------------------------------------------------------------------

std::string TextView::shownText() const {
  if (sel_.marked().empty()) return text_;
  return std::string(text_).replace(sel_.range().location, sel_.range().length, sel_.marked());
}

std::size_t TextView::shownCaret() const {
  return sel_.marked().empty() ? sel_.activeEnd() : sel_.range().location + sel_.markedCaret();
}

std::vector<TextView::Line> TextView::shownLines(const std::string& shown) const {
  const double width = std::max(0.0, bounds().width() - textInset_.left - textInset_.right);
  const double h = font_.lineHeight();
  auto wrapped = gfx::TextMeasurer::current().wrapMeasured(shown, font_, width, gfx::LineBreakMode::WordWrap);
  auto originX = [&](double lineWidth) {
    switch (alignment_) {
      case gfx::TextAlignment::Center: return textInset_.left + (width - lineWidth) / 2;
      case gfx::TextAlignment::Right: return textInset_.left + width - lineWidth;
      default: return textInset_.left;
    }
  };
  std::vector<Line> lines;
  std::size_t pos = 0;
  for (const auto& wrappedLine : wrapped.lines) {
    // A line starts where the one before ended, past the blanks a wrap
    // dropped between them.
    std::size_t start = pos;
    while (start < shown.size() && shown.compare(start, wrappedLine.text.size(), wrappedLine.text) != 0) ++start;
    if (start >= shown.size()) start = std::min(pos, shown.size());
    const double y = textInset_.top + h * static_cast<double>(lines.size());
    lines.push_back({start, std::min(start + wrappedLine.text.size(), shown.size()), originX(wrappedLine.width), y});
    pos = lines.back().end;
    if (pos < shown.size() && shown[pos] == '\n') ++pos;
  }
  // A line break at the very end (or no text at all) opens an empty line.
  if (lines.empty() || (shown.back() == '\n' && lines.back().end < shown.size()))
    lines.push_back({shown.size(), shown.size(), originX(0), textInset_.top + h * static_cast<double>(lines.size())});
  return lines;
}

std::size_t TextView::lineOf(const std::vector<Line>& lines, std::size_t shownIndex) {
  std::size_t k = 0;
  while (k + 1 < lines.size() && lines[k + 1].start <= shownIndex) ++k;
  return k;
}

Point TextView::placeOf(const std::string& shown, const Line& line, std::size_t shownIndex) const {
  const std::size_t to = std::clamp(shownIndex, line.start, line.end);
  return {line.x + textWidth(std::string_view(shown).substr(line.start, to - line.start), font_), line.y};
}

Rect TextView::caretRect() const {
  if (!editing_) return {};
  const std::string shown = shownText();
  const auto lines = shownLines(shown);
  const std::size_t caret = shownCaret();
  const Point p = placeOf(shown, lines[lineOf(lines, caret)], caret);
  const double right = std::max(textInset_.left, bounds().width() - textInset_.right - kCaretWidth);
  return {std::min(p.x, right), p.y, kCaretWidth, font_.lineHeight()};
}

std::vector<Rect> TextView::rectsOf(TextRange range) const {
  std::vector<Rect> out;
  if (range.length == 0) return out;
  const std::string shown = shownText();
  for (const Line& line : shownLines(shown)) {
    if (line.end < range.location || line.start >= range.end()) continue;
    const double left = placeOf(shown, line, std::max(line.start, range.location)).x;
    double right = placeOf(shown, line, std::min(line.end, range.end())).x;
    // A selected line break shows as a little room after the line.
    if (range.end() > line.end) right += font_.pointSize() / 3;
    if (right > left) out.push_back({left, line.y, right - left, font_.lineHeight()});
  }
  return out;
}

std::vector<Rect> TextView::selectionRects() const {
  if (!editing_ || !sel_.marked().empty()) return {};
  return rectsOf(sel_.range());
}

std::size_t TextView::textIndexAtPoint(Point p) const {
  const auto lines = shownLines(text_);
  const double row = std::floor((p.y - textInset_.top) / font_.lineHeight());
  const auto k = static_cast<std::size_t>(std::clamp(row, 0.0, static_cast<double>(lines.size() - 1)));
  const Line& line = lines[k];
  return line.start +
         offsetNearestX(std::string_view(text_).substr(line.start, line.end - line.start), font_, line.x, p.x);
}

Rect TextView::caretRectInWindow() const {
  return editing_ ? content_->convertRectToView(caretRect(), nullptr) : Rect{};
}

void TextView::scrollCaretToVisible() {
  const Rect caret = caretRect();
  if (caret.isEmpty()) return;
  scrollRectToVisible({caret.x(), caret.y(), caret.width(), caret.height() + textInset_.bottom}, false);
}

// --- the caret and the selection ---------------------------------------------------------

void TextView::moveCaretTo(std::size_t index, bool extend) {
  sel_.moveTo(text_, index, extend);
  selectionChanged();
}

void TextView::selectionChanged() {
  if (auto d = delegate()) d->textViewDidChangeSelection(*this);
  content_->setNeedsDisplay();
  scrollCaretToVisible();
}

std::size_t TextView::verticalMove(std::size_t index, int direction) {
  const auto lines = shownLines(text_);
  const std::size_t k = lineOf(lines, index);
  if (!goalX_) goalX_ = placeOf(text_, lines[k], index).x;
  if (direction < 0 && k == 0) return 0;
  if (direction > 0 && k + 1 >= lines.size()) return text_.size();
  const Line& to = lines[direction < 0 ? k - 1 : k + 1];
  return to.start + offsetNearestX(std::string_view(text_).substr(to.start, to.end - to.start), font_, to.x, *goalX_);
}

bool TextView::pressKey(EditingKey key, bool shift) {
  if (!editing_) return false;
  const std::size_t caret = sel_.activeEnd();
  // Only Up and Down keep aiming at the place they started from.
  if (key != EditingKey::Up && key != EditingKey::Down) goalX_.reset();
  switch (key) {
    case EditingKey::Left:
    case EditingKey::Right: {
      key == EditingKey::Left ? sel_.moveLeft(text_, shift) : sel_.moveRight(text_, shift);
      selectionChanged();
      break;
    }
    case EditingKey::Up:
    case EditingKey::Down: moveCaretTo(verticalMove(caret, key == EditingKey::Up ? -1 : 1), shift); break;
    case EditingKey::Home:
    case EditingKey::End: {
      const auto lines = shownLines(text_);
      const Line& line = lines[lineOf(lines, caret)];
      moveCaretTo(key == EditingKey::Home ? line.start : line.end, shift);
      break;
    }
    case EditingKey::Delete:
      if (const TextRange r = sel_.forwardDeletion(text_); r.length > 0) replace(r, "");
      break;
    case EditingKey::Tab: return false;
  }
  return true;
}

bool TextView::selectAll() {
  if (!editing_) return false;
  setSelectedRange({0, text_.size()});
  content_->setNeedsDisplay();
  return true;
}

bool TextView::extendSelectionTo(Point windowPoint) {
  if (!editing_ || !sel_.marked().empty()) return false;
  moveCaretTo(textIndexAtPoint(content_->convertPointFromView(windowPoint, nullptr)), true);
  return true;
}

// --- edits -------------------------------------------------------------------------------

bool TextView::replace(TextRange range, const std::string& text) {
  auto keep = self();
  if (auto d = delegate(); d && !d->textViewShouldChangeTextInRange(*this, range, text)) return false;
  if (range.location > text_.size()) return false;
  range.length = std::min(range.length, text_.size() - range.location);
  text_.replace(range.location, range.length, text);
  sel_.select(text_, {range.location + text.size(), 0});
  goalX_.reset();
  relayoutText();
  if (auto d = delegate()) d->textViewDidChange(*this);
  base::NotificationCenter::defaultCenter().post(TextDidChangeNotification, this);
  scrollCaretToVisible();
  return true;
}

void TextView::insertText(const std::string& typed) {
  if (!editing_) return;
  // What an input method commits takes the place of its composition.
  if (!sel_.marked().empty()) {
    sel_.setMarked("", 0, false);
    relayoutText();
  }
  paste(typed);
}

void TextView::paste(const std::string& typed) {
  if (!editing_ || typed.empty()) return;
  std::string text = sanitizeTypedText(typed);
  std::replace(text.begin(), text.end(), '\r', '\n');
  setSelectedRange(sel_.range());
  // Past the input's room only what fits goes in; nothing at all when nothing fits.
  const bool typedAny = !text.empty();
  const std::string fitted = fitting(std::move(text), text_.size(), sel_.range().length, this);
  if (typedAny && fitted.empty()) return;
  replace(sel_.range(), fitted);
}

void TextView::deleteBackward() {
  if (!editing_) return;
  if (const TextRange r = sel_.backwardDeletion(text_); r.length > 0) replace(r, "");
}

std::optional<std::string> TextView::copySelection() const {
  if (!editing_) return std::nullopt;
  return sel_.selectedText(text_);
}

std::optional<std::string> TextView::cutSelection() {
  auto cut = copySelection();
  if (!cut || !replace(sel_.range(), "")) return std::nullopt;
  return cut;
}

void TextView::setMarkedText(const std::string& text, std::size_t caret) {
  if (!editing_) return;
  sel_.setMarked(text, caret, false);
  relayoutText();
  scrollCaretToVisible();
}

// --- presses and drags ----------------------------------------------------------------------

void TextView::touchesBegan(const TouchSet& touches, const Event& event) {
  auto keep = self();
  sel_.endDrag();
  if (!editable_ && !selectable_) ScrollView::touchesBegan(touches, event);
  askedOnPress_ = editable_ && !editing_ && !touches.empty() && beginsEditingOnPress(*this);
  if (askedOnPress_) becomeFirstResponder();
  if (!editing_ || touches.empty() || !sel_.marked().empty()) return;
  const Touch& touch = *touches.front();
  sel_.press(text_, textIndexAtPoint(touch.locationInView(content_.get())), touch.tapCount());
  selectionChanged();
}

void TextView::touchesMoved(const TouchSet& touches, const Event& event) {
  if (!editable_ && !selectable_) ScrollView::touchesMoved(touches, event);
  if (!editing_ || !sel_.isDragging() || touches.empty()) return;
  sel_.dragTo(text_, textIndexAtPoint(touches.front()->locationInView(content_.get())));
  selectionChanged();
}

void TextView::touchesEnded(const TouchSet& touches, const Event& event) {
  sel_.endDrag();
  const bool asked = std::exchange(askedOnPress_, false);
  if (editable_ && !isDragging()) {
    if (!asked) becomeFirstResponder();
    return;
  }
  if (!selectable_) ScrollView::touchesEnded(touches, event);
}

void TextView::touchesCancelled(const TouchSet& touches, const Event& event) {
  sel_.endDrag();
  askedOnPress_ = false;
  if (!editable_ && !selectable_) ScrollView::touchesCancelled(touches, event);
}

}  // namespace ui
