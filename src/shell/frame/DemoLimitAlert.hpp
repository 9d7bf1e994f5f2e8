#pragma once
// The alert a demo account meets where a function needs an account of the
// company's own (sync, full resync, backup, restore, library downloads):
// "FUNCTIONLIMITED" with "DEMOMODELOGIN", "ISEE" to close it, and
// "SIGNUPNOW", which opens the hosted service's sign-up page. One widget for
// every screen that offers such a function; it answers its own buttons.
#include <memory>
#include <string>

#include "platform/ui/AlertView.hpp"

namespace mv {

class DemoLimitAlert {
 public:
  static constexpr long kTag = 1000;
  static constexpr const char* kSignUpPath = "/registered.html";

  // Shows the alert (behind any alert already shown).
  static std::shared_ptr<ui::AlertView> show();
  // The sign-up page on the service's web server.
  static std::string signUpPageURL();
};

}  // namespace mv
