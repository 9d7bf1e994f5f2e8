#include "transport/RequestError.hpp"

namespace mv {

namespace {
const char* describe(RequestError code) {
  switch (code) {
    case RequestError::None: return "No error";
    case RequestError::ConnectionFailure: return "A connection failure occurred";
    case RequestError::TimedOut: return "The request timed out";
    case RequestError::AuthenticationNeeded: return "Authentication needed";
    case RequestError::Cancelled: return "The request was cancelled";
    case RequestError::CannotCreateRequest: return "Unable to create request (bad url?)";
    case RequestError::TooManyRedirects: return "The request was redirected too many times";
    case RequestError::FileWriteFailed: return "Failed to write the downloaded file";
    case RequestError::DecodingFailed: return "The compressed reply could not be decoded";
    case RequestError::IncompleteFile: return "The server did not send the whole file";
    case RequestError::UntrustedCertificate: return "The server's certificate is not trusted";
    case RequestError::ReplyTooLarge: return "The reply is larger than the request accepts";
    case RequestError::RedirectRefused: return "The request was redirected, which it does not follow";
    case RequestError::NotTheFile: return "What arrived is not the file asked for";
    case RequestError::TooSlow: return "The reply came too slowly";
    case RequestError::NoRoom: return "There is not enough room on the disk for the file";
    case RequestError::WrongKindOfFile: return "What arrived is not a file of the kind asked for";
    case RequestError::FileCutShort: return "The file arrived cut short";
  }
  return "Unknown error";
}
}  // namespace

base::Error makeRequestError(RequestError code, const std::string& detail) {
  base::Error error;
  error.domain = kHTTPRequestErrorDomain;
  error.code = static_cast<long>(code);
  error.description = describe(code);
  error.failureReason = detail;
  return error;
}

}  // namespace mv
