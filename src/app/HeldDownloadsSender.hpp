#pragma once
// The session's request sender during the tour: every request goes to the
// network model, except that while it holds, a download stays running (and
// at the share the tour reports) for as long as the tour wants to show one.
#include <map>
#include <memory>

#include "sync/NetworkModel.hpp"
#include "sync/RequestSender.hpp"
#include "sync/requests/RequestDownload.hpp"

namespace mv {

class HeldDownloadsSender : public RequestSender {
 public:
  int send(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
           Handlers handlers) override {
    auto download = std::dynamic_pointer_cast<RequestDownload>(request);
    if (!holding_ || !download) return NetworkModel::sharedSender()->send(request, tracker, std::move(handlers));
    const int code = ++lastCode_;
    held_[code] = Held{download, tracker.track([this, code] { held_.erase(code); }), std::move(handlers)};
    return download->downloadId;
  }
  void hold(bool on) { holding_ = on; }
  // Reports `share` of every held download.
  void report(float share) {
    auto held = held_;
    for (auto& [code, h] : held) {
      if (!h.ticket.isLive() || !h.handlers.onProgress || h.request->fileNameList.empty()) continue;
      DownLoadRequestInfo info;
      info.fileId = h.request->fileId;
      info.imgType = h.request->imgType;
      info.downloadId = h.request->downloadId;
      info.fileName = h.request->fileNameList.front();
      info.downloadPercent = share;
      h.handlers.onProgress(info);
    }
  }

 private:
  struct Held {
    std::shared_ptr<RequestDownload> request;
    base::CancelTracker::Ticket ticket;
    Handlers handlers;
  };
  bool holding_ = false;
  int lastCode_ = 0;
  std::map<int, Held> held_;
};

}  // namespace mv
