#pragma once
#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "transport/Transfer.hpp"

namespace mv {

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
  std::uint64_t nextTransferId() { return nextId_.fetch_add(1); }
  // Transfers on the network thread (tests).
  std::size_t activeCount() const;

  NetworkEngine(const NetworkEngine&) = delete;
  NetworkEngine& operator=(const NetworkEngine&) = delete;

 private:
  NetworkEngine();
  ~NetworkEngine();

  struct Command {
    std::unique_ptr<Transfer> start;
    std::uint64_t cancel = 0;
  };

  void run();
  void begin(std::unique_ptr<Transfer> transfer);
  void end(std::uint64_t id);
  void collectFinished();
  void checkInactivity();

  mutable std::mutex mutex_;
  std::deque<Command> commands_;
  bool stopping_ = false;
  std::atomic<std::uint64_t> nextId_{1};
  std::atomic<std::size_t> activeCount_{0};
  CURLM* multi_ = nullptr;
  CURLSH* share_ = nullptr;
  std::map<std::uint64_t, std::unique_ptr<Transfer>> active_;  // network thread only
  std::thread thread_;
};

}  // namespace mv
