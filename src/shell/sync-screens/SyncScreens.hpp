#pragma once
// Puts the sync screens into the application: the shell's host for them,
// the Sync tab's screen, the settings' backup-and-restore page, and the
// session operations of the sync engine (its start from the home screen and
// the settings, its end at logout). Called once when the application starts.
#include "shell/frame/ShellScreens.hpp"

namespace mv {

class SyncScreens {
 public:
  static void install(SessionHooks& hooks);
  // The makers and the host removed again (tests).
  static void uninstall();
};

}  // namespace mv
