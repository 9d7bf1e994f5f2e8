#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/base/WorkQueue.hpp"
#include "transport/CurlHandles.hpp"
#include "transport/EasyHandlePool.hpp"
#include "transport/Transfer.hpp"

namespace mv {

// The one network thread. It runs every transfer on a curl multi handle and
// takes its work from a locked command queue, woken by curl_multi_wakeup, so
// the main thread never waits on the network. A download's whole file is
// checked on workers of the engine's own, whose verdicts come back through
// the same queue, so the thread never waits for a check either: first on a
// quick lane (base::QuickLane), which settles every file whose bytes tell at
// once, and only a file that needs a longer look (a picture read through)
// on the slow lane, so that the files behind one never wait for it. Results
// come back to the main loop as posted events (see Transfer).
class NetworkEngine {
 public:
  static NetworkEngine& shared();

  // Main thread: hands a transfer over; it starts on the network thread.
  void start(std::unique_ptr<Transfer> transfer);
  // Main thread: stops a transfer; it reports nothing more.
  void cancel(std::uint64_t transferId);
  // Main thread: a group held after a failure may start transfers again (its
  // queue has cancelled what was waiting).
  void releaseGroup(std::uint64_t group);
  // Main thread: returns once the network thread has acted on everything
  // handed to it before (a cancelled transfer has stopped and kept what it
  // keeps) and every transfer that had ended by then has written its file.
  // After it, nothing the engine was told to stop writes anything, so the
  // folders of an ended session can go. False if the engine did not answer
  // within `timeout`: room for a slow disk to write the 16 MB the delivery
  // queue may hold, while a sign-in that wipes the folder never hangs long.
  [[nodiscard]] bool settle(std::chrono::milliseconds timeout = std::chrono::seconds(5));
  std::uint64_t nextTransferId() { return nextId_.fetch_add(1); }
  // Transfers running on the network thread, or whose file is being checked
  // or moved into place, not those waiting for their group (tests).
  std::size_t activeCount() const;

  NetworkEngine(const NetworkEngine&) = delete;
  NetworkEngine& operator=(const NetworkEngine&) = delete;

 private:
  NetworkEngine();
  ~NetworkEngine();

  struct Command {
    std::unique_ptr<Transfer> start = nullptr;
    std::uint64_t cancel = 0;
    std::uint64_t release = 0;
    std::shared_ptr<std::promise<void>> settled = nullptr;  // kept once all before it is done
    std::uint64_t checked = 0;  // the transfer whose file the verdict is on
    TransferSetup::FileRefusal verdict{};
    // The check that gave it, freed on the thread that made it.
    std::function<TransferSetup::FileRefusal()> check = nullptr;
  };

  // Transfers of one group (a queue) run at most its limit at a time; the
  // others wait here in order and start as soon as one of the group ends,
  // without a turn of the main loop in between.
  struct Group {
    int limit = 1;
    bool stopsOnFailure = false;
    int running = 0;
    bool held = false;  // after a failure in a group that stops on failure
    std::deque<std::unique_ptr<Transfer>> waiting;
  };

  // `wake`: the thread is woken to take it, unless it was already.
  void push(Command command, bool wake = true);
  // A transfer of a group starts, or is dropped before it started.
  static void leftUnstarted(const Transfer& transfer);
  void run();
  void begin(std::unique_ptr<Transfer> transfer);
  // False when it could not start (its failure is posted).
  bool launch(std::unique_ptr<Transfer> transfer);
  void end(std::uint64_t id);
  // A transfer of the group ended: the next waiting one may start.
  void groupEnded(std::uint64_t group, bool failed);
  bool cancelWaiting(std::uint64_t id);
  void collectFinished();
  // Hands what was gathered to the delivery thread: at once when `now` or
  // when enough have gathered or waited, else later.
  void deliver(bool now);
  // Ends that come while deliveries wait are gathered behind them, so that
  // no end overtakes an earlier one on its way to the main loop.
  bool endsWaiting() const { return delivering_.load() > 0; }
  // Numbers what was gathered from index `from` on and notes the paths it
  // writes and the bytes it holds.
  void noteGathered(std::size_t from);
  // A transfer about to start on a temporary path that a delivery still has
  // to write or move first waits for it: the two would write one file.
  void awaitDeliveryOf(Transfer& transfer);
  void checkInactivity();
  // Transfers that ended go to the main loop to be freed, a batch at a time
  // or at once when `now`: most of what they hold was made there, where
  // freeing it waits on no other thread's heap.
  void retire(std::unique_ptr<Transfer> transfer);
  void sendRetired(bool now);
  // The transfer's whole file goes to a check worker; the transfer waits
  // apart for the verdict, and its group goes on meanwhile unless it must
  // hold its place (see Checking).
  void startCheck(std::uint64_t id);
  // The verdict on a file: it goes into place or is dropped, and the end is
  // told; nothing for a transfer cancelled meanwhile.
  void checked(std::uint64_t id, TransferSetup::FileRefusal verdict);
  // Starts a quick lane's worker for the checks waiting, once they have
  // gathered or waited as deliveries do (see deliver), or at once when `now`.
  void startChecks(bool now);
  // A check worker of either lane: runs the lane's checks waiting, in order,
  // until none is left. A quick lane's check put off goes to the slow lane.
  void runChecks(bool slow);
  // A disk behind the network: waits for it to write what is held before
  // more is held.
  void catchUpWithDisk();
  void countActive() {
    activeCount_.store(active_.size() + checking_.size());
    transfersRunning_.store(!active_.empty());
  }

