#include "transport/NetworkQueue.hpp"

#include <algorithm>
#include <atomic>
#include <deque>

#include "platform/base/MainThread.hpp"
#include "transport/NetworkEngine.hpp"

namespace mv {

namespace {

std::uint64_t nextGroup() {
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1);
}

}  // namespace

// Once the queue goes, every operation is handed to the network thread at
// once as one group, which runs at most the queue's maximum at a time and
// starts the next as soon as one ends: a batch of thousands of small files
// keeps its connections busy while the main loop is elsewhere (drawing, or
// taking in the results).
struct NetworkQueue::State : std::enable_shared_from_this<NetworkQueue::State> {
  // Launched ones first, then those queued, in the order they came: a batch
  // of thousands ends at the front and is scanned there only.
  std::deque<std::shared_ptr<FormDataRequest>> operations;
  const std::uint64_t group = nextGroup();
  // Its transfers handed to the network thread and not started there yet.
  const std::shared_ptr<std::atomic<int>> unstarted = std::make_shared<std::atomic<int>>(0);
  // Operations whose transfer has reported progress, for the batch's share.
  std::vector<FormDataRequest*> moving;
  int maxConcurrent = 3;
  bool suspended = true;
  bool accurate = false;
  bool cancelAllOnFailure = false;
  RequestDelegate* delegate = nullptr;
  Callback didFinish;
  Callback didFail;
  ProgressDelegate* progressDelegate = nullptr;
  // The current batch.
  int batchTotal = 0;
  int batchEnded = 0;
  double reported = 0;

  void startMore() {
    if (suspended) return;
    // Those queued are at the back: launched ones come first.
    auto next = std::find_if(operations.rbegin(), operations.rend(), [](const auto& op) {
      return op->state_ != FormDataRequest::State::Queued;
    }).base();
    for (auto it = next; it != operations.end() && !suspended; ++it) {
      auto op = *it;  // launching may not re-enter, but keep it alive anyway
      if (op->state_ != FormDataRequest::State::Queued) continue;
      op->queueGroup_ = group;
      op->queueLimit_ = maxConcurrent;
      op->queueUnstarted_ = unstarted;
      op->queueFollowsBytes_ = progressDelegate && (accurate || op->showAccurateProgress());
      op->queueStopsOnFailure_ = cancelAllOnFailure;
      op->launch();
    }
  }

  void ended(FormDataRequest& op) {
    auto it = std::find_if(operations.begin(), operations.end(), [&](const auto& o) { return o.get() == &op; });
    if (it == operations.end()) return;
    auto keep = *it;
    operations.erase(it);
    std::erase(moving, &op);
    ++batchEnded;
    op.queueEnded_ = nullptr;
    op.queueProgress_ = nullptr;
    updateProgress();
    const bool failedOnItsOwn = op.error() && op.error()->code != static_cast<long>(RequestError::Cancelled);
    if (failedOnItsOwn && cancelAllOnFailure) cancelAll();
    startMore();
  }

  void report(FormDataRequest& op) {
    const bool finished = !op.error();
    if (const auto& callback = finished ? didFinish : didFail) {
      auto copy = callback;
      copy(op);
    } else if (delegate) {
      if (finished)
        delegate->requestFinished(op);
      else
        delegate->requestFailed(op);
    }
  }

  void updateProgress() {
    if (batchTotal == 0) return;
    if (batchEnded >= batchTotal) {
      // The batch is over: say so once, and start counting afresh.
      batchTotal = batchEnded = 0;
      const bool say = reported < 1.0;
      reported = 0;
      if (say && progressDelegate) progressDelegate->setProgress(1.0f);
      return;
    }
    double done = batchEnded;
    for (const FormDataRequest* op : moving) {
      if (!(accurate || op->showAccurateProgress())) continue;
      if (auto fraction = op->progressFraction()) done += *fraction;
    }
    const double fraction = std::clamp(done / batchTotal, 0.0, 1.0);
    if (fraction <= reported) return;
    reported = fraction;
    if (progressDelegate) progressDelegate->setProgress(static_cast<float>(fraction));
  }

