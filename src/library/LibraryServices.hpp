#pragma once
// Puts the sales library's download manager where lower layers look for it:
// the backup's list of downloaded files, the re-download after a restore and
// logout's freeing of the session objects; and installs the library's
// viewers that are built (the book reader).
#include "shell/frame/ShellScreens.hpp"

namespace mv {

class LibraryServices {
 public:
  static void install(SessionHooks& hooks);
  static void uninstall();
};

}  // namespace mv
