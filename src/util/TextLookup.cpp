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

}  // namespace mv
