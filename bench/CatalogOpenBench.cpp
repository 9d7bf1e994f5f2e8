// The main thread's share of the catalogue tab's first opening over a store
// of 100,000 products: the screen made, laid out and shown, then each turn
// of the main loop that hands over what the workers read (the grid's sorted
// list with its prices and pictures, the panel's counts) until the grid and
// the panel show them. The waits for the workers are not counted: the
// window is free meanwhile. The floor is the same opening over the same
// store cut down to a tiny company (100 products and their rows), so the
// ratio says how much of the main thread's work grows with the company.
//
// The product tables come from the local sales service through the sync
// engine, untimed.
//
//   bench_CatalogOpenBench [--products=N] [benchmark options]
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "BenchCatalogTab.hpp"
#include "BenchWorld.hpp"
#include "catalog/DetailViewController.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/View.hpp"
#include "store/SQLiteDatabase.hpp"
#include "store/SessionDatabase.hpp"

namespace {

int gProducts = 100000;
constexpr int kTinyCompany = 100;

struct World {
  bench::ServiceWorld base{mv::sales::SampleOptions::large(gProducts), {mv::SyncConfigManager::kCatalogIndex}};
  bool ready = false;
  bool cutDown = false;

  World() {
    if (!base.ready()) return;
    mv::SessionDatabase::open();
    if (!bench::syncProductTables()) {
      std::fprintf(stderr, "the product tables were not stored\n");
      return;
    }
    ready = true;
  }
};

std::unique_ptr<World> gWorld;

World& world() {
  if (!gWorld) gWorld = std::make_unique<World>();
  return *gWorld;
}

using Clock = std::chrono::steady_clock;

// Opens the tab once; answers the main thread's seconds and the grid's items.
double openOnce(std::size_t& items) {
  auto tab = std::make_unique<bench::CatalogTab>();
  double busy = 0;
  auto start = Clock::now();
  const bool shown = tab->show(false);
  busy += std::chrono::duration<double>(Clock::now() - start).count();
  if (!shown) return -1;
  while (!tab->listsShown()) {
    base::WorkQueue::global().waitIdle();
    if (base::RunLoop::main().secondsUntilDue() > 0) break;
    start = Clock::now();
    base::RunLoop::main().drain();
    ui::View::layoutPendingViews();
    busy += std::chrono::duration<double>(Clock::now() - start).count();
  }
  items = tab->grid().numberOfItems();
  tab.reset();
  return busy;
}

void run(benchmark::State& state, std::size_t expected) {
  ui::View::setAnimationsEnabled(false);
  std::size_t items = 0;
  // The process's own first drawing (fonts, the skin's pictures) is paid by
  // whichever case runs first, and is not the company's: one opening each,
  // untimed, before the timed ones.
  if (openOnce(items) < 0) {
    state.SkipWithError("no catalogue screen");
    return;
  }
  for (auto _ : state) {
    const double busy = openOnce(items);
    if (busy < 0) {
      state.SkipWithError("no catalogue screen");
      return;
    }
    state.SetIterationTime(busy);
  }
  if (items != expected) state.SkipWithError("the grid did not show every product");
  state.counters["items"] = static_cast<double>(items);
}

void BM_CatalogFirstOpening(benchmark::State& state) {
  World& w = world();
  if (!w.ready || w.cutDown) {
    state.SkipWithError(w.cutDown ? "the store was cut down: run this case first" : "no service or no product tables");
    return;
  }
  run(state, static_cast<std::size_t>(gProducts));
}

// The same store keeping its first products only, as a tiny company's.
bool cutDown() {
  // The tab's services closed the connection when they ended.
  if (!mv::SessionDatabase::open()) return false;
  auto& db = mv::SQLiteDatabase::sharedDataBase();
  return db.runInTransaction([&] {
    return db.run("DELETE FROM marvisto_product WHERE product_id NOT IN "
                  "(SELECT product_id FROM marvisto_product ORDER BY product_id LIMIT ?)",
                  kTinyCompany) &&
           db.execute("DELETE FROM marvisto_product_category_xref WHERE product_id NOT IN "
                      "(SELECT product_id FROM marvisto_product)") &&
           db.execute("DELETE FROM marvisto_product_price WHERE product_id NOT IN "
                      "(SELECT product_id FROM marvisto_product)") &&
           db.execute("DELETE FROM marvisto_image WHERE key_id NOT IN (SELECT product_id FROM marvisto_product)");
  });
}

void BM_BaselineTinyCompanyOpening(benchmark::State& state) {
  World& w = world();
  if (!w.ready) {
    state.SkipWithError("no service or no product tables");
    return;
  }
  if (!w.cutDown) {
    if (!cutDown()) {
      state.SkipWithError("the store could not be cut down");
      return;
    }
    w.cutDown = true;
  }
  run(state, static_cast<std::size_t>(std::min(gProducts, kTinyCompany)));
}

BENCHMARK(BM_CatalogFirstOpening)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(12);
BENCHMARK(BM_BaselineTinyCompanyOpening)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(12);

}  // namespace

int main(int argc, char** argv) {
  bench::runBenchmarks(argc, argv, gProducts);
  gWorld.reset();
  return 0;
}
