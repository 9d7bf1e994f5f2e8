#pragma once
// Money computed as a person computing by hand does. An amount held in a
// double is taken as the shortest decimal that reads back as it (a price of
// 1.005 is 1.005, not the 1.00499999... the double holds), products are
// exact in decimal, and each result is rounded to whole cents, half away
// from zero: 7 x 1.005 is 7.035, which is 7.04.

namespace mv {

// a x b in cents.
[[nodiscard]] double moneyProduct(double a, double b);
// amount x percent / 100 in cents.
[[nodiscard]] double moneyPercent(double amount, double percent);
// The amount in cents.
[[nodiscard]] double moneyRounded(double amount);

// The largest amount whose whole cents a double holds exactly (2^53 cents).
inline constexpr double kMaxMoney = 9007199254740992.0 / 100;
// A finite amount no larger than that, of either sign.
[[nodiscard]] bool moneyInRange(double amount);

}  // namespace mv
