// A cold start of the application, headless: a new process launches the
// application as the binary does (its features installed), signs in to the
// demo company from the welcome screen and draws the main tab bar's first
// frame. The baseline is a new process that starts the bare toolkit and
// draws one empty window. Each run re-executes this binary as the child and
// is timed from the spawn until the child reports its first frame; the
// child reports its peak resident memory too ("peak_MB").
//
// A first, untimed run of the application unpacks the demo data into a
// scratch data folder, as the first launch after installing does; the timed
// runs start from it, as every later launch does.
//
//   bench_ColdStartBench [benchmark options]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "BenchApplication.hpp"
#include "BenchFrames.hpp"
#include "BenchWorld.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Window.hpp"
#include "shell/app/MarvistoAppDelegate.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/session/WeclomeViewController.hpp"
#include "shell/config/SkinManager.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/SessionServices.hpp"

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

int childApp(const fs::path& root) {
  base::setLogEnabled(false);
  base::RunLoop& loop = base::RunLoop::main();
  loop.adoptCurrentThread();
  base::Paths::setRoot(root);
  auto app = bench::launchApplication();
  auto welcome = app ? std::dynamic_pointer_cast<mv::WeclomeViewController>(app->welcomeScreen()) : nullptr;
  int status = 1;
  if (welcome) {
    welcome->login(std::string(mv::SkinManager::kDemoClientZDuvo));
    if (bench::runApplicationUntil([&] { return !app->isWelcomeRoot(); }, 120)) {
      bench::Frames(app->window()).draw();
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
  base::UserDefaults::standard().synchronize();
  bench::reportPeakMemory();
  return status;
}

int childBare() {
  base::RunLoop::main().adoptCurrentThread();
  auto window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  bench::Frames(window).draw();
  reportFrame();
  ui::Application::sharedInstance().removeWindow(window.get());
  bench::reportPeakMemory();
  return 0;
}

const fs::path& dataRoot() {
  static const fs::path root = fs::temp_directory_path() / ("marvisto-coldstart-" + std::to_string(::getpid()));
  return root;
}

void timeChild(benchmark::State& state, const std::string& arg) {
  double peak = 0;
  for (auto _ : state) {
    const bench::ChildRun run = bench::runChild(arg, "frame");
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
  static const bool prepared = bench::runChild(arg, "frame").ok;
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
