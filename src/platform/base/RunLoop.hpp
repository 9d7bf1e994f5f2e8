#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/base/Clock.hpp"

namespace base {

// Handle of a scheduled call; 0 is "none". Cancelling an unknown or already
// fired handle does nothing.
using TimerId = std::uint64_t;

// The main thread's event loop. Screens, models and database work all run on
// it; other threads hand results back with `post`. One turn runs, in order:
// every posted task and every due timer (by due time, then FIFO), then the
// end-of-turn observers (the view toolkit's layout and display pass).
class RunLoop {
 public:
  using Task = std::function<void()>;

  // The process-wide main loop. The thread that first calls `main()` (or that
  // calls `adoptCurrentThread`) is the main thread.
  static RunLoop& main();

  RunLoop();
  ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  // Queues a task for the next turn. Safe from any thread; FIFO per loop.
  void post(Task task);
  // Called on the posting thread after a post that finds no task waiting, so
  // that a loop that waits somewhere else (the desktop window waits for its
  // events) wakes for the task. It must be cheap and safe on any thread; an
  // empty one removes it.
  void setWakeHook(Task hook);
  // A delayed call on this loop (main-thread use). A delay of 0 runs next turn,
  // after the tasks already posted.
  TimerId after(double delaySeconds, Task task);
  // A repeating timer; the first call comes after one interval.
  TimerId every(double intervalSeconds, Task task);
  // Cancels a delayed call or timer. Safe from inside the task itself.
  void cancel(TimerId id);
  bool isScheduled(TimerId id) const;

  // Runs one turn: posted tasks, due timers, then end-of-turn observers.
  // Waits up to `maxWaitSeconds` (real clock only) for something to do.
  // Returns true when anything ran.
  bool runOnce(double maxWaitSeconds = 0);
  // Runs turns until `predicate` holds or `timeoutSeconds` pass on the loop's
  // clock. With a virtual clock the clock is advanced to the next timer when
  // nothing else is pending, so tests never sleep. Returns predicate().
  bool runUntil(const std::function<bool()>& predicate, double timeoutSeconds);
  // Runs every turn that is due now without advancing the clock.
  void drain();
  // Virtual clock: moves time forward by `seconds`, firing every timer that
  // falls due on the way in time order. Real clock: runs turns for that long.
  void advance(double seconds);
  // Runs until `quit` is called.
  void run();
  void quit();

  bool isMainThread() const;
  void adoptCurrentThread();

  // The clock. Tests install a VirtualClock before starting work.
  void setClock(std::shared_ptr<Clock> clock);
  Clock& clock() const;
  std::shared_ptr<Clock> clockPtr() const;
  double now() const;

  // Called at the end of every turn in which something ran (layout, display).
  using ObserverId = std::uint64_t;
  ObserverId addTurnObserver(Task observer);
  void removeTurnObserver(ObserverId id);

  // Drops every queued task and timer (between tests).
  void reset();

  // Number of pending timers and posted tasks (tests).
  std::size_t pendingCount() const;
  // Seconds on the loop's clock until a turn has something to run: 0 with a
  // task posted or a timer due, +inf with nothing pending.
  double secondsUntilDue() const;

 private:
  struct Timer {
    TimerId id;
    double due;
    double interval;  // 0 for one-shot
    std::uint64_t seq;
    Task task;
  };
  bool runDue(bool advanceVirtual);
  double nextDue() const;  // +inf when none

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Task> posted_;
  std::map<TimerId, Timer> timers_;
  std::map<ObserverId, Task> observers_;
  std::shared_ptr<const Task> wakeHook_;
  std::shared_ptr<Clock> clock_;
  std::atomic<std::thread::id> owner_;
  TimerId nextId_ = 1;
  std::uint64_t seq_ = 0;
  ObserverId nextObserver_ = 1;
  bool quit_ = false;
};

}  // namespace base
