#include "platform/base/CancelTracker.hpp"

#include <utility>
#include <vector>

#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"

namespace base {

struct CancelTracker::State {
  struct Entry {
    Task cancel;         // tracked work
    TimerId timer = 0;   // or a delayed call
  };
  std::map<Id, Entry> entries;
  Id nextId = 1;
  std::uint64_t generation = 0;
};

namespace {

void stop(TimerId timer, CancelTracker::Task& cancel) {
  if (timer) RunLoop::main().cancel(timer);
  if (cancel) cancel();
}

}  // namespace

bool CancelTracker::Ticket::finish() {
  MV_ASSERT_MAIN_THREAD();
  auto state = state_.lock();
  state_.reset();
  return state && state->entries.erase(id_) > 0;
}

bool CancelTracker::Ticket::isLive() const {
  auto state = state_.lock();
  return state && state->entries.count(id_) > 0;
}

bool CancelTracker::Mark::isValid() const {
  auto state = state_.lock();
  return state && state->generation == generation_;
}

CancelTracker::CancelTracker() : state_(std::make_shared<State>()) {}

CancelTracker::~CancelTracker() {
  cancelAll();
  state_.reset();
}

CancelTracker::Ticket CancelTracker::track(Task cancel) {
  MV_ASSERT_MAIN_THREAD();
  const Id id = state_->nextId++;
  state_->entries.emplace(id, State::Entry{std::move(cancel), 0});
  return Ticket(state_, id);
}

CancelTracker::Id CancelTracker::after(double delaySeconds, Task task) {
  MV_ASSERT_MAIN_THREAD();
  const Id id = state_->nextId++;
  std::weak_ptr<State> weak = state_;
  const TimerId timer = RunLoop::main().after(delaySeconds, [weak, id, task = std::move(task)] {
    auto state = weak.lock();
    if (!state || state->entries.erase(id) == 0) return;
    task();
  });
  state_->entries.emplace(id, State::Entry{nullptr, timer});
  return id;
}

void CancelTracker::cancel(Id id) {
  MV_ASSERT_MAIN_THREAD();
  auto it = state_->entries.find(id);
  if (it == state_->entries.end()) return;
  State::Entry entry = std::move(it->second);
  state_->entries.erase(it);
  stop(entry.timer, entry.cancel);
}

void CancelTracker::cancelAll() {
  MV_ASSERT_MAIN_THREAD();
  ++state_->generation;
  // Taken out first: a cancel call may track new work or reach this tracker.
  std::map<Id, State::Entry> entries;
  entries.swap(state_->entries);
  for (auto& [id, entry] : entries) stop(entry.timer, entry.cancel);
}

bool CancelTracker::isTracked(Id id) const { return state_->entries.count(id) > 0; }

std::size_t CancelTracker::count() const { return state_->entries.size(); }

CancelTracker::Mark CancelTracker::mark() const { return Mark(state_, state_->generation); }

CancelTracker::Task CancelTracker::guard(Task task) const {
  return [mark = mark(), task = std::move(task)] {
    if (mark.isValid()) task();
  };
}

}  // namespace base
