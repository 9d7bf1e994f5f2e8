#pragma once
#include <string>

#include "platform/base/Error.hpp"

namespace mv {

// The domain of every failure a request reports.
inline constexpr const char* kHTTPRequestErrorDomain = "HTTPRequestErrorDomain";

// Codes of `FormDataRequest::error()`. 1 to 5 are what callers map to their own
// reply codes; the others are kept apart so they are never mistaken for those.
enum class RequestError : long {
  None = 0,
  ConnectionFailure = 1,     // refused, unreachable, reset, cut off mid-reply, TLS failure
  TimedOut = 2,              // no connection within the limit, or no bytes for that long
  AuthenticationNeeded = 3,  // credentials were given and the server refused them
  Cancelled = 4,
  CannotCreateRequest = 5,   // malformed URL, unsupported scheme, no handle
  TooManyRedirects = 8,
  FileWriteFailed = 9,       // the download file could not be written or moved into place
  DecodingFailed = 10,       // a compressed reply that does not inflate, or in an encoding not asked for
  IncompleteFile = 11,       // a download answer that did not carry the rest of the file
  UntrustedCertificate = 12, // the server's certificate did not pass the check
  ReplyTooLarge = 13,        // a reply body past the request's limit, as received or inflated
  RedirectRefused = 14,      // a redirect to a request that follows none
  NotTheFile = 15,           // a download whose bytes are not the file asked for (a page in its place)
  TooSlow = 16,              // bytes kept moving, but on average below the request's floor for its window
  NoRoom = 17,               // a download's file, or a reply's spill file, would take the room the disk keeps free
  WrongKindOfFile = 18,      // a download whose bytes are of no kind the file may be, and no page either
  FileCutShort = 19,         // a download of the file's own bytes that stop short of its end
};

base::Error makeRequestError(RequestError code, const std::string& detail = {});

}  // namespace mv
