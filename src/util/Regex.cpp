#include "util/Regex.hpp"

#include <unicode/parseerr.h>
#include <unicode/unistr.h>
#include <unicode/uregex.h>
#include <unicode/utypes.h>

#include <mutex>

#include "util/RegexCache.hpp"

namespace mv {

struct Regex::Compiled {
  Compiled(URegularExpression* p, std::string pat, unsigned opts)
      : prototype(p), pattern(std::move(pat)), options(opts) {}
  ~Compiled() { uregex_close(prototype); }
  Compiled(const Compiled&) = delete;
  Compiled& operator=(const Compiled&) = delete;

  struct Closer {
    void operator()(URegularExpression* re) const { uregex_close(re); }
  };
  using Matcher = std::unique_ptr<URegularExpression, Closer>;

  // A compiled expression carries match state, so every use gets its own clone.
  Matcher clone() const {
    std::lock_guard<std::mutex> lock(mutex);
    UErrorCode status = U_ZERO_ERROR;
    URegularExpression* copy = uregex_clone(prototype, &status);
    if (U_FAILURE(status)) {
      if (copy) uregex_close(copy);
      return nullptr;
    }
    return Matcher(copy);
  }

  URegularExpression* prototype;
  std::string pattern;
  unsigned options;
  mutable std::mutex mutex;
};

namespace {

// A matcher bound to one text. The matcher points into the text's UTF-16 copy
// (short texts live inside the object), so it is made in place and never moved.
struct Bound {
  Bound(const Regex::Compiled& compiled, std::string_view utf8)
      : matcher(compiled.clone()),
        text(icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())))) {
    if (!matcher) return;
    UErrorCode status = U_ZERO_ERROR;
    uregex_setText(matcher.get(), text.getBuffer(), text.length(), &status);
    ok = U_SUCCESS(status);
  }
  Bound(const Bound&) = delete;
  Bound& operator=(const Bound&) = delete;

  Regex::Compiled::Matcher matcher;
  const icu::UnicodeString text;
  bool ok = false;
};

std::string toUtf8(const icu::UnicodeString& s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

void setError(base::Error* error, UErrorCode status, std::string description, std::string reason) {
  if (!error) return;
  error->domain = kICURegexErrorDomain;
  error->code = static_cast<long>(status);
  error->description = std::move(description);
  error->failureReason = std::move(reason);
}

}  // namespace

std::optional<Regex> Regex::make(std::string_view pattern, unsigned options, base::Error* error) {
  uint32_t flags = 0;
  if (options & kCaseInsensitive) flags |= UREGEX_CASE_INSENSITIVE;
  if (options & kMultiline) flags |= UREGEX_MULTILINE;
  if (options & kDotAll) flags |= UREGEX_DOTALL;
  icu::UnicodeString source =
      icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), static_cast<int32_t>(pattern.size())));
  UParseError where{};
  UErrorCode status = U_ZERO_ERROR;
  URegularExpression* re = uregex_open(source.getBuffer(), source.length(), flags, &where, &status);
  if (U_FAILURE(status) || !re) {
    if (re) uregex_close(re);
    setError(error, status, "The regular expression \"" + std::string(pattern) + "\" is not valid",
             std::string(u_errorName(status)) + " at line " + std::to_string(where.line) + ", offset " +
                 std::to_string(where.offset));
    return std::nullopt;
  }
  return Regex(std::make_shared<Compiled>(re, std::string(pattern), options));
}

bool Regex::find(std::string_view text) const {
  Bound b(*compiled_, text);
  if (!b.ok) return false;
  UErrorCode status = U_ZERO_ERROR;
  UBool found = uregex_find(b.matcher.get(), 0, &status);
  return U_SUCCESS(status) && found;
}

bool Regex::matches(std::string_view text) const {
  Bound b(*compiled_, text);
  if (!b.ok) return false;
  UErrorCode status = U_ZERO_ERROR;
  UBool found = uregex_matches(b.matcher.get(), 0, &status);
  return U_SUCCESS(status) && found;
}

bool Regex::lookingAt(std::string_view text) const {
  Bound b(*compiled_, text);
  if (!b.ok) return false;
  UErrorCode status = U_ZERO_ERROR;
  UBool found = uregex_lookingAt(b.matcher.get(), 0, &status);
  return U_SUCCESS(status) && found;
}

std::optional<std::vector<std::optional<std::string>>> Regex::captures(std::string_view text) const {
  Bound b(*compiled_, text);
  if (!b.ok) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  URegularExpression* re = b.matcher.get();
  if (!uregex_find(re, 0, &status) || U_FAILURE(status)) return std::nullopt;
  int32_t groups = uregex_groupCount(re, &status);
  if (U_FAILURE(status)) return std::nullopt;
  std::vector<std::optional<std::string>> result;
  result.reserve(static_cast<std::size_t>(groups) + 1);
  for (int32_t g = 0; g <= groups; ++g) {
    int32_t start = uregex_start(re, g, &status);
    int32_t end = uregex_end(re, g, &status);
    if (U_FAILURE(status)) return std::nullopt;
    if (start < 0 || end < start) {
      result.emplace_back(std::nullopt);
    } else {
      result.emplace_back(toUtf8(b.text.tempSubStringBetween(start, end)));
    }
  }
  return result;
}

std::optional<std::string> Regex::replaceAll(std::string_view text, std::string_view replacementTemplate,
                                             base::Error* error) const {
  Bound b(*compiled_, text);
  if (!b.ok) {
    setError(error, U_MEMORY_ALLOCATION_ERROR, "The text could not be matched", "");
    return std::nullopt;
  }
  icu::UnicodeString replacement = icu::UnicodeString::fromUTF8(
      icu::StringPiece(replacementTemplate.data(), static_cast<int32_t>(replacementTemplate.size())));
  // First ask for the length, then fill a buffer of that size.
  UErrorCode status = U_ZERO_ERROR;
  int32_t needed =
      uregex_replaceAll(b.matcher.get(), replacement.getBuffer(), replacement.length(), nullptr, 0, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
    setError(error, status, "The replacement template is not valid", u_errorName(status));
    return std::nullopt;
  }
  icu::UnicodeString output;
  if (needed > 0) {
    status = U_ZERO_ERROR;
    UChar* buffer = output.getBuffer(needed);
    if (!buffer) {
      setError(error, U_MEMORY_ALLOCATION_ERROR, "The replacement could not be made", "");
      return std::nullopt;
    }
    int32_t written =
        uregex_replaceAll(b.matcher.get(), replacement.getBuffer(), replacement.length(), buffer, needed, &status);
    // Filling the buffer exactly reports a missing terminator, which is fine.
    if (status == U_STRING_NOT_TERMINATED_WARNING) status = U_ZERO_ERROR;
    output.releaseBuffer(U_SUCCESS(status) ? written : 0);
    if (U_FAILURE(status)) {
      setError(error, status, "The replacement template is not valid", u_errorName(status));
      return std::nullopt;
    }
  }
  return toUtf8(output);
}

const std::string& Regex::pattern() const { return compiled_->pattern; }

unsigned Regex::options() const { return compiled_->options; }

bool isMatchedByRegex(std::string_view text, std::string_view pattern, base::Error* error) {
  auto regex = RegexCache::shared().regex(pattern, Regex::kNone, error);
  return regex && regex->find(text);
}

}  // namespace mv
