#pragma once
// Text lookup by key in the string table of the interface language. One table
// is cached at a time: the one of the language current when it was loaded.
// Main thread only, like the texts' lookup that reads it.
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace mv {

class Language {
 public:
  // The text of `key` in the current language; nothing for a key the table
  // lacks or when no table could be loaded.
  static std::optional<std::string> stringWithName(const std::string& key);
  // Drops the cached table; the next lookup loads the current language's.
  static void resetLanguageCache();

  // A table text used as a pattern: each "%@" takes the next argument in turn
  // (an empty text when the arguments run out) and "%%" stands for "%". The
  // arguments are never read as patterns themselves.
  static std::string format(std::string_view pattern, std::initializer_list<std::string_view> arguments);

  // The resource name of a language's table: "language_cn" for 2, else "language_en".
  static const char* tableNameForLanguage(int language);
};

// The text of a lookup, or an empty text when the key has none.
inline std::string textOrEmpty(const std::optional<std::string>& text) { return text.value_or(std::string()); }

}  // namespace mv
