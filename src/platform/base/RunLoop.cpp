#include "platform/base/RunLoop.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include "platform/base/Log.hpp"
#include "platform/base/OutsideWork.hpp"

namespace base {

namespace {
std::atomic<int> outsideWork{0};
std::atomic<int> awaitedReads{0};
}  // namespace

void beginAwaitedRead() {
  awaitedReads.fetch_add(1);
  outsideWork.fetch_add(1);
}
void endAwaitedRead() {
  outsideWork.fetch_sub(1);
  awaitedReads.fetch_sub(1);
}
bool awaitedReadsUnderWay() { return awaitedReads.load() > 0; }
std::shared_ptr<const void> holdAwaitedRead() {
  beginAwaitedRead();
  return std::shared_ptr<const void>(nullptr, [](const void*) { endAwaitedRead(); });
}

void beginOutsideWork() { outsideWork.fetch_add(1); }
void endOutsideWork() { outsideWork.fetch_sub(1); }
bool outsideWorkUnderWay() { return outsideWork.load() > 0; }
std::shared_ptr<const void> holdOutsideWork() {
  beginOutsideWork();
  return std::shared_ptr<const void>(nullptr, [](const void*) { endOutsideWork(); });
}

RunLoop& RunLoop::main() {
  static RunLoop* loop = new RunLoop();  // never destroyed: posts may arrive during exit
  return *loop;
}

RunLoop::RunLoop() : clock_(std::make_shared<RealClock>()), owner_(std::this_thread::get_id()) {}

RunLoop::~RunLoop() = default;

void RunLoop::adoptCurrentThread() { owner_.store(std::this_thread::get_id()); }

// Lock-free: every main-thread assertion asks it.
bool RunLoop::isMainThread() const { return owner_.load() == std::this_thread::get_id(); }

void RunLoop::post(Task task) {
  std::shared_ptr<const Task> hook;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Only the first task of a batch wakes the loop: it runs every task
    // posted before its turn, and a waiter checks for tasks under the lock.
    const bool first = posted_.empty();
    posted_.push_back(std::move(task));
    if (!first) return;
    hook = wakeHook_;
  }
  wake_.notify_all();
  if (hook) (*hook)();
}

void RunLoop::setWakeHook(Task hook) {
  std::lock_guard<std::mutex> lock(mutex_);
  wakeHook_ = hook ? std::make_shared<const Task>(std::move(hook)) : nullptr;
}

TimerId RunLoop::after(double delaySeconds, Task task) {
  if (!(delaySeconds >= 0)) delaySeconds = 0;  // also catches NaN
  std::lock_guard<std::mutex> lock(mutex_);
  TimerId id = nextId_++;
  timers_.emplace(id, Timer{id, clock_->now() + delaySeconds, 0, seq_++, std::move(task)});
  wake_.notify_all();
  return id;
}

TimerId RunLoop::every(double intervalSeconds, Task task) {
  // A zero interval would spin the loop forever inside one advance.
  if (!(intervalSeconds > 0)) intervalSeconds = 1e-3;
  std::lock_guard<std::mutex> lock(mutex_);
  TimerId id = nextId_++;
  timers_.emplace(id, Timer{id, clock_->now() + intervalSeconds, intervalSeconds, seq_++, std::move(task)});
  wake_.notify_all();
  return id;
}

void RunLoop::cancel(TimerId id) {
  if (id == 0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  timers_.erase(id);
}

bool RunLoop::isScheduled(TimerId id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timers_.count(id) != 0;
}

void RunLoop::setClock(std::shared_ptr<Clock> clock) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Keep pending timers at the same distance from "now" on the new clock.
  double oldNow = clock_->now();
  double newNow = clock->now();
  for (auto& [id, t] : timers_) t.due = newNow + (t.due - oldNow);
  clock_ = std::move(clock);
}

Clock& RunLoop::clock() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return *clock_;
}

std::shared_ptr<Clock> RunLoop::clockPtr() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return clock_;
}

double RunLoop::now() const { return clockPtr()->now(); }

RunLoop::ObserverId RunLoop::addTurnObserver(Task observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  ObserverId id = nextObserver_++;
  observers_.emplace(id, std::move(observer));
  return id;
}

void RunLoop::removeTurnObserver(ObserverId id) {
  std::lock_guard<std::mutex> lock(mutex_);
  observers_.erase(id);
}

double RunLoop::nextDue() const {
  double best = std::numeric_limits<double>::infinity();
  for (auto& [id, t] : timers_) best = std::min(best, t.due);
  return best;
}

