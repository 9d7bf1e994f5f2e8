#include "platform/base/WorkQueue.hpp"

#include <algorithm>

namespace base {

WorkQueue::WorkQueue(int maxConcurrent) : maxConcurrent_(std::max(1, maxConcurrent)) {
  for (int i = 0; i < maxConcurrent_; ++i) threads_.emplace_back([this] { workerLoop(); });
}

WorkQueue::~WorkQueue() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    for (auto& item : items_) item.flag.cancel();
    items_.clear();
    for (auto& f : running_) f.cancel();
  }
  cv_.notify_all();
  for (auto& t : threads_) t.join();
}

WorkQueue& WorkQueue::global() {
  static WorkQueue* queue = new WorkQueue(2);  // lives until exit; threads may still run then
  return *queue;
}

CancelFlag WorkQueue::async(Job job) {
  CancelFlag flag;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) {
      flag.cancel();
      return flag;
    }
    items_.push_back(Item{std::move(job), flag});
  }
  cv_.notify_one();
  return flag;
}

void WorkQueue::workerLoop() {
  for (;;) {
    Item item;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      cv_.wait(lock, [this] { return stopping_ || !items_.empty(); });
      if (stopping_ && items_.empty()) return;
      item = std::move(items_.front());
      items_.pop_front();
      if (item.flag.isCancelled()) {
        if (items_.empty() && busy_ == 0) idle_.notify_all();
        continue;
      }
      ++busy_;
      running_.push_back(item.flag);
    }
    item.job(item.flag);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      --busy_;
      auto it = std::find(running_.begin(), running_.end(), item.flag);
      if (it != running_.end()) running_.erase(it);
      if (items_.empty() && busy_ == 0) idle_.notify_all();
    }
  }
}

void WorkQueue::cancelAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& item : items_) item.flag.cancel();
  items_.clear();
  for (auto& f : running_) f.cancel();
  if (busy_ == 0) idle_.notify_all();
}

void WorkQueue::waitIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return items_.empty() && busy_ == 0; });
}

std::size_t WorkQueue::pendingCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return items_.size() + static_cast<std::size_t>(busy_);
}

}  // namespace base
