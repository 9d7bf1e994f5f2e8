#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "transport/CurlHandles.hpp"
#include "transport/EasyHandlePool.hpp"

namespace mv {

class Transfer;

// The one network thread. It runs every transfer on a curl multi handle and
// takes its work from a locked command queue, woken by curl_multi_wakeup, so
// the main thread never waits on the network. Results come back to the main
// loop as posted events (see Transfer).
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
  std::uint64_t nextTransferId() { return nextId_.fetch_add(1); }
  // Transfers running on the network thread, not those waiting for their
  // group (tests).
  std::size_t activeCount() const;

  NetworkEngine(const NetworkEngine&) = delete;
  NetworkEngine& operator=(const NetworkEngine&) = delete;

 private:
  NetworkEngine();
  ~NetworkEngine();

  struct Command {
    std::unique_ptr<Transfer> start;
    std::uint64_t cancel = 0;
    std::uint64_t release = 0;
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

  void push(Command command);
  void run();
  void begin(std::unique_ptr<Transfer> transfer);
  // False when it could not start (its failure is posted).
  bool launch(std::unique_ptr<Transfer> transfer);
  void end(std::uint64_t id);
  // A transfer of the group ended: the next waiting one may start.
  void groupEnded(std::uint64_t group, bool failed);
  bool cancelWaiting(std::uint64_t id);
  void collectFinished();
  void checkInactivity();

  // The commands the main thread hands the network thread.
  mutable std::mutex mutex_;
  std::deque<Command> commands_;
  bool stopping_ = false;
  std::atomic<std::uint64_t> nextId_{1};
  std::atomic<std::size_t> activeCount_{0};
  CURLM* multi_ = nullptr;
  CURLSH* share_ = nullptr;
  // Before the transfers, so that it outlives every handle they give back.
  EasyHandlePool handles_;  // network thread only
  std::map<std::uint64_t, std::unique_ptr<Transfer>> active_;  // network thread only
  std::map<std::uint64_t, Group> groups_;                      // network thread only
  std::thread thread_;
};

}  // namespace mv
