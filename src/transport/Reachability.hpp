#pragma once
#include <memory>
#include <string>

#include "transport/NetworkStatusSource.hpp"

namespace mv {

// Name of the notification posted, with the watcher as sender, on the main
// loop each time the status changes while the notifier runs.
inline constexpr const char* kReachabilityChangedNotification = "NetworkReachabilityChangedNotification";

// Watches whether the network can be reached, and how. The host name is kept
// for the caller but not resolved: the answer reflects the device's routes,
// not one server.
class Reachability : public std::enable_shared_from_this<Reachability> {
 public:
  // Null when the host name is empty or not a plausible name. Without a source
  // the system's routing tables are watched.
  static std::shared_ptr<Reachability> reachabilityWithHostName(const std::string& hostName);
  static std::shared_ptr<Reachability> reachabilityWithHostName(const std::string& hostName,
                                                                std::shared_ptr<NetworkStatusSource> source);
  ~Reachability();
  Reachability(const Reachability&) = delete;
  Reachability& operator=(const Reachability&) = delete;

  // Starts watching; changes are delivered on the main loop. False when
  // already started.
  bool startNotifier();
  void stopNotifier();
  // The status last delivered while the notifier runs, else the status now.
  ReachabilityStatus currentReachabilityStatus() const;
  const std::string& hostName() const { return hostName_; }

 private:
  Reachability(std::string hostName, std::shared_ptr<NetworkStatusSource> source);
  void deliver(ReachabilityStatus status);

  std::string hostName_;
  std::shared_ptr<NetworkStatusSource> source_;
  bool running_ = false;
  ReachabilityStatus delivered_ = ReachabilityStatus::NotReachable;
};

}  // namespace mv
