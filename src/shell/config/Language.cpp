#include "shell/config/Language.hpp"

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/PropertyList.hpp"
#include "platform/base/Value.hpp"
#include "shell/config/LanguageManager.hpp"

namespace mv {
namespace {

// The table of the language current when it was loaded.
std::optional<base::Value>& cachedTable() {
  static std::optional<base::Value> table;
  return table;
}

}  // namespace

const char* Language::tableNameForLanguage(int language) {
  return language == 2 ? "language_cn" : "language_en";
}

std::optional<std::string> Language::stringWithName(const std::string& key) {
  MV_ASSERT_MAIN_THREAD();
  auto& table = cachedTable();
  if (!table) {
    const int language = LanguageManager::sharedInstance().currentLanguage();
    // A language the application does not know loads nothing; the next
    // lookup tries again.
    if (language < 0 || language > 2) return std::nullopt;
    const auto path = base::Bundle::pathForResource(tableNameForLanguage(language), "plist");
    if (path.empty()) {
      MV_LOG("The string table ", tableNameForLanguage(language), " is missing");
      return std::nullopt;
    }
    auto read = base::PropertyList::read(path);
    if (!read || !read->is_object()) {
      MV_LOG("The string table ", path.string(), " cannot be read");
      return std::nullopt;
    }
    table = std::move(*read);
  }
  auto it = table->find(key);
  if (it == table->end() || !it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

void Language::resetLanguageCache() {
  MV_ASSERT_MAIN_THREAD();
  cachedTable().reset();
}

std::string Language::format(std::string_view pattern, std::initializer_list<std::string_view> arguments) {
  std::string out;
  out.reserve(pattern.size() + 16);
  auto next = arguments.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size()) {
      if (pattern[i + 1] == '@') {
        if (next != arguments.end()) out.append(*next++);
        ++i;
        continue;
      }
      if (pattern[i + 1] == '%') {
        out.push_back('%');
        ++i;
        continue;
      }
    }
    out.push_back(pattern[i]);
  }
  return out;
}

}  // namespace mv
