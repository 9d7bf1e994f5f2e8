#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace base {

// A cancel flag shared between the one who queues a job and the job itself.
class CancelFlag {
 public:
  void cancel() { cancelled_->store(true); }
  bool isCancelled() const { return cancelled_->load(); }
  friend bool operator==(const CancelFlag& a, const CancelFlag& b) { return a.cancelled_ == b.cancelled_; }

 private:
  std::shared_ptr<std::atomic<bool>> cancelled_ = std::make_shared<std::atomic<bool>>(false);
};

// A pool of worker threads running at most `maxConcurrent` jobs at once, in
// FIFO order. A serial queue is a pool of one. Results go back to the main loop
// with `RunLoop::main().post`. Destroying the queue cancels queued jobs and
// joins the running ones.
class WorkQueue {
 public:
  using Job = std::function<void(const CancelFlag&)>;

  explicit WorkQueue(int maxConcurrent = 2);
  ~WorkQueue();
  WorkQueue(const WorkQueue&) = delete;
  WorkQueue& operator=(const WorkQueue&) = delete;

  static std::unique_ptr<WorkQueue> serial() { return std::make_unique<WorkQueue>(1); }
  // A shared background pool for short jobs (image decoding, thumbnails).
  static WorkQueue& global();

  // Queues a job; the returned flag cancels it (a job not started never runs;
  // a running job should look at the flag).
  CancelFlag async(Job job);
  // Runs `work` on the queue, then `done` with its result on the main loop
  // unless the flag was cancelled by then.
  template <typename R>
  CancelFlag async(std::function<R(const CancelFlag&)> work, std::function<void(R)> done);

  // Ends `value` on one of the queue's threads: for what takes its owner
  // long to free (tens of megabytes of text give their pages back to the
  // system for milliseconds), where the owner should not wait for it.
  template <typename T>
  void dispose(T value) {
    auto held = std::make_shared<T>(std::move(value));
    async([held = std::move(held)](const CancelFlag&) mutable { held.reset(); });
  }

  void cancelAll();
  // Blocks until every queued and running job has ended (tests, shutdown).
  void waitIdle();
  std::size_t pendingCount() const;

 private:
  void workerLoop();
  struct Item {
    Job job;
    CancelFlag flag;
  };
  int maxConcurrent_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::condition_variable idle_;
  std::deque<Item> items_;
  std::vector<std::thread> threads_;
  std::vector<CancelFlag> running_;
  int busy_ = 0;
  bool stopping_ = false;
};

}  // namespace base

#include "platform/base/RunLoop.hpp"

namespace base {
template <typename R>
CancelFlag WorkQueue::async(std::function<R(const CancelFlag&)> work, std::function<void(R)> done) {
  return async([work = std::move(work), done = std::move(done)](const CancelFlag& flag) {
    R result = work(flag);
    if (flag.isCancelled()) return;
    RunLoop::main().post([flag, done, result = std::move(result)]() mutable {
      if (!flag.isCancelled()) done(std::move(result));
    });
  });
}
}  // namespace base
