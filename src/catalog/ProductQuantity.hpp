#pragma once
// The quantity typed on the product screen, judged before anything goes into
// the order: a whole number from 1 to 1,000,000, optionally written with two
// decimals ("1.50" orders 1). The same rule holds whether a product is added
// or an order line is edited, so no negative or garbled quantity ever
// reaches an order line.
#include <string>
#include <string_view>

#include "store/QuoteOrderItemEntity.hpp"

namespace mv {

class ProductQuantity {
 public:
  static constexpr int kMaximum = QuoteOrderItemEntity::kMaxQuantity;

  enum class Verdict {
    Accepted,
    // Nothing countable ("abc", "0"): the positive-number alert.
    NotPositive,
    // A number, but not in the accepted form ("12abc", "-5", "1.5"): the
    // validator's reason is the alert's message.
    Malformed,
    // Above the maximum: the field is set to the maximum and nothing is added.
    TooLarge,
  };

  struct Check {
    Verdict verdict = Verdict::NotPositive;
    int count = 0;
    // The validator's reason, for `Malformed`.
    std::string reason;
  };

  static Check check(const std::string& text);
  // The whole number the text starts with (after blanks and a sign), as
  // the field's integer value reads it: "12abc" 12, "abc" 0, "-5" -5; held
  // within the range of int.
  static int intValue(std::string_view text);
  // The quantity after the minus button: one less, never below 1.
  static int decremented(int count) { return count > 1 ? count - 1 : count; }
};

}  // namespace mv
