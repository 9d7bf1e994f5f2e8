#pragma once
// The one fake request sender of the tests: it records what a service sends
// and lets the test answer each request as the service would, through the
// handlers the request was sent with, and report a download's progress.
// Register it with the session's services (`wiring.services.add<RequestSender>(...)`)
// before they begin.
#include <memory>
#include <vector>

#include "platform/base/CancelTracker.hpp"
#include "sync/RequestSender.hpp"

namespace mv::test {

class FakeRequestSender : public RequestSender {
 public:
  // A download answers its download id, as the network model does; every
  // request gets its own `requestCode`, which its reply must carry.
  int send(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
           Handlers handlers) override;

  // Every request sent, in order.
  const std::vector<std::shared_ptr<RequestInterfaceBase>>& sent() const { return sent_; }
  // The last request of a command, or null.
  std::shared_ptr<RequestInterfaceBase> lastSent(int cmdCode) const;
  // The requests their sender's tracker cancelled, in order.
  const std::vector<std::shared_ptr<RequestInterfaceBase>>& cancelled() const { return state_->cancelled; }
  void clearSent() { sent_.clear(); }
  void clearCancelled() { state_->cancelled.clear(); }
  // Whether the request waits for its outcome (sent, neither answered nor
  // cancelled).
  bool isWaiting(const std::shared_ptr<RequestInterfaceBase>& request) const;

  // Delivers `reply` to the request its `requestCode` names, as a reply or as
  // the end of the session. False when no such request waits (answered
  // already, or its sender let go of it).
  bool answer(const std::shared_ptr<NetBaseRst>& reply);
  bool endSession(const std::shared_ptr<NetBaseRst>& reply);
  // Reports `share` (0 to 1) of a waiting download's first file, as the
  // transport does; false when the download does not wait.
  bool progress(const std::shared_ptr<RequestInterfaceBase>& download, float share);

 private:
  struct Waiting {
    std::shared_ptr<RequestInterfaceBase> request;
    base::CancelTracker::Ticket ticket;
    Handlers handlers;
  };
  // Shared with the cancel calls the trackers hold, which may outlive the
  // fake.
  struct State {
    std::vector<Waiting> waiting;
    std::vector<std::shared_ptr<RequestInterfaceBase>> cancelled;
  };
  bool deliver(const std::shared_ptr<NetBaseRst>& reply, bool ended);

  std::vector<std::shared_ptr<RequestInterfaceBase>> sent_;
  std::shared_ptr<State> state_ = std::make_shared<State>();
  int nextCode_ = 100;
};

}  // namespace mv::test
