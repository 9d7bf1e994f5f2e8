#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/TextRange.hpp"

namespace ui {

// The caret and selection of a text being edited, as keys, presses and
// drags move them, with the end that stays put (the anchor) while Shift or
// a drag stretches the selection; and an input method's composition, which
// stands in place of the selection until the method commits it. Every
// offset is a code point boundary of the text it is given.
class TextSelection {
 public:
  TextRange range() const { return range_; }
  // The end that moves (the caret when nothing is selected).
  std::size_t activeEnd() const { return anchor_ == range_.location ? range_.end() : range_.location; }
  // A selection set by code or by an edit, anchored at its start.
  void select(std::string_view text, TextRange r);
  // The caret to `index`, or with `extend` the selection from the anchor to it.
  void moveTo(std::string_view text, std::size_t index, bool extend);
  // Left and Right: one character along, or without `extend` a selection
  // collapsed to the side the arrow points to.
  void moveLeft(std::string_view text, bool extend);
  void moveRight(std::string_view text, bool extend);
  // What Backspace and Delete take: the selection, else the character
  // before or after the caret (empty at the ends).
  TextRange backwardDeletion(std::string_view text) const;
  TextRange forwardDeletion(std::string_view text) const;
  // The selected text, nothing when none is.
  std::optional<std::string> selectedText(std::string_view text) const;

  // A press at `at`: one puts the caret there and starts a drag, two select
  // the word, three everything. A drag stretches the selection from the press.
  void press(std::string_view text, std::size_t at, int taps);
  void dragTo(std::string_view text, std::size_t at);
  void endDrag() { dragAnchor_.reset(); }
  bool isDragging() const { return dragAnchor_.has_value(); }

  const std::string& marked() const { return marked_; }
  // Bytes into the composition where its own caret stands.
  std::size_t markedCaret() const { return markedCaret_; }
  // Empty text ends the composition; `oneLine` makes its line breaks spaces.
  void setMarked(std::string_view text, std::size_t caret, bool oneLine);

 private:
  TextRange range_;
  std::size_t anchor_ = 0;
  std::optional<std::size_t> dragAnchor_;
  std::string marked_;
  std::size_t markedCaret_ = 0;
};

}  // namespace ui
