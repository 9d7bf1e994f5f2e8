#pragma once
#include <string>

namespace base {

// A failure reported by a component, in a named domain such as
// "HTTPRequestErrorDomain" or "XMLErrorDomain".
struct Error {
  std::string domain;
  long code = 0;
  std::string description;
  std::string failureReason;
};

}  // namespace base
