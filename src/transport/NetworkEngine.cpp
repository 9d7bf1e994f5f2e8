#include "transport/NetworkEngine.hpp"

#include <curl/curl.h>
#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/base/Log.hpp"
#include "platform/base/QuickLane.hpp"
#include "platform/base/RunLoop.hpp"
#include "transport/CookieStore.hpp"
#include "transport/Transfer.hpp"

namespace mv {

NetworkEngine& NetworkEngine::shared() {
  // The run loop and the cookie jar are made first so they outlive the thread.
  base::RunLoop::main();
  CookieStore::sharedInstance();
  static NetworkEngine engine;
  return engine;
}

NetworkEngine::NetworkEngine() {
  share_ = CookieStore::sharedInstance().share();
  multi_ = curl_multi_init();
  thread_ = std::thread([this] { run(); });
}

NetworkEngine::~NetworkEngine() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  if (multi_) curl_multi_wakeup(multi_);
  if (thread_.joinable()) thread_.join();
  // A check under way ends before the engine its verdict goes to, and no
  // other starts.
  {
    std::lock_guard<std::mutex> lock(checkMutex_);
    checksStopping_ = true;
    pendingChecks_.clear();
    slowChecks_.clear();
  }
  checks_.reset();
  // Files already whole still go into place and are told.
  deliver(true);
  deliveries_->waitIdle();
  for (auto& [id, transfer] : active_) {
    if (transfer->easy()) curl_multi_remove_handle(multi_, transfer->easy());
    transfer->abandon();
  }
  active_.clear();
  for (auto& [id, checking] : checking_) checking.transfer->abandon();
  checking_.clear();
  groups_.clear();
  commands_.clear();
  handles_.clear();
  if (multi_) curl_multi_cleanup(multi_);
}

void NetworkEngine::start(std::unique_ptr<Transfer> transfer) {
  // While transfers run the thread turns often; a transfer behind a few
  // others of its group that wait to start is taken at its next turn.
  bool wake = true;
  if (const auto& unstarted = transfer->spec().groupUnstarted) {
    wake = unstarted->fetch_add(1) < kUnstartedToWake || !transfersRunning_.load();
  }
  push(Command{.start = std::move(transfer)}, wake);
}

void NetworkEngine::leftUnstarted(const Transfer& transfer) {
  if (const auto& unstarted = transfer.spec().groupUnstarted) unstarted->fetch_sub(1);
}

void NetworkEngine::cancel(std::uint64_t transferId) { push(Command{.cancel = transferId}); }

void NetworkEngine::releaseGroup(std::uint64_t group) { push(Command{.release = group}); }

void NetworkEngine::push(Command command, bool wake) {
  bool wakeNow = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.push_back(std::move(command));
    wakeNow = wake && !woken_;
    woken_ = woken_ || wakeNow;
  }
  // The thread takes every command waiting when it wakes: one wake-up serves
  // a batch of thousands.
  if (wakeNow && multi_) curl_multi_wakeup(multi_);
}

bool NetworkEngine::settle(std::chrono::milliseconds timeout) {
  auto settled = std::make_shared<std::promise<void>>();
  auto done = settled->get_future();
  push(Command{.settled = settled});
  return done.wait_for(timeout) == std::future_status::ready;
}

std::size_t NetworkEngine::activeCount() const { return activeCount_.load() + delivering_.load(); }

void NetworkEngine::begin(std::unique_ptr<Transfer> transfer) {
  if (const auto group = transfer->spec().group) {
    Group& g = groups_[group];
    g.limit = std::max(1, transfer->spec().groupLimit);
    g.stopsOnFailure = transfer->spec().groupStopsOnFailure;
    if (g.held || (g.running >= g.limit && !transfer->spec().keepsGroupPlace)) {
      g.waiting.push_back(std::move(transfer));
      return;
    }
    ++g.running;
  }
  const auto group = transfer->spec().group;
  if (!launch(std::move(transfer)) && group) groupEnded(group, true);
}

bool NetworkEngine::launch(std::unique_ptr<Transfer> transfer) {
  leftUnstarted(*transfer);
  awaitDeliveryOf(*transfer);
  const char* failure = !multi_                                                  ? "no network engine"
                        : !transfer->prepare(share_, handles_)                            ? "could not create a transfer handle"
                        : curl_multi_add_handle(multi_, transfer->easy()) != CURLM_OK ? "could not start the transfer"
                                                                                 : nullptr;
  if (failure) {
    transfer->failToCreate(failure);
    return false;
  }
  const auto id = transfer->id();
  active_[id] = std::move(transfer);
  countActive();
  return true;
}

