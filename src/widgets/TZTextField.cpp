#include "widgets/TZTextField.hpp"

#include "util/TextLookup.hpp"
#include "widgets/BundleStrings.hpp"

namespace mv {

bool TZTextField::validate() {
  // Nothing to judge by is no reason to complain.
  if (!inputValidator_) return true;
  std::optional<InputValidationError> error;
  if (inputValidator_->validateInput(text(), &error)) return true;
  auto alert = std::make_shared<ui::AlertView>(mv::text("INVALIDINPUT"),
                                               error ? error->localizedFailureReason : std::string(), traget_,
                                               textForKey("OK").value_or("OK"));
  alert->setTag(kValidationAlertTag);
  // The value is put right in its field: typing goes on there after OK.
  alert->setReturnsFocusTo(self());
  alert->show();
  return false;
}

}  // namespace mv
