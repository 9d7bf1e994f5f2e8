#pragma once
#include "widgets/InputValidator.hpp"

namespace mv {

// Accepts a positive decimal number: digits, optionally followed by a point
// and exactly two digits ("0", "007", "3.50"; not "3.5", ".5", "-1", " 12").
// The whole text must match, so a pasted second line never slips through.
class NumericInputValidator : public InputValidator {
 public:
  static constexpr long kErrorCode = 1001;
  bool validateInput(const std::string& input, std::optional<InputValidationError>* error = nullptr) const override;
};

}  // namespace mv
