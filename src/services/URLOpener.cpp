#include "services/URLOpener.hpp"

#include <gio/gio.h>

#include <cstdlib>

#include "platform/base/Log.hpp"
#include "platform/ui/Application.hpp"
#include "services/DesktopLauncher.hpp"

namespace svc {

bool URLOpener::hasDisplay() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wayland && *wayland);
}

bool URLOpener::openOnDesktop(const std::string& url) {
  if (url.empty() || !hasDisplay()) return false;
  // Whether the desktop has a program for the address: its settings answer
  // at once. Starting the program may take long (a browser, a mail
  // program brought up through the session bus): the desktop's helper does
  // it, and is waited for off the main thread.
  char* scheme = g_uri_parse_scheme(url.c_str());
  GAppInfo* program = scheme ? g_app_info_get_default_for_uri_scheme(scheme) : nullptr;
  g_free(scheme);
  if (!program) return false;
  g_object_unref(program);
  DesktopLauncher::launch({"xdg-open", url}, [](int status) {
    if (status != 0) MV_LOG("open: the desktop's helper ended with ", status);
  });
  return true;
}

void URLOpener::install() { ui::Application::sharedInstance().setOpenURLHandler(&URLOpener::openOnDesktop); }

}  // namespace svc
