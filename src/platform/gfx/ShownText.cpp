#include "platform/gfx/ShownText.hpp"

#include <algorithm>
#include <cstdint>

namespace gfx {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct Decoded {
  char32_t cp = kReplacement;
  std::size_t length = 1;
  bool valid = false;
};

// The character at `at`; a byte that starts no well-formed sequence is one
// replacement character.
Decoded decodeAt(std::string_view s, std::size_t at) {
  const auto b0 = static_cast<unsigned char>(s[at]);
  if (b0 < 0x80) return {b0, 1, true};
  std::size_t length = 0;
  char32_t cp = 0, least = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2, cp = b0 & 0x1F, least = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3, cp = b0 & 0x0F, least = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4, cp = b0 & 0x07, least = 0x10000;
  } else {
    return {};
  }
  if (at + length > s.size()) return {};
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(s[at + i]);
    if ((b & 0xC0) != 0x80) return {};
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
  return {cp, length, true};
}

// The character that ends just before `end`.
Decoded decodeBefore(std::string_view s, std::size_t end) {
  const std::size_t lowest = end >= 4 ? end - 4 : 0;
  for (std::size_t start = end; start-- > lowest;) {
    if ((static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) continue;
    const Decoded d = decodeAt(s, start);
    if (start + d.length == end) return d;
    break;
  }
  return {};
}

enum class Shown { Kept, Dropped, LineBreak };

// `next` is the byte after the character (0 at the end): a carriage return
// before a line break is part of that break.
Shown shownAs(char32_t cp, char next) {
  if (cp == '\t' || cp == '\n') return Shown::Kept;
  if (cp == '\r') return next == '\n' ? Shown::Dropped : Shown::LineBreak;
  if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) return Shown::Dropped;
  if (cp == 0x2028 || cp == 0x2029) return Shown::LineBreak;
  // Embeddings, overrides and their end; isolates and their end; the old
  // shaping and swapping switches; interlinear annotation marks.
  if ((cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x206F) || (cp >= 0xFFF9 && cp <= 0xFFFB))
    return Shown::Dropped;
  return Shown::Kept;
}

void append(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

char byteAt(std::string_view s, std::size_t at) { return at < s.size() ? s[at] : '\0'; }

// Appends what the character shows; false when it shows nothing.
bool appendShown(std::string& out, Decoded d, char next) {
  switch (shownAs(d.cp, next)) {
    case Shown::Dropped:
      return false;
    case Shown::LineBreak:
      out.push_back('\n');
      return true;
    case Shown::Kept:
      break;
  }
  append(out, d.cp);
  return true;
}

bool plainByte(unsigned char b) { return (b >= 0x20 && b < 0x7F) || b == '\t' || b == '\n'; }

}  // namespace

std::string_view shownText(std::string_view text, std::string& storage) {
  // Most texts are printable ASCII, or UTF-8 that shows as it is.
  std::size_t at = 0;
  while (at < text.size() && plainByte(static_cast<unsigned char>(text[at]))) ++at;
  bool asIs = true;
  for (std::size_t i = at; i < text.size() && asIs;) {
    const Decoded d = decodeAt(text, i);
    asIs = d.valid && shownAs(d.cp, byteAt(text, i + d.length)) == Shown::Kept;
    i += d.length;
  }
  if (asIs) return text;
  storage.clear();
  storage.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const Decoded d = decodeAt(text, i);
    i += d.length;
    appendShown(storage, d, byteAt(text, i));
  }
  return storage;
}

std::string shownPrefix(std::string_view text, std::size_t count, bool& cut) {
  std::string out;
  cut = false;
  std::size_t shown = 0, i = 0;
  for (; i < text.size(); ) {
    const Decoded d = decodeAt(text, i);
    const std::size_t next = i + d.length;
    if (shown == count) {
      std::string nothing;
      cut = appendShown(nothing, d, byteAt(text, next));
      if (cut) break;
    } else if (appendShown(out, d, byteAt(text, next))) {
      ++shown;
    }
    i = next;
  }
  return out;
}

std::string shownSuffix(std::string_view text, std::size_t count, bool& cut) {
  // Gathered back to front, each character's bytes in order, then turned.
  std::string reversed;
  cut = false;
  std::size_t shown = 0;
  for (std::size_t end = text.size(); end > 0;) {
    const Decoded d = decodeBefore(text, end);
    const char next = byteAt(text, end);
    end -= d.length;
    std::string one;
    if (!appendShown(one, d, next)) continue;
    if (shown == count) {
      cut = true;
      break;
    }
    std::reverse(one.begin(), one.end());
    reversed += one;
    ++shown;
  }
  std::reverse(reversed.begin(), reversed.end());
  return reversed;
}

}  // namespace gfx
