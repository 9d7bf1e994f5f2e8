#include "util/Money.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace mv {
namespace {

using Wide = __int128;

// A finite double as digits x 10^exponent, from its shortest decimal text.
struct Decimal {
  std::int64_t digits = 0;
  int exponent = 0;
};

std::optional<Decimal> shortestDecimal(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  if (res.ec != std::errc()) return std::nullopt;
  // "-d.ddde+XX": at most 17 significant digits, so they fit 64 bits.
  Decimal out;
  const char* p = buf;
  const bool negative = *p == '-';
  if (negative) ++p;
  int fractionDigits = 0;
  bool afterPoint = false;
  for (; p < res.ptr && *p != 'e'; ++p) {
    if (*p == '.') {
      afterPoint = true;
      continue;
    }
    out.digits = out.digits * 10 + (*p - '0');
    if (afterPoint) ++fractionDigits;
  }
  if (p == res.ptr) return std::nullopt;
  ++p;
  if (p < res.ptr && *p == '+') ++p;  // from_chars takes a minus sign only
  int exponent = 0;
  if (std::from_chars(p, res.ptr, exponent).ec != std::errc()) return std::nullopt;
  out.exponent = exponent - fractionDigits;
  if (negative) out.digits = -out.digits;
  return out;
}

Wide powerOfTen(int n) {
  Wide p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

// digits x 10^exponent in whole cents, rounded half away from zero; nothing
// when the cents would not fit the exact range of a double.
std::optional<double> cents(Wide digits, int exponent) {
  constexpr Wide kExact = Wide{1} << 53;
  const int shift = exponent + 2;  // to cents
  Wide c = 0;
  if (shift >= 0) {
    if (shift > 18) return digits == 0 ? std::optional<double>(0.0) : std::nullopt;
    const Wide scale = powerOfTen(shift);
    if ((digits < 0 ? -digits : digits) > kExact) return std::nullopt;
    c = digits * scale;
  } else if (shift < -38) {
    c = 0;  // far below half a cent
  } else {
    const Wide scale = powerOfTen(-shift);
    const Wide magnitude = digits < 0 ? -digits : digits;
    Wide whole = magnitude / scale;
    if ((magnitude % scale) * 2 >= scale) ++whole;
    c = digits < 0 ? -whole : whole;
  }
  if ((c < 0 ? -c : c) > kExact) return std::nullopt;
  // Exact integer divided by 100: the double nearest to the cent amount.
  return static_cast<double>(static_cast<std::int64_t>(c)) / 100.0;
}

// Binary arithmetic rounded the same way, for values outside the exact range.
double roughCents(double value) {
  if (!std::isfinite(value)) return value;
  return std::round(value * 100.0) / 100.0;
}

double product(double a, double b, int extraExponent) {
  auto x = shortestDecimal(a);
  auto y = shortestDecimal(b);
  if (x && y) {
    if (auto c = cents(Wide{x->digits} * Wide{y->digits}, x->exponent + y->exponent + extraExponent)) return *c;
  }
  return roughCents(a * b * std::pow(10.0, extraExponent));
}

}  // namespace

double moneyProduct(double a, double b) { return product(a, b, 0); }

double moneyPercent(double amount, double percent) { return product(amount, percent, -2); }

double moneyRounded(double amount) { return product(amount, 1, 0); }

bool moneyInRange(double amount) { return std::isfinite(amount) && std::fabs(amount) <= kMaxMoney; }

}  // namespace mv
