#include "util/TextLookup.hpp"

#include "platform/base/MainThread.hpp"

namespace mv {
namespace {

TextLookupFunction& installedLookup() {
  static TextLookupFunction lookup;
  return lookup;
}

}  // namespace

void setTextLookup(TextLookupFunction lookup) {
  MV_ASSERT_MAIN_THREAD();
  installedLookup() = std::move(lookup);
}

std::optional<std::string> textForKey(const std::string& key) {
  MV_ASSERT_MAIN_THREAD();
  // A copy: the lookup may load its table lazily and install another.
  const TextLookupFunction lookup = installedLookup();
  if (!lookup) return std::nullopt;
  return lookup(key);
}

std::string text(const std::string& key) { return textForKey(key).value_or(std::string()); }

std::string labelText(const std::string& key) { return text(key) + textForKey("LABELCOLON").value_or(":"); }

std::string labelledText(const std::string& key, const std::string& value) {
  const std::string colon = textForKey("LABELCOLON").value_or(":");
  // An ASCII colon is followed by a space; a full-width one holds its own.
  return text(key) + colon + (colon == ":" ? " " : "") + value;
}

}  // namespace mv
