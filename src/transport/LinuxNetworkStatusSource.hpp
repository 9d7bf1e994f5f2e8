#pragma once
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "transport/NetworkStatusSource.hpp"

namespace mv {

// Reads the routing tables and interface flags of the running system every
// few seconds on a thread of its own. Not reachable unless a default route
// (IPv4 or IPv6) leaves through an interface that is up and not loopback;
// through the cellular network when every such interface is a modem ("wwan",
// "wwp", "ppp", "usb", "rmnet"); through Wi-Fi otherwise.
class LinuxNetworkStatusSource : public NetworkStatusSource {
 public:
  explicit LinuxNetworkStatusSource(std::filesystem::path procNet = "/proc/net",
                                    std::filesystem::path sysNet = "/sys/class/net",
                                    double intervalSeconds = 2.0);
  ~LinuxNetworkStatusSource() override;
  ReachabilityStatus currentStatus() override;
  void start(ChangeHandler handler) override;
  void stop() override;

  // The status the given tables describe.
  static ReachabilityStatus readStatus(const std::filesystem::path& procNet, const std::filesystem::path& sysNet);
  static bool looksCellular(const std::string& interfaceName);

 private:
  void watch();

  std::filesystem::path procNet_;
  std::filesystem::path sysNet_;
  double interval_;
  // Between the watching thread and the main thread that starts and stops it.
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  ChangeHandler handler_;
  ReachabilityStatus last_ = ReachabilityStatus::NotReachable;
  std::thread thread_;
};

}  // namespace mv
