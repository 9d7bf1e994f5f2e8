#pragma once
#include <algorithm>
#include <cctype>
#include <map>
#include <string>

namespace mv {

// HTTP header names compare without regard to case.
struct HeaderNameLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
  }
};

using HeaderMap = std::map<std::string, std::string, HeaderNameLess>;

}  // namespace mv
