#pragma once
// The single way features talk to the service: sends each request through
// the transport control, keeps it until its reply is delivered, decodes the
// reply with the request that asked for it, hands the statuses that end the
// session to the session handler and everything else to the request's
// receiver. Process-wide and main thread only; logout cancels its requests,
// the object stays.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sync/RequestInfoBase.hpp"
#include "sync/RequestInterfaceBase.hpp"
#include "sync/SessionEventSink.hpp"

namespace mv {

class NetworkModel : public HTTP_REC_RESPOND {
 public:
  static NetworkModel& sharedInstance();

  // A message answers its request code; a download answers its download id
  // (one transfer per file name; none at all for an empty list); -1 when
  // given nothing.
  int sendRequest(const std::shared_ptr<RequestInterfaceBase>& request);

  // Cancels the downloads of that file name; no result follows.
  void cancelDownloadReuest(const std::string& fileName);
  // Cancels the requests sent for `receiver`, and only those.
  void cancelRequestsOf(const NetworkRecDelegate* receiver);
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

  struct Entry {
    std::shared_ptr<RequestInterfaceBase> request;
    // Whom the request was sent for; compared, never called.
    const void* owner = nullptr;
  };

  void file(int requestCode, const std::shared_ptr<RequestInterfaceBase>& request, const void* owner);
  std::vector<int> removeOwnedBy(const void* owner);

  mutable std::mutex lock_;
  std::map<int, Entry> dicRequestList_;
  std::weak_ptr<SessionEventSink> sink_;
};

}  // namespace mv
