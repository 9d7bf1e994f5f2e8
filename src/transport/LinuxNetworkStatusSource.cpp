#include "transport/LinuxNetworkStatusSource.hpp"

#include <fstream>
#include <sstream>
#include <vector>

namespace mv {

namespace {

constexpr unsigned kRouteUp = 0x1;         // RTF_UP
constexpr unsigned kRouteReject = 0x200;   // RTF_REJECT
constexpr unsigned kInterfaceUp = 0x1;     // IFF_UP
constexpr unsigned kLoopback = 0x8;        // IFF_LOOPBACK

bool usableInterface(const std::filesystem::path& sysNet, const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return false;
  std::ifstream in(sysNet / name / "flags");
  unsigned flags = 0;
  if (in >> std::hex >> flags) return (flags & kInterfaceUp) && !(flags & kLoopback);
  return name != "lo";
}

std::vector<std::string> defaultRouteInterfaces(const std::filesystem::path& procNet) {
  std::vector<std::string> names;
  std::string line;
  std::ifstream v4(procNet / "route");
  std::getline(v4, line);  // column titles
  while (std::getline(v4, line)) {
    std::istringstream in(line);
    std::string iface, destination, gateway, flags, refs, use, metric, mask;
    if (!(in >> iface >> destination >> gateway >> flags >> refs >> use >> metric >> mask)) continue;
    unsigned routeFlags = 0;
    std::istringstream(flags) >> std::hex >> routeFlags;
    if (destination == "00000000" && mask == "00000000" && (routeFlags & kRouteUp)) names.push_back(iface);
  }
  std::ifstream v6(procNet / "ipv6_route");
  while (std::getline(v6, line)) {
    std::istringstream in(line);
    std::string destination, prefix, source, sourcePrefix, nextHop, metric, refs, use, flags, iface;
    if (!(in >> destination >> prefix >> source >> sourcePrefix >> nextHop >> metric >> refs >> use >> flags >> iface))
      continue;
    unsigned routeFlags = 0;
    std::istringstream(flags) >> std::hex >> routeFlags;
    if (destination == std::string(32, '0') && prefix == "00" && (routeFlags & kRouteUp) &&
        !(routeFlags & kRouteReject))
      names.push_back(iface);
  }
  return names;
}

}  // namespace

LinuxNetworkStatusSource::LinuxNetworkStatusSource(std::filesystem::path procNet, std::filesystem::path sysNet,
                                                   double intervalSeconds)
    : procNet_(std::move(procNet)), sysNet_(std::move(sysNet)), interval_(intervalSeconds) {}

LinuxNetworkStatusSource::~LinuxNetworkStatusSource() { stop(); }

bool LinuxNetworkStatusSource::looksCellular(const std::string& name) {
  for (const char* prefix : {"wwan", "wwp", "ppp", "usb", "rmnet"}) {
    if (name.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

ReachabilityStatus LinuxNetworkStatusSource::readStatus(const std::filesystem::path& procNet,
                                                        const std::filesystem::path& sysNet) {
  bool wifi = false;
  bool cellular = false;
  for (const auto& name : defaultRouteInterfaces(procNet)) {
    if (!usableInterface(sysNet, name)) continue;
    if (looksCellular(name))
      cellular = true;
    else
      wifi = true;
  }
  if (wifi) return ReachabilityStatus::ReachableViaWiFi;
  if (cellular) return ReachabilityStatus::ReachableViaCellular;
  return ReachabilityStatus::NotReachable;
}

ReachabilityStatus LinuxNetworkStatusSource::currentStatus() { return readStatus(procNet_, sysNet_); }

void LinuxNetworkStatusSource::start(ChangeHandler handler) {
  stop();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    handler_ = std::move(handler);
    stopping_ = false;
  }
  // The baseline is taken now, so a change right after `start` is not missed.
  last_ = currentStatus();
  thread_ = std::thread([this] { watch(); });
}

void LinuxNetworkStatusSource::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  handler_ = nullptr;
}

void LinuxNetworkStatusSource::watch() {
  ReachabilityStatus last = last_;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait_for(lock, std::chrono::duration<double>(interval_), [this] { return stopping_; });
      if (stopping_) return;
    }
    ReachabilityStatus now = currentStatus();
    if (now == last) continue;
    last = now;
    ChangeHandler handler;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      handler = handler_;
    }
    if (handler) handler(now);
  }
}

}  // namespace mv
