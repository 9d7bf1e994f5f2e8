#pragma once
// The one way a feature sends a request to the service and hears its reply.
// The reply arrives on the main thread as the type its request decodes
// (`sendFor<UploadQuoteOrderRst>`), once, and only while the sender's
// tracker still holds the request; a reply whose status ended the session
// (the shell has told the user) goes to `onEnded` instead. A download also
// reports its share so far to `onProgress` (once per whole percent, never
// after its outcome or its cancelling), and a batch download the share of
// its files that have ended to `onShare`. The network model
// is the sender of the application; tests answer through a fake one.
// Main thread only.
#include <functional>
#include <memory>

#include "platform/base/CancelTracker.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "sync/NetBaseRst.hpp"
#include "sync/requests/RequestInfoBase.hpp"
#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

class RequestSender {
 public:
  using Reply = std::shared_ptr<NetBaseRst>;
  struct Handlers {
    std::function<void(const Reply&)> onReply;
    std::function<void(const Reply&)> onEnded;
    // A download's file name and share so far (`downloadPercent`, 0 to 1).
    std::function<void(const DownLoadRequestInfo&)> onProgress;
    // A batch download's files with an outcome over all its files, 0 to 1:
    // 1 once, before the last file's outcome.
    std::function<void(float)> onShare;
  };

  virtual ~RequestSender() = default;

  // Answers the request code (a download its download id); -1 when nothing
  // was sent.
  [[nodiscard]] virtual int send(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
                                 Handlers handlers) = 0;

  // The same with the reply cast once, here, to what the request decodes.
  template <typename R>
  [[nodiscard]] int sendFor(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
                            std::function<void(const R&)> onReply, std::function<void(const NetBaseRst&)> onEnded = {},
                            std::function<void(const DownLoadRequestInfo&)> onProgress = {},
                            std::function<void(float)> onShare = {}) {
    MV_ASSERT_MAIN_THREAD();
    Handlers handlers;
    handlers.onReply = [onReply = std::move(onReply)](const Reply& reply) {
      if (auto typed = std::dynamic_pointer_cast<R>(reply)) {
        onReply(*typed);
      } else {
        MV_LOG("a reply of another type than its request's was dropped");
      }
    };
    if (onEnded) {
      handlers.onEnded = [onEnded = std::move(onEnded)](const Reply& reply) {
        if (reply) onEnded(*reply);
      };
    }
    handlers.onProgress = std::move(onProgress);
    handlers.onShare = std::move(onShare);
    return send(request, tracker, std::move(handlers));
  }
};

}  // namespace mv
