// A big company's whole first sync against the local sales service: the
// product, library and customer tables, every product picture with its
// thumbnail, the icons and the library covers, into a fresh client, until
// the run has stamped its time. The baseline is what the same machine does
// at best for the same work: a bare libcurl download of the same files over
// as many connections as the batch queue uses, plus the product rows
// inserted with plain prepared statements in one transaction.
//
//   bench_FirstSyncBench [--products=N] [benchmark options]
//
// Each timed sync runs in a child process of its own (a client alone, with
// its own fresh store and folders), which reports its peak resident memory
// ("peak_MB") and what it still holds once the run has ended ("after_MB").
// The service runs in this process.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "BenchWorld.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "sales-service/SampleData.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/requests/RequestSyncAllTable.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncModel.hpp"
#include "sync/SyncModelDelegate.hpp"

namespace fs = std::filesystem;

namespace {

int gProducts = 20000;
constexpr long kConnections = 3;
constexpr const char* kClientArg = "--client-of=";
constexpr const char* kSyncedLine = "synced";
const std::set<int> kShown{mv::SyncConfigManager::kCatalogIndex, mv::SyncConfigManager::kLibraryIndex,
                           mv::SyncConfigManager::kCustomerIndex};

mv::sales::SampleOptions companyData() {
  auto o = mv::sales::SampleOptions::large(gProducts);
  o.imagesPerProduct = 2;
  o.customers = 5000;
  o.documentsPerType = 50;  // 300 library files
  return o;
}

class RunWatcher : public mv::SyncModelDelegate {
 public:
  bool ended = false;
  bool finished = false;
  std::string why;
  void startSyncData() override {}
  void breakSync(const std::string& message) override {
    ended = true;
    why = message;
  }
  void downloadimageFinished(int) override {}
  void finishedSync() override { ended = finished = true; }
  void setProgress(float, int, int) override {}
  void getCustomerFinished() override {}
  void syncEndedBySession() override {
    ended = true;
    why = "the session ended the run";
  }
};

// The child's side: a fresh client of the parent's service that runs one
// whole first sync.
int clientOf(const std::string& settings) {
  base::RunLoop::main().adoptCurrentThread();
  bench::ClientWorld client(kShown);
  const base::Value parsed = base::Value::parse(settings, nullptr, false);
  if (parsed.is_discarded() || !client.signIn(parsed)) return 1;
  if (!mv::SessionDatabase::open()) return 1;
  {
    mv::SessionServices::Registry registry;
    registry.add<mv::SyncModel>();
    auto services = mv::SessionServices::begin(std::move(registry));
    auto engine = services ? services->get<mv::SyncModel>() : nullptr;
    if (!engine) return 1;
    auto watcher = std::make_shared<RunWatcher>();
    engine->setDelegate(watcher);
    engine->startSync();
    base::RunLoop::main().runUntil([&] { return watcher->ended; }, 1800);
    if (!watcher->finished) {
      std::fprintf(stderr, "the first sync did not finish: %s\n", watcher->why.c_str());
      return 1;
    }
    engine->waitForThumbnails();
    std::printf("%s\n", kSyncedLine);
    std::fflush(stdout);
  }
  // Let the last replies and delayed steps of the run go by.
  base::RunLoop::main().runUntil([] { return false; }, 0.5);
  std::printf("after_MB %.1f\n", bench::residentMB());
  bench::reportPeakMemory();
  return 0;
}

struct World {
  bench::ServiceWorld base{companyData(), kShown};
  // The files the image phase fetches (type, name), and the product tables.
  std::vector<std::pair<int, std::string>> files;
  std::shared_ptr<mv::SyncAllTableRst> reply;
  bool ready = false;

  World() {
    if (!base.ready()) return;
    for (int type : {mv::SyncModel::kImageTypeProduct, mv::SyncModel::kImageTypeIcon, mv::SyncModel::kImageTypeCover}) {
      const std::string prefix = mv::sales::SampleData::typePath(type) + "/";
      for (const auto& [path, bytes] : base.service().backend().currentData("acme")->files) {
        if (path.rfind(prefix, 0) == 0 && path.find('/', prefix.size()) == std::string::npos) {
          files.emplace_back(type, path.substr(prefix.size()));
        }
      }
    }
    reply = bench::ServiceWorld::roundTrip<mv::SyncAllTableRst>(std::make_shared<mv::RequestSyncAllTable>());
    ready = reply && reply->isSuccess() && !files.empty();
    if (!ready) std::fprintf(stderr, "no tables or no files\n");
    mv::SessionDatabase::open();
  }

  void clearFiles() const {
    for (int type : {mv::SyncModel::kImageTypeProduct, mv::SyncModel::kImageTypeIcon, mv::SyncModel::kImageTypeCover}) {
      std::error_code ec;
      fs::remove_all(bench::folderOf(type), ec);
      fs::create_directories(bench::folderOf(type), ec);
    }
  }
};

std::unique_ptr<World> gWorld;

World& world() {
  if (!gWorld) gWorld = std::make_unique<World>();
  return *gWorld;
}

void BM_FirstSync(benchmark::State& state) {
  World& w = world();
  if (!w.ready) {
    state.SkipWithError("no service");
    return;
  }
  double peak = 0;
  double after = 0;
  for (auto _ : state) {
    const bench::ChildRun client = bench::runChild(kClientArg + w.base.service().serverSettings().dump(), kSyncedLine);
    state.SetIterationTime(client.seconds);
    if (!client.ok) {
      state.SkipWithError("the client did not finish its first sync");
      break;
    }
    peak = std::max(peak, client.peakMB);
    after = std::max(after, client.afterMB);
  }
  state.counters["peak_MB"] = peak;
  state.counters["after_MB"] = after;
  state.counters["files"] = static_cast<double>(w.files.size());
}

void BM_BareTransportAndInserts(benchmark::State& state) {
  World& w = world();
  if (!w.ready) {
    state.SkipWithError("no service");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    w.clearFiles();
    mv::SessionDatabase::close();
    std::error_code ec;
    fs::remove(base::Paths::documents() / "acme" / mv::DataAccessManager::kDatabaseFileName, ec);
    mv::SessionDatabase::open();
    mv::SQLiteDatabase& db = mv::SQLiteDatabase::sharedDataBase();
    state.ResumeTiming();
    const auto begin = std::chrono::steady_clock::now();
    const bool fetched = bench::bareDownload(w.files, kConnections);
    const bool inserted = bench::insertProductTables(db, *w.reply);
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    if (!fetched || !inserted) {
      state.SkipWithError(fetched ? "an insert failed" : "a file did not arrive");
      break;
    }
  }
  state.counters["files"] = static_cast<double>(w.files.size());
}

BENCHMARK(BM_FirstSync)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);
BENCHMARK(BM_BareTransportAndInserts)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]).rfind(kClientArg, 0) == 0)
    return clientOf(std::string(argv[1]).substr(std::string(kClientArg).size()));
  // Both sides write 80,000 files: on the shared ext4 disk a side's run
  // swung by half with what other processes had just deleted (see
  // ImagePhaseBench), so the files go to /dev/shm unless TMPDIR says otherwise.
  std::error_code ec;
  if (!std::getenv("TMPDIR") && fs::is_directory("/dev/shm", ec)) ::setenv("TMPDIR", "/dev/shm", 0);
  bench::runBenchmarks(argc, argv, gProducts);
  gWorld.reset();
  return 0;
}
