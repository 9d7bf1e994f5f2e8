#pragma once
#include <cstddef>
#include <initializer_list>
#include <limits>
#include <set>
#include <vector>

namespace base {

inline constexpr std::size_t NotFound = std::numeric_limits<std::size_t>::max();

// An ordered set of unsigned indices.
class IndexSet {
 public:
  IndexSet() = default;
  IndexSet(std::initializer_list<std::size_t> init) : s_(init) {}
  static IndexSet range(std::size_t location, std::size_t length) {
    IndexSet r;
    for (std::size_t i = 0; i < length; ++i) r.s_.insert(location + i);
    return r;
  }
  void add(std::size_t i) { s_.insert(i); }
  void addRange(std::size_t location, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) s_.insert(location + i);
  }
  void remove(std::size_t i) { s_.erase(i); }
  void clear() { s_.clear(); }
  bool contains(std::size_t i) const { return s_.count(i) != 0; }
  std::size_t count() const { return s_.size(); }
  bool empty() const { return s_.empty(); }
  std::size_t first() const { return s_.empty() ? NotFound : *s_.begin(); }
  std::size_t last() const { return s_.empty() ? NotFound : *s_.rbegin(); }
  // The smallest index above `i`, or NotFound.
  std::size_t indexGreaterThan(std::size_t i) const {
    auto it = s_.upper_bound(i);
    return it == s_.end() ? NotFound : *it;
  }
  std::size_t countBelow(std::size_t k) const {
    std::size_t n = 0;
    for (auto i : s_) {
      if (i >= k) break;
      ++n;
    }
    return n;
  }
  // The indices of this set that are not in `other`.
  IndexSet minus(const IndexSet& other) const {
    IndexSet r;
    for (auto i : s_)
      if (!other.contains(i)) r.s_.insert(i);
    return r;
  }
  bool isContiguous() const { return s_.empty() || last() - first() + 1 == s_.size(); }
  // Moves every index >= k up by `delta` (or down, dropping those that would
  // fall below k).
  void shiftFrom(std::size_t k, long delta) {
    std::set<std::size_t> r;
    for (auto i : s_) {
      if (i < k) {
        r.insert(i);
      } else if (delta >= 0) {
        r.insert(i + static_cast<std::size_t>(delta));
      } else {
        std::size_t d = static_cast<std::size_t>(-delta);
        if (i >= k + d) r.insert(i - d);
      }
    }
    s_.swap(r);
  }
  std::vector<std::size_t> toVector() const { return {s_.begin(), s_.end()}; }
  auto begin() const { return s_.begin(); }
  auto end() const { return s_.end(); }
  friend bool operator==(const IndexSet&, const IndexSet&) = default;

 private:
  std::set<std::size_t> s_;
};

}  // namespace base
