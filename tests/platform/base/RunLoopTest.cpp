#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "TestEnvironment.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"

using mv::test::TestEnvironment;

class RunLoopTest : public TestEnvironment {};

TEST_F(RunLoopTest, TimersFireInTimeOrderAndCancelledOnesNever) {
  auto& loop = base::RunLoop::main();
  std::vector<std::string> fired;
  loop.after(0.3, [&] { fired.push_back("c"); });
  loop.after(0.1, [&] { fired.push_back("a"); });
  base::TimerId cancelled = loop.after(0.2, [&] { fired.push_back("x"); });
  loop.after(0.1, [&] { fired.push_back("b"); });  // same due time: FIFO
  loop.after(0, [&] { fired.push_back("now"); });
  loop.cancel(cancelled);
  loop.cancel(9999999);  // unknown ids are ignored

  advance(0.05);
  EXPECT_EQ(fired, (std::vector<std::string>{"now"}));
  advance(0.1);
  EXPECT_EQ(fired, (std::vector<std::string>{"now", "a", "b"}));
  advance(1);
  EXPECT_EQ(fired, (std::vector<std::string>{"now", "a", "b", "c"}));
  EXPECT_FALSE(loop.isScheduled(cancelled));
}

TEST_F(RunLoopTest, RepeatingTimerCancelsItselfAndDelayedCallsSeeTheClock) {
  auto& loop = base::RunLoop::main();
  int ticks = 0;
  base::TimerId id = 0;
  id = loop.every(0.5, [&] {
    if (++ticks == 3) loop.cancel(id);
  });
  double start = loop.now();
  double firedAt = -1;
  loop.after(1.25, [&] { firedAt = loop.now() - start; });
  advance(10);
  EXPECT_EQ(ticks, 3);
  EXPECT_DOUBLE_EQ(firedAt, 1.25);
  // A call scheduled from inside a timer waits for its own delay.
  int nested = 0;
  loop.after(1, [&] { loop.after(1, [&] { ++nested; }); });
  advance(1.5);
  EXPECT_EQ(nested, 0);
  advance(0.5);
  EXPECT_EQ(nested, 1);
}

TEST_F(RunLoopTest, PostsFromOtherThreadsArriveInOrderAndRunUntilGivesUp) {
  auto& loop = base::RunLoop::main();
  std::vector<int> got;
  std::thread t([&] {
    for (int i = 0; i < 100; ++i) loop.post([&got, i] { got.push_back(i); });
  });
  t.join();
  EXPECT_TRUE(runUntil([&] { return got.size() == 100; }, 5));
  for (int i = 0; i < 100; ++i) EXPECT_EQ(got[static_cast<std::size_t>(i)], i);

  double start = loop.now();
  EXPECT_FALSE(runUntil([] { return false; }, 3));
  EXPECT_GE(loop.now() - start, 3.0);

  // A predicate that becomes true by a timer is seen without waiting for the deadline.
  bool done = false;
  loop.after(2, [&] { done = true; });
  start = loop.now();
  EXPECT_TRUE(runUntil([&] { return done; }, 100));
  EXPECT_LT(loop.now() - start, 2.5);
}

TEST_F(RunLoopTest, PostsWakeAWaiterElsewhereAndTellWhenWorkIsDue) {
  auto& loop = base::RunLoop::main();
  std::atomic<int> wakes{0};
  loop.setWakeHook([&] { ++wakes; });
  EXPECT_EQ(loop.secondsUntilDue(), std::numeric_limits<double>::infinity());
  loop.after(2.5, [] {});
  EXPECT_DOUBLE_EQ(loop.secondsUntilDue(), 2.5);
  std::thread([&] { loop.post([] {}); }).join();
  EXPECT_EQ(wakes.load(), 1);
  EXPECT_EQ(loop.secondsUntilDue(), 0);
  loop.drain();
  loop.advance(1.0);
  EXPECT_DOUBLE_EQ(loop.secondsUntilDue(), 1.5);
  loop.setWakeHook(nullptr);
  loop.post([] {});
  EXPECT_EQ(wakes.load(), 1);
  loop.advance(2.0);
  EXPECT_EQ(loop.secondsUntilDue(), std::numeric_limits<double>::infinity());
}

TEST_F(RunLoopTest, TurnObserversRunAfterTheTurnsWork) {
  auto& loop = base::RunLoop::main();
  std::vector<std::string> order;
  auto obs = loop.addTurnObserver([&] { order.push_back("layout"); });
  loop.post([&] { order.push_back("task1"); });
  loop.post([&] { order.push_back("task2"); });
  loop.drain();
  loop.removeTurnObserver(obs);
  loop.post([&] { order.push_back("task3"); });
  loop.drain();
  EXPECT_EQ(order, (std::vector<std::string>{"task1", "task2", "layout", "task3"}));
}

