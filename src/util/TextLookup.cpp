#include "util/TextLookup.hpp"

#include <mutex>

namespace mv {
namespace {

struct Lookups {
  std::mutex mutex;
  TextLookupFunction text;
};

Lookups& lookups() {
  static Lookups l;
  return l;
}

}  // namespace

void setTextLookup(TextLookupFunction lookup) {
  std::lock_guard<std::mutex> lock(lookups().mutex);
  lookups().text = std::move(lookup);
}

std::optional<std::string> textForKey(const std::string& key) {
  TextLookupFunction fn;
  {
    std::lock_guard<std::mutex> lock(lookups().mutex);
    fn = lookups().text;
  }
  // Called outside the lock: a table may load lazily and look up again.
  if (!fn) return std::nullopt;
  return fn(key);
}

std::string text(const std::string& key) { return textForKey(key).value_or(std::string()); }

}  // namespace mv
