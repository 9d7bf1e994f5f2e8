#pragma once
// Opening addresses (links in documents, web pages) in the desktop's browser
// or mail program: installs the application's URL handler.
#include <string>

namespace svc {

class URLOpener {
 public:
  // Addresses go to the system's default program for their scheme; false
  // when there is none, or no display. The program is started by the
  // desktop's helper (DesktopLauncher): nothing waits for it on the main
  // thread.
  static void install();
  static bool openOnDesktop(const std::string& url);
  static bool hasDisplay();
};

}  // namespace svc
