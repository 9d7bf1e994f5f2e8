#include "services/URLOpener.hpp"

#include <gio/gio.h>

#include <cstdlib>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/Application.hpp"
#include "services/DesktopLauncher.hpp"
#include "util/OpenableLink.hpp"

namespace svc {
namespace {

URLOpener::LaunchFailed& launchFailed() {
  static URLOpener::LaunchFailed told;
  return told;
}

}  // namespace

bool URLOpener::hasDisplay() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wayland && *wayland);
}

bool URLOpener::openOnDesktop(const std::string& url) {
  MV_ASSERT_MAIN_THREAD();
  // Whoever asked, this is the last step before the desktop: nothing but a
  // web page or a mail, and of a mail nothing the mail program would do
  // beyond writing it.
  const auto link = mv::openableLink(url);
  if (!link || !hasDisplay()) return false;
  // Whether the desktop has a program for the address: its settings answer
  // at once. Starting the program may take long (a browser, a mail program
  // brought up through the session bus): the desktop's helper does it, and
  // is waited for off the main thread.
  char* scheme = g_uri_parse_scheme(link->c_str());
  const bool known = scheme && DesktopLauncher::hasApplicationFor(scheme);
  g_free(scheme);
  if (!known) return false;
  // Without a desktop session the helper runs the program itself and ends
  // with it: a failure long after the tap is the program's own end (a
  // browser that crashed), not a link that did not open.
  const double started = base::RunLoop::main().now();
  DesktopLauncher::launch({"xdg-open", *link}, [started](int status) {
    if (status == 0) return;
    MV_LOG("open: the desktop's helper ended with ", status);
    if (base::RunLoop::main().now() - started > kLaunchVerdictSeconds) return;
    if (const LaunchFailed told = launchFailed()) told(status);
  });
  return true;
}

void URLOpener::install(LaunchFailed told) {
  MV_ASSERT_MAIN_THREAD();
  launchFailed() = std::move(told);
  ui::Application::sharedInstance().setOpenURLHandler(&URLOpener::openOnDesktop);
}

}  // namespace svc
