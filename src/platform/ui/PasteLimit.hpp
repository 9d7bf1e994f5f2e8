#pragma once
// How much one paste puts into a field, the application's own and a web
// page's alike: a field takes at most kPasteLimit bytes of a paste (less
// when the field itself holds fewer), the rest is left out at a whole
// character, and the user is told with the text of kPasteCutKey.
#include <cstddef>
#include <string_view>

namespace ui {

inline constexpr std::size_t kPasteLimit = 64 * 1024;
inline constexpr const char* kPasteCutKey = "PASTECUT";

// The start of `text` a paste puts in: all of it within `limit` bytes, else
// as many whole UTF-8 characters as fit.
inline std::string_view pasteablePart(std::string_view text, std::size_t limit = kPasteLimit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  // Back to the first byte of the character the limit falls in.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace ui
