#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "transport/HeaderMap.hpp"
#include "transport/ReplyFile.hpp"

namespace mv {

// The reply's status line and headers, known before its body.
struct ResponseHead {
  long status = 0;
  HeaderMap headers;
  std::int64_t partialSize = 0;     // bytes kept on disk that this reply continues
  std::int64_t expectedLength = -1; // bytes of this reply's body on the wire, -1 unknown
};

struct TransferProgress {
  std::int64_t received = 0;  // body bytes of the reply on the wire
  std::int64_t expected = -1;
  std::int64_t sent = 0;
  std::int64_t toSend = 0;
};

struct TransferResult {
  long status = 0;
  HeaderMap headers;
  std::string body;
  // The body, when it went to the request's spill file rather than `body`.
  std::shared_ptr<const ReplyFile> bodyFile;
  std::int64_t partialSize = 0;
  // The last reply's body on the wire: its announced length (-1 unknown) and
  // the bytes that came.
  std::int64_t expectedLength = -1;
  std::int64_t received = 0;
  long errorCode = 0;  // RequestError, 0 when an HTTP answer arrived
  std::string errorDetail;
  bool fileDelivered = false;  // a download's destination now holds the whole file
  bool requestSent = false;  // any byte of the request left the device
};

// Receives a transfer's events on the main thread.
class TransferObserver {
 public:
  virtual ~TransferObserver() = default;
  virtual void transferReceivedResponse(const ResponseHead& head) = 0;
  virtual void transferReceivedData(std::string chunk) = 0;
  virtual void transferProgressed(const TransferProgress& progress) = 0;
  virtual void transferEnded(TransferResult result) = 0;
};

}  // namespace mv
