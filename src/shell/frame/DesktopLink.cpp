#include "shell/frame/DesktopLink.hpp"

#include "platform/base/Log.hpp"
#include "platform/ui/Application.hpp"
#include "services/DesktopLauncher.hpp"
#include "services/URLOpener.hpp"
#include "shell/frame/ScreenAlert.hpp"
#include "util/OpenableLink.hpp"
#include "util/TextLookup.hpp"

namespace mv {

bool openLinkOnDesktop(svc::WebView& page, const std::string& url, bool byUser) {
  if (!byUser) {
    MV_LOG("a page's script asked to open ", url, " on the desktop: refused");
    return false;
  }
  if (!page.takeLaunchAllowance()) {
    MV_LOG("a page asked to open ", url, " on the desktop with no tap left to allow it: refused");
    return false;
  }
  const auto link = openableLink(url);
  if (!link) {
    MV_LOG("a page asked to open ", url, " on the desktop: not a web or mail address, refused");
    return false;
  }
  if (ui::Application::sharedInstance().openURL(*link)) return true;
  ScreenAlert{0, text("LINKOPENFAILED"), text("NOAPPFORLINK"), text("OK"), {}}.showOnce({});
  return false;
}

void installDesktopLinkOpener() {
  svc::URLOpener::install([](int status) {
    const char* message = status == svc::DesktopLauncher::kNoApplication ? "NOAPPFORLINK" : "LINKNOTSTARTED";
    ScreenAlert{0, text("LINKOPENFAILED"), text(message), text("OK"), {}}.showOnce({});
  });
}

}  // namespace mv
