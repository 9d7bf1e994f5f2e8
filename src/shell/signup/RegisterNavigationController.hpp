#pragma once
// The navigation of the sign-up form sheet. Unlike other form sheets it lets
// the keyboard go when a field of the form stops editing.
#include "platform/ui/NavigationController.hpp"

namespace mv {

class RegisterNavigationController : public ui::NavigationController {
 public:
  using ui::NavigationController::NavigationController;
  bool disablesAutomaticKeyboardDismissal() const override { return false; }
};

}  // namespace mv
