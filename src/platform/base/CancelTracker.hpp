#pragma once
// Everything one owner has under way: its delayed calls on the main loop and
// the requests and downloads it sent, each registered with how to stop it.
// When the owner abandons a run (`cancelAll`) or ends (the destructor), all of
// it is cancelled at once, so no reply, timer or late completion of a finished
// run reaches its owner. Owners hold one tracker per thing they may abandon as
// a whole (a sync run, a sign-in attempt, a backup) instead of keeping run ids,
// request lists and timer slots by hand.
//
// The layer that carries the work out (the network model, for requests) keeps
// the `Ticket` of each piece and calls `finish` when it completes on its own:
// a false answer means the owner no longer wants the outcome.
//
// Main thread only.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace base {

class CancelTracker {
  struct State;

 public:
  // Names one piece of tracked work or one delayed call; 0 is "none".
  using Id = std::uint64_t;
  using Task = std::function<void()>;

  // The carrier's handle on one piece of work. Copyable, and safe to keep
  // after the tracker is gone.
  class Ticket {
   public:
    Ticket() = default;
    // The work completed by itself: it is forgotten without being cancelled.
    // True when the owner still wants its outcome (it was neither cancelled
    // nor finished before, and the tracker lives).
    bool finish();
    bool isLive() const;
    Id id() const { return id_; }

   private:
    friend class CancelTracker;
    Ticket(std::weak_ptr<State> state, Id id) : state_(std::move(state)), id_(id) {}
    std::weak_ptr<State> state_;
    Id id_ = 0;
  };

  // "Now", as far as cancelling goes: valid until the tracker cancels
  // everything or ends. For code that calls out (a delegate may end the run)
  // and must know afterwards whether to go on.
  class Mark {
   public:
    Mark() = default;
    bool isValid() const;

   private:
    friend class CancelTracker;
    Mark(std::weak_ptr<State> state, std::uint64_t generation) : state_(std::move(state)), generation_(generation) {}
    std::weak_ptr<State> state_;
    std::uint64_t generation_ = 0;
  };

  CancelTracker();
  // Cancels everything still under way.
  ~CancelTracker();
  CancelTracker(const CancelTracker&) = delete;
  CancelTracker& operator=(const CancelTracker&) = delete;

  // Registers work under way; `cancel` stops it and is called at most once,
  // and never after the ticket finished.
  Ticket track(Task cancel);
  // A delayed call on the main loop, cancelled with everything else. A delay
  // of 0 runs on the next turn.
  Id after(double delaySeconds, Task task);
  // Cancels one delayed call or piece of work; nothing when it is no longer
  // tracked.
  void cancel(Id id);
  // Cancels everything under way and invalidates every mark and guard made so
  // far. The tracker stays usable for the next run.
  void cancelAll();

  bool isTracked(Id id) const;
  std::size_t count() const;
  bool empty() const { return count() == 0; }

  Mark mark() const;
  // `task`, made to do nothing once the tracker cancelled everything or
  // ended: for completions that come back through something that cannot be
  // cancelled (a worker's result, a notification, a callback of another
  // object).
  Task guard(Task task) const;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace base
