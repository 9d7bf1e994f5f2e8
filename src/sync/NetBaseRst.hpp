#pragma once
// The outcome of one request as its receiver gets it: the service's status
// with its user-visible text, and (in subclasses) the decoded payload.
#include <string>

namespace mv {

class NetBaseRst {
 public:
  NetBaseRst() = default;
  virtual ~NetBaseRst() = default;
  NetBaseRst(const NetBaseRst&) = default;
  NetBaseRst& operator=(const NetBaseRst&) = default;

  int cmdCode = 0;
  // The code under which the request travelled.
  int requestCode = 0;
  // 0 when a reply arrived; for a failure made on the device: 6 connection
  // failure, 2 time-out, 3 authentication needed, 1 cancelled, 4 request could
  // not be created, -1 any other transport error.
  int httpRsp = 0;
  std::string status;
  std::string detail;
  // The text of the status in the interface language (never the reply's own).
  std::string message;
  // The server ("host:port") the request went to, so that a failure made on
  // the device can name it; empty when it never left.
  std::string server;

  bool isSuccess() const { return status == "200"; }
};

}  // namespace mv
