#include "shell/frame/DesktopLink.hpp"

#include "platform/base/Log.hpp"
#include "platform/ui/Application.hpp"
#include "shell/frame/ScreenAlert.hpp"
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
  if (ui::Application::sharedInstance().openURL(url)) return true;
  ScreenAlert{0, text("LINKOPENFAILED"), text("NOAPPFORLINK"), text("OK"), {}}.showOnce({});
  return false;
}

}  // namespace mv
