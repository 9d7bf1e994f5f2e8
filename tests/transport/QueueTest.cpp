#include <algorithm>
#include <mutex>
#include <set>

#include "TransportFixture.hpp"
#include "platform/base/RunLoop.hpp"
#include "transport/NetworkEngine.hpp"
#include "transport/NetworkQueue.hpp"

namespace mv::test {
namespace {

using Req = httplib::Request;
using Res = httplib::Response;

class QueueTest : public TransportTest {
 protected:
  void SetUp() override {
    TransportTest::SetUp();
    // Each request holds its slot for a while, so overlaps are visible.
    server.http().Get(R"(/busy/(\d+))", [this](const Req& req, Res& res) {
      enter(std::stoi(req.matches[1]));
      server.waitOrStop(0.3);
      --current;
      res.set_content(std::string(50000, 'b'), "application/octet-stream");
    });
    server.http().Get("/long", [this](const Req&, Res& res) {
      enter(-1);
      res.set_chunked_content_provider("application/octet-stream", [this](size_t, httplib::DataSink& sink) {
        if (!server.waitOrStop(0.05)) {
          --current;
          return false;
        }
        sink.write("data", 4);
        return true;
      });
    });
    server.http().Get("/quick", [this](const Req&, Res& res) {
      res.set_content("done", "text/plain");
      ++served;
    });
    server.start();
  }

  void enter(int index) {
    int now = ++current;
    int seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
    std::lock_guard<std::mutex> lock(mutex);
    order.push_back(index);
    ++served;
  }

  std::shared_ptr<FormDataRequest> op(const std::string& path) {
    return std::make_shared<FormDataRequest>(server.url(path));
  }

