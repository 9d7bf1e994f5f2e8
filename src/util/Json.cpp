#include "util/Json.hpp"

#include <charconv>
#include <clocale>
#include <locale.h>
#include <cstdlib>
#include <cmath>
#include <limits>

#include "util/JSONReader.hpp"

namespace mv {
namespace {

void setError(base::Error* error, long code, std::string description, std::string reason = {}) {
  if (!error) return;
  error->domain = kJSONErrorDomain;
  error->code = code;
  error->description = std::move(description);
  error->failureReason = std::move(reason);
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::size_t skipSpace(std::string_view text, std::size_t i) {
  while (i < text.size() && isSpace(text[i])) ++i;
  return i;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::int64_t clampToInt64(double d) {
  if (std::isnan(d)) return 0;
  // 2^63 is exactly representable; anything at or beyond it saturates.
  constexpr double kLimit = 9223372036854775808.0;
  if (d >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (d < -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(d);  // truncates toward zero
}

std::string numberText(double d) {
  if (std::isnan(d)) return "nan";
  if (std::isinf(d)) return d > 0 ? "inf" : "-inf";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, d);
  return std::string(buffer, result.ptr);
}

}  // namespace

std::string_view jsonText(std::string_view received) {
  if (auto nul = received.find('\0'); nul != std::string_view::npos) received = received.substr(0, nul);
  return withoutByteOrderMark(received);
}

std::string_view withoutByteOrderMark(std::string_view text) {
  if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF && static_cast<unsigned char>(text[1]) == 0xBB &&
      static_cast<unsigned char>(text[2]) == 0xBF) {
    text.remove_prefix(3);
  }
  return text;
}

std::optional<base::Value> JSONValue(std::string_view text, base::Error* error, const JSONBounds& bounds) {
  JSONReader reader(text, bounds);
  base::Value value = reader.readValue();
  if (!reader.finish()) {
    if (reader.error() == kJSONErrorTooDeep) {
      setError(error, kJSONErrorTooDeep, "JSON text is nested too deeply",
               "more than " + std::to_string(kJSONMaxDepth) + " levels of arrays and objects");
    } else if (reader.error() == kJSONErrorTooLarge) {
      setError(error, kJSONErrorTooLarge, "JSON text makes too large a value", reader.errorReason());
    } else {
      setError(error, kJSONErrorInvalid, "JSON text is not valid", reader.errorReason());
    }
    return std::nullopt;
  }
  if (!value.is_object() && !value.is_array()) {
    setError(error, kJSONErrorNotContainer, "JSON text is not an object or array");
    return std::nullopt;
  }
  return value;
}

std::int64_t textIntValue(std::string_view text) {
  std::size_t i = skipSpace(text, 0);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate as a negative number so that INT64_MIN is reachable.
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  std::int64_t value = 0;
  bool overflow = false;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    int digit = text[i] - '0';
    if (overflow) continue;
    if (value < (kMin + digit) / 10) {
      overflow = true;
      continue;
    }
    value = value * 10 - digit;
  }
  if (overflow) return negative ? kMin : std::numeric_limits<std::int64_t>::max();
  if (negative) return value;
  return value == kMin ? std::numeric_limits<std::int64_t>::max() : -value;
}

double textDoubleValue(std::string_view text) {
  std::size_t start = skipSpace(text, 0);
  std::size_t i = start;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digitsStart = i;
  while (i < text.size() && isDigit(text[i])) ++i;
  std::size_t intDigits = i - digitsStart;
  std::size_t fracDigits = 0;
  if (i < text.size() && text[i] == '.') {
    std::size_t fracStart = i + 1;
    std::size_t j = fracStart;
    while (j < text.size() && isDigit(text[j])) ++j;
    fracDigits = j - fracStart;
    if (intDigits + fracDigits > 0) i = j;
  }
  if (intDigits + fracDigits == 0) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    std::size_t expStart = j;
    while (j < text.size() && isDigit(text[j])) ++j;
    if (j > expStart) i = j;
  }
  // The span is already restricted to the decimal grammar; strtod in the C
  // locale converts it with correct rounding, saturating on overflow.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
  std::string number(text.substr(start, i - start));
  if (cLocale) return strtod_l(number.c_str(), nullptr, cLocale);
  std::string_view digits = number;
  bool negative = !digits.empty() && digits.front() == '-';
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
  double value = 0.0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return negative ? -value : value;
}

bool textBoolValue(std::string_view text) {
  std::size_t i = skipSpace(text, 0);
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  while (i < text.size() && text[i] == '0') ++i;
  if (i >= text.size()) return false;
  char c = text[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

JSONScalar scalarOf(const base::Value& value) {
  JSONScalar s;
  switch (value.type()) {
    case base::Value::value_t::boolean:
      s.kind = JSONScalar::Kind::boolean;
      s.boolean = value.get<bool>();
      break;
    case base::Value::value_t::number_integer:
      s.kind = JSONScalar::Kind::integer;
      s.integer = value.get<std::int64_t>();
      break;
    case base::Value::value_t::number_unsigned:
      s.kind = JSONScalar::Kind::unsignedInteger;
      s.unsignedInteger = value.get<std::uint64_t>();
      break;
    case base::Value::value_t::number_float:
      s.kind = JSONScalar::Kind::real;
      s.real = value.get<double>();
      break;
    case base::Value::value_t::string:
      s.kind = JSONScalar::Kind::text;
      s.text = value.get_ref<const std::string&>();
      break;
    case base::Value::value_t::array:
      s.kind = JSONScalar::Kind::array;
      break;
    case base::Value::value_t::object:
      s.kind = JSONScalar::Kind::object;
      break;
    default:
      break;
  }
  return s;
}

std::int64_t intValue(const JSONScalar& value) {
  switch (value.kind) {
    case JSONScalar::Kind::text:
      return textIntValue(value.text);
    case JSONScalar::Kind::integer:
      return value.integer;
    case JSONScalar::Kind::unsignedInteger:
      return value.unsignedInteger > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                 ? std::numeric_limits<std::int64_t>::max()
                 : static_cast<std::int64_t>(value.unsignedInteger);
    case JSONScalar::Kind::real:
      return clampToInt64(value.real);
    case JSONScalar::Kind::boolean:
      return value.boolean ? 1 : 0;
    default:
      return 0;
  }
}

std::int64_t intValue(const base::Value& value) { return intValue(scalarOf(value)); }

std::int64_t intValue(const base::Value* value) { return value ? intValue(*value) : 0; }

double doubleValue(const JSONScalar& value) {
  switch (value.kind) {
    case JSONScalar::Kind::text:
      return textDoubleValue(value.text);
    case JSONScalar::Kind::integer:
      return static_cast<double>(value.integer);
    case JSONScalar::Kind::unsignedInteger:
      return static_cast<double>(value.unsignedInteger);
    case JSONScalar::Kind::real:
      return value.real;
    case JSONScalar::Kind::boolean:
      return value.boolean ? 1.0 : 0.0;
    default:
      return 0.0;
  }
}

double doubleValue(const base::Value& value) { return doubleValue(scalarOf(value)); }

double doubleValue(const base::Value* value) { return value ? doubleValue(*value) : 0.0; }

std::optional<double> exactNumber(const JSONScalar& value) {
  switch (value.kind) {
    case JSONScalar::Kind::integer:
    case JSONScalar::Kind::unsignedInteger:
    case JSONScalar::Kind::real: {
      const double d = doubleValue(value);
      if (!std::isfinite(d)) return std::nullopt;
      return d;
    }
    case JSONScalar::Kind::text: {
      std::string_view text = value.text;
      const auto first = text.find_first_not_of(" \t\r\n");
      if (first == std::string_view::npos) return std::nullopt;
      text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
      // from_chars does not take a leading "+"
      if (text.front() == '+') text.remove_prefix(1);
      double d = 0;
      auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
      if (ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(d)) return std::nullopt;
      return d;
    }
    default:
      return std::nullopt;
  }
}

std::optional<double> exactNumber(const base::Value& value) { return exactNumber(scalarOf(value)); }

double floatValue(const base::Value& value) {
  double d = doubleValue(value);
  if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) {
    return d > 0 ? std::numeric_limits<double>::infinity() : -std::numeric_limits<double>::infinity();
  }
  return static_cast<double>(static_cast<float>(d));
}

double floatValue(const base::Value* value) { return value ? floatValue(*value) : 0.0; }

double floatForJson(float value) {
  if (!std::isfinite(value)) return static_cast<double>(value);
  char buffer[32];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
  double out = static_cast<double>(value);
  std::from_chars(buffer, written.ptr, out);
  return out;
}

bool boolValue(const JSONScalar& value) {
  switch (value.kind) {
    case JSONScalar::Kind::text:
      return textBoolValue(value.text);
    case JSONScalar::Kind::boolean:
      return value.boolean;
    case JSONScalar::Kind::integer:
      return value.integer != 0;
    case JSONScalar::Kind::unsignedInteger:
      return value.unsignedInteger != 0;
    case JSONScalar::Kind::real:
      return value.real != 0.0;
    default:
      return false;
  }
}

bool boolValue(const base::Value& value) { return boolValue(scalarOf(value)); }

bool boolValue(const base::Value* value) { return value && boolValue(*value); }

std::optional<std::string> optionalString(const JSONScalar& value) {
  switch (value.kind) {
    case JSONScalar::Kind::text:
      return std::string(value.text);
    case JSONScalar::Kind::integer:
      return std::to_string(value.integer);
    case JSONScalar::Kind::unsignedInteger:
      return std::to_string(value.unsignedInteger);
    case JSONScalar::Kind::real:
      return numberText(value.real);
    case JSONScalar::Kind::boolean:
      return std::string(value.boolean ? "1" : "0");
    default:
      return std::nullopt;
  }
}

std::optional<std::string> optionalString(const base::Value& value) { return optionalString(scalarOf(value)); }

std::optional<std::string> optionalString(const base::Value* value) {
  if (!value) return std::nullopt;
  return optionalString(*value);
}

std::string stringValue(const JSONScalar& value) { return optionalString(value).value_or(std::string()); }

std::string stringValue(const base::Value& value) { return optionalString(value).value_or(std::string()); }

std::string stringValue(const base::Value* value) { return optionalString(value).value_or(std::string()); }

const base::Value* member(const base::Value& object, std::string_view key) {
  if (!object.is_object()) return nullptr;
  auto it = object.find(key);
  if (it == object.end() || it->is_null()) return nullptr;
  return &*it;
}

const base::Value* member(const base::Value* object, std::string_view key) {
  return object ? member(*object, key) : nullptr;
}

const base::Value* arrayMember(const base::Value& object, std::string_view key) {
  const base::Value* found = member(object, key);
  return found && found->is_array() ? found : nullptr;
}

const base::Value* arrayMember(const base::Value* object, std::string_view key) {
  return object ? arrayMember(*object, key) : nullptr;
}

const base::Value* objectMember(const base::Value& object, std::string_view key) {
  const base::Value* found = member(object, key);
  return found && found->is_object() ? found : nullptr;
}

const base::Value* objectMember(const base::Value* object, std::string_view key) {
  return object ? objectMember(*object, key) : nullptr;
}

std::int64_t intMember(const base::Value& object, std::string_view key) { return intValue(member(object, key)); }

double doubleMember(const base::Value& object, std::string_view key) { return doubleValue(member(object, key)); }

bool boolMember(const base::Value& object, std::string_view key) { return boolValue(member(object, key)); }

std::optional<std::string> optionalStringMember(const base::Value& object, std::string_view key) {
  return optionalString(member(object, key));
}

std::string stringMember(const base::Value& object, std::string_view key) {
  return stringValue(member(object, key));
}

}  // namespace mv
