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
#include "store/SQLiteDatabase.hpp"

namespace {

// The standard fields, and `n` customers with their rows, written at once.
bool seedBook(int n) {
  auto& db = mv::SQLiteDatabase::sharedDataBase();
  const std::string ids =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(n) + ") ";
  const char* fields[] = {"Phone", "Bank Account", "Active", "Address", "City", "State/Province/Region", "Zip Code"};
  bool ok = db.execute("BEGIN");
  for (int f = 0; f < 7; ++f) {
    ok = ok && db.run("INSERT INTO marvisto_fields_customer_attribute (field_id, field_name, data_type, display, "
                      "published) VALUES (?, ?, 'text', 1, 1)",
                      f + 1, std::string(fields[f]));
  }
  ok = ok && db.execute(ids + "INSERT INTO marvisto_customer (customer_id, customer_name, customer_publish) "
                              "SELECT i, printf('Customer %06d Trading Co', i), 1 FROM n");
  ok = ok && db.execute(ids + "INSERT INTO marvisto_customer_attribute (attribute_id, customer_id, "
                              "attribute_fields_id, attribute_value) SELECT 10 * i + f.field_id, i, f.field_id, "
                              "printf('%s of %d', f.field_name, i) FROM n, marvisto_fields_customer_attribute f");
  ok = ok && db.execute(ids + "INSERT INTO marvisto_customer_address (id, customer_id, address, city, state, "
                              "zip_code, isDefault) SELECT i, i, printf('%d Harbour Road', i), 'Springfield', "
                              "printf('State %d', i % 50), printf('%05d', i % 99999), 1 FROM n");
  ok = ok && db.execute(ids + "INSERT INTO marvisto_customer_contact (contact_id, customer_id, first_name, "
                              "last_name, job_title, work_phone, email) SELECT 2 * i + c, i, "
                              "printf('First%d', i), printf('Last%d', c), 'Buyer', '555-0100', "
                              "printf('buyer%d@example.com', i) FROM n, (SELECT 0 AS c UNION ALL SELECT 1)");
  return db.execute(ok ? "COMMIT" : "ROLLBACK") && ok;
}

void saveOne(benchmark::State& state, int book) {
  bench::CustomerBookWorld world;
  auto directory = world.directory();
  if (!directory || !seedBook(book)) {
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
