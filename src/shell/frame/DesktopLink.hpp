#pragma once
// Links that web pages and books hand to the desktop's browser or mail
// program. A page's scripts run on their own, so only a link the user's own
// tap followed is opened, and one tap opens one at most, however many its
// page's script asks for; one that nothing on the desktop takes is told. Only
// web and mail addresses go, a mail narrowed to what it may ask.
#include <string>

#include "services/WebView.hpp"

namespace mv {

// Opens `url` of the page through the application when `byUser` and the
// page's last tap allows a launch still (taking it); false when it did not
// open (an alert says so when the desktop had nothing to open it with).
bool openLinkOnDesktop(svc::WebView& page, const std::string& url, bool byUser);

// Links open in the desktop's browser and mail program (svc::URLOpener),
// and a program the desktop could not start is told.
void installDesktopLinkOpener();

}  // namespace mv
