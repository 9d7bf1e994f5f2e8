#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "transport/FormDataRequest.hpp"
#include "transport/ProgressDelegate.hpp"
#include "transport/RequestDelegate.hpp"

namespace mv {

// A FIFO of operations that runs at most `maxConcurrentOperationCount` at a
// time once `go` is called (operations added later start as slots free up).
// Main thread only. Every finished or failed operation is reported, after its
// own delegate, to the queue's finish or fail callback, or else to the
// queue's delegate.
//
// The progress delegate gets the share of the current batch that is done, as
// it grows: each operation counts 1 when it has ended (however it ended) and,
// with accurate progress, its downloaded share while it runs. The batch ends,
// with 1.0, when the queue empties; the next operation starts a new batch.
class NetworkQueue {
 public:
  using Callback = std::function<void(FormDataRequest& request)>;

  NetworkQueue();
  // Operations still in the queue are stopped, silently.
  ~NetworkQueue();
  NetworkQueue(const NetworkQueue&) = delete;
  NetworkQueue& operator=(const NetworkQueue&) = delete;

  // Cancels every operation (their own delegates are still told), forgets the
  // delegates and callbacks, and returns to the initial settings, stopped.
  void reset();
  void setDelegate(RequestDelegate* delegate);
  void setRequestDidFinishSelector(Callback callback);
  void setRequestDidFailSelector(Callback callback);
  void setDownloadProgressDelegate(ProgressDelegate* delegate);
  ProgressDelegate* downloadProgressDelegate() const;
  void setShowAccurateProgress(bool accurate);
  void setMaxConcurrentOperationCount(int count);
  int maxConcurrentOperationCount() const;
  // Off by default: one failure leaves the other operations running.
  void setShouldCancelAllRequestsOnFailure(bool cancel);
  bool shouldCancelAllRequestsOnFailure() const;

  // False when the operation already ran or sits in a queue.
  bool addOperation(const std::shared_ptr<FormDataRequest>& request);
  void go();
  // Operations queued or running.
  int requestsCount() const;
  // A snapshot, in the order they were added.
  std::vector<std::shared_ptr<FormDataRequest>> operations() const;
  // Each operation reports failed with error 4 unless its callbacks were cleared.
  void cancelAllOperations();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace mv
