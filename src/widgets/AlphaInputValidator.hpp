#pragma once
#include "widgets/InputValidator.hpp"

namespace mv {

// Accepts letters a-z and A-Z only; the empty text passes. The whole text
// must match.
class AlphaInputValidator : public InputValidator {
 public:
  static constexpr long kErrorCode = 1002;
  bool validateInput(const std::string& input, std::optional<InputValidationError>* error = nullptr) const override;
};

}  // namespace mv
