#include "BenchWorld.hpp"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/base/Log.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/NetworkRecDelegate.hpp"
#include "sync/SessionServices.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "util/Session.hpp"

namespace fs = std::filesystem;

namespace bench {
namespace {

class Receiver : public mv::NetworkRecDelegate {
 public:
  std::shared_ptr<mv::NetBaseRst> result;
  void ReciveHttpRespondInfo(const std::shared_ptr<mv::NetBaseRst>& r) override { result = r; }
};

// A "Vm..." line of /proc/self/status, in MB; 0 when it cannot be read.
double statusMB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::atof(line.c_str() + field.size() + 1) / 1024.0;
  }
  return 0;
}

}  // namespace

double residentMB() { return statusMB("VmRSS"); }
double peakResidentMB() { return statusMB("VmHWM"); }

void resetPeakMemory() {
  // "5" sets the peak back to what is resident now.
  std::ofstream("/proc/self/clear_refs") << "5";
}

void runBenchmarks(int argc, char** argv, int& products) {
  base::RunLoop::main().adoptCurrentThread();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--products=", 0) == 0) products = std::max(1, std::atoi(arg.c_str() + 11));
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}

std::string BenchSession::clientID() const { return mv::Session::current().clientID; }

ServiceWorld::ServiceWorld(const mv::sales::SampleOptions& data, std::set<int> shownModules)
    : config_(std::make_shared<ShownModules>(std::move(shownModules))) {
  // The log stays quiet, as in the application, unless asked for.
  const char* log = std::getenv("MV_LOG");
  base::setLogEnabled(log && std::string(log) == "1");
  root_ = fs::temp_directory_path() / ("marvisto-bench-" + std::to_string(::getpid()));
  fs::create_directories(root_);
  base::Paths::setRoot(root_);
  base::UserDefaults::resetStandard();
  base::RunLoop::main().setClock(std::make_shared<base::RealClock>());

  mv::sales::ServiceConfig cfg = mv::sales::ServiceConfig::defaults();
  for (auto& company : cfg.companies) {
    if (company.clientId == "acme") company.data = data;
  }
  service_ = std::make_unique<mv::sales::SalesService>(cfg);
  std::string error;
  if (!service_->start(&error)) {
    std::fprintf(stderr, "cannot start the sales service: %s\n", error.c_str());
    return;
  }
  const base::Value settings = service_->serverSettings();
  for (const auto& [key, value] : settings.items()) base::UserDefaults::standard().setObject(key, value);
  mv::Session signIn;
  signIn.clientID = "acme";
  signIn.acountID = "rep";
  signIn.password = "secret";
  signIn.deviceID = std::string(40, 'a');
  mv::Session::publish(signIn);
  mv::SyncSession::setCurrent(session_);
  mv::SyncConfigManager::setCurrent(config_);

  auto login = std::dynamic_pointer_cast<mv::LoginRst>(roundTrip(std::make_shared<mv::RequestLogin>()));
  if (!login || !login->isSuccess()) {
    std::fprintf(stderr, "cannot sign in\n");
    return;
  }
  signIn.sessionId = login->sessionId;
  mv::Session::publish(signIn);
  ready_ = true;
}

ServiceWorld::~ServiceWorld() {
  mv::SessionServices::end();
  mv::DataAccessManager::releaseDataModel();
  mv::NetworkModel::sharedInstance().cancelAllRequests();
  if (service_) service_->stop();
  std::error_code ec;
  fs::remove_all(root_, ec);
}

std::shared_ptr<mv::NetBaseRst> ServiceWorld::roundTrip(const std::shared_ptr<mv::RequestInterfaceBase>& request) {
  auto receiver = std::make_shared<Receiver>();
  request->setReceiveDelegete(receiver);
  mv::NetworkModel::sharedInstance().sendRequest(request);
  base::RunLoop::main().runUntil([&] { return receiver->result != nullptr; }, 300);
  return receiver->result;
}

}  // namespace bench
