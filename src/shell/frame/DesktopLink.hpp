#pragma once
// Links that web pages and books hand to the desktop's browser or mail
// program. A page's scripts run on their own, so only a link the user's own
// tap followed is opened; one that nothing on the desktop takes is told.
#include <string>

namespace mv {

// Opens `url` through the application when `byUser`; false when it did not
// open (an alert says so when the desktop had nothing to open it with).
bool openLinkOnDesktop(const std::string& url, bool byUser);

}  // namespace mv
