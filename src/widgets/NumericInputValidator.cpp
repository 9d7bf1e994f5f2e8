#include "widgets/NumericInputValidator.hpp"

#include "util/RegexCache.hpp"
#include "util/TextLookup.hpp"
#include "widgets/BundleStrings.hpp"

namespace mv {

bool NumericInputValidator::validateInput(const std::string& input,
                                          std::optional<InputValidationError>* error) const {
  auto regex = RegexCache::shared().regex("^([0-9]{1}[0-9]*(\\.[0-9]{2})?)$");
  if (!input.empty() && regex && regex->matches(input)) return true;
  if (error) {
    *error = InputValidationError{kInputValidationErrorDomain, kErrorCode,
                                  text("INPUTVALIDATIONFAILED"),
                                  text("PLEASEINPUTAPOSITIVENUMBER")};
  }
  return false;
}

}  // namespace mv