void NetworkEngine::end(std::uint64_t id) {
  auto it = active_.find(id);
  if (it == active_.end()) return;
  const auto group = it->second->spec().group;
  const bool failed = it->second->failed();
  retire(std::move(it->second));
  active_.erase(it);
  countActive();
  if (group) groupEnded(group, failed);
}

void NetworkEngine::groupEnded(std::uint64_t group, bool failed) {
  auto it = groups_.find(group);
  if (it == groups_.end()) return;
  Group& g = it->second;
  --g.running;
  if (failed && g.stopsOnFailure) g.held = true;
  while (!g.held && !g.waiting.empty() && g.running < g.limit) {
    auto next = std::move(g.waiting.front());
    g.waiting.pop_front();
    ++g.running;
    if (launch(std::move(next))) continue;
    --g.running;
    if (g.stopsOnFailure) g.held = true;
  }
  // Forgotten once idle, unless held: the rest of a queue that stops on
  // failure may reach this thread only after the failure, and must wait
  // until the queue has cancelled it and released the group.
  if (!g.held && g.running <= 0 && g.waiting.empty()) groups_.erase(group);
}

bool NetworkEngine::cancelWaiting(std::uint64_t id) {
  for (auto it = groups_.begin(); it != groups_.end(); ++it) {
    auto& waiting = it->second.waiting;
    auto found = std::find_if(waiting.begin(), waiting.end(), [&](const auto& t) { return t->id() == id; });
    if (found == waiting.end()) continue;
    leftUnstarted(**found);
    waiting.erase(found);
    if (!it->second.held && it->second.running <= 0 && waiting.empty()) groups_.erase(it);
    return true;
  }
  return false;
}

void NetworkEngine::collectFinished() {
  int left = 0;
  std::vector<std::pair<CURL*, CURLcode>> done;
  while (CURLMsg* msg = curl_multi_info_read(multi_, &left)) {
    if (msg->msg == CURLMSG_DONE) done.emplace_back(msg->easy_handle, msg->data.result);
  }
  for (auto [easy, code] : done) {
    Transfer* transfer = nullptr;
    curl_easy_getinfo(easy, CURLINFO_PRIVATE, &transfer);
    curl_multi_remove_handle(multi_, easy);
    if (!transfer) continue;
    const auto id = transfer->id();
    auto it = active_.find(id);
    if (it == active_.end()) continue;
    catchUpWithDisk();
    const std::size_t gathered = gathered_.size();
    const Transfer::Next next = transfer->complete(code, &gathered_, endsWaiting());
    if (next == Transfer::Next::Check) {
      startCheck(id);
      continue;
    }
    if (next == Transfer::Next::Again) {
      // Another attempt of the same transfer (a range the server refused).
      awaitDeliveryOf(*transfer);
      if (transfer->prepare(share_, handles_) && curl_multi_add_handle(multi_, transfer->easy()) == CURLM_OK) continue;
      transfer->failToCreate("could not restart the transfer");
    }
    noteGathered(gathered);
    end(id);
  }
}

void NetworkEngine::catchUpWithDisk() {
  if (heldForDelivery_.load() < kMostHeldForDelivery) return;
  deliver(true);
  deliveries_->waitIdle();
}

void NetworkEngine::startCheck(std::uint64_t id) {
  auto it = active_.find(id);
  if (it == active_.end()) return;
  Checking checking{std::move(it->second)};
  active_.erase(it);
  const TransferSetup& spec = checking.transfer->spec();
  checking.holdsPlace = spec.group && (spec.groupStopsOnFailure || checking_.size() >= kMostCheckedFreely);
  {
    std::lock_guard<std::mutex> lock(checkMutex_);
    pendingChecks_.push_back({id, checking.transfer->fileCheck()});
  }
  if (!checksWaiting_) checksWaitingSince_ = std::chrono::steady_clock::now();
  checksWaiting_ = true;
  const auto group = spec.group;
  const bool holdsPlace = checking.holdsPlace;
  checking_.emplace(id, std::move(checking));
  countActive();
  if (group && !holdsPlace) groupEnded(group, false);
}

