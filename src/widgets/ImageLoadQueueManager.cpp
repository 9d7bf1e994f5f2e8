#include "widgets/ImageLoadQueueManager.hpp"

#include <algorithm>

#include "platform/base/MainThread.hpp"

namespace mv {

ImageLoadQueueManager& ImageLoadQueueManager::sharedInstance() {
  static ImageLoadQueueManager* manager = new ImageLoadQueueManager();
  return *manager;
}

void ImageLoadQueueManager::loadImageWithOperation(std::shared_ptr<ImageLoadOperation> operation, bool unique) {
  MV_ASSERT_MAIN_THREAD();
  if (unique) {
    for (auto& waiting : queue_) waiting->cancel();
  }
  if (operation) queue_.push_back(std::move(operation));
  schedule();
}

void ImageLoadQueueManager::schedule() {
  if (queue_.empty() || !turn_.empty()) return;
  turn_.after(0, [this] {
    runNext();
    schedule();
  });
}

void ImageLoadQueueManager::runNext() {
  MV_ASSERT_MAIN_THREAD();
  // Cancelled operations leave without running.
  for (auto& op : queue_) {
    if (op->isCancelled()) op->start();
  }
  std::erase_if(queue_, [](const auto& op) { return op->isFinished(); });
  if (queue_.empty()) return;
  // The first of the highest priority: max_element keeps the earliest of equals.
  auto next = std::max_element(queue_.begin(), queue_.end(), [](const auto& a, const auto& b) {
    return a->queuePriority() < b->queuePriority();
  });
  auto op = *next;
  queue_.erase(next);
  op->start();
}

}  // namespace mv
