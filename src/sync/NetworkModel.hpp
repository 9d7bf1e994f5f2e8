#pragma once
// The single way features talk to the service: sends each request through
// the transport control, keeps it until its reply is delivered, decodes the
// reply with the request that asked for it, hands the statuses that end the
// session to the session handler and everything else to the request's
// receiver. Process-wide and main thread only; logout cancels its requests,
// the object stays.
//
// Owners send through their `base::CancelTracker`: the tracker can then cancel
// every request and download it sent (the run was abandoned, the owner
// ended), and a reply reaches its receiver only while the tracker still holds
// the request.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/CancelTracker.hpp"
#include "sync/RequestSender.hpp"
#include "sync/requests/RequestInfoBase.hpp"
#include "sync/requests/RequestInterfaceBase.hpp"
#include "sync/SessionEventSink.hpp"

namespace mv {

class NetworkModel : public HTTP_REC_RESPOND, public RequestSender {
 public:
  static NetworkModel& sharedInstance();
  // The network model as the session's request sender; never destroyed.
  static std::shared_ptr<RequestSender> sharedSender();

  // A message answers its request code; a download answers its download id
  // (one transfer per file name; none at all for an empty list); -1 when
  // given nothing.
  int sendRequest(const std::shared_ptr<RequestInterfaceBase>& request);
  // The same, held by `tracker`: each transfer (one per file of a download)
  // is cancelled with it, and its reply is delivered only while the tracker
  // still holds it.
  int sendRequest(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker);
  // The same, with the outcome handed to `handlers` (the request's own
  // receiver is replaced).
  int send(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
           Handlers handlers) override;

  // Cancels every request (logout); replies still under way are dropped.
  void cancelAllRequests();

  // The session handler; not owned.
  void setSessionEventSink(std::weak_ptr<SessionEventSink> sink);

  void ReciveHttpRespond(RequestInfoBase& info) override;

  // Requests waiting for their reply (a download counts once per file).
  std::size_t requestCount() const;

  NetworkModel(const NetworkModel&) = delete;
  NetworkModel& operator=(const NetworkModel&) = delete;

 private:
  NetworkModel() = default;
  ~NetworkModel() override = default;
  class Relay;

  struct Entry {
    std::shared_ptr<RequestInterfaceBase> request;
    // The owner's hold on the request, when it was sent through a tracker.
    std::optional<base::CancelTracker::Ticket> ticket;
    // The receiver of a request sent with handlers, held until its outcome.
    std::shared_ptr<NetworkRecDelegate> relay;
  };

  int send(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker* tracker,
           const std::shared_ptr<NetworkRecDelegate>& relay = nullptr);
  void file(int requestCode, const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker* tracker,
            std::shared_ptr<NetworkRecDelegate> relay = nullptr);
  // Cancels one transfer silently (its tracker dropped it).
  void cancelTransfer(int requestCode);

  std::map<int, Entry> dicRequestList_;
  std::weak_ptr<SessionEventSink> sink_;
};

}  // namespace mv