void NetworkEngine::startChecks(bool now) {
  if (!checksWaiting_) return;
  const auto at = std::chrono::steady_clock::now();
  if (!now && at - checksWaitingSince_ < kMostGatheredFor) return;
  bool start = false;
  {
    std::lock_guard<std::mutex> lock(checkMutex_);
    start = !pendingChecks_.empty() && checkRunners_ < kQuickChecksAtOnce;
    checkRunners_ += start ? 1 : 0;
    // While fewer than the most run, checks that still wait a while on
    // (behind a large file's walk) get another worker.
    checksWaiting_ = !pendingChecks_.empty() && checkRunners_ < kQuickChecksAtOnce;
  }
  checksWaitingSince_ = at;
  if (start) checks_->async([this](const base::CancelFlag&) { runChecks(false); });
}

void NetworkEngine::runChecks(bool slow) {
  for (;;) {
    PendingCheck next;
    {
      std::lock_guard<std::mutex> lock(checkMutex_);
      auto& waiting = slow ? slowChecks_ : pendingChecks_;
      if (waiting.empty()) {
        --(slow ? slowRunners_ : checkRunners_);
        return;
      }
      next = std::move(waiting.front());
      waiting.pop_front();
    }
    TransferSetup::FileRefusal verdict;
    if (slow) {
      verdict = next.check();
    } else {
      const base::QuickLane::Scope lane;
      verdict = next.check();
      if (lane.putOff()) {
        // It needs a longer look: behind the others that do, never in front
        // of the files that follow it.
        std::lock_guard<std::mutex> lock(checkMutex_);
        if (checksStopping_) return;
        slowChecks_.push_back(std::move(next));
        if (slowRunners_ < kChecksAtOnce) {
          ++slowRunners_;
          checks_->async([this](const base::CancelFlag&) { runChecks(true); });
        }
        continue;
      }
    }
    // While transfers run, the thread wakes soon enough for them: a wake-up
    // a file would cost more than the wait.
    push(Command{.checked = next.id, .verdict = std::move(verdict), .check = std::move(next.check)},
         !transfersRunning_.load());
  }
}

void NetworkEngine::checked(std::uint64_t id, TransferSetup::FileRefusal verdict) {
  auto it = checking_.find(id);
  if (it == checking_.end()) return;
  Checking checking = std::move(it->second);
  checking_.erase(it);
  countActive();
  catchUpWithDisk();
  const std::size_t gathered = gathered_.size();
  checking.transfer->checked(std::move(verdict), gathered_, endsWaiting());
  noteGathered(gathered);
  if (checking.holdsPlace) groupEnded(checking.transfer->spec().group, checking.transfer->failed());
  retire(std::move(checking.transfer));
}

void NetworkEngine::retire(std::unique_ptr<Transfer> transfer) {
  transfer->retire();
  retired_.push_back(std::move(transfer));
}

void NetworkEngine::sendRetired(bool now) {
  if (retired_.empty() || (!now && retired_.size() < kMostRetired)) return;
  auto retired = std::make_shared<std::vector<std::unique_ptr<Transfer>>>();
  retired->reserve(kMostRetired);
  retired->swap(retired_);
  base::RunLoop::main().post([retired] { retired->clear(); });
}

void NetworkEngine::noteGathered(std::size_t from) {
  if (from == 0 && !gathered_.empty()) gatheredSince_ = std::chrono::steady_clock::now();
  if (gathered_.size() > from) delivering_.fetch_add(gathered_.size() - from);
  for (std::size_t i = from; i < gathered_.size(); ++i) {
    Transfer::Delivery& delivery = gathered_[i];
    delivery.sequence = ++deliveriesNumbered_;
    if (delivery.held) heldForDelivery_.fetch_add(delivery.held->size());
    if (delivery.place) placing_[delivery.temporary.native()] = delivery.sequence;
  }
}

void NetworkEngine::awaitDeliveryOf(Transfer& transfer) {
  if (placing_.empty()) return;
  auto it = placing_.find(transfer.spec().temporary.native());
  if (it == placing_.end()) return;
  if (placedUpTo_.load() < it->second) {
    deliver(true);
    deliveries_->waitIdle();
  }
  placing_.erase(it);
  // The request looked for its partial file before that one was written.
  transfer.forgetPartialLook();
}

