#pragma once
// The one queue that fits decoded pictures into their image views (product
// cards, the image browser, the library's cards). It runs on the main
// thread, one operation per turn of the main loop so that touches and
// scrolling go first, the highest priority first and otherwise in the order
// added. It is never held back. Main thread only.
#include <deque>
#include <memory>

#include "platform/base/CancelTracker.hpp"
#include "widgets/ImageLoadOperation.hpp"

namespace mv {

class ImageLoadQueueManager {
 public:
  // The queue of the process, made on first use and never freed.
  static ImageLoadQueueManager& sharedInstance();

  // Queues the operation; with `unique` every operation still waiting is
  // cancelled first.
  void loadImageWithOperation(std::shared_ptr<ImageLoadOperation> operation, bool unique);
  // Operations waiting to run (cancelled ones included until their turn).
  std::size_t operationCount() const { return queue_.size(); }

  ImageLoadQueueManager(const ImageLoadQueueManager&) = delete;
  ImageLoadQueueManager& operator=(const ImageLoadQueueManager&) = delete;

 private:
  ImageLoadQueueManager() = default;
  void schedule();
  void runNext();

  std::deque<std::shared_ptr<ImageLoadOperation>> queue_;
  // The main loop's call that runs the next operation, while one is due.
  base::CancelTracker turn_;
};

}  // namespace mv
