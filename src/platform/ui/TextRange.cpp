#include "platform/ui/TextRange.hpp"

#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include <algorithm>
#include <memory>

namespace ui {

namespace {

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of a well-formed sequence starting at `i`, or 0.
std::size_t sequenceLength(std::string_view s, std::size_t i) {
  auto c = static_cast<unsigned char>(s[i]);
  std::size_t n;
  unsigned cp;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    auto d = static_cast<unsigned char>(s[i + k]);
    if (!isContinuation(d)) return 0;
    cp = (cp << 6) | (d & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
  return n;
}

}  // namespace

std::string sanitizeTypedText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\0') {
      ++i;
      continue;
    }
    std::size_t n = sequenceLength(text, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      while (i < text.size() && isContinuation(static_cast<unsigned char>(text[i]))) ++i;
      continue;
    }
    out.append(text.substr(i, n));
    i += n;
  }
  return out;
}

std::size_t codePointBoundary(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return text.size();
  while (pos > 0 && isContinuation(static_cast<unsigned char>(text[pos]))) --pos;
  return pos;
}

std::string textAfterReplacing(std::string_view text, TextRange range, std::string_view replacement) {
  const std::size_t from = codePointBoundary(text, std::min(range.location, text.size()));
  const std::size_t to = codePointBoundary(text, std::min(range.end(), text.size()));
  std::string out;
  out.reserve(text.size() - (to - from) + replacement.size());
  out.append(text.substr(0, from));
  out.append(replacement);
  out.append(text.substr(std::max(from, to)));
  return out;
}

std::size_t previousCodePoint(std::string_view text, std::size_t pos) {
  pos = codePointBoundary(text, pos);
  if (pos == 0) return 0;
  --pos;
  while (pos > 0 && isContinuation(static_cast<unsigned char>(text[pos]))) --pos;
  return pos;
}

std::size_t nextCodePoint(std::string_view text, std::size_t pos) {
  pos = codePointBoundary(text, pos);
  if (pos >= text.size()) return text.size();
  ++pos;
  while (pos < text.size() && isContinuation(static_cast<unsigned char>(text[pos]))) ++pos;
  return pos;
}

TextRange wordRangeAt(std::string_view text, std::size_t pos) {
  pos = codePointBoundary(text, pos);
  if (text.empty()) return {};
  // At the very end the word before the caret is meant.
  if (pos == text.size()) pos = previousCodePoint(text, pos);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UText, decltype(&utext_close)> ut(
      utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status), &utext_close);
  std::unique_ptr<UBreakIterator, decltype(&ubrk_close)> words(ubrk_open(UBRK_WORD, "", nullptr, 0, &status),
                                                               &ubrk_close);
  if (U_FAILURE(status) || !ut || !words) return {pos, nextCodePoint(text, pos) - pos};
  ubrk_setUText(words.get(), ut.get(), &status);
  if (U_FAILURE(status)) return {pos, nextCodePoint(text, pos) - pos};
  // Offsets of a UTF-8 text are its byte offsets.
  const int32_t at = static_cast<int32_t>(pos);
  int32_t end = ubrk_following(words.get(), at);
  int32_t start = ubrk_preceding(words.get(), end == UBRK_DONE ? static_cast<int32_t>(text.size()) : end);
  if (end == UBRK_DONE) end = static_cast<int32_t>(text.size());
  if (start == UBRK_DONE || start > at) start = at;
  return {static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)};
}

}  // namespace ui
