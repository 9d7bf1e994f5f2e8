#include "services/URLOpener.hpp"

#include <gio/gio.h>

#include <cstdlib>

#include "platform/ui/Application.hpp"

namespace svc {

bool URLOpener::hasDisplay() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wayland && *wayland);
}

bool URLOpener::openOnDesktop(const std::string& url) {
  if (url.empty() || !hasDisplay()) return false;
  GError* error = nullptr;
  gboolean opened = g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error);
  if (error) g_error_free(error);
  return opened;
}

void URLOpener::install() { ui::Application::sharedInstance().setOpenURLHandler(&URLOpener::openOnDesktop); }

}  // namespace svc
