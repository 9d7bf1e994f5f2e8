#pragma once
// Puts the customer book into the application: the directory's end at
// logout and the Customers tab's screen. Called once when the application
// starts.
#include "shell/frame/ShellScreens.hpp"

namespace mv {

class CustomerScreens {
 public:
  static void install(SessionHooks& hooks);
  // The tab's maker removed again (tests).
  static void uninstall();
};

}  // namespace mv
