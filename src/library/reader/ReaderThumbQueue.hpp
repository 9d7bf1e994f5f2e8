#pragma once
// The two serial queues of thumbnail work: fetches from disk on the load
// queue, renders on the work queue, so one disk read and one page render may
// run side by side. Within a queue, normal work runs before low work, in the
// order queued. Made on first use, lives as long as the process.
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace mv {

class ReaderThumbOperation;

class ReaderThumbQueue {
 public:
  static ReaderThumbQueue& sharedInstance();
  ~ReaderThumbQueue();
  ReaderThumbQueue(const ReaderThumbQueue&) = delete;
  ReaderThumbQueue& operator=(const ReaderThumbQueue&) = delete;

  void addLoadOperation(std::shared_ptr<ReaderThumbOperation> operation);
  void addWorkOperation(std::shared_ptr<ReaderThumbOperation> operation);
  // Holds both queues (load first) while it cancels every operation of the
  // document in them; running work is only flagged: it finishes, caches its
  // image and writes its file, and delivers nothing.
  void cancelOperationsWithGUID(const std::string& guid);
  void cancelAllOperations();
  // Holds both queues: no operation starts until they are let go (one that
  // runs finishes).
  void setSuspended(bool suspended);
  // Blocks until both queues are empty and idle (tests, benchmarks).
  void waitUntilIdle();

 private:
  class Lane;
  ReaderThumbQueue();
  std::unique_ptr<Lane> load_, work_;
};

}  // namespace mv
