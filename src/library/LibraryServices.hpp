#pragma once
// Puts the sales library into the application: the Sales Library tab's
// screen, the video player and the Office viewer files open in, and the download manager where lower layers look for it (the
// backup's list of downloaded files, the re-download after a restore and
// logout's freeing of the session objects).
#include "shell/frame/ShellScreens.hpp"

namespace mv {

class LibraryServices {
 public:
  static void install(SessionHooks& hooks);
  static void uninstall();
  // The video player and the Office viewer alone.
  static void installViewers();
};

}  // namespace mv
