#pragma once
// Opening addresses (links in documents, web pages) in the desktop's browser
// or mail program: installs the application's URL handler.
#include <string>

namespace svc {

class URLOpener {
 public:
  // Addresses go to the system's default handler for their scheme through
  // GIO; without a display nothing opens them.
  static void install();
  static bool openOnDesktop(const std::string& url);
  static bool hasDisplay();
};

}  // namespace svc
