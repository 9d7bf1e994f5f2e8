#pragma once
#include <algorithm>
#include <map>
#include <string>

namespace mv {

// HTTP header names compare without regard to case. Names are ASCII tokens,
// so the fold is ASCII's alone: it runs for every header of every reply, and
// the locale's tolower is a call per character.
struct HeaderNameLess {
  static constexpr unsigned char fold(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
  }
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return fold(x) < fold(y); });
  }
};

using HeaderMap = std::map<std::string, std::string, HeaderNameLess>;

}  // namespace mv
