#include "util/OpenableLink.hpp"

#include <algorithm>
#include <cctype>

namespace mv {

std::optional<std::string> openableLink(const std::string& address) {
  const auto colon = address.find(':');
  if (colon == std::string::npos || colon == 0) return std::nullopt;
  std::string scheme = address.substr(0, colon);
  const bool schemeLike = std::isalpha(static_cast<unsigned char>(scheme[0])) &&
                          std::all_of(scheme.begin(), scheme.end(), [](unsigned char c) {
                            return std::isalnum(c) || c == '+' || c == '-' || c == '.';
                          });
  if (!schemeLike) return std::nullopt;
  std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](unsigned char c) { return std::tolower(c); });
  if (scheme != "http" && scheme != "https" && scheme != "mailto") return std::nullopt;
  return address;
}

}  // namespace mv
