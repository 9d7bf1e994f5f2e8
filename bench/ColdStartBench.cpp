// A cold start of the application, headless: a new process launches the
// application as the binary does (its features installed), signs in to the
// demo company from the welcome screen and draws the main tab bar's first
// frame. The baseline is a new process that starts the bare toolkit and
// draws one empty window. Each run re-executes this binary as the child and
// is timed from the spawn until the child reports its first frame; the
// child's peak resident memory comes from its resource usage ("peak_MB").
//
// A first, untimed run of the application unpacks the demo data into a
// scratch data folder, as the first launch after installing does; the timed
// runs start from it, as every later launch does.
//
//   bench_ColdStartBench [benchmark options]
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalog/CatalogFeature.hpp"
#include "customer/CustomerFeature.hpp"
#include "library/LibraryFeature.hpp"
#include "order/OrderFeature.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/View.hpp"
#include "platform/ui/Window.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/MarvistoAppDelegate.hpp"
#include "shell/frame/ShellScreenFactory.hpp"
#include "shell/session/GuideView.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/session/WeclomeViewController.hpp"
#include "shell/settings/SkinManager.hpp"
#include "shell/sync-screens/SyncScreens.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/SessionServices.hpp"

extern "C" char** environ;

namespace fs = std::filesystem;

namespace {

// The child's side: what it runs, then one line on stdout when its first
// frame is drawn.
constexpr const char* kChildApp = "--child-app=";
constexpr const char* kChildBare = "--child-bare";

void reportFrame() {
  std::fputs("frame\n", stdout);
  std::fflush(stdout);
}

bool runUntil(const std::function<bool()>& done, double seconds) {
  return base::RunLoop::main().runUntil([&] {
    ui::View::layoutPendingViews();
    return done();
  }, seconds);
}

int childApp(const fs::path& root) {
  base::setLogEnabled(false);
  base::RunLoop& loop = base::RunLoop::main();
  loop.adoptCurrentThread();
  base::Paths::setRoot(root);
  auto app = mv::MarvistoAppDelegate::create(std::make_shared<mv::ShellScreenFactory>());
  mv::FeatureWiring& wiring = app->wiring();
  mv::SyncScreens::install(wiring);
  mv::CatalogFeature::install(wiring);
  mv::CustomerFeature::install(wiring);
  mv::LibraryFeature::install(wiring);
  mv::OrderFeature::install(wiring);
  app->didFinishLaunchingWithOptions({});
  auto& skins = mv::SkinManager::sharedInstance();
  runUntil([&] { return !skins.isDemoUnpacking(); }, 120);
  auto welcome = std::dynamic_pointer_cast<mv::WeclomeViewController>(app->welcomeScreen());
  int status = 1;
  if (welcome) {
    ui::HeadlessDriver driver(app->window());
    // The guide of a first launch is skipped as a user skips it.
    if (auto guide = welcome->guideView(); guide && guide->superview()) {
      driver.tap(*guide->skipButton());
      runUntil([&] { return !guide->superview(); }, 5);
    }
    welcome->login(std::string(mv::LoginMode::kDemoClientZDuvo));
    if (runUntil([&] { return !app->isWelcomeRoot(); }, 120)) {
      driver.render();
      reportFrame();
      status = 0;
    }
  }
  base::NotificationCenter::defaultCenter().post(ui::Application::WillTerminateNotification);
  mv::NetworkModel::sharedInstance().cancelAllRequests();
  base::WorkQueue::global().cancelAll();
  base::WorkQueue::global().waitIdle();
  loop.drain();
  welcome.reset();
  mv::MarvistoAppDelegate::destroyCurrent();
  mv::SessionServices::end();
  mv::LoginMode::freeInstance();
  mv::ConfigManager::freeInstance();
  base::UserDefaults::standard().synchronize();
  return status;
}

int childBare() {
  base::RunLoop::main().adoptCurrentThread();
  auto window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  ui::HeadlessDriver(window).render();
  reportFrame();
  ui::Application::sharedInstance().removeWindow(window.get());
  return 0;
}

// One run of this binary as a child with `arg`: the seconds until it reported
// its frame and its peak resident memory in MB; nothing when it failed.
struct ChildRun {
  double seconds = 0;
  double peakMB = 0;
  bool ok = false;
};

ChildRun runChild(const std::string& arg) {
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
  // The child's other output is read past until its line.
  std::string text;
  char buffer[512];
  while (text.find("frame\n") == std::string::npos) {
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  const bool framed = text.find("frame\n") != std::string::npos;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  while (::read(out[0], buffer, sizeof buffer) > 0) {
  }
  ::close(out[0]);
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) return run;
  run.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  run.ok = framed && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

const fs::path& dataRoot() {
  static const fs::path root = fs::temp_directory_path() / ("marvisto-coldstart-" + std::to_string(::getpid()));
  return root;
}

void timeChild(benchmark::State& state, const std::string& arg) {
  double peak = 0;
  for (auto _ : state) {
    const ChildRun run = runChild(arg);
    if (!run.ok) {
      state.SkipWithError("the child did not draw its frame");
      break;
    }
    state.SetIterationTime(run.seconds);
    peak = std::max(peak, run.peakMB);
  }
  state.counters["peak_MB"] = peak;
}

void BM_ColdStartDemoToTabBar(benchmark::State& state) {
  const std::string arg = kChildApp + dataRoot().string();
  static const bool prepared = runChild(arg).ok;
  if (!prepared) {
    state.SkipWithError("the first launch did not reach the tab bar");
    return;
  }
  timeChild(state, arg);
}

void BM_BaselineBareWindow(benchmark::State& state) { timeChild(state, kChildBare); }

BENCHMARK(BM_ColdStartDemoToTabBar)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_BaselineBareWindow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strncmp(argv[1], kChildApp, std::strlen(kChildApp)) == 0)
    return childApp(argv[1] + std::strlen(kChildApp));
  if (argc == 2 && std::strcmp(argv[1], kChildBare) == 0) return childBare();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(dataRoot(), ec);
  return 0;
}