  std::atomic<int> current{0};
  std::atomic<int> peak{0};
  std::atomic<int> served{0};
  std::mutex mutex;
  std::vector<int> order;
};

TEST_F(QueueTest, CancelledOrClearedOperationsNeverReportAfterwards) {
  // Cancelled while data flows: one failure, error 4, nothing after it.
  auto running = op("/long");
  Recorder r1;
  r1.wantsData = true;
  running->setDelegate(&r1);
  ASSERT_TRUE(running->startAsynchronous());
  ASSERT_TRUE(runUntil([&] { return !r1.chunks.empty(); }, 5));
  running->cancel();
  EXPECT_TRUE(running->isCancelled());
  runUntil([] { return false; }, 0.3);
  EXPECT_EQ(r1.finished, 0);
  EXPECT_EQ(r1.failed, 1);
  EXPECT_EQ(r1.errorCodes, std::vector<long>{4});

  // Cleared while data flows: silence.
  auto cleared = op("/long");
  Recorder r2;
  r2.wantsData = true;
  cleared->setDelegate(&r2);
  ASSERT_TRUE(cleared->startAsynchronous());
  ASSERT_TRUE(runUntil([&] { return !r2.chunks.empty(); }, 5));
  cleared->clearDelegatesAndCancel();
  const size_t chunksThen = r2.chunks.size();
  runUntil([] { return false; }, 0.3);
  EXPECT_EQ(r2.calls(), 0);
  EXPECT_EQ(r2.chunks.size(), chunksThen);

  // The answer has already been handed to the main loop when the main thread
  // cancels: the queued finish must not be delivered.
  auto& engine = NetworkEngine::shared();
  auto finishedEarly = [&](const std::shared_ptr<FormDataRequest>& request, Recorder& rec) {
    const int before = served.load();
    request->setDelegate(&rec);
    EXPECT_TRUE(request->startAsynchronous());
    return waitFor([&] { return served.load() > before && engine.activeCount() == 0; });
  };
  auto quick1 = op("/quick");
  Recorder r3;
  ASSERT_TRUE(finishedEarly(quick1, r3));
  EXPECT_GT(base::RunLoop::main().pendingCount(), 0u);
  quick1->clearDelegatesAndCancel();
  auto quick2 = op("/quick");
  Recorder r4;
  ASSERT_TRUE(finishedEarly(quick2, r4));
  quick2->cancel();
  runUntil([] { return false; }, 0.3);
  EXPECT_EQ(r3.calls(), 0);
  EXPECT_EQ(r4.finished, 0);
  EXPECT_EQ(r4.errorCodes, std::vector<long>{4});
}

TEST_F(QueueTest, QueueRunsInOrderAtMostItsMaximumWithGrowingProgress) {
  NetworkQueue queue;
  queue.reset();
  queue.setMaxConcurrentOperationCount(3);
  queue.setShowAccurateProgress(true);
  ProgressLog progress;
  queue.setDownloadProgressDelegate(&progress);
  int finished = 0;
  std::vector<int> countsSeen;
  queue.setRequestDidFinishSelector([&](FormDataRequest&) {
    ++finished;
    countsSeen.push_back(queue.requestsCount());
  });
  for (int i = 0; i < 9; ++i) ASSERT_TRUE(queue.addOperation(op("/busy/" + std::to_string(i))));
  EXPECT_EQ(queue.requestsCount(), 9);
  EXPECT_EQ(queue.operations().size(), 9u);
  // Nothing leaves before `go`.
  runUntil([] { return false; }, 0.2);
  EXPECT_EQ(served.load(), 0);

  queue.go();
  ASSERT_TRUE(runUntil([&] { return finished == 9; }, 15));
  EXPECT_EQ(peak.load(), 3);
  EXPECT_EQ(queue.requestsCount(), 0);
  {
    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_EQ(order.size(), 9u);
    EXPECT_EQ(std::set<int>(order.begin(), order.begin() + 3), (std::set<int>{0, 1, 2}));
  }
  // The count seen by the callback no longer includes the reporting operation.
  EXPECT_EQ(countsSeen.back(), 0);
  ASSERT_GE(progress.values.size(), 2u);
  EXPECT_TRUE(progress.strictlyIncreasing());
  EXPECT_GT(progress.values.front(), 0.0f);
  EXPECT_EQ(progress.values.back(), 1.0f);
}

TEST_F(QueueTest, ABatchKeepsItsConnectionsBusyWhileTheMainLoopIsElsewhere) {
  NetworkQueue queue;
  queue.setMaxConcurrentOperationCount(2);
  Recorder rec;
  queue.setDelegate(&rec);
  for (int i = 0; i < 12; ++i) ASSERT_TRUE(queue.addOperation(op("/quick")));
  queue.go();
  // The main loop does not turn (as while it draws a picture): the next
  // transfer starts as soon as one ends all the same, two at a time.
  EXPECT_TRUE(waitFor([&] { return served.load() == 12; }));
  EXPECT_EQ(rec.calls(), 0);
  ASSERT_TRUE(runUntil([&] { return rec.calls() == 12; }, 5));
  EXPECT_EQ(rec.finished, 12);
  EXPECT_EQ(queue.requestsCount(), 0);
}

TEST_F(QueueTest, CancelAllReportsEachUnclearedOperationAsCancelled) {
  NetworkQueue queue;
  queue.setMaxConcurrentOperationCount(3);
  Recorder queueRecorder;
  queue.setDelegate(&queueRecorder);
  ProgressLog progress;
  queue.setDownloadProgressDelegate(&progress);
  std::vector<std::shared_ptr<FormDataRequest>> ops;
  for (int i = 0; i < 5; ++i) {
    ops.push_back(op("/long"));
    queue.addOperation(ops.back());
  }
  queue.go();
  ASSERT_TRUE(waitFor([&] { return current.load() == 3; }));
  ops[1]->clearDelegatesAndCancel();  // a running one
  ops[4]->clearDelegatesAndCancel();  // a waiting one
  EXPECT_EQ(queue.requestsCount(), 3);
  queue.cancelAllOperations();
  EXPECT_EQ(queue.requestsCount(), 0);
  ASSERT_TRUE(runUntil([&] { return queueRecorder.failed == 3; }, 5));
  runUntil([] { return false; }, 0.2);
  EXPECT_EQ(queueRecorder.finished, 0);
  EXPECT_EQ(queueRecorder.errorCodes, (std::vector<long>{4, 4, 4}));
  ASSERT_FALSE(progress.values.empty());
  EXPECT_EQ(progress.values.back(), 1.0f);

  // One failure leaves the rest running unless asked otherwise.
  for (bool cancelOnFailure : {false, true}) {
    NetworkQueue mixed;
    mixed.setShouldCancelAllRequestsOnFailure(cancelOnFailure);
    Recorder rec;
    mixed.setDelegate(&rec);
    mixed.addOperation(op("/busy/1"));
    mixed.addOperation(std::make_shared<FormDataRequest>("ftp://127.0.0.1/nothing"));
    mixed.addOperation(op("/busy/2"));
    mixed.go();
    ASSERT_TRUE(runUntil([&] { return rec.calls() == 3; }, 10));
    EXPECT_EQ(rec.finished, cancelOnFailure ? 0 : 2);
    std::sort(rec.errorCodes.begin(), rec.errorCodes.end());
    EXPECT_EQ(rec.errorCodes, cancelOnFailure ? (std::vector<long>{4, 4, 5}) : std::vector<long>{5});
  }
}

TEST_F(QueueTest, CancellingEverythingNeverStartsAWaitingOperation) {
  auto& engine = NetworkEngine::shared();
  enum class Stop { CancelAll, Failure, Destroy };
  for (Stop stop : {Stop::CancelAll, Stop::Failure, Stop::Destroy}) {
    SCOPED_TRACE(static_cast<int>(stop));
    auto queue = std::make_unique<NetworkQueue>();
    queue->setMaxConcurrentOperationCount(1);
    queue->setShouldCancelAllRequestsOnFailure(stop == Stop::Failure);
    Recorder rec;
    queue->setDelegate(&rec);
    // The first one holds the only slot (or fails on its own); the rest wait.
    queue->addOperation(stop == Stop::Failure ? std::make_shared<FormDataRequest>("ftp://127.0.0.1/nothing")
                                              : op("/long"));
    for (int i = 0; i < 4; ++i) queue->addOperation(op("/quick"));
    const auto before = engine.nextTransferId();
    queue->go();
    if (stop == Stop::Failure) {
      ASSERT_TRUE(runUntil([&] { return rec.calls() == 5; }, 10));
    } else {
      ASSERT_TRUE(waitFor([&] { return current.load() == 1; }));
      if (stop == Stop::CancelAll) {
        queue->cancelAllOperations();
        ASSERT_TRUE(runUntil([&] { return rec.calls() == 5; }, 10));
      } else {
        queue.reset();
      }
    }
    // The waiting ones were handed over with the first, but only the first
    // ever started.
    EXPECT_EQ(engine.nextTransferId(), before + 6);
    runUntil([] { return false; }, 0.3);
    EXPECT_EQ(served.load(), stop == Stop::Failure ? 0 : 1);
    EXPECT_TRUE(waitFor([&] { return engine.activeCount() == 0; }));
    EXPECT_EQ(rec.finished, 0);
    served = 0;
    current = 0;
  }
}

}  // namespace
}  // namespace mv::test
