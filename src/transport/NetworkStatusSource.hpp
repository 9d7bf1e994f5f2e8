#pragma once
#include <functional>

namespace mv {

// How the device reaches the network: 0 not at all, 1 through the cellular
// network, 2 through Wi-Fi (a wired link counts as Wi-Fi).
enum class ReachabilityStatus : int { NotReachable = 0, ReachableViaCellular = 1, ReachableViaWiFi = 2 };

// Where a reachability watcher learns the status from.
class NetworkStatusSource {
 public:
  using ChangeHandler = std::function<void(ReachabilityStatus status)>;
  virtual ~NetworkStatusSource() = default;
  // The status now; callable from any thread.
  virtual ReachabilityStatus currentStatus() = 0;
  // Calls `handler` with each new status, from any thread, until `stop`.
  virtual void start(ChangeHandler handler) = 0;
  virtual void stop() = 0;
};

}  // namespace mv
