#pragma once
// The catalogue's reads of lists that grow with the company, run on the
// shared workers: `work` there (over a read-only connection of its own),
// then `done` with its result on the main loop unless the returned flag was
// cancelled by then (a newer request, or its screen ended). A read the
// store refused (a writer holding a file that keeps no write-ahead log past
// the busy time-out) answers nothing, and its owner asks again
// `kReadAgainSeconds` later, on its own tracker, so the retry ends with the
// owner; after `kReadTries` refusals in a row it gives up and tells the user
// (`CatalogFeedback::tellReadRefused`), and the next request starts
// afresh. Until the result
// is handed over the read counts as work under way elsewhere, so a wait on
// the virtual clock gives it the real time it takes.
#include <functional>
#include <memory>

#include "platform/base/OutsideWork.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"

namespace mv {

inline constexpr double kReadAgainSeconds = 2.0;
inline constexpr int kReadTries = 4;

// How many reads of one kind the store refused in a row.
class RefusedReads {
 public:
  // The store refused a read: whether to ask again, or (the tries spent)
  // to give up, the count starting afresh for the next request.
  [[nodiscard]] bool askAgain() {
    if (++refused_ < kReadTries) return true;
    refused_ = 0;
    return false;
  }
  // A read was answered.
  void answered() { refused_ = 0; }

 private:
  int refused_ = 0;
};

template <typename R>
base::CancelFlag readInBackground(std::function<R(const base::CancelFlag&)> work, std::function<void(R)> done) {
  struct UnderWay {
    UnderWay() { base::beginAwaitedRead(); }
    ~UnderWay() { base::endAwaitedRead(); }
    UnderWay(const UnderWay&) = delete;
    UnderWay& operator=(const UnderWay&) = delete;
  };
  // Ends with the last of the job and its reply, whichever way each ends.
  auto underWay = std::make_shared<UnderWay>();
  return base::WorkQueue::global().async(
      [underWay, work = std::move(work), done = std::move(done)](const base::CancelFlag& flag) {
        auto result = std::make_shared<R>(work(flag));
        if (flag.isCancelled()) return;
        base::RunLoop::main().post([underWay, flag, done, result] {
          if (!flag.isCancelled()) done(std::move(*result));
        });
      });
}

}  // namespace mv
