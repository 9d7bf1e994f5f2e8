#include "util/RegexCache.hpp"

namespace mv {

RegexCache::RegexCache(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

RegexCache& RegexCache::shared() {
  // Never destroyed: worker threads may still match while the process exits.
  static RegexCache* cache = new RegexCache();
  return *cache;
}

std::optional<Regex> RegexCache::regex(std::string_view pattern, unsigned options, base::Error* error) {
  std::string key = std::to_string(options);
  key.push_back('\n');
  key.append(pattern);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto it = index_.find(key); it != index_.end()) {
      entries_.splice(entries_.begin(), entries_, it->second);
      return it->second->regex;
    }
  }
  // Compile outside the lock so one slow pattern does not hold up every other
  // thread; when two threads race on a new pattern, the first entry is kept.
  auto compiled = Regex::make(pattern, options, error);
  if (!compiled) return std::nullopt;
  std::lock_guard<std::mutex> lock(mutex_);
  if (auto it = index_.find(key); it != index_.end()) {
    entries_.splice(entries_.begin(), entries_, it->second);
    return it->second->regex;
  }
  entries_.push_front(Entry{key, *compiled});
  index_[key] = entries_.begin();
  while (entries_.size() > capacity_) {
    index_.erase(entries_.back().key);
    entries_.pop_back();
  }
  return compiled;
}

std::size_t RegexCache::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

void RegexCache::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  index_.clear();
  entries_.clear();
}

}  // namespace mv
