#include "sync/ReplyValues.hpp"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/base/Log.hpp"
#include "sync/CommandCode.hpp"
#include "sync/NetBaseRst.hpp"
#include "util/Json.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

int clampToInt(std::int64_t v) {
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

std::string_view trimmed(std::string_view text) {
  const char* blanks = " \t\r\n";
  auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  auto last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

}  // namespace

int intOf(const base::Value& row, std::string_view key) { return clampToInt(intValue(member(row, key))); }

std::int64_t int64Of(const base::Value& row, std::string_view key) { return intValue(member(row, key)); }

double doubleOf(const base::Value& row, std::string_view key) { return doubleValue(member(row, key)); }

std::string textOf(const base::Value& row, std::string_view key) { return stringValue(member(row, key)); }

std::optional<std::string> optionalTextOf(const base::Value& row, std::string_view key) {
  return optionalString(member(row, key));
}

std::optional<double> dateOf(const base::Value& row, std::string_view key) {
  const base::Value* v = member(row, key);
  if (!v) return std::nullopt;
  if (v->is_number()) {
    double d = v->get<double>();
    if (!std::isfinite(d)) return std::nullopt;
    return d;
  }
  if (!v->is_string()) return std::nullopt;
  std::string_view text = trimmed(v->get_ref<const std::string&>());
  if (text.empty()) return std::nullopt;
  double d = 0;
  // from_chars does not take a leading "+"
  if (text.front() == '+') text.remove_prefix(1);
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
  if (ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(d)) return std::nullopt;
  return d;
}

std::optional<int> idValue(const base::Value& value) {
  if (value.is_number_integer()) {
    if (value.is_number_unsigned()) {
      auto u = value.get<std::uint64_t>();
      if (u > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) return std::nullopt;
      return static_cast<int>(u);
    }
    auto i = value.get<std::int64_t>();
    if (i > std::numeric_limits<int>::max() || i < std::numeric_limits<int>::min()) return std::nullopt;
    return static_cast<int>(i);
  }
  if (value.is_number_float()) {
    double d = value.get<double>();
    if (!std::isfinite(d) || d != std::trunc(d) || d > std::numeric_limits<int>::max() ||
        d < std::numeric_limits<int>::min()) {
      return std::nullopt;
    }
    return static_cast<int>(d);
  }
  if (!value.is_string()) return std::nullopt;
  std::string_view text = trimmed(value.get_ref<const std::string&>());
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  int result = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), result);
  if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  return result;
}

std::optional<int> idOf(const base::Value& row, std::string_view key) {
  const base::Value* v = member(row, key);
  if (!v) return std::nullopt;
  return idValue(*v);
}

void logSkippedRow(std::string_view table, std::string_view reason) {
  MV_LOG("reply row of ", table, " skipped: ", reason);
}

std::string messageForStatus(const std::string& status) {
  if (auto text = textForKey(status)) return *text;
  return textForKey(kStatusNoStatus).value_or(std::string());
}

void markMalformedReply(NetBaseRst& result, std::string_view what) {
  MV_LOG("reply of command ", result.cmdCode, " has status 200 but ", what, "; taken as a failure");
  result.status = kStatusNoStatus;
  result.message = messageForStatus(kStatusNoStatus);
}

}  // namespace mv