  // The commands the main thread hands the network thread.
  mutable std::mutex mutex_;
  std::vector<Command> commands_;
  // The commands being acted on, swapped with commands_: the two buffers go
  // back and forth, so that neither thread frees what the other made.
  std::vector<Command> taken_;  // network thread only
  bool woken_ = false;  // the thread was woken and has not taken the commands yet
  bool stopping_ = false;
  std::atomic<std::uint64_t> nextId_{1};
  std::atomic<std::size_t> activeCount_{0};
  std::atomic<bool> transfersRunning_{false};
  CURLM* multi_ = nullptr;
  CURLSH* share_ = nullptr;
  // Before the transfers, so that it outlives every handle they give back.
  EasyHandlePool handles_;  // network thread only
  std::map<std::uint64_t, std::unique_ptr<Transfer>> active_;  // network thread only
  std::map<std::uint64_t, Group> groups_;                      // network thread only
  std::vector<std::unique_ptr<Transfer>> retired_;              // network thread only
  // A group's transfer is handed over without waking the thread while at
  // least this many of the group wait to start (TransferSetup::groupUnstarted).
  static constexpr int kUnstartedToWake = 4;
  static constexpr std::size_t kMostRetired = 64;
  // Transfers whose file is being checked. One keeps its group's place until
  // its verdict when its group stops on a failure (which the check may be),
  // or when many are checked already: a network faster than the checks then
  // waits for them rather than holding ever more files.
  struct Checking {
    std::unique_ptr<Transfer> transfer;
    bool holdsPlace = false;
  };
  std::map<std::uint64_t, Checking> checking_;  // network thread only
  static constexpr std::size_t kMostCheckedFreely = 64;
  // A check on the slow lane may read a whole picture through, for as long
  // as the decoder takes: a few run at once, and no more, so that a batch
  // of them cannot take every core. The quick lane's checks read little
  // more than a file's ends: two keep up with any network.
  static constexpr int kChecksAtOnce = 3;
  static constexpr int kQuickChecksAtOnce = 2;
  std::unique_ptr<base::WorkQueue> checks_ = std::make_unique<base::WorkQueue>(kChecksAtOnce + kQuickChecksAtOnce);
  struct PendingCheck {
    std::uint64_t id = 0;
    std::function<TransferSetup::FileRefusal()> check;
  };
  std::mutex checkMutex_;
  std::deque<PendingCheck> pendingChecks_;  // the quick lane's, under checkMutex_
  std::deque<PendingCheck> slowChecks_;     // under checkMutex_
  int checkRunners_ = 0;                    // the quick lane's, under checkMutex_
  int slowRunners_ = 0;                     // under checkMutex_
  bool checksStopping_ = false;             // under checkMutex_
  // Checks wait that no worker was started for yet, since then (network
  // thread only).
  bool checksWaiting_ = false;
  std::chrono::steady_clock::time_point checksWaitingSince_;
  // Moves finished downloads into place and tells their ends, and the ends
  // that came behind them, one job per hand-over: with thousands of small
  // files, that work would otherwise hold back the next file's request.
  std::unique_ptr<base::WorkQueue> deliveries_ = base::WorkQueue::serial();
  // Gathered or handed over, and not yet told.
  std::atomic<std::size_t> delivering_{0};
  // Gathered before they are handed over, since each hand-over wakes the
  // delivery thread and, through it, the main loop: at most this many, for
  // at most that long.
  static constexpr std::size_t kMostGathered = 16;
  static constexpr auto kMostGatheredFor = std::chrono::milliseconds(1);
  std::vector<Transfer::Delivery> gathered_;  // network thread only
  std::chrono::steady_clock::time_point gatheredSince_;
  // The bytes of whole files held in memory until the delivery thread has
  // written them. Past the bound (a disk slower than the network), the
  // network thread waits for the delivery thread before it ends more.
  static constexpr std::size_t kMostHeldForDelivery = 16u << 20;
  std::atomic<std::size_t> heldForDelivery_{0};
  // The temporary paths of gathered or queued deliveries that place a file,
  // by the number of the last one (network thread only), and the number up
  // to which the delivery thread has placed them.
  std::uint64_t deliveriesNumbered_ = 0;
  std::unordered_map<std::string, std::uint64_t> placing_;
  std::size_t sweepPlacingAt_ = 1024;
  std::atomic<std::uint64_t> placedUpTo_{0};
  std::thread thread_;
};

}  // namespace mv