// One turn: the tasks posted before the turn began, then every timer due at
// the turn's start in (due, FIFO) order, then the end-of-turn observers.
bool RunLoop::runDue(bool) {
  std::deque<Task> tasks;
  std::vector<TimerId> due;
  double now;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks.swap(posted_);
    now = clock_->now();
    std::vector<const Timer*> ready;
    for (auto& [id, t] : timers_)
      if (t.due <= now) ready.push_back(&t);
    std::sort(ready.begin(), ready.end(), [](const Timer* a, const Timer* b) {
      return a->due != b->due ? a->due < b->due : a->seq < b->seq;
    });
    for (auto* t : ready) due.push_back(t->id);
  }
  bool ran = !tasks.empty();
  for (auto& task : tasks) task();
  for (TimerId id : due) {
    Task task;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = timers_.find(id);
      if (it == timers_.end()) continue;  // cancelled by an earlier task this turn
      if (it->second.interval > 0) {
        task = it->second.task;
        // Catch up without bursts: the next call is one interval after now.
        it->second.due = std::max(it->second.due + it->second.interval, now);
        if (it->second.due <= now) it->second.due = now + it->second.interval;
        it->second.seq = seq_++;
      } else {
        task = std::move(it->second.task);
        timers_.erase(it);
      }
    }
    ran = true;
    task();
  }
  if (ran) {
    std::vector<Task> obs;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto& [id, o] : observers_) obs.push_back(o);
    }
    for (auto& o : obs) o();
  }
  return ran;
}

bool RunLoop::runOnce(double maxWaitSeconds) {
  if (runDue(false)) return true;
  if (maxWaitSeconds <= 0) return false;
  auto clock = clockPtr();
  if (clock->isVirtual()) return false;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    double wait = std::min(maxWaitSeconds, nextDue() - clock_->now());
    if (posted_.empty() && wait > 0 && !quit_) {
      wake_.wait_for(lock, std::chrono::duration<double>(wait));
    }
  }
  return runDue(false);
}

void RunLoop::drain() {
  // Bounded so a task that re-posts itself forever cannot hang a test.
  for (int i = 0; i < 10000 && runDue(false); ++i) {
  }
}

bool RunLoop::runUntil(const std::function<bool()>& predicate, double timeoutSeconds) {
  auto clock = clockPtr();
  double deadline = clock->now() + timeoutSeconds;
  while (!predicate()) {
    if (runDue(false)) continue;
    double now = clock->now();
    if (now >= deadline) return predicate();
    if (clock->isVirtual() && outsideWorkUnderWay()) {
      // The clock follows real time while the work goes on elsewhere.
      auto* vc = static_cast<VirtualClock*>(clock.get());
      const auto before = std::chrono::steady_clock::now();
      {
        std::unique_lock<std::mutex> lock(mutex_);
        if (posted_.empty()) wake_.wait_for(lock, std::chrono::milliseconds(1));
      }
      const double spent = std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
      vc->advanceBy(std::min(spent, deadline - now));
      continue;
    }
    if (clock->isVirtual()) {
      auto* vc = static_cast<VirtualClock*>(clock.get());
      double next;
      bool posted;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        next = nextDue();
        posted = !posted_.empty();
      }
      if (posted) continue;
      if (next > deadline) {
        // Nothing left on the loop before the deadline; other threads may
        // still post (real I/O), so give them a moment of real time.
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait_for(lock, std::chrono::milliseconds(2));
        if (!posted_.empty()) continue;
        if (next == std::numeric_limits<double>::infinity()) {
          // Advance in small steps so work handed back from threads is seen.
          lock.unlock();
          vc->advanceBy(std::min(0.01, deadline - now));
          continue;
        }
        lock.unlock();
        vc->advanceBy(deadline - now);
        continue;
      }
      if (next > now) vc->advanceBy(next - now);
    } else {
      std::unique_lock<std::mutex> lock(mutex_);
      double wait = std::min(deadline - now, nextDue() - now);
      wait = std::min(wait, 0.05);
      if (posted_.empty() && wait > 0) wake_.wait_for(lock, std::chrono::duration<double>(wait));
    }
  }
  return true;
}

void RunLoop::advance(double seconds) {
  auto clock = clockPtr();
  if (!clock->isVirtual()) {
    double deadline = clock->now() + seconds;
    while (clock->now() < deadline) runOnce(std::min(0.01, deadline - clock->now()));
    drain();
    return;
  }
  auto* vc = static_cast<VirtualClock*>(clock.get());
  double target = vc->now() + seconds;
  drain();
  for (;;) {
    double next;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      next = nextDue();
    }
    if (next > target) break;
    if (next > vc->now()) vc->advanceBy(next - vc->now());
    drain();
  }
  if (target > vc->now()) vc->advanceBy(target - vc->now());
  drain();
}

void RunLoop::run() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = false;
  }
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (quit_) break;
    }
    runOnce(0.05);
  }
}

void RunLoop::quit() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
}

void RunLoop::reset() {
  std::deque<Task> tasks;
  std::map<TimerId, Timer> timers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks.swap(posted_);
    timers.swap(timers_);
    quit_ = false;
  }
  // Destroyed outside the lock: a task's captures may post or cancel.
}

double RunLoop::secondsUntilDue() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!posted_.empty()) return 0;
  return std::max(0.0, nextDue() - clock_->now());
}

std::size_t RunLoop::pendingCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return posted_.size() + timers_.size();
}

}  // namespace base
