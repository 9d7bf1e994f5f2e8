#include <algorithm>

#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/TextField.hpp"
#include "platform/ui/TextMetrics.hpp"
#include "platform/ui/Touch.hpp"

// What the user does to the field's text: typing, deleting, the caret and
// selection keys, the clipboard, an input method's composition, and the
// presses, drags and double taps that place the caret or select.
namespace ui {

bool TextField::replace(TextRange range, const std::string& replacement) {
  auto keep = self();
  if (auto d = delegate(); d && !d->textFieldShouldChangeCharactersInRange(*this, range, replacement)) return false;
  if (range.location > text_.size()) return false;
  range.length = std::min(range.length, text_.size() - range.location);
  text_.replace(range.location, range.length, replacement);
  sel_.select(text_, {range.location + replacement.size(), 0});
  refreshAccessories();
  setNeedsDisplay();
  sendActionsForControlEvents(ControlEventEditingChanged);
  base::NotificationCenter::defaultCenter().post(TextDidChangeNotification, this);
  return true;
}

void TextField::replaceSelection(const std::string& typed) {
  // One line only: line breaks in pasted text become spaces.
  std::string text = sanitizeTypedText(typed);
  std::replace(text.begin(), text.end(), '\n', ' ');
  std::replace(text.begin(), text.end(), '\r', ' ');
  setSelectedRange(sel_.range());
  // Past the input's room only what fits goes in; nothing at all when nothing fits.
  const bool typedAny = !text.empty();
  const std::string fitted = fitting(std::move(text), text_.size(), sel_.range().length, this);
  if (typedAny && fitted.empty()) return;
  replace(sel_.range(), fitted);
}

void TextField::insertText(const std::string& typed) {
  if (!editing_) return;
  // What an input method commits takes the place of its composition.
  sel_.setMarked("", 0, true);
  if (typed.empty()) return;
  if (typed == "\n" || typed == "\r") {
    returnKeyPressed();
    return;
  }
  replaceSelection(typed);
}

void TextField::paste(const std::string& text) {
  if (editing_ && !text.empty()) replaceSelection(text);
}

void TextField::deleteBackward() {
  if (!editing_) return;
  setSelectedRange(sel_.range());
  if (const TextRange r = sel_.backwardDeletion(text_); r.length > 0) replace(r, "");
}

bool TextField::pressKey(EditingKey key, bool shift) {
  if (!editing_) return false;
  switch (key) {
    case EditingKey::Left: sel_.moveLeft(text_, shift); break;
    case EditingKey::Right: sel_.moveRight(text_, shift); break;
    case EditingKey::Home: sel_.moveTo(text_, 0, shift); break;
    case EditingKey::End: sel_.moveTo(text_, text_.size(), shift); break;
    case EditingKey::Delete:
      if (const TextRange r = sel_.forwardDeletion(text_); r.length > 0) replace(r, "");
      break;
    case EditingKey::Up:
    case EditingKey::Down:
    case EditingKey::Tab: return false;
  }
  setNeedsDisplay();
  return true;
}

bool TextField::selectAll() {
  if (!editing_) return false;
  setSelectedRange({0, text_.size()});
  return true;
}

bool TextField::extendSelectionTo(Point windowPoint) {
  if (!editing_ || !sel_.marked().empty()) return false;
  sel_.moveTo(text_, textIndexAtPoint(convertPointFromView(windowPoint, nullptr)), true);
  setNeedsDisplay();
  return true;
}

std::optional<std::string> TextField::copySelection() const {
  // Secure text never leaves the field.
  if (!editing_ || secure_) return std::nullopt;
  return sel_.selectedText(text_);
}

std::optional<std::string> TextField::cutSelection() {
  auto cut = copySelection();
  if (!cut) return std::nullopt;
  const std::string before = text_;
  // A delegate may carry the deletion out itself and answer no: what left
  // the text was cut all the same.
  if (!replace(sel_.range(), "") && text_ == before) return std::nullopt;
  return cut;
}

void TextField::setMarkedText(const std::string& text, std::size_t caret) {
  if (!editing_) return;
  sel_.setMarked(text, caret, true);
  setNeedsDisplay();
}

// --- presses and drags ----------------------------------------------------------------

void TextField::touchesBegan(const TouchSet& touches, const Event& event) {
  auto keep = self();
  Control::touchesBegan(touches, event);
  sel_.endDrag();
  askedOnPress_ = !editing_ && !touches.empty() && beginsEditingOnPress(*this);
  if (askedOnPress_) becomeFirstResponder();
  if (!editing_ || touches.empty() || !sel_.marked().empty()) return;
  const Touch& touch = *touches.front();
  // Secure text has no words to show: a double tap selects all of it.
  const int taps = secure_ && touch.tapCount() == 2 ? 3 : touch.tapCount();
  sel_.press(text_, textIndexAtPoint(touch.locationInView(this)), taps);
  setNeedsDisplay();
}

void TextField::touchesMoved(const TouchSet& touches, const Event& event) {
  Control::touchesMoved(touches, event);
  if (!editing_ || !sel_.isDragging() || touches.empty()) return;
  sel_.dragTo(text_, textIndexAtPoint(touches.front()->locationInView(this)));
  setNeedsDisplay();
}

void TextField::touchesEnded(const TouchSet& touches, const Event& event) {
  auto keep = self();
  Control::touchesEnded(touches, event);
  sel_.endDrag();
  askedOnPress_ = false;
}

void TextField::touchesCancelled(const TouchSet& touches, const Event& event) {
  Control::touchesCancelled(touches, event);
  sel_.endDrag();
  askedOnPress_ = false;
}

}  // namespace ui
