#pragma once
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace ui {

// A span of text in byte offsets of its UTF-8 form, always on code point
// boundaries, so that `text.replace(range.location, range.length, s)` is the
// edit it stands for.
struct TextRange {
  std::size_t location = 0;
  std::size_t length = 0;
  std::size_t end() const { return location + length; }
  friend bool operator==(const TextRange&, const TextRange&) = default;
};

inline std::ostream& operator<<(std::ostream& o, const TextRange& r) {
  return o << "{" << r.location << ", " << r.length << "}";
}

// Typed text made safe to keep and draw: malformed UTF-8 sequences become
// U+FFFD and NUL bytes are dropped.
std::string sanitizeTypedText(std::string_view text);
// The text a field will hold once `range` is replaced by `replacement`; a
// range reaching past the text, or into the middle of a code point, is
// clamped to whole code points of the text.
std::string textAfterReplacing(std::string_view text, TextRange range, std::string_view replacement);
// The start of the code point before byte offset `pos` (0 at the start).
std::size_t previousCodePoint(std::string_view text, std::size_t pos);
// `pos` moved back to the start of the code point it falls in.
std::size_t codePointBoundary(std::string_view text, std::size_t pos);
// The start of the code point after the one at `pos` (the end at the end).
std::size_t nextCodePoint(std::string_view text, std::size_t pos);
// The word (or run of spaces or punctuation) at byte offset `pos`, as a
// double click selects it; Chinese is split into its words too.
TextRange wordRangeAt(std::string_view text, std::size_t pos);

}  // namespace ui
