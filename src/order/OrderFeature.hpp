#pragma once
// Puts the quote orders into the application: the session operations the
// shell calls on the order store (its end at logout, the re-read of the
// module switches), the catalogue's way into the current order and the
// customer book's way to the orders in memory. Called once when the
// application starts.
#include "shell/frame/ShellScreens.hpp"

namespace mv {

class OrderFeature {
 public:
  static void install(SessionHooks& hooks);
  // The catalogue's and the customer book's ways removed again (tests).
  static void uninstall();
};

}  // namespace mv
