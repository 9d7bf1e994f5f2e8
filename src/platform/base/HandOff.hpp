#pragma once
// Work that one side makes on a thread of its own while the calling thread
// takes each piece as it comes, in order: reading a large reply beside the
// storing of what was read so far, where the storing must stay on the
// calling thread. The other thread lives only inside the call, so nothing of
// it outlives its caller.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace base {

// A bounded queue from one producing thread to one consuming thread. The
// producer waits while it is full, so what is made never runs far ahead of
// what is taken.
template <typename T>
class HandOff {
 public:
  explicit HandOff(std::size_t capacity) : capacity_(capacity > 0 ? capacity : 1) {}
  HandOff(const HandOff&) = delete;
  HandOff& operator=(const HandOff&) = delete;

  // The producer's side: false, with `item` dropped, once the consumer has
  // closed the queue. The items the consumer is done with end here, on the
  // producer's thread.
  [[nodiscard]] bool push(T&& item) {
    std::deque<T> spent;
    std::unique_lock<std::mutex> lock(mutex_);
    roomy_.wait(lock, [&] { return closed_ || items_.size() < capacity_; });
    spent.swap(spent_);
    if (closed_) return false;
    items_.push_back(std::move(item));
    filled_.notify_one();
    lock.unlock();
    return true;
  }
  // The producer's side: nothing more comes.
  void finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    filled_.notify_one();
  }

  // The consumer's side: the next item, or nothing once the producer has
  // finished and every item was taken (or the queue was closed).
  std::optional<T> pop() {
    std::unique_lock<std::mutex> lock(mutex_);
    filled_.wait(lock, [&] { return closed_ || finished_ || !items_.empty(); });
    if (closed_ || items_.empty()) return std::nullopt;
    T item = std::move(items_.front());
    items_.pop_front();
    roomy_.notify_one();
    return item;
  }
  // The consumer's side: an item it is done with goes back, to end on the
  // producer's thread, which made it (ending what another thread allocated
  // costs more, and would hold up the consumer).
  void giveBack(T&& item) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!closed_) spent_.push_back(std::move(item));
  }
  // The consumer's side: it takes nothing more; what is queued is dropped and
  // every later push is refused.
  void close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    items_.clear();
    roomy_.notify_one();
    filled_.notify_one();
  }

 private:
  const std::size_t capacity_;
  std::mutex mutex_;
  std::condition_variable roomy_;
  std::condition_variable filled_;
  std::deque<T> items_;
  std::deque<T> spent_;
  bool finished_ = false;
  bool closed_ = false;
};

// Runs `produce(hand)` on a thread of its own while this thread calls
// `take(item)` with each item it hands over, in the order handed. Once
// `take` answers false it is called no more: what is still queued is dropped
// and `hand(item)` answers false from then on, so the producer need only
// finish its own work. Returns when both are done; an exception of either
// side comes out here, after the other thread has ended.
template <typename T, typename Produce, typename Take>
void produceBeside(std::size_t capacity, Produce produce, Take take) {
  HandOff<T> queue(capacity);
  std::exception_ptr failed;
  const std::function<bool(T&&)> hand = [&queue](T&& item) { return queue.push(std::move(item)); };
  std::thread producer([&] {
    try {
      produce(hand);
    } catch (...) {
      failed = std::current_exception();
    }
    queue.finish();
  });
  // Closing first lets a producer waiting for room go on, also when `take`
  // throws.
  struct Join {
    HandOff<T>& queue;
    std::thread& thread;
    ~Join() {
      queue.close();
      thread.join();
    }
  };
  {
    Join join{queue, producer};
    while (std::optional<T> item = queue.pop()) {
      if (!take(*item)) break;
      queue.giveBack(std::move(*item));
    }
  }
  if (failed) std::rethrow_exception(failed);
}

}  // namespace base
