#include "FakeRequestSender.hpp"

#include <algorithm>

#include "sync/requests/RequestDownload.hpp"

namespace mv::test {

int FakeRequestSender::send(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
                            Handlers handlers) {
  if (!request) return -1;
  const int code = ++nextCode_;
  request->requestCode = code;
  sent_.push_back(request);
  Waiting waiting;
  waiting.request = request;
  waiting.ticket = tracker.track([weak = std::weak_ptr<State>(state_), code] {
    auto state = weak.lock();
    if (!state) return;
    auto it = std::find_if(state->waiting.begin(), state->waiting.end(),
                           [code](const Waiting& w) { return w.request->requestCode == code; });
    if (it == state->waiting.end()) return;
    state->cancelled.push_back(it->request);
    state->waiting.erase(it);
  });
  waiting.handlers = std::move(handlers);
  state_->waiting.push_back(std::move(waiting));
  if (auto download = std::dynamic_pointer_cast<RequestDownload>(request)) return download->downloadId;
  return code;
}

std::shared_ptr<RequestInterfaceBase> FakeRequestSender::lastSent(int cmdCode) const {
  for (auto it = sent_.rbegin(); it != sent_.rend(); ++it) {
    if ((*it)->cmdCode == cmdCode) return *it;
  }
  return nullptr;
}

bool FakeRequestSender::isWaiting(const std::shared_ptr<RequestInterfaceBase>& request) const {
  return std::any_of(state_->waiting.begin(), state_->waiting.end(),
                     [&](const Waiting& w) { return w.request == request && w.ticket.isLive(); });
}

bool FakeRequestSender::answer(const std::shared_ptr<NetBaseRst>& reply) { return deliver(reply, false); }

bool FakeRequestSender::endSession(const std::shared_ptr<NetBaseRst>& reply) { return deliver(reply, true); }

bool FakeRequestSender::deliver(const std::shared_ptr<NetBaseRst>& reply, bool ended) {
  if (!reply) return false;
  auto& waiting = state_->waiting;
  auto it = std::find_if(waiting.begin(), waiting.end(),
                         [&](const Waiting& w) { return w.request->requestCode == reply->requestCode; });
  if (it == waiting.end()) return false;
  Waiting found = std::move(*it);
  waiting.erase(it);
  if (!found.ticket.finish()) return false;
  const auto& handler = ended ? found.handlers.onEnded : found.handlers.onReply;
  if (handler) handler(reply);
  return true;
}

bool FakeRequestSender::progress(const std::shared_ptr<RequestInterfaceBase>& request, float share) {
  auto download = std::dynamic_pointer_cast<RequestDownload>(request);
  if (!download || !isWaiting(request)) return false;
  auto it = std::find_if(state_->waiting.begin(), state_->waiting.end(),
                         [&](const Waiting& w) { return w.request == request; });
  // The handler may cancel its own download while it is told.
  auto onProgress = it->handlers.onProgress;
  if (!onProgress) return true;
  DownLoadRequestInfo info;
  info.requestType = download->requestType;
  info.cmdCode = download->cmdCode;
  info.requestCode = download->requestCode;
  info.fileId = download->fileId;
  info.downloadId = download->downloadId;
  info.imgType = download->imgType;
  info.progressType = download->progressType;
  info.fileName = download->fileNameList.empty() ? std::string() : download->fileNameList.front();
  info.downloadPercent = share;
  onProgress(info);
  return true;
}

}  // namespace mv::test
