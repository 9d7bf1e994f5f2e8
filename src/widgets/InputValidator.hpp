#pragma once
// Judges the text of an input field and, when it is not acceptable, says why.
#include <optional>
#include <string>

namespace mv {

inline constexpr const char* kInputValidationErrorDomain = "InputValidationErrorDomain";

// Why a text failed: the domain and code, a short description and the
// reason to show the user.
struct InputValidationError {
  std::string domain;
  long code = 0;
  std::string localizedDescription;
  std::string localizedFailureReason;
};

// The base validator accepts nothing (and gives no error).
class InputValidator {
 public:
  virtual ~InputValidator() = default;
  // True when `input` is acceptable. On failure `error` (when given)
  // receives the reason, or nothing when there is none to give.
  virtual bool validateInput(const std::string& input, std::optional<InputValidationError>* error = nullptr) const;
};

}  // namespace mv
