#pragma once
// Puts the quote orders into the application: the session operations the
// shell calls on the order store (its end at logout, the re-read of the
// module switches). Called once when the application starts.
#include "shell/ShellScreens.hpp"

namespace mv {

class OrderFeature {
 public:
  static void install(SessionHooks& hooks);
};

}  // namespace mv
