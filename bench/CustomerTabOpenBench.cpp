// The first opening of the Customers tab over a book of 300,000 customers,
// against a book of 100: the main thread's time from the tap (the tab's
// screen made over the session's directory, which reads its book beside the
// window) until the list shows every customer and the window has drawn it.
// Only the main loop's turns are counted; its waits for the workers are
// not: the window is free meanwhile. The longest turn is a counter
// ("longest_turn_ms"). The book is stored once, as a sync stores it (each
// customer with seven attribute values, an address and two contacts); each
// run begins the session again over it, so that each tap is the book's
// first opening; a first, untimed one opens the process's first window.
//
//   bench_CustomerTabOpenBench [benchmark options]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "BenchCustomerBook.hpp"
#include "BenchFrames.hpp"
#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerViewController.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/View.hpp"
#include "platform/ui/Window.hpp"
#include "sync/SessionServices.hpp"

namespace {

using Clock = std::chrono::steady_clock;

std::size_t listed(const mv::CustomerViewController& screen) {
  std::size_t rows = 0;
  for (const auto& section : screen.customerList()->tableCustomer()->customerlist()) rows += section.arrayPersons.size();
  return rows;
}

// The main thread's time of one first opening (the session begun again),
// and its longest turn; nothing when the list did not show the book.
struct Opening {
  double busy = 0;
  double longest = 0;
};

std::optional<Opening> openFirst(bench::CustomerBookWorld& world, int customers) {
  world.beginAgain();
  auto& loop = base::RunLoop::main();
  auto window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  bench::Frames frames(window);
  Opening out;
  auto turn = [&](const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    out.busy += took;
    out.longest = std::max(out.longest, took);
  };
  std::shared_ptr<mv::CustomerViewController> screen;
  // The tap: the tab's screen made, as its screen maker makes it, and shown.
  turn([&] {
    screen =
        std::make_shared<mv::CustomerViewController>(world.services()->get<mv::CustomerDataModel>(), world.config());
    window->setRootViewController(screen);
    ui::View::layoutPendingViews();
    frames.draw();
  });
  const auto deadline = Clock::now() + std::chrono::minutes(5);
  while (listed(*screen) < static_cast<std::size_t>(customers) && Clock::now() < deadline) {
    // Nothing to run: the loop waits for the worker, untimed.
    if (loop.secondsUntilDue() > 0) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
      continue;
    }
    turn([&] {
      loop.runOnce(0);
      ui::View::layoutPendingViews();
    });
  }
  const bool shown = listed(*screen) >= static_cast<std::size_t>(customers);
  if (shown) turn([&] { frames.draw(); });
  window->setRootViewController(nullptr);
  ui::Application::sharedInstance().removeWindow(window.get());
  if (!shown) return std::nullopt;
  return out;
}

void firstOpening(benchmark::State& state, int customers) {
  bench::CustomerBookWorld world;
  // The first window of the process (its fonts, its drawing) is opened
  // untimed: the runs time the book's opening, not the process's.
  if (!world.directory() || !world.storeBook(customers) || !openFirst(world, customers)) {
    state.SkipWithError("the book could not be stored and shown");
    return;
  }
  double longest = 0;
  for (auto _ : state) {
    const auto opening = openFirst(world, customers);
    if (!opening) {
      state.SkipWithError("the list did not show the book");
      break;
    }
    state.SetIterationTime(opening->busy);
    longest = std::max(longest, opening->longest);
  }
  state.counters["customers"] = customers;
  state.counters["longest_turn_ms"] = longest * 1e3;
}

void BM_CustomerTabFirstOpening(benchmark::State& state) { firstOpening(state, 300000); }
void BM_BaselineTabFirstOpeningOfABookOf100(benchmark::State& state) { firstOpening(state, 100); }

BENCHMARK(BM_CustomerTabFirstOpening)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_BaselineTabFirstOpeningOfABookOf100)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
