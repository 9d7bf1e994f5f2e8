#include "platform/base/PageWarmer.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace base {

namespace {
// Each step is one call, short enough that a stop is not kept waiting.
constexpr std::size_t kStep = std::size_t{1} << 20;
}  // namespace

void PageWarmer::start(void* data, std::size_t size) {
  stop();
  if (!data || size < kLeast) return;
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto from = reinterpret_cast<std::uintptr_t>(data);
  const auto begin = (from + page - 1) / page * page;
  const auto end = (from + size) / page * page;
  if (end <= begin) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
    waiting_ = false;
    filled_ = 0;
  }
  thread_ = std::thread([this, begin, end] { warm(reinterpret_cast<char*>(begin), reinterpret_cast<char*>(end)); });
}

void PageWarmer::warm(char* begin, char* end) {
  for (char* at = begin; at < end;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      while (!stopping_ && static_cast<std::size_t>(at - begin) >= filled_ + kLead) {
        waiting_ = true;
        changed_.wait(lock);
      }
      waiting_ = false;
      if (stopping_) return;
    }
    const std::size_t step = std::min<std::size_t>(kStep, static_cast<std::size_t>(end - at));
    // Faults the pages in writable without touching their bytes. A kernel
    // without it refuses, and the writer faults them in itself as before.
    if (::madvise(at, step, MADV_POPULATE_WRITE) != 0) return;
    at += step;
  }
}

void PageWarmer::filled(std::size_t bytes) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    filled_ = bytes;
    // Until the warming has looked again.
    waiting_ = false;
  }
  changed_.notify_all();
}

bool PageWarmer::waitingForFill() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return waiting_;
}

void PageWarmer::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void PageWarmer::finish() {
  filled(SIZE_MAX - kLead);
  if (thread_.joinable()) thread_.join();
}

}  // namespace base
