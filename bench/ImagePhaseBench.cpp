// The image phase of a sync against the local sales service: the real sync
// engine and transport fetch every picture the stored tables name (product
// pictures and thumbnails, icons, library covers) into an empty client
// folder, with the main loop driven by each back end as the application
// drives it: the desktop window (a display is needed: run it under xvfb-run)
// and the headless one. The baseline is a bare libcurl download of the same
// files from the same service over 3 connections (the batch queue's limit)
// into files. The ratio of each to the baseline is printed at the end.
//
// The sync starts each image kind a fixed pause after the one before it
// completed (twice a run: products, icons, covers), and the bare download
// has no such wait. Each run therefore also times those pauses, from the
// engine's report that a kind completed to its report that the pause before
// the next is over, and the product's time without them is printed beside
// the whole time (and given to bench/run as the counter "paused_s").
//
//   xvfb-run -a bench_ImagePhaseBench [--products=N] [benchmark options]
//
// With 30 of the products' pictures sent as pictures of the slow shape
// (SlowPictures), the same phase is timed against it (run with --photos,
// so that the pictures are a company's photographs).
//
// The later syncs (LaterSync) time a sync that finds nothing new on the
// service, over the company's product pictures kept on disk as photographs of
// 12 megapixels: without their end marker, which only a read through tells
// whole, against the same photographs with it. A picture is looked at only
// once in each version, so the two take the same; each case has one sync
// look at its pictures first, untimed, as the sync that brought them did.
//
// A first full sync (untimed) stores the tables and tells which files the
// phase fetches; every timed run starts with those files deleted and is an
// incremental sync whose only work is the image phase.
//
// The client's files go to /dev/shm unless TMPDIR says otherwise: on an ext4
// disk without a journal, a file made within 30 s of thousands being deleted
// has the allocator read past every one of them, which took 70% of either
// side's time and swung a side's run between 0.7 and 5 s with what the other
// processes on the disk had just deleted.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BenchWorld.hpp"
#include "PictureBytes.hpp"
#include "PictureRows.hpp"
#include "sales-service/FaultInjector.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/DesktopWindow.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/ProgressView.hpp"
#include "platform/ui/Window.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncModel.hpp"
#include "sync/SyncModelDelegate.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace {

int gProducts = 2000;
// "--photos": each product's pictures are photographs of 1600 x 1200, as a
// company's are, rather than the sample's small drawings.
bool gPhotos = false;
constexpr long kConnections = 3;
constexpr int kImageKinds[] = {mv::SyncModel::kImageTypeProduct, mv::SyncModel::kImageTypeIcon,
                               mv::SyncModel::kImageTypeCover};

// Seconds per run of each case, for the ratios, and the seconds of each run
// spent in the pauses the sync takes between two image kinds.
std::map<std::string, std::vector<double>> gSeconds;
std::map<std::string, std::vector<double>> gPaused;

double mean(const std::vector<double>& v) {
  double sum = 0;
  for (double x : v) sum += x;
  return v.empty() ? 0 : sum / static_cast<double>(v.size());
}

using bench::folderOf;

// Hears the end of a run and shows its progress, as the sync screen does, and
// times each pause between a completed image kind and the next kind's start.
class RunWatcher : public mv::SyncModelDelegate {
 public:
  bool ended = false;
  bool finished = false;
  std::string why;
  std::function<void(float)> onProgress;
  double pausedSeconds = 0;
  void imageKindCompleted(int) override { completedAt = std::chrono::steady_clock::now(); }
  void imageKindPauseEnded(int) override {
    if (!completedAt) return;
    pausedSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - *completedAt).count();
    completedAt.reset();
  }
  void startSyncData() override {}
  void breakSync(const std::string& message) override {
    ended = true;
    why = message;
  }
  void downloadimageFinished(int) override {}
  void finishedSync() override { ended = finished = true; }
  void setProgress(float progress, int, int) override {
    if (onProgress) onProgress(progress);
  }
  void getCustomerFinished() override {}
  void syncEndedBySession() override {
    ended = true;
    why = "the session ended the run";
  }

 private:
  std::optional<std::chrono::steady_clock::time_point> completedAt;
};

