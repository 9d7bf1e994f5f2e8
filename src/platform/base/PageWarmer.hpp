#pragma once
// Memory that is about to be filled from the front, faulted in ahead of the
// filling on a thread of its own. A large reply body reserved at once is
// fresh memory: the thread that writes it would otherwise stop at every new
// page, which on a virtual machine costs as much again as receiving the bytes.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

namespace base {

class PageWarmer {
 public:
  // Smaller ranges are not worth a thread.
  static constexpr std::size_t kLeast = std::size_t{4} << 20;
  // How far the warming runs ahead of what is filled: a range announced far
  // larger than what comes is not made resident for nothing.
  static constexpr std::size_t kLead = std::size_t{8} << 20;

  PageWarmer() = default;
  ~PageWarmer() { stop(); }
  PageWarmer(const PageWarmer&) = delete;
  PageWarmer& operator=(const PageWarmer&) = delete;

  // Starts warming the whole pages of [data, data + size), after stopping
  // any warming under way. A range smaller than kLeast is left alone. The
  // memory must stay allocated until `stop` returns; the warming reads and
  // writes none of its bytes, so the owner may fill it meanwhile.
  void start(void* data, std::size_t size);
  // The owner has filled `bytes` from the start of the range.
  void filled(std::size_t bytes);
  // Ends the warming where it is and waits for its thread: call it before
  // the memory is freed or moved.
  void stop();
  // Lets the warming run to the end of its range, whatever is filled, and
  // waits for it.
  void finish();
  // Whether a warming thread was started and not yet stopped or finished.
  bool running() const { return thread_.joinable(); }
  // Whether the warming waits for more to be filled (tests).
  bool waitingForFill() const;

 private:
  void warm(char* begin, char* end);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t filled_ = 0;
  bool stopping_ = false;
  bool waiting_ = false;
  std::thread thread_;
};

}  // namespace base
