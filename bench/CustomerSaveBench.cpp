// Saving one new customer on the Customers tab in a book of 100,000
// customers, against a book of 100: the main thread's time from DONE on the
// form until the store holds the customer, the book and the list have taken
// it (shown, chosen) and the window has drawn the frame. The store, the book
// and the tab are made beforehand, untimed; each customer has seven
// attribute values, an address and two contacts, as the service's do.
//
//   bench_CustomerSaveBench [benchmark options]
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "BenchCustomerBook.hpp"
#include "BenchFrames.hpp"
#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerInfoGroupData.hpp"
#include "customer/CustomerViewController.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/View.hpp"
#include "platform/ui/Window.hpp"

namespace {

void saveOne(benchmark::State& state, int book) {
  bench::CustomerBookWorld world;
  auto directory = world.directory();
  if (!directory || !world.storeBook(book)) {
    state.SkipWithError("the book could not be stored");
    return;
  }
  directory->reloadCustomerData();
  auto window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  auto screen = std::make_shared<mv::CustomerViewController>(directory, world.config());
  window->setRootViewController(screen);
  bench::Frames frames(window);
  frames.draw();
  int saved = 0;
  for (auto _ : state) {
    state.PauseTiming();
    // The form of a new customer, filled in.
    auto list = screen->customerList();
    list->addNewCustomer(&list->addNewCustomerButton());
    mv::PersonInfo typed;
    typed.name = "Aardvark Hire " + std::to_string(saved);
    typed.attribute = directory->allAttributes();
    mv::CustomerInfoGroupData form;
    form.updateCustomerInfoData(typed, directory->displayedAttributes(), directory->allAddressAttributes());
    state.ResumeTiming();
    screen->customerInfoViewDone(nullptr, form);
    frames.draw();
    state.PauseTiming();
    const auto shown = screen->customerInfo()->personInfo();
    if (!shown || shown->name != typed.name || screen->customerList()->tableCustomer()->selectedPID() != shown->pid) {
      state.SkipWithError("the saved customer is not shown");
      break;
    }
    ++saved;
    state.ResumeTiming();
  }
  state.counters["customers"] = static_cast<double>(directory->customerInfoDic().size());
  window->setRootViewController(nullptr);
  ui::Application::sharedInstance().removeWindow(window.get());
}

void BM_SaveCustomerInBookOf100000(benchmark::State& state) { saveOne(state, 100000); }
void BM_BaselineSaveCustomerInBookOf100(benchmark::State& state) { saveOne(state, 100); }

BENCHMARK(BM_SaveCustomerInBookOf100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);
BENCHMARK(BM_BaselineSaveCustomerInBookOf100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
