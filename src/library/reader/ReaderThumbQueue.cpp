#include "library/reader/ReaderThumbQueue.hpp"

#include <algorithm>
#include <vector>

#include "library/reader/ReaderThumbOperation.hpp"

namespace mv {

// One serial queue: a thread running one operation at a time, normal work
// before low work, and a hold that keeps it from starting the next one.
class ReaderThumbQueue::Lane {
 public:
  Lane() : thread_([this] { run(); }) {}
  ~Lane() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

  void add(std::shared_ptr<ReaderThumbOperation> op) {
    if (!op) return;
    {
      std::lock_guard lock(mutex_);
      // After the last queued operation of the same or a higher priority.
      auto pos = std::find_if(queued_.begin(), queued_.end(), [&](const auto& q) {
        return static_cast<int>(q->queuePriority()) < static_cast<int>(op->queuePriority());
      });
      queued_.insert(pos, std::move(op));
    }
    wake_.notify_all();
  }

  void setSuspended(bool on) {
    {
      std::lock_guard lock(mutex_);
      suspended_ = on;
    }
    wake_.notify_all();
  }

  // Takes the queued operations that `match` out; the running one, if it
  // matches, is answered too (to be flagged).
  template <typename Match>
  std::vector<std::shared_ptr<ReaderThumbOperation>> take(const Match& match) {
    std::vector<std::shared_ptr<ReaderThumbOperation>> out;
    std::lock_guard lock(mutex_);
    for (auto it = queued_.begin(); it != queued_.end();) {
      if (match(**it)) {
        out.push_back(std::move(*it));
        it = queued_.erase(it);
      } else {
        ++it;
      }
    }
    if (running_ && match(*running_)) out.push_back(running_);
    return out;
  }

  bool idle() const {
    std::lock_guard lock(mutex_);
    return queued_.empty() && !running_;
  }

  void waitIdle() {
    std::unique_lock lock(mutex_);
    idleWake_.wait(lock, [&] { return queued_.empty() && !running_; });
  }

 private:
  void run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return stopping_ || (!suspended_ && !queued_.empty()); });
      if (stopping_) return;
      running_ = std::move(queued_.front());
      queued_.pop_front();
      auto op = running_;
      lock.unlock();
      if (!op->isCancelled()) op->main();
      op.reset();
      lock.lock();
      running_.reset();
      idleWake_.notify_all();
    }
  }

  mutable std::mutex mutex_;
  std::condition_variable wake_, idleWake_;
  std::deque<std::shared_ptr<ReaderThumbOperation>> queued_;
  std::shared_ptr<ReaderThumbOperation> running_;
  bool suspended_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

ReaderThumbQueue& ReaderThumbQueue::sharedInstance() {
  static ReaderThumbQueue queue;
  return queue;
}

ReaderThumbQueue::ReaderThumbQueue() : load_(std::make_unique<Lane>()), work_(std::make_unique<Lane>()) {}

ReaderThumbQueue::~ReaderThumbQueue() = default;

void ReaderThumbQueue::addLoadOperation(std::shared_ptr<ReaderThumbOperation> operation) {
  load_->add(std::move(operation));
}

void ReaderThumbQueue::addWorkOperation(std::shared_ptr<ReaderThumbOperation> operation) {
  work_->add(std::move(operation));
}

void ReaderThumbQueue::cancelOperationsWithGUID(const std::string& guid) {
  load_->setSuspended(true);
  work_->setSuspended(true);
  auto match = [&](const ReaderThumbOperation& op) { return op.guid() == guid; };
  auto ops = load_->take(match);
  auto more = work_->take(match);
  ops.insert(ops.end(), more.begin(), more.end());
  for (auto& op : ops) op->cancel();
  work_->setSuspended(false);
  load_->setSuspended(false);
}

void ReaderThumbQueue::cancelAllOperations() {
  auto all = [](const ReaderThumbOperation&) { return true; };
  auto ops = load_->take(all);
  auto more = work_->take(all);
  ops.insert(ops.end(), more.begin(), more.end());
  for (auto& op : ops) op->cancel();
}

void ReaderThumbQueue::setSuspended(bool suspended) {
  load_->setSuspended(suspended);
  work_->setSuspended(suspended);
}

void ReaderThumbQueue::waitUntilIdle() {
  // A fetch may hand over to a render: wait until both rest at once.
  while (!(load_->idle() && work_->idle())) {
    load_->waitIdle();
    work_->waitIdle();
  }
}

}  // namespace mv