void NetworkEngine::deliver(bool now) {
  if (gathered_.empty()) return;
  if (!now && gathered_.size() < kMostGathered && std::chrono::steady_clock::now() - gatheredSince_ < kMostGatheredFor)
    return;
  if (placing_.size() >= sweepPlacingAt_) {
    const std::uint64_t placed = placedUpTo_.load();
    std::erase_if(placing_, [placed](const auto& entry) { return entry.second <= placed; });
    sweepPlacingAt_ = std::max<std::size_t>(1024, placing_.size() * 2);
  }
  std::vector<Transfer::Delivery> deliveries;
  deliveries.swap(gathered_);
  const std::size_t count = deliveries.size();
  deliveries_->async([this, count, deliveries = std::move(deliveries)](const base::CancelFlag&) mutable {
    for (auto& delivery : deliveries) {
      const std::size_t held = delivery.held ? delivery.held->size() : 0;
      delivery.finish();
      heldForDelivery_.fetch_sub(held);
      placedUpTo_.store(delivery.sequence);
    }
    Transfer::report(std::move(deliveries));
    delivering_.fetch_sub(count);
  });
}

void NetworkEngine::checkInactivity() {
  const auto now = std::chrono::steady_clock::now();
  // Each with whether it moved, only too slowly.
  std::vector<std::pair<std::uint64_t, bool>> stalled;
  for (auto& [id, transfer] : active_) {
    if (transfer->inactive(now)) {
      stalled.emplace_back(id, false);
    } else if (transfer->belowAverageFloor(now)) {
      stalled.emplace_back(id, true);
    }
  }
  for (auto [id, tooSlow] : stalled) {
    auto& transfer = active_[id];
    curl_multi_remove_handle(multi_, transfer->easy());
    const std::size_t gathered = gathered_.size();
    transfer->timeOut(endsWaiting() ? &gathered_ : nullptr, tooSlow);
    noteGathered(gathered);
    end(id);
  }
}

void NetworkEngine::run() {
  // Named for debuggers and profilers, which otherwise show it as the process.
  pthread_setname_np(pthread_self(), "mv-network");
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) return;
      taken_.swap(commands_);
      woken_ = false;
    }
    for (auto& command : taken_) {
      if (command.start) {
        begin(std::move(command.start));
      } else if (command.release) {
        if (auto it = groups_.find(command.release); it != groups_.end()) {
          it->second.held = false;
          ++it->second.running;  // groupEnded counts one down, then starts what waits
          groupEnded(command.release, false);
        }
      } else if (command.settled) {
        // The delivery queue is serial: the promise is kept after every file
        // handed over before it.
        deliver(true);
        deliveries_->async([settled = command.settled](const base::CancelFlag&) { settled->set_value(); });
      } else if (command.checked) {
        checked(command.checked, std::move(command.verdict));
      } else if (auto it = active_.find(command.cancel); it != active_.end()) {
        curl_multi_remove_handle(multi_, it->second->easy());
        it->second->abandon();
        end(command.cancel);
      } else if (auto found = checking_.find(command.cancel); found != checking_.end()) {
        // Its verdict, when it comes, finds nothing: the file never goes
        // into place, and what arrived stays as a stopped download's does.
        Checking checking = std::move(found->second);
        checking_.erase(found);
        countActive();
        {
          std::lock_guard<std::mutex> lock(checkMutex_);
          const auto cancelled = [&](const PendingCheck& waiting) { return waiting.id == command.cancel; };
          std::erase_if(pendingChecks_, cancelled);
          std::erase_if(slowChecks_, cancelled);
        }
        checking.transfer->abandon();
        if (checking.holdsPlace) groupEnded(checking.transfer->spec().group, false);
      } else {
        cancelWaiting(command.cancel);
      }
    }
    taken_.clear();
    int running = 0;
    curl_multi_perform(multi_, &running);
    collectFinished();
    checkInactivity();
    // With nothing running, nothing else ends soon to go with them.
    deliver(active_.empty());
    startChecks(active_.empty());
    sendRetired(active_.empty());
    if (active_.empty() && checking_.empty()) TransferBody::dropSpares();
    // Wake at least a few times a second to notice transfers gone silent, and
    // soon enough to hand over what was gathered.
    curl_multi_poll(multi_, nullptr, 0, gathered_.empty() && !checksWaiting_ ? 200 : 1, nullptr);
  }
}

}  // namespace mv
