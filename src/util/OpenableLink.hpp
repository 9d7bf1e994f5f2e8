#pragma once
// Which addresses from documents or from the service may reach the desktop
// opener: web pages and mail, nothing that opens files or programs on the
// device.
#include <optional>
#include <string>

namespace mv {

// `address` when it names the scheme "http", "https" or "mailto" (in any
// case); nothing for any other scheme ("file", "javascript", ...) and for an
// address with no scheme. A mail address comes narrowed (`mailForDesktop`).
std::optional<std::string> openableLink(const std::string& address);

// A "mailto:" address as the desktop's mail program may take it: only the
// recipients (the address part, "to", "cc" and "bcc"), the subject and the
// body, each spelt out anew. Whatever else it asks ("attach" a file of the
// device, headers of its own) the mail program would do for the link's
// author, so it is dropped, and so is a recipient that is no plain address.
std::string mailForDesktop(const std::string& mailto);

}  // namespace mv
