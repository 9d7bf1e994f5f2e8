#include "util/Text.hpp"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <vector>

namespace mv {
namespace {

bool isSpaceOrTab(char c) { return c == ' ' || c == '\t'; }
bool isSpaceOrLineEnd(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

template <typename Pred>
std::string trimBy(std::string_view text, Pred pred) {
  std::size_t b = 0, e = text.size();
  while (b < e && pred(text[b])) ++b;
  while (e > b && pred(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

// UTF-8 to UTF-16; invalid bytes become U+FFFD so comparison never fails.
std::u16string toU16(std::string_view s) {
  std::u16string out;
  if (s.empty()) return out;
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = 0;
  u_strFromUTF8WithSub(nullptr, 0, &len, s.data(), static_cast<int32_t>(s.size()), 0xFFFD, nullptr, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return out;
  out.resize(static_cast<std::size_t>(len));
  status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), len, nullptr, s.data(), static_cast<int32_t>(s.size()),
                       0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) out.clear();
  return out;
}

std::string toU8(const std::u16string& s) {
  std::string out;
  if (s.empty()) return out;
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = 0;
  const auto* src = reinterpret_cast<const UChar*>(s.data());
  u_strToUTF8WithSub(nullptr, 0, &len, src, static_cast<int32_t>(s.size()), 0xFFFD, nullptr, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return out;
  out.resize(static_cast<std::size_t>(len));
  status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), len, nullptr, src, static_cast<int32_t>(s.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) out.clear();
  return out;
}

std::u16string foldCase(const std::u16string& s) {
  if (s.empty()) return s;
  const auto* src = reinterpret_cast<const UChar*>(s.data());
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = u_strFoldCase(nullptr, 0, src, static_cast<int32_t>(s.size()), U_FOLD_CASE_DEFAULT, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return s;
  std::u16string out(static_cast<std::size_t>(len), u'\0');
  status = U_ZERO_ERROR;
  u_strFoldCase(reinterpret_cast<UChar*>(out.data()), len, src, static_cast<int32_t>(s.size()), U_FOLD_CASE_DEFAULT,
                &status);
  return U_FAILURE(status) ? s : out;
}

template <typename Fn>
std::string mapCase(std::string_view text, Fn fn) {
  std::u16string u = toU16(text);
  if (u.empty()) return std::string(text);
  const auto* src = reinterpret_cast<const UChar*>(u.data());
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = fn(nullptr, 0, src, static_cast<int32_t>(u.size()), "", &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::string(text);
  std::u16string out(static_cast<std::size_t>(len), u'\0');
  status = U_ZERO_ERROR;
  fn(reinterpret_cast<UChar*>(out.data()), len, src, static_cast<int32_t>(u.size()), "", &status);
  if (U_FAILURE(status)) return std::string(text);
  return toU8(out);
}

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

}  // namespace

std::string validUtf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  std::string out;
  bool replaced = false;
  for (int32_t at = 0; at < length;) {
    const int32_t start = at;
    UChar32 c;
    U8_NEXT(bytes, at, length, c);
    const std::string_view piece = text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start));
    if (c < 0) {
      // Most texts are valid and go back as they are; the copy starts here.
      if (!replaced) out.assign(text.substr(0, static_cast<std::size_t>(start)));
      replaced = true;
      out += "\xEF\xBF\xBD";
    } else if (replaced) {
      out += piece;
    }
  }
  return replaced ? out : std::string(text);
}

std::string trimWhitespace(std::string_view text) { return trimBy(text, isSpaceOrTab); }
std::string trimWhitespaceAndNewlines(std::string_view text) { return trimBy(text, isSpaceOrLineEnd); }
namespace {

// Walks UTF-8 code points; a byte that starts no valid sequence is one
// code point that is not white space.
template <typename Visit>
void forEachCodePoint(std::string_view text, Visit visit) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < length) {
    const int32_t start = i;
    UChar32 c = 0;
    U8_NEXT(s, i, length, c);
    if (!visit(c, static_cast<std::size_t>(start), static_cast<std::size_t>(i))) return;
  }
}

bool isUnicodeSpace(UChar32 c) { return c >= 0 && u_isUWhiteSpace(c); }

}  // namespace

bool isBlank(std::string_view text) {
  bool blank = true;
  forEachCodePoint(text, [&](UChar32 c, std::size_t, std::size_t) { return blank = isUnicodeSpace(c); });
  return blank;
}

std::string trimUnicodeWhitespace(std::string_view text) {
  std::size_t begin = text.size(), end = 0;
  forEachCodePoint(text, [&](UChar32 c, std::size_t from, std::size_t to) {
    if (!isUnicodeSpace(c)) {
      begin = std::min(begin, from);
      end = to;
    }
    return true;
  });
  return begin < end ? std::string(text.substr(begin, end - begin)) : std::string();
}

std::string withoutUnicodeWhitespace(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  forEachCodePoint(text, [&](UChar32 c, std::size_t from, std::size_t to) {
    if (!isUnicodeSpace(c)) out.append(text.substr(from, to - from));
    return true;
  });
  return out;
}

std::string foldForSearch(std::string_view text) {
  // ASCII needs neither normalising nor more than lower-casing.
  if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return asciiLowercase(text);
  }
  // Compatibility forms fold too, so a full-width "ＩＢＭ" is found by "ibm"
  // as the list files it under I; case folding and the normal form come in
  // one step.
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* fold = icu::Normalizer2::getNFKCCasefoldInstance(status);
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  if (U_SUCCESS(status)) {
    icu::UnicodeString folded = fold->normalize(u, status);
    if (U_SUCCESS(status)) u = folded;
  }
  if (U_FAILURE(status)) u.foldCase(U_FOLD_CASE_DEFAULT);
  std::string out;
  u.toUTF8String(out);
  return out;
}

int caseInsensitiveCompare(std::string_view a, std::string_view b) {
  std::u16string fa = foldCase(toU16(a)), fb = foldCase(toU16(b));
  int c = fa.compare(fb);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) { return caseInsensitiveCompare(a, b) == 0; }

bool containsIgnoringCase(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return false;
  return foldCase(toU16(haystack)).find(foldCase(toU16(needle))) != std::u16string::npos;
}

std::string joinSentences(std::string_view first, std::string_view second) {
  if (isBlank(second)) return std::string(first);
  if (isBlank(first)) return std::string(second);
  std::string out(first);
  for (std::string_view stop : {"\u3002", "\uFF01", "\uFF1F"})
    if (out.ends_with(stop)) return out.append(second);
  return out.append(" ").append(second);
}

std::string lowercase(std::string_view text) { return mapCase(text, u_strToLower); }
std::string uppercase(std::string_view text) { return mapCase(text, u_strToUpper); }

std::string asciiLowercase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string percentEscape(std::string_view text, std::string_view keep) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (isUnreserved(c) || (c < 0x80 && c != 0 && keep.find(ch) != std::string_view::npos)) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 0xF]);
    }
  }
  return out;
}

std::string percentEscapePathSegment(std::string_view text) { return percentEscape(text); }
std::string percentEscapeQueryValue(std::string_view text) { return percentEscape(text); }
std::string percentEscapeURL(std::string_view text) { return percentEscape(text, ":/?#[]@!$&'()*+,;="); }

std::string percentDecode(std::string_view text) {
  auto hexValue = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    int high = text[i] == '%' && i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
    int low = high >= 0 ? hexValue(text[i + 2]) : -1;
    if (low >= 0) {
      out.push_back(static_cast<char>(high * 16 + low));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

}  // namespace mv
