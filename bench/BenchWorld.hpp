#pragma once
// What the sync benchmarks share: the local sales service with a generated
// data set for "acme", a fresh data root, and a session signed in as "rep"
// that the sync engine works for, with the modules it shows.
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/CancelTracker.hpp"
#include "platform/base/Value.hpp"
#include "sales-service/SalesService.hpp"
#include "sync/NetBaseRst.hpp"
#include "sync/RequestSender.hpp"
#include "sync/SyncConfigManager.hpp"
#include "sync/SyncSession.hpp"
#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {
class SQLiteDatabase;
class SyncAllTableRst;
}  // namespace mv

namespace bench {

// The process's peak resident memory in MB, and what it holds now.
double peakResidentMB();
double residentMB();

// The client's folder of a file type.
std::filesystem::path folderOf(int type);
// The files (type, name) fetched with libcurl alone, `connections` transfers
// at a time on reused connections, each body written to its file in its type
// folder as the image phase writes it; false when one did not arrive.
bool bareDownload(const std::vector<std::pair<int, std::string>>& files, long connections);
// The rows of a product-tables reply inserted with plain prepared statements
// in one transaction; false when one was refused.
bool insertProductTables(mv::SQLiteDatabase& db, const mv::SyncAllTableRst& reply);

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
  // Always online: no silent sign-in hears the service.
  void askFullSync() override {}
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

// A client in a fresh data root, signed in as "rep" of "acme" to the
// service the server settings point at, with the modules it shows (the log
// is quiet unless MV_LOG=1). The service may run in this process or in
// another.
class ClientWorld {
 public:
  explicit ClientWorld(std::set<int> shownModules);
  ~ClientWorld();
  ClientWorld(const ClientWorld&) = delete;
  ClientWorld& operator=(const ClientWorld&) = delete;

  // Stores the settings and signs in; false (the reason on stderr) when the
  // sign-in failed.
  bool signIn(const base::Value& serverSettings);
  const std::filesystem::path& root() const { return root_; }

 private:
  std::shared_ptr<BenchSession> session_ = std::make_shared<BenchSession>();
  std::shared_ptr<ShownModules> config_;
  std::filesystem::path root_;
};

// One run of the sync engine of a session of its own until the product
// tables are stored into the client's store; false when they were not.
bool syncProductTables();

class ServiceWorld {
 public:
  // Starts the service with `data` for "acme" on the real clock and signs a
  // client in to it; `ready()` tells whether all of it worked (the reason
  // went to stderr).
  ServiceWorld(const mv::sales::SampleOptions& data, std::set<int> shownModules);
  ~ServiceWorld();
  ServiceWorld(const ServiceWorld&) = delete;
  ServiceWorld& operator=(const ServiceWorld&) = delete;

  bool ready() const { return ready_; }
  mv::sales::SalesService& service() { return *service_; }
  const std::filesystem::path& root() const { return client_->root(); }

  // Sends a request through the network model as the application does and
  // runs the main loop until its reply, a copy of the type the request
  // decodes (null when the session ended it, or after 300 s).
  template <typename Reply>
  static std::shared_ptr<Reply> roundTrip(const std::shared_ptr<mv::RequestInterfaceBase>& request) {
    std::shared_ptr<Reply> reply;
    bool ended = false;
    base::CancelTracker tracker;
    if (sender().sendFor<Reply>(
            request, tracker, [&](const Reply& r) { reply = std::make_shared<Reply>(r); },
            [&](const mv::NetBaseRst&) { ended = true; }) < 0) {
      return nullptr;
    }
    waitUntil([&] { return reply != nullptr || ended; });
    return reply;
  }

 private:
  static mv::RequestSender& sender();
  static void waitUntil(const std::function<bool()>& done);

  std::unique_ptr<ClientWorld> client_;
  std::unique_ptr<mv::sales::SalesService> service_;
  bool ready_ = false;
};

// The service with a large generated catalogue of `products`, a client
// signed in to it that shows the catalogue, and the product tables synced
// into the client's store, all untimed; `ready()` tells whether all of it
// worked (the reason went to stderr).
class CatalogWorld {
 public:
  explicit CatalogWorld(int products);

  bool ready() const { return ready_; }

 private:
  ServiceWorld service_;
  bool ready_ = false;
};

// A run of this executable as a child process with one argument.
struct ChildRun {
  // Seconds from the spawn until the child wrote `readyLine` (or ended).
  double seconds = 0;
  // The child's peak resident memory as it reported it (0 when it did not).
  double peakMB = 0;
  // What it said it held at the end ("after_MB <n>"; 0 when it did not).
  double afterMB = 0;
  // It wrote the line (when one was asked for) and exited with status 0.
  bool ok = false;
};
ChildRun runChild(const std::string& arg, const std::string& readyLine = {});
// The child's last words: its peak resident memory, on stdout. (The parent
// cannot take it from the child's resource usage: a spawned child starts in
// the parent's memory, and the kernel keeps that peak across the exec.)
void reportPeakMemory();

}  // namespace bench
