#pragma once
// Opening addresses (links in documents, web pages) in the desktop's browser
// or mail program: installs the application's URL handler.
#include <functional>
#include <string>

namespace svc {

class URLOpener {
 public:
  // Told, on the main thread, that the desktop's helper for an address that
  // was handed on could not start its program or ended in failure, with
  // its status (DesktopLauncher).
  using LaunchFailed = std::function<void(int status)>;

  // Addresses go to the system's default program for their scheme; false
  // when there is none, or no display. Only web and mail addresses go, a
  // mail address narrowed to its recipients, subject and body
  // (`mv::mailForDesktop`). The program is started by the desktop's helper
  // (DesktopLauncher): nothing waits for it on the main thread, and a
  // failure is told later to `launchFailed`.
  static void install(LaunchFailed launchFailed = nullptr);
  static bool openOnDesktop(const std::string& url);
  static bool hasDisplay();
  // A helper that fails later than this after the launch had started its
  // program, which then ended badly: that is not told as a link not opened.
  static constexpr double kLaunchVerdictSeconds = 10;
};

}  // namespace svc
