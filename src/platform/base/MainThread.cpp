#include "platform/base/MainThread.hpp"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/base/RunLoop.hpp"

namespace base {
namespace {
std::atomic<bool> fatalChecks{false};
}  // namespace

void setMainThreadChecksFatal(bool fatal) { fatalChecks.store(fatal); }

bool mainThreadChecksFatal() { return fatalChecks.load(); }

void assertMainThread(const char* function) {
  if (RunLoop::main().isMainThread()) return;
  // Written whatever the log switch says: this is a fault, not a trace.
  std::fprintf(stderr, "%s called off the main thread\n", function);
  if (fatalChecks.load()) std::abort();
}

void assertOnThread(std::thread::id owner, const char* function) {
  if (std::this_thread::get_id() == owner) return;
  std::fprintf(stderr, "%s called off the thread that owns it\n", function);
  if (fatalChecks.load()) std::abort();
}

}  // namespace base