struct World {
  bench::ServiceWorld base;
  // The files of the image phase, by type.
  std::vector<std::pair<int, std::string>> files;
  bool ready = false;

  World()
      : base(
            [] {
              auto o = mv::sales::SampleOptions::large(gProducts);
              o.imagesPerProduct = 2;
              if (gPhotos) {
                o.fullImageWidth = 1600;
                o.fullImageHeight = 1200;
              }
              return o;
            }(),
            {mv::SyncConfigManager::kCatalogIndex, mv::SyncConfigManager::kLibraryIndex}) {
    if (!base.ready()) return;
    mv::SessionDatabase::open();
    auto watcher = std::make_shared<RunWatcher>();
    if (!runSync(*watcher, [&] { base::RunLoop::main().runUntil([&] { return watcher->ended; }, 900); }) ||
        !watcher->finished) {
      std::fprintf(stderr, "the first sync did not finish: %s\n", watcher->why.c_str());
      return;
    }
    for (int type : kImageKinds) {
      std::error_code ec;
      for (fs::directory_iterator it(folderOf(type), ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file()) files.emplace_back(type, it->path().filename().string());
      }
    }
    ready = !files.empty();
  }

  void clearPictures() const {
    for (int type : kImageKinds) {
      std::error_code ec;
      for (fs::directory_iterator it(folderOf(type), ec), end; !ec && it != end; it.increment(ec)) fs::remove(it->path());
    }
  }

  std::size_t picturesOnDisk() const {
    std::size_t n = 0;
    for (int type : kImageKinds) {
      std::error_code ec;
      for (fs::directory_iterator it(folderOf(type), ec), end; !ec && it != end; it.increment(ec)) n += it->is_regular_file();
    }
    return n;
  }

  // One run of the engine, its main loop driven by `drive` until the run ends.
  template <typename Drive>
  static bool runSync(RunWatcher& watcher, Drive drive) {
    // The engine of the session's services, begun with the first run.
    auto services = mv::SessionServices::current();
    if (!services) {
      mv::SessionServices::Registry registry;
      registry.add<mv::SyncModel>();
      services = mv::SessionServices::begin(std::move(registry));
    }
    auto engine = services ? services->get<mv::SyncModel>() : nullptr;
    if (!engine) return false;
    // The engine holds its delegate weakly: this one lives as long as the run.
    const std::shared_ptr<mv::SyncModelDelegate> delegate(&watcher, [](mv::SyncModelDelegate*) {});
    engine->setDelegate(delegate);
    engine->startSync();
    drive();
    engine->setDelegate({});
    return watcher.ended;
  }
};

std::unique_ptr<World> gWorld;

World& world() {
  if (!gWorld) gWorld = std::make_unique<World>();
  return *gWorld;
}

// Times `run` once per iteration, every picture deleted before it; `run`
// answers why it failed, nothing when it did not, and adds to its argument
// the seconds the run spent in the pauses between image kinds.
template <typename Run>
void timeRuns(benchmark::State& state, const std::string& name, Run run) {
  World& w = world();
  if (!w.ready) {
    state.SkipWithError("no service or no first sync");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    w.clearPictures();
    state.ResumeTiming();
    const auto begin = std::chrono::steady_clock::now();
    double paused = 0;
    std::string failure = run(paused);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    state.PauseTiming();
    if (failure.empty() && w.picturesOnDisk() != w.files.size()) failure = "not every picture arrived";
    if (!failure.empty()) state.SkipWithError(failure.c_str());
    gSeconds[name].push_back(seconds);
    gPaused[name].push_back(paused);
    state.ResumeTiming();
  }
  state.counters["files"] = static_cast<double>(w.files.size());
  // The mean seconds per run spent in the pauses between image kinds, for
  // the time without them.
  state.counters["paused_s"] = mean(gPaused[name]);
}

