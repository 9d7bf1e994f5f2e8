#include "platform/base/Log.hpp"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace base {
namespace {
std::atomic<bool> gEnabled{true};
// Any thread logs; the lock keeps each line whole.
std::mutex gMutex;
}  // namespace

bool logEnabled() { return gEnabled.load(std::memory_order_relaxed); }
void setLogEnabled(bool enabled) { gEnabled.store(enabled); }

void logLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(gMutex);
  std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace base
