// Syncs the product tables of the large generated data set from the local
// sales service into a fresh client store, against a baseline that inserts
// the same rows with plain prepared statements in one transaction.
//
//   bench_SyncBench [--products=N] [benchmark options]
//
// The sync is timed from the start of a run until its product tables are
// stored (request, transfer, reading the reply into records, storing); the
// run is then ended before the image phase, which is not part of the
// comparison; the checkpoint that follows the store on a worker is let end,
// untimed, before the next run. The service keeps the text of a table reply it has written and
// sends it again to any device asking for the same data version and
// baseline, as a real service would: the setup's own request (untimed)
// writes it, so the timed runs get it ready-made.
//
// The sync's peak resident memory ("peak_MB") is that of a client alone: a
// child process of this executable signs in to the service of this one
// and runs the same sync into its own fresh store, untimed, after the timed
// runs. (In this process the service's generated data set and its reply
// text are resident too.)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchWorld.hpp"
#include "platform/base/OutsideWork.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/requests/RequestSyncAllTable.hpp"
#include "sync/SessionServices.hpp"

namespace fs = std::filesystem;

namespace {

int gProducts = 20000;
constexpr const char* kClientArg = "--client-of=";

// The child's side: a client of the parent's service (its server settings
// given as JSON) that syncs once.
int clientOf(const std::string& settings) {
  base::RunLoop::main().adoptCurrentThread();
  bench::ClientWorld client({mv::SyncConfigManager::kCatalogIndex});
  const base::Value parsed = base::Value::parse(settings, nullptr, false);
  if (parsed.is_discarded() || !client.signIn(parsed)) return 1;
  if (!mv::SessionDatabase::open()) return 1;
  if (!bench::syncProductTables()) return 1;
  bench::reportPeakMemory();
  return 0;
}

// The service, the data root and a signed-in session, made once, with the
// decoded full reply for the baseline.
struct World {
  bench::ServiceWorld base{mv::sales::SampleOptions::large(gProducts), {mv::SyncConfigManager::kCatalogIndex}};
  std::shared_ptr<mv::SyncAllTableRst> reply;
  std::size_t rows = 0;
  bool ready = false;

  World() {
    if (!base.ready()) return;
    reply = bench::ServiceWorld::roundTrip<mv::SyncAllTableRst>(std::make_shared<mv::RequestSyncAllTable>());
    if (!reply || !reply->isSuccess()) {
      std::fprintf(stderr, "cannot fetch the product tables\n");
      return;
    }
    auto count = [](const auto& table) { return table ? table->size() : 0; };
    rows = count(reply->productTable) + count(reply->productAttributeTable) + count(reply->fieldsAttributeTable) +
           count(reply->productCategoryXrefTable) + count(reply->productPriceTable) + count(reply->productRelatedTable) +
           count(reply->imagesTable) + count(reply->categoryTable) + count(reply->productRelatedFilesTable) +
           count(reply->productTagTable) + count(reply->productRelateTagTable);
    ready = true;
  }

  // A fresh client database made from the template, once the last sync's
  // checkpoint, which runs after it on a worker, has ended.
  static void freshStore() {
    base::RunLoop::main().runUntil([] { return !base::outsideWorkUnderWay(); }, 60);
    mv::SessionDatabase::close();
    std::error_code ec;
    fs::remove(base::Paths::documents() / "acme" / mv::DataAccessManager::kDatabaseFileName, ec);
    base::UserDefaults::standard().removeObject("acme-ProductSynced");
    mv::SessionDatabase::open();
  }
};

// Made on first use, dropped before the process's static objects go.
std::unique_ptr<World> gWorld;

World& world() {
  if (!gWorld) gWorld = std::make_unique<World>();
  return *gWorld;
}

void BM_SyncProductTables(benchmark::State& state) {
  World& w = world();
  if (!w.ready) {
    state.SkipWithError("no service");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    World::freshStore();
    state.ResumeTiming();
    if (!bench::syncProductTables()) {
      state.SkipWithError("the product tables were not stored");
      break;
    }
  }
  const bench::ChildRun client = bench::runChild(kClientArg + w.base.service().serverSettings().dump());
  if (!client.ok) state.SkipWithError("the client process did not sync");
  state.counters["peak_MB"] = client.peakMB;
  state.counters["rows"] = static_cast<double>(w.rows);
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(w.rows) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_BaselinePreparedInserts(benchmark::State& state) {
  World& w = world();
  if (!w.ready) {
    state.SkipWithError("no service");
    return;
  }
  const mv::SyncAllTableRst& r = *w.reply;
  for (auto _ : state) {
    state.PauseTiming();
    World::freshStore();
    mv::SQLiteDatabase& db = mv::SQLiteDatabase::sharedDataBase();
    state.ResumeTiming();
    const bool ok = bench::insertProductTables(db, r);
    if (!ok) state.SkipWithError(("insert failed: " + db.lastError()).c_str());
  }
  state.counters["rows"] = static_cast<double>(w.rows);
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(w.rows) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_SyncProductTables)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_BaselinePreparedInserts)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]).rfind(kClientArg, 0) == 0)
    return clientOf(std::string(argv[1]).substr(std::string(kClientArg).size()));
  bench::runBenchmarks(argc, argv, gProducts);
  gWorld.reset();
  return 0;
}
