#pragma once
// Sends a test's requests as a feature does, through `sendFor<Reply>`, and
// records what their handlers are told: each reply (a copy of the type its
// request decodes; the reply itself stays the sender's), each reply whose
// status ended the session, a download's percentages and a batch's share.
// Requests sent without a tracker of the test's are held by the recorder's
// own: a recorder that is gone takes them with it.
#include <functional>
#include <memory>
#include <vector>

#include "platform/base/CancelTracker.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/requests/RequestDownload.hpp"

namespace mv::test {

class Recorder : public std::enable_shared_from_this<Recorder> {
 public:
  std::vector<std::shared_ptr<NetBaseRst>> results;
  std::vector<std::shared_ptr<NetBaseRst>> ended;
  // The outcomes of downloads, as their own type (also in `results`).
  std::vector<std::shared_ptr<DownloadRst>> downloads;
  std::vector<DownLoadRequestInfo> percents;
  std::vector<float> progress;
  // Told each reply after it is recorded.
  std::function<void(const std::shared_ptr<NetBaseRst>&)> onResult;
  base::CancelTracker requests;

  // Sends `request` through `sender` (the network model unless given), held
  // by `tracker` (the recorder's own unless given); `onReply` also hears the
  // typed reply. Answers what the sender answers.
  template <typename Reply = NetBaseRst>
  int send(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker* tracker = nullptr,
           std::function<void(const Reply&)> onReply = {}, RequestSender* sender = nullptr) {
    std::weak_ptr<Recorder> weak = weak_from_this();
    RequestSender& to = sender ? *sender : NetworkModel::sharedInstance();
    return to.sendFor<Reply>(
        request, tracker ? *tracker : requests,
        [weak, onReply = std::move(onReply)](const Reply& reply) {
          auto self = weak.lock();
          if (!self) return;
          auto copy = std::make_shared<Reply>(reply);
          if constexpr (std::is_same_v<Reply, DownloadRst>) self->downloads.push_back(copy);
          self->results.push_back(copy);
          if (onReply) onReply(reply);
          if (self->onResult) self->onResult(copy);
        },
        [weak](const NetBaseRst& reply) {
          if (auto self = weak.lock()) self->ended.push_back(std::make_shared<NetBaseRst>(reply));
        },
        [weak](const DownLoadRequestInfo& info) {
          if (auto self = weak.lock()) self->percents.push_back(info);
        },
        [weak](float share) {
          if (auto self = weak.lock()) self->progress.push_back(share);
        });
  }

  // The result of that request code, or null.
  std::shared_ptr<NetBaseRst> resultFor(int requestCode) const {
    for (const auto& r : results) {
      if (r->requestCode == requestCode) return r;
    }
    return nullptr;
  }
};

}  // namespace mv::test
