#pragma once
// Texts of the application's extra string tables (besides the main language
// table), such as "PullTableViewLan": the English text is the key, and a key
// the table lacks shows as itself. The table of the current interface
// language is read from the resources on first use and kept until the
// language changes. Main thread only.
#include <optional>
#include <string>

namespace mv {

class BundleStrings {
 public:
  // The text of `key` in the table `table` ("<table>_cn.plist" for Chinese,
  // else "<table>_en.plist"), or `key` itself when it has none.
  static std::string localizedStringForKey(const std::string& key, const std::string& table);
  // Forgets every loaded table (tests, resource changes).
  static void resetCache();
};

// The text of a main-table lookup, or an empty text when the key has none.
inline std::string orEmpty(const std::optional<std::string>& text) { return text.value_or(std::string()); }

}  // namespace mv
