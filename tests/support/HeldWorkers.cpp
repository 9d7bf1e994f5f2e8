#include "HeldWorkers.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/base/WorkQueue.hpp"

namespace mv::test {
namespace {
std::atomic<int> holders{0};
}  // namespace

struct HeldWorkers::State {
  std::mutex mutex;
  std::condition_variable changed;
  int holding = 0;
  bool released = false;
};

HeldWorkers::HeldWorkers(int workers) : state_(std::make_shared<State>()) {
  holders.fetch_add(1);
  for (int i = 0; i < workers; ++i) {
    base::WorkQueue::global().async([state = state_](const base::CancelFlag&) {
      std::unique_lock<std::mutex> lock(state->mutex);
      ++state->holding;
      state->changed.notify_all();
      state->changed.wait(lock, [&] { return state->released; });
    });
  }
  std::unique_lock<std::mutex> lock(state_->mutex);
  held_ = state_->changed.wait_for(lock, std::chrono::minutes(1), [&] { return state_->holding == workers; });
}

HeldWorkers::~HeldWorkers() { release(); }

void HeldWorkers::release() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (state_->released) return;
  state_->released = true;
  state_->changed.notify_all();
  holders.fetch_sub(1);
}

bool HeldWorkers::holding() { return holders.load() > 0; }

}  // namespace mv::test
