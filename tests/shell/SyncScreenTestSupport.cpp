#include "SyncScreenTestSupport.hpp"

#include <map>

#include "platform/base/Paths.hpp"
#include "platform/base/PropertyList.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"


namespace mv::test {

std::shared_ptr<void> FakeSyncScreenHost::observeLanguageChanges(std::function<void()> onChange) {
  auto token = std::make_shared<std::function<void()>>(std::move(onChange));
  observers_.push_back(token);
  return token;
}

void FakeSyncScreenHost::changeLanguage() {
  for (const auto& weak : observers_) {
    if (auto observer = weak.lock()) (*observer)();
  }
}

namespace {

std::shared_ptr<std::map<std::string, std::string>> loadTable(const char* name) {
  auto table = std::make_shared<std::map<std::string, std::string>>();
  auto value = base::PropertyList::read(base::Bundle::pathForResource(name, "plist"));
  EXPECT_TRUE(value && value->is_object()) << name;
  if (!value || !value->is_object()) return table;
  for (const auto& [key, text] : value->items()) {
    if (text.is_string()) (*table)[key] = text.get<std::string>();
  }
  return table;
}

void install(const char* name, int language) {
  auto table = loadTable(name);
  setTextLookup([table](const std::string& key) -> std::optional<std::string> {
    auto it = table->find(key);
    if (it == table->end()) return std::nullopt;
    return it->second;
  });
  PublicFunction::setInterfaceLanguageProvider([language] { return language; });
}

}  // namespace

void installEnglishTexts() { install("language_en", kLanguageEnglish); }

void installChineseTexts() { install("language_cn", kLanguageChinese); }

std::string textOf(const std::string& key) { return textForKey(key).value_or(std::string()); }

}  // namespace mv::test