  void cancelAll() {
    // Each cancel frees a slot; the operations still waiting must not take it
    // only to be stopped a moment later, after their request went out: the
    // last ones go first.
    const bool wasSuspended = suspended;
    suspended = true;
    const std::vector<std::shared_ptr<FormDataRequest>> snapshot(operations.rbegin(), operations.rend());
    for (auto& op : snapshot) op->cancel();
    suspended = wasSuspended;
    if (cancelAllOnFailure) NetworkEngine::shared().releaseGroup(group);
  }
};

NetworkQueue::NetworkQueue() : state_(std::make_shared<State>()) {}

NetworkQueue::~NetworkQueue() {
  state_->suspended = true;  // stopping one must not start the next: the last ones go first
  const std::vector<std::shared_ptr<FormDataRequest>> snapshot(state_->operations.rbegin(), state_->operations.rend());
  for (auto& op : snapshot) op->clearDelegatesAndCancel();
  if (state_->cancelAllOnFailure) NetworkEngine::shared().releaseGroup(state_->group);
}

void NetworkQueue::reset() {
  MV_ASSERT_MAIN_THREAD();
  state_->delegate = nullptr;
  state_->didFinish = nullptr;
  state_->didFail = nullptr;
  state_->progressDelegate = nullptr;
  state_->cancelAll();
  state_->maxConcurrent = 3;
  state_->suspended = true;
  state_->accurate = false;
  state_->cancelAllOnFailure = false;
  state_->batchTotal = state_->batchEnded = 0;
  state_->reported = 0;
}

void NetworkQueue::setDelegate(RequestDelegate* delegate) { state_->delegate = delegate; }
void NetworkQueue::setRequestDidFinishSelector(Callback callback) { state_->didFinish = std::move(callback); }
void NetworkQueue::setRequestDidFailSelector(Callback callback) { state_->didFail = std::move(callback); }
void NetworkQueue::setDownloadProgressDelegate(ProgressDelegate* delegate) { state_->progressDelegate = delegate; }
ProgressDelegate* NetworkQueue::downloadProgressDelegate() const { return state_->progressDelegate; }
void NetworkQueue::setShowAccurateProgress(bool accurate) { state_->accurate = accurate; }

void NetworkQueue::setMaxConcurrentOperationCount(int count) {
  state_->maxConcurrent = std::max(1, count);
  state_->startMore();
}

int NetworkQueue::maxConcurrentOperationCount() const { return state_->maxConcurrent; }
void NetworkQueue::setShouldCancelAllRequestsOnFailure(bool cancel) { state_->cancelAllOnFailure = cancel; }
bool NetworkQueue::shouldCancelAllRequestsOnFailure() const { return state_->cancelAllOnFailure; }

bool NetworkQueue::addOperation(const std::shared_ptr<FormDataRequest>& request) {
  MV_ASSERT_MAIN_THREAD();
  if (!request || request->state_ != FormDataRequest::State::Ready) return false;
  std::weak_ptr<State> weak = state_;
  request->state_ = FormDataRequest::State::Queued;
  request->queueEnded_ = [weak](FormDataRequest& op) {
    if (auto state = weak.lock()) state->ended(op);
  };
  request->queueReport_ = [weak](FormDataRequest& op) {
    if (auto state = weak.lock()) state->report(op);
  };
  request->queueProgress_ = [weak](FormDataRequest& op) {
    auto state = weak.lock();
    if (!state) return;
    if (std::find(state->moving.begin(), state->moving.end(), &op) == state->moving.end()) state->moving.push_back(&op);
    state->updateProgress();
  };
  state_->operations.push_back(request);
  ++state_->batchTotal;
  state_->startMore();
  return true;
}

void NetworkQueue::go() {
  MV_ASSERT_MAIN_THREAD();
  state_->suspended = false;
  state_->startMore();
}

int NetworkQueue::requestsCount() const { return static_cast<int>(state_->operations.size()); }

std::vector<std::shared_ptr<FormDataRequest>> NetworkQueue::operations() const {
  return {state_->operations.begin(), state_->operations.end()};
}

void NetworkQueue::cancelAllOperations() { state_->cancelAll(); }

}  // namespace mv
