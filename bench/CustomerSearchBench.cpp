// Keystrokes of the customer search over 5,000 customers, each with a
// name, seven attribute values, an address and two contacts, each keystroke
// whole: the directory's search (its fields folded once when it loads), the
// results in name order and the results list reloaded with its rows on
// screen. The floor is a bare substring scan of names folded beforehand plus
// the sort of the matches by sort keys made beforehand. The keystrokes are
// "a", which finds most customers, and two narrower texts. The names' keys
// are read with the book, before either runs, as the directory reads them.
//
//   bench_CustomerSearchBench [benchmark options]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "BenchCustomerBook.hpp"
#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerGrouping.hpp"
#include "customer/SearchResultTableView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/View.hpp"
#include "platform/ui/Window.hpp"
#include "util/Text.hpp"

namespace {

constexpr int kCustomers = 5000;
const char* const kKeystrokes[] = {"a", "远航 4", "müller"};

std::map<int, mv::CustomerInfoEntry> directory() {
  const char* names[] = {"北京远航商贸", "Müller Handels GmbH", "Northwind Traders", "上海明华贸易有限公司", "Café Rösti"};
  std::map<int, mv::CustomerInfoEntry> out;
  for (int id = 1; id <= kCustomers; ++id) {
    mv::CustomerInfoEntry e;
    e.customer_name = std::string(names[id % 5]) + " " + std::to_string(id);
    for (int f = 0; f < 7; ++f) {
      mv::customer_attribute_cell_Entity cell;
      cell.fieldName = "Field " + std::to_string(f);
      cell.attributeValue = "Value " + std::to_string(id * 7 + f) + " Straße";
      e.attribute.push_back(cell);
    }
    mv::marvisto_customer_address_Entity a;
    a.customerAddress = std::to_string(id) + " 长安街";
    a.customerCity = "北京";
    a.customerState = "北京市";
    a.customerZipCode = "100000";
    e.address.push_back(a);
    for (int c = 0; c < 2; ++c) {
      mv::marvisto_customer_contact_entity contact;
      contact.first_name = c ? "Wei" : "Anna";
      contact.last_name = c ? "王" : "Schmidt";
      contact.email = "contact" + std::to_string(id) + "@example.com";
      e.contact.push_back(contact);
    }
    out.emplace(id, std::move(e));
  }
  return out;
}

void BM_SearchKeystroke(benchmark::State& state) {
  bench::CustomerBookWorld world;
  auto model = world.directory();
  if (!model) {
    state.SkipWithError("the client database did not open");
    return;
  }
  model->setCustomerInfoDic(directory());
  // The results list as the popover shows it.
  auto window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  auto results = std::make_shared<mv::SearchResultTableView>();
  results->view()->setFrame(
      {0, 0, mv::SearchResultTableView::kPopoverWidth, mv::SearchResultTableView::kPopoverHeight});
  window->addSubview(results->view());
  std::size_t found = 0;
  for (auto _ : state) {
    found = 0;
    for (const char* text : kKeystrokes) {
      results->setArrResult(model->customerSearch(text).value_or(mv::PersonRecords()));
      results->tableView()->reloadData();
      ui::View::layoutPendingViews();
      found += results->arrResult().size();
    }
  }
  state.counters["found"] = static_cast<double>(found);
  ui::Application::sharedInstance().removeWindow(window.get());
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond);

// The floor it replaced: every field folded on every keystroke.
void BM_FoldEveryFieldPerKeystroke(benchmark::State& state) {
  const auto entries = directory();
  std::size_t found = 0;
  for (auto _ : state) {
    found = 0;
    for (const char* text : kKeystrokes) {
      for (const auto& [id, e] : entries) {
        bool hit = mv::containsIgnoringCase(e.customer_name, text);
        for (const auto& cell : e.attribute) hit = hit || mv::containsIgnoringCase(*cell.attributeValue, text);
        for (const auto& a : e.address) hit = hit || mv::containsIgnoringCase(a.customerAddress, text);
        for (const auto& c : e.contact) hit = hit || mv::containsIgnoringCase(c.last_name, text);
        found += hit;
      }
    }
  }
  state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_FoldEveryFieldPerKeystroke)->Unit(benchmark::kMillisecond);

// The floor of a keystroke: a bare substring scan of names folded
// beforehand, then the sort of the matches by keys made beforehand.
void BM_BaselineScanPrefoldedAndSort(benchmark::State& state) {
  const auto entries = directory();
  std::vector<std::pair<std::string, std::string>> folded;  // folded name, sort key
  for (const auto& [id, e] : entries) {
    folded.emplace_back(mv::foldForSearch(e.customer_name), mv::CustomerGrouping::sortKey(e.customer_name));
  }
  std::size_t found = 0;
  for (auto _ : state) {
    found = 0;
    for (const char* text : kKeystrokes) {
      const std::string needle = mv::foldForSearch(text);
      std::vector<const std::string*> hits;
      for (const auto& [name, key] : folded)
        if (name.find(needle) != std::string::npos) hits.push_back(&key);
      std::sort(hits.begin(), hits.end(), [](const std::string* a, const std::string* b) { return *a < *b; });
      found += hits.size();
      benchmark::DoNotOptimize(hits.data());
    }
  }
  state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_BaselineScanPrefoldedAndSort)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