// One image phase, the main loop driven by `drive` until the run ends; adds
// the run's pauses between kinds to `paused`.
template <typename Drive>
std::string imagePhase(RunWatcher& watcher, double& paused, Drive drive) {
  World::runSync(watcher, drive);
  paused += watcher.pausedSeconds;
  return watcher.finished ? std::string() : "the sync broke: " + watcher.why;
}

void BM_ImagePhaseHeadless(benchmark::State& state) {
  timeRuns(state, "headless", [](double& paused) {
    RunWatcher watcher;
    return imagePhase(watcher, paused, [&] { base::RunLoop::main().runUntil([&] { return watcher.ended; }, 900); });
  });
}

// The window shows a bar and a text that follow the progress, so frames cost
// what a screen's frames cost.
struct WindowScene {
  std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>();
  std::shared_ptr<ui::ProgressView> bar = std::make_shared<ui::ProgressView>(ui::Rect{20, 100, 900, 20});
  std::shared_ptr<ui::Label> text = std::make_shared<ui::Label>(ui::Rect{20, 130, 900, 30});
  std::unique_ptr<ui::DesktopWindow> desktop;

  WindowScene() {
    window->makeKeyAndVisible();
    window->addSubview(bar);
    window->addSubview(text);
    std::string why;
    desktop = ui::DesktopWindow::open(window, {}, &why);
    if (!desktop) std::fprintf(stderr, "no window: %s\n", why.c_str());
  }
};

std::unique_ptr<WindowScene> gScene;

void BM_ImagePhaseWindow(benchmark::State& state) {
  if (!gScene) gScene = std::make_unique<WindowScene>();
  if (!gScene->desktop) {
    state.SkipWithError("no display for the window: run under xvfb-run");
    return;
  }
  timeRuns(state, "window", [](double& paused) {
    RunWatcher watcher;
    watcher.onProgress = [](float p) {
      gScene->bar->setProgress(p);
      gScene->text->setText(std::to_string(static_cast<int>(p * 100)) + " %");
    };
    return imagePhase(watcher, paused, [&] {
      auto& desktop = *gScene->desktop;
      while (!watcher.ended && desktop.runFrame()) desktop.waitForWork();
    });
  });
}

void BM_BareCurlDownload(benchmark::State& state) {
  timeRuns(state, "bare", [](double&) {
    return bench::bareDownload(world().files, kConnections) ? std::string() : "a file did not arrive";
  });
}

// The photograph of 4,000 x 3,000 that every product picture is, with its
// end marker (`marked`) and without.
struct Photographs {
  fs::path marked = fs::temp_directory_path() / "marvisto-bench-photo.jpg";
  fs::path unmarked = fs::temp_directory_path() / "marvisto-bench-photo-unmarked.jpg";
  bool ready = false;

  Photographs() {
    constexpr int kWidth = 4000, kHeight = 3000;
    ready = mv::test::writePictureRows(marked, mv::test::PictureKind::BaselineJpeg, kWidth, kHeight, 85,
                                       [](std::uint8_t* row, int y) {
                                         for (int x = 0; x < kWidth * 3; ++x)
                                           row[x] = static_cast<std::uint8_t>((x >> 3) + (y >> 2) + (x * y % 7));
                                       });
    std::error_code ec;
    ready = ready && fs::copy_file(marked, unmarked, fs::copy_options::overwrite_existing, ec);
    if (ready) fs::resize_file(unmarked, fs::file_size(marked) - 2, ec);
    ready = ready && !ec;
  }
  ~Photographs() {
    std::error_code ec;
    fs::remove(marked, ec);
    fs::remove(unmarked, ec);
  }
};

std::unique_ptr<Photographs> gPhotographs;

