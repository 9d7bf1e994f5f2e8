#include "widgets/AlphaInputValidator.hpp"

#include "util/RegexCache.hpp"
#include "util/TextLookup.hpp"
#include "widgets/BundleStrings.hpp"

namespace mv {

namespace {
// The English text doubles as its key: the tables may translate it, and
// without an entry it shows as it stands.
const std::string kOnlyLetters = "The input can contain only letters";
}  // namespace

bool AlphaInputValidator::validateInput(const std::string& input, std::optional<InputValidationError>* error) const {
  auto regex = RegexCache::shared().regex("^[a-zA-Z]*$");
  if (regex && regex->matches(input)) return true;
  if (error) {
    *error = InputValidationError{kInputValidationErrorDomain, kErrorCode,
                                  text("INPUTVALIDATIONFAILED"),
                                  textForKey(kOnlyLetters).value_or(kOnlyLetters)};
  }
  return false;
}

}  // namespace mv
