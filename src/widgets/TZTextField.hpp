#pragma once
// A text field that owns an input validator and, asked to validate, shows
// an alert (tag 999) when its text fails.
#include <memory>

#include "platform/ui/AlertView.hpp"
#include "platform/ui/TextField.hpp"
#include "widgets/InputValidator.hpp"

namespace mv {

class TZTextField : public ui::TextField {
 public:
  static constexpr long kValidationAlertTag = 999;

  explicit TZTextField(const ui::Rect& frame = {}) : ui::TextField(frame) {}

  const std::shared_ptr<InputValidator>& inputValidator() const { return inputValidator_; }
  void setInputValidator(std::shared_ptr<InputValidator> validator) { inputValidator_ = std::move(validator); }
  // The failure alert's delegate (not owned).
  std::shared_ptr<ui::AlertViewDelegate> traget() const { return traget_.lock(); }
  void setTraget(std::weak_ptr<ui::AlertViewDelegate> target) { traget_ = std::move(target); }

  // True when the text passes (or there is no validator to judge it); on
  // failure shows the alert and answers false.
  bool validate();

 private:
  std::shared_ptr<InputValidator> inputValidator_;
  std::weak_ptr<ui::AlertViewDelegate> traget_;
};

}  // namespace mv
