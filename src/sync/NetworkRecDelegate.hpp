#pragma once
// What a requester implements to hear about its requests. The network model
// never owns a receiver: it holds it weakly and drops calls to one that is gone.
#include <memory>

namespace mv {

class NetBaseRst;
class DownLoadRequestInfo;

class NetworkRecDelegate {
 public:
  virtual ~NetworkRecDelegate() = default;

  // The outcome of a request: the service's reply, or a failure made on the
  // device ("999", "404") with the transport's reason in `httpRsp`.
  virtual void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& result) = 0;
  // A single download's share received so far (about one chunk in forty).
  virtual void ReciveDownloadPercent(const DownLoadRequestInfo& /*info*/) {}
  // The session handler took the request's status (expired session, locked
  // user or device) and has told the user: the request is over, and the
  // receiver should reset quietly without an alert of its own.
  virtual void requestEndedBySession(const std::shared_ptr<NetBaseRst>& /*result*/) {}
  // The batch download queue's overall share, 0 to 1; 1 when it empties.
  virtual void setProgress(float /*progress*/) {}
};

}  // namespace mv
