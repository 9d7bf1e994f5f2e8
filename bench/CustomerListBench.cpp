// The customer list of 10,000 customers with Chinese and Latin names, shown
// by name: the directory's book made of its entries (records, search index,
// pinyin and folded sort keys), the sections under the A-Z and "#" index and
// the table reloaded with its visible rows. Two floors: for the first showing, ICU reading each name
// once (the same name rules, loaded beforehand) and the sort of what it read;
// for a later regrouping, sorting the same names by keys computed beforehand,
// which no list can do with less.
//
// A name's key is read once per process and kept, so the first showing
// (one run, before any key is known) and a later regrouping (the keys at
// hand) are timed apart. The rules the Chinese reading needs are loaded
// before either, as the application loads them while it starts.
//
//   bench_CustomerListBench [benchmark options]
#include <benchmark/benchmark.h>
#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "BenchCustomerBook.hpp"
#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerGrouping.hpp"
#include "customer/CustomerTable.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/View.hpp"
#include "platform/ui/Window.hpp"
#include "util/Pinyin.hpp"

namespace {

constexpr int kCustomers = 10000;

// Half Chinese company names (surnames with readings that differ as a
// surname, such as 曾 and 单), half Latin ones with accents and digits.
std::map<int, mv::CustomerInfoEntry> directory() {
  const char* surnames[] = {"曾", "单", "王", "李", "张", "刘", "陈", "杨", "赵", "黄", "周", "吴", "徐", "孙", "胡"};
  const char* middles[] = {"明华", "远航", "新世纪", "恒通", "金源", "华夏", "东方", "长城"};
  const char* endings[] = {"贸易有限公司", "商贸", "百货", "电器行", "实业"};
  const char* latin[] = {"Müller Handels GmbH", "Northwind Traders", "Café Rösti", "Åkesson AB", "Zeta Supplies",
                         "Ölund & Söhne", "Acme Stores", "Bravo Kitchens", "Émile Dubois SARL", "Kettle World"};
  std::map<int, mv::CustomerInfoEntry> out;
  for (int id = 1; id <= kCustomers; ++id) {
    mv::CustomerInfoEntry e;
    if (id % 2) {
      e.customer_name = std::string(surnames[id % 15]) + middles[(id / 15) % 8] + endings[(id / 120) % 5] +
                        std::to_string(id);
    } else {
      e.customer_name = std::string(latin[(id / 2) % 10]) + " " + std::to_string(id);
    }
    e.important = id % 97 == 0;
    mv::customer_attribute_cell_Entity state;
    state.fieldName = "State/Province/Region";
    state.attributeValue = id % 3 ? "北京市" : "Bayern";
    e.attribute.push_back(state);
    mv::marvisto_customer_contact_entity contact;
    contact.first_name = id % 2 ? "伟" : "Anna";
    contact.last_name = id % 2 ? surnames[(id / 7) % 15] : "Schmidt";
    e.contact.push_back(contact);
    out.emplace(id, std::move(e));
  }
  return out;
}

// The list shown over the directory's book of those customers: made within
// the first run (`bookTimed`: a first showing), else before it.
void showList(benchmark::State& state, bool bookTimed) {
  bench::CustomerBookWorld world;
  if (!world.directory()) {
    state.SkipWithError("the client database did not open");
    return;
  }
  auto window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  auto table = std::make_shared<mv::CustomerTable>(world.directory());
  table->view()->setFrame({0, 0, 320, 704});
  window->addSubview(table->view());
  auto entries = directory();
  if (!bookTimed) world.directory()->setCustomerInfoDic(std::move(entries));
  std::size_t sections = 0;
  for (auto _ : state) {
    if (bookTimed) world.directory()->setCustomerInfoDic(std::move(entries));
    table->RefrashByType(mv::CustomerGrouping::kByName);
    ui::View::layoutPendingViews();
    sections = table->customerlist().size();
  }
  state.counters["sections"] = static_cast<double>(sections);
  ui::Application::sharedInstance().removeWindow(window.get());
}

void BM_CustomerListFirstShowing(benchmark::State& state) {
  mv::prepareNameSortKeys();
  showList(state, true);
}
BENCHMARK(BM_CustomerListFirstShowing)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_CustomerListByName(benchmark::State& state) {
  mv::prepareNameSortKeys();
  showList(state, false);
}
BENCHMARK(BM_CustomerListByName)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BaselineSortPrecomputedKeys(benchmark::State& state) {
  const auto entries = directory();
  std::vector<std::pair<std::string, int>> keyed;
  for (const auto& [id, e] : entries) keyed.emplace_back(mv::CustomerGrouping::sortKey(e.customer_name), id);
  for (auto _ : state) {
    auto keys = keyed;
    std::sort(keys.begin(), keys.end());
    benchmark::DoNotOptimize(keys.data());
  }
}
BENCHMARK(BM_BaselineSortPrecomputedKeys)->Unit(benchmark::kMillisecond)->UseRealTime();

// Each name read once by bare ICU: Chinese names through the names rules,
// every name folded to lower case, then sorted.
void BM_BaselineReadEachNameOnceAndSort(benchmark::State& state) {
  const auto entries = directory();
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Transliterator> reader(
      icu::Transliterator::createInstance("Han-Latin/Names; Latin-ASCII", UTRANS_FORWARD, status));
  if (U_FAILURE(status) || !reader) {
    state.SkipWithError("no names reader in ICU");
    return;
  }
  for (auto _ : state) {
    std::vector<std::pair<std::string, int>> keyed;
    keyed.reserve(entries.size());
    for (const auto& [id, e] : entries) {
      icu::UnicodeString name = icu::UnicodeString::fromUTF8(e.customer_name);
      if (!name.isEmpty() && name.char32At(0) >= 0x3400) reader->transliterate(name);
      name.toLower();
      std::string key;
      name.toUTF8String(key);
      keyed.emplace_back(std::move(key), id);
    }
    std::sort(keyed.begin(), keyed.end());
    benchmark::DoNotOptimize(keyed.data());
  }
}
BENCHMARK(BM_BaselineReadEachNameOnceAndSort)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
