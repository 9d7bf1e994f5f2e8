#include "widgets/BundleStrings.hpp"

#include <map>

#include "platform/base/MainThread.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/PropertyList.hpp"
#include "util/PublicFunction.hpp"

namespace mv {
namespace {

using Table = std::map<std::string, std::string>;

// By table name and language.
std::map<std::pair<std::string, int>, Table>& loadedTables() {
  static std::map<std::pair<std::string, int>, Table> tables;
  return tables;
}

Table loadTable(const std::string& table, int language) {
  Table out;
  const std::string resource = table + (language == 2 ? "_cn" : "_en");
  auto path = base::Bundle::pathForResource(resource, "plist");
  if (path.empty()) return out;
  auto value = base::PropertyList::read(path);
  if (!value || !value->is_object()) return out;
  // Entries that are not texts count as missing.
  for (auto it = value->begin(); it != value->end(); ++it)
    if (it.value().is_string()) out[it.key()] = it.value().get<std::string>();
  return out;
}

}  // namespace

std::string BundleStrings::localizedStringForKey(const std::string& key, const std::string& table) {
  MV_ASSERT_MAIN_THREAD();
  const int language = PublicFunction::interfaceLanguage();
  auto& tables = loadedTables();
  auto found = tables.find({table, language});
  if (found == tables.end()) found = tables.emplace(std::make_pair(table, language), loadTable(table, language)).first;
  auto entry = found->second.find(key);
  if (entry == found->second.end() || entry->second.empty()) return key;
  return entry->second;
}

void BundleStrings::resetCache() {
  MV_ASSERT_MAIN_THREAD();
  loadedTables().clear();
}

}  // namespace mv
