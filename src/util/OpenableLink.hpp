#pragma once
// Which addresses from documents or from the service may reach the desktop
// opener: web pages and mail, nothing that opens files or programs on the
// device.
#include <optional>
#include <string>

namespace mv {

// `address` when it names the scheme "http", "https" or "mailto" (in any
// case); nothing for any other scheme ("file", "javascript", ...) and for an
// address with no scheme.
std::optional<std::string> openableLink(const std::string& address);

}  // namespace mv
