#include "BenchWorld.hpp"

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/base/Log.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/NetworkRecDelegate.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncModel.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "util/Session.hpp"

extern "C" char** environ;

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

double peakResidentMB() { return statusMB("VmHWM"); }

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

ClientWorld::ClientWorld(std::set<int> shownModules) : config_(std::make_shared<ShownModules>(std::move(shownModules))) {
  // The log stays quiet, as in the application, unless asked for.
  const char* log = std::getenv("MV_LOG");
  base::setLogEnabled(log && std::string(log) == "1");
  root_ = fs::temp_directory_path() / ("marvisto-bench-" + std::to_string(::getpid()));
  fs::create_directories(root_);
  base::Paths::setRoot(root_);
  base::UserDefaults::resetStandard();
  base::RunLoop::main().setClock(std::make_shared<base::RealClock>());
}

bool ClientWorld::signIn(const base::Value& serverSettings) {
  for (const auto& [key, value] : serverSettings.items()) base::UserDefaults::standard().setObject(key, value);
  mv::Session signIn;
  signIn.clientID = "acme";
  signIn.acountID = "rep";
  signIn.password = "secret";
  signIn.deviceID = std::string(40, 'a');
  mv::Session::publish(signIn);
  mv::SyncSession::setCurrent(session_);
  mv::SyncConfigManager::setCurrent(config_);

  auto login = std::dynamic_pointer_cast<mv::LoginRst>(ServiceWorld::roundTrip(std::make_shared<mv::RequestLogin>()));
  if (!login || !login->isSuccess()) {
    std::fprintf(stderr, "cannot sign in\n");
    return false;
  }
  signIn.sessionId = login->sessionId;
  mv::Session::publish(signIn);
  return true;
}

ClientWorld::~ClientWorld() {
  mv::SessionServices::end();
  mv::DataAccessManager::releaseDataModel();
  mv::NetworkModel::sharedInstance().cancelAllRequests();
  std::error_code ec;
  fs::remove_all(root_, ec);
}

bool syncProductTables() {
  bool stored = false;
  base::Observation watch(base::UserDefaults::DidChangeNotification, nullptr, [&](const base::Notification&) {
    stored = stored || base::UserDefaults::standard().hasKey("acme-ProductSynced");
  });
  mv::SessionServices::Registry registry;
  registry.add<mv::SyncModel>();
  auto services = mv::SessionServices::begin(std::move(registry));
  auto engine = services ? services->get<mv::SyncModel>() : nullptr;
  if (!engine) return false;
  engine->startSync();
  base::RunLoop::main().runUntil([&] { return stored || !engine->isRunning(); }, 600);
  engine.reset();
  services.reset();
  mv::SessionServices::end();
  return stored;
}

ServiceWorld::ServiceWorld(const mv::sales::SampleOptions& data, std::set<int> shownModules)
    : client_(std::make_unique<ClientWorld>(std::move(shownModules))) {
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
  ready_ = client_->signIn(service_->serverSettings());
}

ServiceWorld::~ServiceWorld() {
  client_.reset();
  if (service_) service_->stop();
}

namespace {
const std::string kPeakLine = "peak_MB ";
}  // namespace

void reportPeakMemory() {
  std::printf("%s%.1f\n", kPeakLine.c_str(), peakResidentMB());
  std::fflush(stdout);
}

ChildRun runChild(const std::string& arg, const std::string& readyLine) {
  ChildRun run;
  int out[2];
  if (::pipe(out) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  std::vector<char*> argv{const_cast<char*>(self.c_str()), const_cast<char*>(arg.c_str()), nullptr};
  pid_t pid = 0;
  const auto begin = std::chrono::steady_clock::now();
  const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (spawned != 0) {
    ::close(out[0]);
    return run;
  }
  // Whatever else the child writes is read past.
  const std::string line = readyLine + "\n";
  std::string text;
  char buffer[512];
  bool ready = false;
  for (;;) {
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    if (!readyLine.empty() && text.find(line) != std::string::npos) {
      ready = true;
      break;
    }
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  ::close(out[0]);
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return run;
  if (readyLine.empty()) run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  if (const auto at = text.rfind(kPeakLine); at != std::string::npos) run.peakMB = std::atof(text.c_str() + at + kPeakLine.size());
  run.ok = (readyLine.empty() || ready) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

std::shared_ptr<mv::NetBaseRst> ServiceWorld::roundTrip(const std::shared_ptr<mv::RequestInterfaceBase>& request) {
  auto receiver = std::make_shared<Receiver>();
  request->setReceiveDelegete(receiver);
  mv::NetworkModel::sharedInstance().sendRequest(request);
  base::RunLoop::main().runUntil([&] { return receiver->result != nullptr; }, 300);
  return receiver->result;
}

}  // namespace bench
