#pragma once
// The one fake request sender of the tests: it records what a service sends
// and lets the test answer each request as the service would, through the
// handlers the request was sent with. Register it with the session's services
// (`wiring.services.add<RequestSender>(...)`) before they begin.
#include <memory>
#include <vector>

#include "platform/base/CancelTracker.hpp"
#include "sync/RequestSender.hpp"

namespace mv::test {

class FakeRequestSender : public RequestSender {
 public:
  int send(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
           Handlers handlers) override;

  // Every request sent, in order.
  const std::vector<std::shared_ptr<RequestInterfaceBase>>& sent() const { return sent_; }
  // The last request of a command, or null.
  std::shared_ptr<RequestInterfaceBase> lastSent(int cmdCode) const;
  // Delivers `reply` to the request its `requestCode` names, as a reply or as
  // the end of the session. False when no such request waits (answered
  // already, or its sender let go of it).
  bool answer(const std::shared_ptr<NetBaseRst>& reply);
  bool endSession(const std::shared_ptr<NetBaseRst>& reply);

 private:
  struct Waiting {
    int code = 0;
    base::CancelTracker::Ticket ticket;
    Handlers handlers;
  };
  bool deliver(const std::shared_ptr<NetBaseRst>& reply, bool ended);

  std::vector<std::shared_ptr<RequestInterfaceBase>> sent_;
  std::vector<Waiting> waiting_;
  int nextCode_ = 100;
};

}  // namespace mv::test