TEST_F(RunLoopTest, WorkQueueLimitsConcurrencyAndDeliversOnTheMainLoop) {
  base::WorkQueue queue(2);
  std::atomic<int> running{0}, peak{0}, done{0};
  for (int i = 0; i < 8; ++i) {
    queue.async([&](const base::CancelFlag&) {
      int now = ++running;
      int p = peak.load();
      while (now > p && !peak.compare_exchange_weak(p, now)) {
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      --running;
      ++done;
    });
  }
  queue.waitIdle();
  EXPECT_EQ(done.load(), 8);
  EXPECT_LE(peak.load(), 2);

  // Results come back through the main loop, and a cancelled one never does.
  int delivered = 0;
  std::thread::id deliveredOn;
  queue.async<int>([](const base::CancelFlag&) { return 41; },
                   [&](int v) {
                     delivered = v + 1;
                     deliveredOn = std::this_thread::get_id();
                   });
  auto flag = queue.async<int>([](const base::CancelFlag&) { return 1; }, [&](int) { delivered = -1; });
  flag.cancel();
  queue.waitIdle();
  EXPECT_TRUE(runUntil([&] { return delivered != 0; }, 5));
  base::RunLoop::main().drain();
  EXPECT_EQ(delivered, 42);
  EXPECT_EQ(deliveredOn, std::this_thread::get_id());
}

// What is disposed of ends on a worker thread, once and whole, by the time
// the queue is idle; a stopped queue ends it at once.
TEST_F(RunLoopTest, WorkQueueEndsWhatItIsGivenToDisposeOfOnAWorker) {
  struct Marker {
    std::thread::id* endedOn;
    int* ends;
    std::string text;
    Marker(std::thread::id* where, int* count, std::string t) : endedOn(where), ends(count), text(std::move(t)) {}
    Marker(Marker&& other) noexcept
        : endedOn(std::exchange(other.endedOn, nullptr)), ends(other.ends), text(std::move(other.text)) {}
    Marker(const Marker&) = delete;
    ~Marker() {
      if (!endedOn) return;
      *endedOn = std::this_thread::get_id();
      ++*ends;
      EXPECT_EQ(text, std::string(3000, 'x'));  // moved in whole
    }
  };
  std::thread::id endedOn;
  int ends = 0;
  auto queue = std::make_unique<base::WorkQueue>(1);
  queue->dispose(Marker(&endedOn, &ends, std::string(3000, 'x')));
  queue->waitIdle();
  EXPECT_EQ(ends, 1);
  EXPECT_NE(endedOn, std::thread::id());
  EXPECT_NE(endedOn, std::this_thread::get_id());

  // Held back behind a job that runs until cancelled, then cancelled with
  // it: it ends, once, on the thread that cancels.
  queue->async([](const base::CancelFlag& flag) {
    while (!flag.isCancelled()) std::this_thread::yield();
  });
  queue->dispose(Marker(&endedOn, &ends, std::string(3000, 'x')));
  EXPECT_EQ(ends, 1);
  queue->cancelAll();
  EXPECT_EQ(ends, 2);
  EXPECT_EQ(endedOn, std::this_thread::get_id());
  queue.reset();
  EXPECT_EQ(ends, 2);
}

TEST_F(RunLoopTest, TrackerCancelsEverythingOfAnAbandonedRunAndOfItsOwner) {
  auto tracker = std::make_unique<base::CancelTracker>();
  std::vector<std::string> events;
  int cancels = 0;

  // A run: two delayed steps, two pieces of work, a mark and a guarded callback.
  tracker->after(1, [&] { events.push_back("step"); });
  const base::CancelTracker::Id late = tracker->after(2, [&] { events.push_back("late"); });
  auto done = tracker->track([&] { ++cancels; });
  auto pending = tracker->track([&] { ++cancels; });
  const base::CancelTracker::Mark mark = tracker->mark();
  auto guarded = tracker->guard([&] { events.push_back("guarded"); });
  EXPECT_EQ(tracker->count(), 4u);

  advance(1.5);
  EXPECT_EQ(events, (std::vector<std::string>{"step"}));
  // Work that completes by itself is forgotten, not cancelled, and only once.
  EXPECT_TRUE(done.finish());
  EXPECT_FALSE(done.finish());
  EXPECT_TRUE(tracker->isTracked(late));
  EXPECT_EQ(tracker->count(), 2u);

  // Abandoning the run: the late step never fires, the pending work is
  // cancelled once, marks and guards of the run go stale; the tracker is
  // ready for the next run.
  tracker->cancelAll();
  EXPECT_EQ(cancels, 1);
  EXPECT_FALSE(pending.isLive());
  EXPECT_FALSE(pending.finish());
  EXPECT_FALSE(mark.isValid());
  guarded();
  advance(5);
  EXPECT_EQ(events, (std::vector<std::string>{"step"}));
  EXPECT_TRUE(tracker->empty());

  // The next run; a step cancelled alone, and one that cancels its own run
  // from inside (the tracked work is cancelled exactly once).
  const base::CancelTracker::Id dropped = tracker->after(1, [&] { events.push_back("dropped"); });
  tracker->cancel(dropped);
  tracker->cancel(dropped);
  tracker->track([&] { ++cancels; });
  tracker->after(0.5, [&] {
    events.push_back("ends run");
    tracker->cancelAll();
  });
  auto nextMark = tracker->mark();
  EXPECT_TRUE(nextMark.isValid());
  advance(2);
  EXPECT_EQ(events, (std::vector<std::string>{"step", "ends run"}));
  EXPECT_EQ(cancels, 2);
  EXPECT_FALSE(nextMark.isValid());

  // The owner ends: whatever it still had under way is cancelled with it,
  // and what the carriers kept of it is harmless.
  tracker->after(1, [&] { events.push_back("after owner"); });
  auto orphan = tracker->track([&] { ++cancels; });
  auto ownerMark = tracker->mark();
  tracker.reset();
  EXPECT_EQ(cancels, 3);
  EXPECT_FALSE(orphan.finish());
  EXPECT_FALSE(ownerMark.isValid());
  advance(2);
  EXPECT_EQ(events.back(), "ends run");
}
