#pragma once
#include <cstddef>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/base/Error.hpp"
#include "util/Regex.hpp"

namespace mv {

// Compiled patterns by pattern text and options, least recently used dropped
// first. Safe to use from any thread; a Regex handed out stays valid after it
// leaves the cache.
class RegexCache {
 public:
  explicit RegexCache(std::size_t capacity = 64);

  static RegexCache& shared();

  // The compiled pattern; nothing (with `error` filled) when it does not
  // compile. Failures are not cached.
  std::optional<Regex> regex(std::string_view pattern, unsigned options = Regex::kNone,
                             base::Error* error = nullptr);

  std::size_t size() const;
  std::size_t capacity() const { return capacity_; }
  void clear();

 private:
  struct Entry {
    std::string key;
    Regex regex;
  };

  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::list<Entry> entries_;  // most recently used first
  std::unordered_map<std::string, std::list<Entry>::iterator> index_;
};

}  // namespace mv
