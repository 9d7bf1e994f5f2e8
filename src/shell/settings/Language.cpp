#include "shell/settings/Language.hpp"

#include <mutex>

#include "platform/base/Log.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/PropertyList.hpp"
#include "platform/base/Value.hpp"
#include "shell/settings/LanguageManager.hpp"

namespace mv {
namespace {

struct Cache {
  std::mutex mutex;
  std::optional<base::Value> table;
};

Cache& cache() {
  static Cache c;
  return c;
}

}  // namespace

const char* Language::tableNameForLanguage(int language) {
  return language == 2 ? "language_cn" : "language_en";
}

std::optional<std::string> Language::stringWithName(const std::string& key) {
  Cache& c = cache();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (!c.table) {
    const int language = LanguageManager::sharedInstance().currentLanguage();
    // A language the application does not know loads nothing; the next
    // lookup tries again.
    if (language < 0 || language > 2) return std::nullopt;
    const auto path = base::Bundle::pathForResource(tableNameForLanguage(language), "plist");
    if (path.empty()) {
      MV_LOG("The string table ", tableNameForLanguage(language), " is missing");
      return std::nullopt;
    }
    auto table = base::PropertyList::read(path);
    if (!table || !table->is_object()) {
      MV_LOG("The string table ", path.string(), " cannot be read");
      return std::nullopt;
    }
    c.table = std::move(*table);
  }
  auto it = c.table->find(key);
  if (it == c.table->end() || !it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

void Language::resetLanguageCache() {
  Cache& c = cache();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.table.reset();
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
