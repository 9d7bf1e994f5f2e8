#include "catalog/ProductQuantity.hpp"

#include <climits>

#include "widgets/NumericInputValidator.hpp"

namespace mv {

int ProductQuantity::intValue(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) return negative ? INT_MIN : INT_MAX;
  }
  return static_cast<int>(negative ? -value : value);
}

ProductQuantity::Check ProductQuantity::check(const std::string& text) {
  Check result;
  result.count = intValue(text);
  if (result.count == 0) {
    result.verdict = Verdict::NotPositive;
    return result;
  }
  std::optional<InputValidationError> error;
  if (!NumericInputValidator().validateInput(text, &error)) {
    result.verdict = Verdict::Malformed;
    result.reason = error ? error->localizedFailureReason : std::string();
    return result;
  }
  result.verdict = result.count > kMaximum ? Verdict::TooLarge : Verdict::Accepted;
  return result;
}

}  // namespace mv
