#include "util/OpenableLink.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <vector>

namespace mv {
namespace {

std::string lowercase(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%XX" decoded; "+" is a plus in a mail address, not a space.
std::string percentDecoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

// Every byte but the unreserved ones (and `kept`) as "%XX": nothing of a
// value can start another field for whoever reads the address.
std::string percentEncoded(std::string_view text, std::string_view kept = {}) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if ((u < 0x80 && std::isalnum(u)) || c == '-' || c == '.' || c == '_' || c == '~' ||
        kept.find(c) != std::string_view::npos) {
      out.push_back(c);
    } else {
      out += {'%', kHex[u >> 4], kHex[u & 15]};
    }
  }
  return out;
}

// The plain addresses of a list, decoded: parted by commas, or by the
// semicolons some mail programs write (each goes on as a comma), with any
// spaces around them. A local part and
// a domain of letters, digits and the few marks addresses use (any script's
// letters as UTF-8). A recipient with quotes, brackets, spaces or marks that
// part fields is left out.
std::vector<std::string> plainAddresses(std::string_view encoded) {
  const std::string list = percentDecoded(encoded);
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find_first_of(",;", start), list.size());
    std::string_view address = std::string_view(list).substr(start, end - start);
    // The spaces a list is written with around its addresses.
    address.remove_prefix(std::min(address.find_first_not_of(' '), address.size()));
    address = address.substr(0, address.find_last_not_of(' ') + 1);
    const bool plain = !address.empty() && std::count(address.begin(), address.end(), '@') == 1 &&
                       address.front() != '@' && address.back() != '@' &&
                       std::all_of(address.begin(), address.end(), [](char c) {
                         const auto u = static_cast<unsigned char>(c);
                         return u >= 0x80 || std::isalnum(u) || std::string_view(".-_+@!#$*^`{|}~'").find(c) !=
                                                                     std::string_view::npos;
                       });
    if (plain) out.emplace_back(address);
    start = end + 1;
  }
  return out;
}

std::string joined(const std::vector<std::string>& addresses) {
  std::string out;
  for (const auto& a : addresses) {
    if (!out.empty()) out.push_back(',');
    out += percentEncoded(a, "@+");
  }
  return out;
}

}  // namespace

std::string mailForDesktop(const std::string& mailto) {
  std::string_view rest(mailto);
  rest.remove_prefix(std::min(rest.find(':') + 1, rest.size()));
  rest = rest.substr(0, rest.find('#'));
  // "mailto://" is a common slip for "mailto:".
  while (rest.starts_with('/')) rest.remove_prefix(1);
  const std::size_t question = rest.find('?');
  std::string out = "mailto:" + joined(plainAddresses(rest.substr(0, question)));
  std::vector<std::string> fields;
  std::string_view query = question == std::string_view::npos ? std::string_view() : rest.substr(question + 1);
  while (!query.empty()) {
    const std::string_view field = query.substr(0, query.find('&'));
    query.remove_prefix(std::min(field.size() + 1, query.size()));
    const std::size_t equals = field.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string name = lowercase(percentDecoded(field.substr(0, equals)));
    const std::string_view value = field.substr(equals + 1);
    if (name == "subject" || name == "body") {
      fields.push_back(name + "=" + percentEncoded(percentDecoded(value)));
    } else if (name == "to" || name == "cc" || name == "bcc") {
      if (auto addresses = plainAddresses(value); !addresses.empty()) fields.push_back(name + "=" + joined(addresses));
    }
  }
  for (std::size_t i = 0; i < fields.size(); ++i) out += (i == 0 ? "?" : "&") + fields[i];
  return out;
}

std::optional<std::string> openableLink(const std::string& address) {
  const auto colon = address.find(':');
  if (colon == std::string::npos || colon == 0) return std::nullopt;
  const std::string scheme = lowercase(std::string_view(address).substr(0, colon));
  const bool schemeLike = std::isalpha(static_cast<unsigned char>(scheme[0])) &&
                          std::all_of(scheme.begin(), scheme.end(), [](unsigned char c) {
                            return std::isalnum(c) || c == '+' || c == '-' || c == '.';
                          });
  if (!schemeLike) return std::nullopt;
  if (scheme == "mailto") return mailForDesktop(address);
  if (scheme != "http" && scheme != "https") return std::nullopt;
  return address;
}

}  // namespace mv
