#include "util/Base64.hpp"

#include <array>
#include <cstdint>

namespace mv {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int8_t, 256> makeDecodeTable() {
  std::array<int8_t, 256> table{};
  for (auto& v : table) v = -1;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int8_t>(i);
  return table;
}

constexpr auto kDecode = makeDecodeTable();

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

std::string base64Encoding(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  auto byte = [&](std::size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[k])); };
  for (; i + 3 <= bytes.size(); i += 3) {
    uint32_t n = (byte(i) << 16) | (byte(i + 1) << 8) | byte(i + 2);
    out.push_back(kAlphabet[(n >> 18) & 63]);
    out.push_back(kAlphabet[(n >> 12) & 63]);
    out.push_back(kAlphabet[(n >> 6) & 63]);
    out.push_back(kAlphabet[n & 63]);
  }
  std::size_t rest = bytes.size() - i;
  if (rest == 1) {
    uint32_t n = byte(i) << 16;
    out.push_back(kAlphabet[(n >> 18) & 63]);
    out.push_back(kAlphabet[(n >> 12) & 63]);
    out.append("==");
  } else if (rest == 2) {
    uint32_t n = (byte(i) << 16) | (byte(i + 1) << 8);
    out.push_back(kAlphabet[(n >> 18) & 63]);
    out.push_back(kAlphabet[(n >> 12) & 63]);
    out.push_back(kAlphabet[(n >> 6) & 63]);
    out.push_back('=');
  }
  return out;
}

std::optional<std::string> dataWithBase64EncodedString(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3 + 3);
  uint32_t buffer = 0;
  std::size_t symbols = 0;  // data symbols seen
  std::size_t padding = 0;
  for (char c : text) {
    if (isSpace(c)) continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    if (padding > 0) return std::nullopt;  // data after padding
    int8_t v = kDecode[static_cast<unsigned char>(c)];
    if (v < 0) return std::nullopt;
    buffer = (buffer << 6) | static_cast<uint32_t>(v);
    ++symbols;
    if (symbols % 4 == 0) {
      out.push_back(static_cast<char>((buffer >> 16) & 0xFF));
      out.push_back(static_cast<char>((buffer >> 8) & 0xFF));
      out.push_back(static_cast<char>(buffer & 0xFF));
      buffer = 0;
    }
  }
  std::size_t tail = symbols % 4;
  if (tail == 1) return std::nullopt;  // six bits cannot make a byte
  // Padding may be missing or complete, never more than fills the last group.
  if (padding > 0 && (tail == 0 || tail + padding > 4)) return std::nullopt;
  if (tail == 2) {
    out.push_back(static_cast<char>((buffer >> 4) & 0xFF));
  } else if (tail == 3) {
    out.push_back(static_cast<char>((buffer >> 10) & 0xFF));
    out.push_back(static_cast<char>((buffer >> 2) & 0xFF));
  }
  return out;
}

}  // namespace mv
