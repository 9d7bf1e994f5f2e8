#pragma once
// What the sync benchmarks share: the local sales service with a generated
// data set for "acme", a fresh data root, and a session signed in as "rep"
// that the sync engine works for, with the modules it shows.
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "sales-service/SalesService.hpp"
#include "sync/NetBaseRst.hpp"
#include "sync/SyncConfigManager.hpp"
#include "sync/SyncSession.hpp"
#include "sync/requests/RequestInterfaceBase.hpp"

namespace bench {

// The process's resident memory in MB: now, and its peak since the last
// `resetPeakMemory()` (or since it started, where the kernel cannot reset it).
double residentMB();
double peakResidentMB();
void resetPeakMemory();

// Adopts this thread as the main loop's, reads "--products=N" into
// `products` and runs the benchmarks the other arguments select.
void runBenchmarks(int argc, char** argv, int& products);

class BenchSession : public mv::SyncSession {
 public:
  mv::LoginType loginType() const override { return mv::LoginType::Online; }
  void setLoginType(mv::LoginType) override {}
  std::string clientID() const override;
  void setClientID(const std::string&) override {}
  void setSessionId(const std::string&) override {}
  void setVendorId(std::int64_t) override {}
  void setHasBackup(bool) override {}
  void setLastBackupDate(double) override {}
  void getUserinfo() override {}
  void getRuntimeConfig() override {}
};

class ShownModules : public mv::SyncConfigManager {
 public:
  explicit ShownModules(std::set<int> shown) : shown_(std::move(shown)) {}
  bool isOnShow(int index) const override { return shown_.count(index) > 0; }
  std::map<std::string, std::string>& flagDic() override { return flags_; }

 private:
  std::set<int> shown_;
  std::map<std::string, std::string> flags_;
};

class ServiceWorld {
 public:
  // Starts the service with `data` for "acme" on the real clock and signs in
  // (the log is quiet unless MV_LOG=1);
  // `ready()` tells whether all of it worked (the reason went to stderr).
  ServiceWorld(const mv::sales::SampleOptions& data, std::set<int> shownModules);
  ~ServiceWorld();
  ServiceWorld(const ServiceWorld&) = delete;
  ServiceWorld& operator=(const ServiceWorld&) = delete;

  bool ready() const { return ready_; }
  mv::sales::SalesService& service() { return *service_; }
  const std::filesystem::path& root() const { return root_; }

  // Sends a request and runs the main loop until its reply (null after 300 s).
  static std::shared_ptr<mv::NetBaseRst> roundTrip(const std::shared_ptr<mv::RequestInterfaceBase>& request);

 private:
  std::unique_ptr<mv::sales::SalesService> service_;
  std::shared_ptr<BenchSession> session_ = std::make_shared<BenchSession>();
  std::shared_ptr<ShownModules> config_;
  std::filesystem::path root_;
  bool ready_ = false;
};

}  // namespace bench
