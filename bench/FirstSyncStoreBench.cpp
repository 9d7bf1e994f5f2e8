// The main thread's share of a big company's first sync up to its pictures:
// from the start of the run (sign-in checks, configuration, the product and
// library tables asked, read and stored) until the image phase has its lists
// of missing pictures and asks for the first of them. Only the turns of the
// main loop are counted; the waits for the service and for the workers are
// not: the window is free meanwhile. The floor is the same first sync of a
// company of 100 products, so the ratio says how much of the main thread's
// work grows with the company. The longest turn of each is a counter
// ("longest_turn_ms").
//
//   bench_FirstSyncStoreBench [--products=N] [benchmark options]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "BenchWorld.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncModel.hpp"
#include "sync/SyncModelDelegate.hpp"

namespace fs = std::filesystem;

namespace {

int gProducts = 100000;
constexpr int kTinyCompany = 100;

class RunWatcher : public mv::SyncModelDelegate {
 public:
  bool ended = false;
  void startSyncData() override {}
  void breakSync(const std::string& message) override {
    ended = true;
    std::fprintf(stderr, "the sync broke: %s\n", message.c_str());
  }
  void downloadimageFinished(int) override {}
  void finishedSync() override { ended = true; }
  void setProgress(float, int, int) override {}
  void getCustomerFinished() override {}
  void syncEndedBySession() override { ended = true; }
};

// The service with one company of `products`, and a client signed in to it.
struct World {
  explicit World(int products)
      : base(mv::sales::SampleOptions::large(products), {mv::SyncConfigManager::kCatalogIndex}), products(products) {}
  bench::ServiceWorld base;
  int products;
};

std::unique_ptr<World> gWorld;

World& world(int products) {
  if (!gWorld || gWorld->products != products) {
    mv::SessionDatabase::close();
    gWorld.reset();
    gWorld = std::make_unique<World>(products);
  }
  return *gWorld;
}

// The client as before its first sync: no database, no pictures, no flags.
void freshClient() {
  mv::SessionDatabase::close();
  const fs::path client = base::Paths::documents() / "acme";
  if (!mv::SQLiteDatabase::removeFile(client / mv::DataAccessManager::kDatabaseFileName)) {
    std::fprintf(stderr, "the client database stays\n");
  }
  for (int type : {mv::SyncModel::kImageTypeProduct, mv::SyncModel::kImageTypeIcon, mv::SyncModel::kImageTypeCover}) {
    std::error_code ec;
    fs::remove_all(bench::folderOf(type), ec);
  }
  for (const char* flag : {mv::SyncModel::kProductSynced, mv::SyncModel::kFileSynced, mv::SyncModel::kCustomerSynced,
                           mv::SyncModel::kFilesUnsettled, mv::SyncModel::kLastSync}) {
    base::UserDefaults::standard().removeObject(std::string("acme-") + flag);
  }
  mv::SessionDatabase::open();
}

struct Busy {
  double seconds = 0;
  double longest = 0;
  bool reached = false;
};

using Clock = std::chrono::steady_clock;

// One first sync until the image phase asks for its first picture; the
// main loop's turns are timed one by one.
Busy firstSyncToPictures() {
  Busy busy;
  mv::SessionServices::Registry registry;
  registry.add<mv::SyncModel>();
  auto services = mv::SessionServices::begin(std::move(registry));
  auto engine = services ? services->get<mv::SyncModel>() : nullptr;
  if (!engine) return busy;
  auto watcher = std::make_shared<RunWatcher>();
  engine->setDelegate(watcher);
  auto turn = [&](const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    busy.seconds += took;
    busy.longest = std::max(busy.longest, took);
  };
  turn([&] { engine->startSync(); });
  const auto deadline = Clock::now() + std::chrono::minutes(10);
  auto& loop = base::RunLoop::main();
  while (!watcher->ended && Clock::now() < deadline) {
    if (engine->imageType() == mv::SyncModel::kImageTypeProduct) {
      busy.reached = true;
      break;
    }
    // Nothing to run: the loop waits (for the service, for a worker), untimed.
    if (loop.secondsUntilDue() > 0) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
      continue;
    }
    turn([&] { loop.runOnce(0); });
  }
  engine.reset();
  services.reset();
  mv::SessionServices::end();
  // What the ended run left to the loop goes by, untimed.
  loop.runUntil([] { return false; }, 0.2);
  return busy;
}

void run(benchmark::State& state, int products) {
  World& w = world(products);
  if (!w.base.ready()) {
    state.SkipWithError("no service");
    return;
  }
  double longest = 0;
  for (auto _ : state) {
    freshClient();
    const Busy busy = firstSyncToPictures();
    if (!busy.reached) {
      state.SkipWithError("the first sync did not reach its pictures");
      return;
    }
    state.SetIterationTime(busy.seconds);
    longest = std::max(longest, busy.longest);
  }
  state.counters["longest_turn_ms"] = longest * 1e3;
  state.counters["products"] = products;
}

void BM_FirstSyncStoreMainThread(benchmark::State& state) { run(state, gProducts); }

void BM_BaselineTinyCompanyFirstSyncStore(benchmark::State& state) { run(state, std::min(gProducts, kTinyCompany)); }

BENCHMARK(BM_FirstSyncStoreMainThread)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_BaselineTinyCompanyFirstSyncStore)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(12);

}  // namespace

int main(int argc, char** argv) {
  bench::runBenchmarks(argc, argv, gProducts);
  gWorld.reset();
  return 0;
}
