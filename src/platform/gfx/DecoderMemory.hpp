#pragma once
// What decoders hold while they work, beyond what they give back, shared by
// every thread: a progressive JPEG keeps what it has read of every block of
// the picture until its last scan, whatever size it is read at, so several
// of those at once would add up. A decode that needs more than is left
// waits; one that needs more than the whole runs alone. Any thread.
#include <atomic>
#include <cstddef>

namespace gfx {

class DecoderMemory {
 public:
  static constexpr std::size_t kBudget = std::size_t(128) << 20;

  static DecoderMemory& shared() {
    // Never destroyed: decodes on worker threads may outlive the statics.
    static auto* memory = new DecoderMemory();
    return *memory;
  }

  class Hold {
   public:
    Hold(DecoderMemory& memory, std::size_t bytes) : memory_(memory), bytes_(bytes) { memory_.take(bytes_); }
    ~Hold() { memory_.give(bytes_); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    DecoderMemory& memory_;
    std::size_t bytes_;
  };

 private:
  // The count itself is what waiters wait on (a futex underneath), so no
  // lock is held around it.
  void take(std::size_t bytes) {
    std::size_t held = held_.load();
    for (;;) {
      if (held == 0 || held + bytes <= kBudget) {
        if (held_.compare_exchange_weak(held, held + bytes)) return;
        continue;
      }
      held_.wait(held);
      held = held_.load();
    }
  }
  void give(std::size_t bytes) {
    held_.fetch_sub(bytes);
    held_.notify_all();
  }

  std::atomic<std::size_t> held_{0};
};

}  // namespace gfx
