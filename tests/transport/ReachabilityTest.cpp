#include <fstream>

#include "TestEnvironment.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/RunLoop.hpp"
#include "transport/FakeNetworkStatusSource.hpp"
#include "transport/LinuxNetworkStatusSource.hpp"
#include "transport/Reachability.hpp"

namespace mv::test {
namespace {

namespace fs = std::filesystem;
using Status = ReachabilityStatus;

class ReachabilityTest : public TestEnvironment {
 protected:
  void watch(const std::shared_ptr<Reachability>& watcher) {
    observation = base::Observation(kReachabilityChangedNotification, nullptr, [this](const base::Notification& n) {
      auto* sender = static_cast<const Reachability*>(n.sender);
      senders.push_back(sender);
      seen.push_back(sender->currentReachabilityStatus());
    });
    ASSERT_TRUE(watcher->startNotifier());
  }

  // A routing table with one default route through `iface` (or none).
  void writeTables(const fs::path& dir, const std::string& iface, unsigned flags = 0x1003) {
    fs::create_directories(dir / "proc");
    std::ofstream route(dir / "proc" / "route");
    route << "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
    route << "lo\t0000007F\t00000000\t0001\t0\t0\t0\t000000FF\t0\t0\t0\n";
    if (!iface.empty()) route << iface << "\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n";
    for (const char* name : {"lo", "eth0", "wlan0", "wwan0"}) {
      fs::create_directories(dir / "sys" / name);
      std::ofstream(dir / "sys" / name / "flags")
          << (std::string(name) == "lo" ? "0x9" : std::string(name) == iface ? "0x" + hex(flags) : "0x1002");
    }
  }
  static std::string hex(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", v);
    return buf;
  }

  base::Observation observation;
  std::vector<const Reachability*> senders;
  std::vector<Status> seen;
};

TEST_F(ReachabilityTest, EachChangeOfTheSourcePostsOneNotification) {
  EXPECT_EQ(Reachability::reachabilityWithHostName(""), nullptr);
  EXPECT_EQ(Reachability::reachabilityWithHostName("bad host\n"), nullptr);
  auto source = std::make_shared<FakeNetworkStatusSource>(Status::ReachableViaWiFi);
  auto watcher = Reachability::reachabilityWithHostName("www.example.com", source);
  ASSERT_NE(watcher, nullptr);
  EXPECT_EQ(watcher->hostName(), "www.example.com");
  EXPECT_EQ(watcher->currentReachabilityStatus(), Status::ReachableViaWiFi);
  watch(watcher);
  EXPECT_FALSE(watcher->startNotifier());

  source->setStatus(Status::ReachableViaCellular);
  source->setStatus(Status::ReachableViaCellular);  // no change
  base::RunLoop::main().drain();
  EXPECT_EQ(seen, std::vector<Status>{Status::ReachableViaCellular});

  // Back-to-back changes each arrive, in order, with the status they carry.
  source->setStatus(Status::NotReachable);
  source->setStatus(Status::ReachableViaWiFi);
  base::RunLoop::main().drain();
  EXPECT_EQ(seen, (std::vector<Status>{Status::ReachableViaCellular, Status::NotReachable, Status::ReachableViaWiFi}));
  for (auto* sender : senders) EXPECT_EQ(sender, watcher.get());

  watcher->stopNotifier();
  source->setStatus(Status::NotReachable);
  base::RunLoop::main().drain();
  EXPECT_EQ(seen.size(), 3u);
}

TEST_F(ReachabilityTest, RoutingTablesGiveTheStatus) {
  const fs::path dir = root / "net";
  auto status = [&] { return LinuxNetworkStatusSource::readStatus(dir / "proc", dir / "sys"); };
  writeTables(dir, "wlan0");
  EXPECT_EQ(status(), Status::ReachableViaWiFi);
  writeTables(dir, "eth0");
  EXPECT_EQ(status(), Status::ReachableViaWiFi);
  writeTables(dir, "wwan0");
  EXPECT_EQ(status(), Status::ReachableViaCellular);
  writeTables(dir, "eth0", 0x1002);  // the route's interface is down
  EXPECT_EQ(status(), Status::NotReachable);
  writeTables(dir, "");
  EXPECT_EQ(status(), Status::NotReachable);
  // An IPv6 default route counts too; a rejecting one does not.
  std::ofstream(dir / "proc" / "ipv6_route")
      << "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
         "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";
  EXPECT_EQ(status(), Status::NotReachable);
  std::ofstream(dir / "proc" / "ipv6_route", std::ios::app)
      << "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
         "fe800000000000000000000000000001 00000400 00000001 00000000 00000003    wwan0\n";
  fs::create_directories(dir / "sys" / "wwan0");
  std::ofstream(dir / "sys" / "wwan0" / "flags") << "0x1003";
  EXPECT_EQ(status(), Status::ReachableViaCellular);
  EXPECT_TRUE(LinuxNetworkStatusSource::looksCellular("ppp0"));
  EXPECT_FALSE(LinuxNetworkStatusSource::looksCellular("wlp2s0"));
}

TEST_F(ReachabilityTest, SystemWatcherNoticesARouteChange) {
  // The watcher reads the system's tables at its interval on a thread of its
  // own, in real time.
  useRealClock();
  const fs::path dir = root / "net";
  writeTables(dir, "wlan0");
  auto source = std::make_shared<LinuxNetworkStatusSource>(dir / "proc", dir / "sys", 0.05);
  auto watcher = Reachability::reachabilityWithHostName("www.example.com", source);
  ASSERT_NE(watcher, nullptr);
  watch(watcher);
  writeTables(dir, "");
  ASSERT_TRUE(runUntil([&] { return !seen.empty(); }, 5));
  EXPECT_EQ(seen.front(), Status::NotReachable);
  watcher->stopNotifier();
}

}  // namespace
}  // namespace mv::test
