#include "platform/ui/TextSelection.hpp"

#include <algorithm>

namespace ui {

void TextSelection::select(std::string_view text, TextRange r) {
  const std::size_t start = codePointBoundary(text, std::min(r.location, text.size()));
  const std::size_t end = codePointBoundary(text, std::min(r.end(), text.size()));
  range_ = {start, end >= start ? end - start : 0};
  anchor_ = range_.location;
}

void TextSelection::moveTo(std::string_view text, std::size_t index, bool extend) {
  index = codePointBoundary(text, std::min(index, text.size()));
  // Stretching keeps the anchor, which is always one end of the selection.
  if (!extend) anchor_ = index;
  anchor_ = std::min(anchor_, text.size());
  range_ = {std::min(anchor_, index), std::max(anchor_, index) - std::min(anchor_, index)};
}

void TextSelection::moveLeft(std::string_view text, bool extend) {
  moveTo(text, !extend && range_.length > 0 ? range_.location : previousCodePoint(text, activeEnd()), extend);
}

void TextSelection::moveRight(std::string_view text, bool extend) {
  moveTo(text, !extend && range_.length > 0 ? range_.end() : nextCodePoint(text, activeEnd()), extend);
}

TextRange TextSelection::backwardDeletion(std::string_view text) const {
  if (range_.length > 0) return range_;
  const std::size_t caret = std::min(range_.location, text.size());
  const std::size_t start = previousCodePoint(text, caret);
  return {start, caret - start};
}

TextRange TextSelection::forwardDeletion(std::string_view text) const {
  if (range_.length > 0) return range_;
  const std::size_t caret = std::min(range_.location, text.size());
  return {caret, nextCodePoint(text, caret) - caret};
}

std::optional<std::string> TextSelection::selectedText(std::string_view text) const {
  if (range_.length == 0 || range_.end() > text.size()) return std::nullopt;
  return std::string(text.substr(range_.location, range_.length));
}

void TextSelection::press(std::string_view text, std::size_t at, int taps) {
  dragAnchor_.reset();
  if (taps >= 3) {
    select(text, {0, text.size()});
  } else if (taps == 2) {
    select(text, wordRangeAt(text, at));
  } else {
    moveTo(text, at, false);
    dragAnchor_ = range_.location;
  }
}

void TextSelection::dragTo(std::string_view text, std::size_t at) {
  if (!dragAnchor_) return;
  anchor_ = *dragAnchor_;
  moveTo(text, at, true);
}

void TextSelection::setMarked(std::string_view text, std::size_t caret, bool oneLine) {
  marked_ = sanitizeTypedText(text);
  if (oneLine) std::replace(marked_.begin(), marked_.end(), '\n', ' ');
  markedCaret_ = codePointBoundary(marked_, std::min(caret, marked_.size()));
}

}  // namespace ui