// Later syncs over the product pictures, each a link to `photograph`.
void laterSyncs(benchmark::State& state, fs::path Photographs::*photograph) {
  World& w = world();
  if (!gPhotographs) gPhotographs = std::make_unique<Photographs>();
  if (!w.ready || !gPhotographs->ready) {
    state.SkipWithError("no service, no first sync or no photograph");
    return;
  }
  std::size_t linked = 0;
  for (const auto& [type, name] : w.files) {
    if (type != mv::SyncModel::kImageTypeProduct) continue;
    const fs::path file = folderOf(type) / name;
    std::error_code ec;
    fs::remove(file, ec);
    fs::create_hard_link((*gPhotographs).*photograph, file, ec);
    linked += !ec;
  }
  const auto sync = [] {
    RunWatcher watcher;
    World::runSync(watcher, [&] { base::RunLoop::main().runUntil([&] { return watcher.ended; }, 3600); });
    return watcher.finished ? std::string() : "the sync broke: " + watcher.why;
  };
  if (const std::string failure = sync(); !failure.empty()) {
    state.SkipWithError(failure.c_str());
    return;
  }
  for (auto _ : state) {
    if (const std::string failure = sync(); !failure.empty()) state.SkipWithError(failure.c_str());
  }
  state.counters["pictures"] = static_cast<double>(linked);
}

// The image phase with 30 of the company's product pictures sent as
// pictures of the slow shape: 39.6 Mpx in some 300 scans of an honest
// order, without their end marker, each of which held a check for seconds.
void BM_SlowPicturesImagePhase(benchmark::State& state) {
  World& w = world();
  static const std::string slow = [] {
    const std::string bytes =
        mv::test::progressiveOfManyScans(mv::test::kLargePictureWidth, mv::test::kLargePictureHeight, 300);
    return bytes.substr(0, bytes.size() - 2);
  }();
  if (!w.ready) {
    state.SkipWithError("no service or no first sync");
    return;
  }
  int sent = 0;
  for (const auto& [type, name] : w.files) {
    if (type != mv::SyncModel::kImageTypeProduct || sent == 30) continue;
    mv::sales::FaultRule rule;
    rule.path = "*/" + name;
    rule.kind = mv::sales::FaultKind::FileContent;
    rule.content = slow;
    w.base.service().addFault(rule);
    ++sent;
  }
  timeRuns(state, "slow", [](double& paused) {
    RunWatcher watcher;
    return imagePhase(watcher, paused, [&] { base::RunLoop::main().runUntil([&] { return watcher.ended; }, 900); });
  });
  w.base.service().clearFaults();
  state.counters["slow"] = sent;
}

void BM_LaterSyncMarked(benchmark::State& state) { laterSyncs(state, &Photographs::marked); }
void BM_LaterSyncUnmarked(benchmark::State& state) { laterSyncs(state, &Photographs::unmarked); }

BENCHMARK(BM_BareCurlDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ImagePhaseHeadless)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ImagePhaseWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SlowPicturesImagePhase)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LaterSyncMarked)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_LaterSyncUnmarked)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  std::error_code ec;
  if (!std::getenv("TMPDIR") && fs::is_directory("/dev/shm", ec)) ::setenv("TMPDIR", "/dev/shm", 0);
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) != "--photos") continue;
    gPhotos = true;
    for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
    --argc;
    break;
  }
  bench::runBenchmarks(argc, argv, gProducts);
  const double bare = mean(gSeconds["bare"]);
  if (bare > 0) {
    std::printf("\nimage phase of %zu files / bare libcurl download over %ld connections (%.2f s; runs:",
                gWorld ? gWorld->files.size() : 0, kConnections, bare);
    for (double run : gSeconds["bare"]) std::printf(" %.2f", run);
    std::printf("):\n");
    for (const char* name : {"headless", "window"}) {
      const double s = mean(gSeconds[name]);
      if (s > 0) {
        std::printf("  %-8s %.2f s  ratio %.2f  (runs:", name, s, s / bare);
        for (double run : gSeconds[name]) std::printf(" %.2f", run);
        const double paused = mean(gPaused[name]);
        std::printf(")\n  %-8s %.2f s  ratio %.2f  without the pauses between kinds (%.3f s a run; runs:", "",
                    s - paused, (s - paused) / bare, paused);
        for (double run : gPaused[name]) std::printf(" %.3f", run);
        std::printf(")\n");
      } else {
        std::printf("  %-8s not run\n", name);
      }
    }
  }
  gScene.reset();
  gWorld.reset();
  return 0;
}
