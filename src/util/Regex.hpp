#pragma once
// ICU regular expressions on UTF-8 text. A Regex is immutable after it is made
// and may be used from several threads at once: each operation works on its
// own clone of the compiled pattern.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Error.hpp"

namespace mv {

inline constexpr const char* kICURegexErrorDomain = "ICURegexErrorDomain";

class Regex {
 public:
  enum Options : unsigned {
    kNone = 0,
    kCaseInsensitive = 1u << 0,
    kMultiline = 1u << 1,  // ^ and $ also match at line ends
    kDotAll = 1u << 2,     // . also matches line ends
  };

  // Compiles an ICU pattern; nothing (with `error` filled: the ICU status as
  // code, the place of the fault as reason) when it is not valid.
  static std::optional<Regex> make(std::string_view pattern, unsigned options = kNone,
                                   base::Error* error = nullptr);

  // The pattern matches somewhere in the text.
  bool find(std::string_view text) const;
  // The pattern matches the whole text.
  bool matches(std::string_view text) const;
  // The pattern matches at the start of the text.
  bool lookingAt(std::string_view text) const;
  // The first match anywhere: element 0 is the whole match, then one element per
  // group, nothing for a group that took no part. Nothing when there is no match.
  std::optional<std::vector<std::optional<std::string>>> captures(std::string_view text) const;
  // Every match replaced by the template ($n names a group, \$ is a dollar
  // sign). Nothing when the template names a group the pattern lacks.
  std::optional<std::string> replaceAll(std::string_view text, std::string_view replacementTemplate,
                                        base::Error* error = nullptr) const;

  const std::string& pattern() const;
  unsigned options() const;

  struct Compiled;

 private:
  explicit Regex(std::shared_ptr<Compiled> compiled) : compiled_(std::move(compiled)) {}
  std::shared_ptr<Compiled> compiled_;
};

// YES when `pattern` (ICU syntax) matches anywhere in `text`; compiled patterns
// come from the shared cache. A pattern that does not compile matches nothing.
bool isMatchedByRegex(std::string_view text, std::string_view pattern, base::Error* error = nullptr);

}  // namespace mv
