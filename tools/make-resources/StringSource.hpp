#pragma once
// The interface texts as written in resources/strings/strings.tsv, and the
// rules every shipped string table keeps. Shared by the build step that writes
// the property lists and by the checker that verifies what was written.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace mv::resources {

struct StringEntry {
  std::string key;
  std::string english;
  std::string chinese;
  int line = 0;
};

// One named table ("language", "PullTableViewLan"), written as
// <name>_en.plist and <name>_cn.plist.
struct StringTable {
  std::string name;
  std::vector<StringEntry> entries;
};

// A key -> text dictionary as loaded back from a written property list.
using TextMap = std::map<std::string, std::string>;

class StringSource {
 public:
  // Parses the source text; every problem found is appended to `errors`
  // as "line N: ...". Tables are returned even when errors were found.
  static std::vector<StringTable> parse(const std::string& text, std::vector<std::string>& errors);
  static std::optional<std::vector<StringTable>> read(const std::filesystem::path& file,
                                                      std::vector<std::string>& errors);

  // The printf conversions of a text in order ("%@", "%d", "%.1f", "%02ld"),
  // without the literal "%%". Only the flags "-" and "0" are taken, so that
  // "50% off" is a stray sign rather than the conversion "% o". A '%' that
  // starts no valid conversion gives std::nullopt.
  static std::optional<std::vector<std::string>> placeholders(const std::string& text);

  // The rules a pair of language tables keeps: same keys, no blank texts, no
  // control characters but new line and tab, the same placeholders in the same
  // order, keys of the main table in upper case and digits, English fall-back
  // keys equal to their English text, and labels that screens tell apart by
  // their text distinct within their group. Returns the problems found.
  static std::vector<std::string> checkTables(const std::string& name, const TextMap& english,
                                              const TextMap& chinese);

  // Names of the written files of a table.
  static std::string englishFile(const std::string& table) { return table + "_en.plist"; }
  static std::string chineseFile(const std::string& table) { return table + "_cn.plist"; }
  static constexpr const char* mainTable = "language";
};

}  // namespace mv::resources
