#include "FakeRequestSender.hpp"

#include <algorithm>

namespace mv::test {

int FakeRequestSender::send(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
                            Handlers handlers) {
  if (!request) return -1;
  const int code = ++nextCode_;
  request->requestCode = code;
  sent_.push_back(request);
  Waiting waiting;
  waiting.code = code;
  waiting.ticket = tracker.track([] {});
  waiting.handlers = std::move(handlers);
  waiting_.push_back(std::move(waiting));
  return code;
}

std::shared_ptr<RequestInterfaceBase> FakeRequestSender::lastSent(int cmdCode) const {
  for (auto it = sent_.rbegin(); it != sent_.rend(); ++it) {
    if ((*it)->cmdCode == cmdCode) return *it;
  }
  return nullptr;
}

bool FakeRequestSender::answer(const std::shared_ptr<NetBaseRst>& reply) { return deliver(reply, false); }

bool FakeRequestSender::endSession(const std::shared_ptr<NetBaseRst>& reply) { return deliver(reply, true); }

bool FakeRequestSender::deliver(const std::shared_ptr<NetBaseRst>& reply, bool ended) {
  if (!reply) return false;
  auto it = std::find_if(waiting_.begin(), waiting_.end(),
                         [&](const Waiting& w) { return w.code == reply->requestCode; });
  if (it == waiting_.end()) return false;
  Waiting waiting = std::move(*it);
  waiting_.erase(it);
  if (!waiting.ticket.finish()) return false;
  const auto& handler = ended ? waiting.handlers.onEnded : waiting.handlers.onReply;
  if (handler) handler(reply);
  return true;
}

}  // namespace mv::test
