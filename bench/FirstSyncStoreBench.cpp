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
// The customer rows do the same for a company of 100,000 customers (and few
// products) that shows only its customer book: from the start of the run
// until it has finished, against a company of 100 customers. Its peak
// resident memory ("peak_MB") and what it holds once the run has ended
// ("after_MB") are those of a client alone: a child process of this
// executable signs in to the service of this one and runs the same first
// sync, untimed, after the timed runs.
//
// The application row gives the same memory of the whole application: a
// child process launches it as the binary does (its features installed,
// headless), signs in to that company from the welcome screen, takes the
// first sync the way the home screen offers it, and opens the Customers
// tab; what it holds is read once the book is shown and the application
// has been idle for a few seconds. Its time is the child's, from the spawn.
// The window row does the same for a company of 300,000 customers and
// 300,000 products (no pictures), whatever --products says.
//
//   bench_FirstSyncStoreBench [--products=N] [benchmark options]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "BenchApplication.hpp"
#include "BenchWorld.hpp"
#include "customer/CustomerViewController.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/OutsideWork.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/ui/AlertView.hpp"
#include "shell/app/MarvistoAppDelegate.hpp"
#include "shell/app/UITabBarControllerExt.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/session/LoginCheckBox.hpp"
#include "shell/session/WeclomeViewController.hpp"
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
constexpr const char* kClientArg = "--customers-client-of=";
constexpr const char* kApplicationArg = "--application-client-of=";

class RunWatcher : public mv::SyncModelDelegate {
 public:
  bool ended = false;
  bool finished = false;
  void startSyncData() override {}
  void breakSync(const std::string& message) override {
    ended = true;
    std::fprintf(stderr, "the sync broke: %s\n", message.c_str());
  }
  void downloadimageFinished(int) override {}
  void finishedSync() override { ended = finished = true; }
  void setProgress(float, int, int) override {}
  void getCustomerFinished() override {}
  void syncEndedBySession() override { ended = true; }
};

// A company of `products` that shows its catalogue, or of `customers` (and
// a hundred products) that shows its customer book.
struct Company {
  int products = kTinyCompany;
  int customers = 0;
  bool pictures = true;
  bool operator==(const Company&) const = default;

  mv::sales::SampleOptions data() const {
    mv::sales::SampleOptions data = mv::sales::SampleOptions::large(products);
    if (customers > 0) data.customers = customers;
    if (!pictures) {
      data.imagesPerProduct = 0;
      data.documentsPerType = 1;
    }
    return data;
  }
  std::set<int> shown() const {
    return {customers > 0 ? mv::SyncConfigManager::kCustomerIndex : mv::SyncConfigManager::kCatalogIndex};
  }
};

// The service with one company, and a client signed in to it.
struct World {
  explicit World(Company company) : base(company.data(), company.shown()), company(company) {}
  bench::ServiceWorld base;
  Company company;
};

std::unique_ptr<World> gWorld;

World& world(Company company) {
  if (!gWorld || !(gWorld->company == company)) {
    mv::SessionDatabase::close();
    gWorld.reset();
    gWorld = std::make_unique<World>(company);
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

// One first sync until the image phase asks for its first picture (a
// customer book: until the run has finished); the main loop's turns are
// timed one by one.
Busy firstSync(bool toPictures) {
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
    if (toPictures && engine->imageType() == mv::SyncModel::kImageTypeProduct) {
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
  if (!toPictures) busy.reached = watcher->finished;
  engine.reset();
  services.reset();
  mv::SessionServices::end();
  // What the ended run left to the loop goes by, untimed.
  loop.runUntil([] { return false; }, 0.2);
  return busy;
}

void run(benchmark::State& state, Company company) {
  World& w = world(company);
  if (!w.base.ready()) {
    state.SkipWithError("no service");
    return;
  }
  const bool toPictures = company.customers == 0;
  double longest = 0;
  for (auto _ : state) {
    freshClient();
    const Busy busy = firstSync(toPictures);
    if (!busy.reached) {
      state.SkipWithError(toPictures ? "the first sync did not reach its pictures" : "the first sync did not finish");
      return;
    }
    state.SetIterationTime(busy.seconds);
    longest = std::max(longest, busy.longest);
  }
  state.counters["longest_turn_ms"] = longest * 1e3;
  if (toPictures) {
    state.counters["products"] = company.products;
    return;
  }
  state.counters["customers"] = company.customers;
  const bench::ChildRun client = bench::runChild(kClientArg + w.base.service().serverSettings().dump());
  if (!client.ok) state.SkipWithError("the client process did not finish its first sync");
  state.counters["peak_MB"] = client.peakMB;
  state.counters["after_MB"] = client.afterMB;
}

// The child's side: a client of the parent's service (its server settings
// given as JSON) that makes its first sync of the customer book once.
int customersClientOf(const std::string& settings) {
  base::RunLoop::main().adoptCurrentThread();
  bench::ClientWorld client({mv::SyncConfigManager::kCustomerIndex});
  const base::Value parsed = base::Value::parse(settings, nullptr, false);
  if (parsed.is_discarded() || !client.signIn(parsed)) return 1;
  if (!mv::SessionDatabase::open()) return 1;
  if (!firstSync(false).reached) return 1;
  // The book the customer screens read is made ready beside the loop.
  base::RunLoop::main().runUntil([] { return !base::outsideWorkUnderWay(); }, 120);
  std::printf("after_MB %.1f\n", bench::residentMB());
  bench::reportPeakMemory();
  return 0;
}

// The child's side of the application row: the application of a fresh
// data folder, signed in to the parent's service (`customers` there; its
// server settings given as JSON), after its first sync with the Customers
// tab open.
int applicationClientOf(std::size_t customers, const std::string& settings) {
  // The log stays quiet, as in the application, unless asked for.
  const char* log = std::getenv("MV_LOG");
  base::setLogEnabled(log && std::string(log) == "1");
  base::RunLoop& loop = base::RunLoop::main();
  loop.adoptCurrentThread();
  const fs::path root = fs::temp_directory_path() / ("marvisto-bench-app-" + std::to_string(::getpid()));
  fs::create_directories(root);
  base::Paths::setRoot(root);
  base::UserDefaults::resetStandard();
  loop.setClock(std::make_shared<base::RealClock>());
  const base::Value parsed = base::Value::parse(settings, nullptr, false);
  if (parsed.is_discarded()) return 1;
  // The service's settings, as the command line's --server gives them.
  auto app = bench::launchApplication([&parsed] {
    for (const auto& [key, value] : parsed.items()) base::UserDefaults::standard().setObject(key, value);
  });
  auto welcome = app ? std::dynamic_pointer_cast<mv::WeclomeViewController>(app->welcomeScreen()) : nullptr;
  if (!welcome) return 1;
  // Signed in from the welcome screen's panel, as a representative does.
  welcome->view();
  mv::LoginCheckBox& panel = welcome->loginCheckBox();
  panel.clientIDInputText().setText("acme");
  panel.userNameInputText().setText("rep");
  panel.passWordInputText().setText("secret");
  panel.loginFromOther();
  welcome.reset();
  if (!bench::runApplicationUntil([&] { return !app->isWelcomeRoot(); }, 120)) {
    std::fprintf(stderr, "the application did not sign in\n");
    return 1;
  }
  // The first sync, as the home screen offers it.
  bool ended = false, finished = false;
  base::Observation watch(mv::SyncModel::kSyncEndedNotification, nullptr, [&](const base::Notification& n) {
    ended = true;
    const auto it = n.userInfo.is_object() ? n.userInfo.find("finished") : n.userInfo.end();
    finished = it != n.userInfo.end() && it->is_boolean() && it->get<bool>();
  });
  if (auto alert = ui::AlertView::visibleAlert()) alert->dismissWithClickedButtonIndex(0, false);
  app->showSyncController();
  if (!bench::runApplicationUntil([&] { return ended; }, 1200) || !finished) {
    std::fprintf(stderr, "the application's first sync did not finish\n");
    return 1;
  }
  if (auto alert = ui::AlertView::visibleAlert()) alert->dismissWithClickedButtonIndex(0, false);
  auto tabs = app->tabBarController();
  if (!tabs) return 1;
  tabs->selectTab(mv::MainTabScreens::kCustomer);
  // The book read beside the window, shown; then the application at rest.
  auto screen = std::dynamic_pointer_cast<mv::CustomerViewController>(tabs->screen(mv::MainTabScreens::kCustomer));
  auto listed = [&] {
    std::size_t rows = 0;
    for (const auto& section : screen->customerList()->tableCustomer()->customerlist())
      rows += section.arrayPersons.size();
    return rows;
  };
  if (!screen || !bench::runApplicationUntil([&] { return listed() >= customers; }, 300)) {
    std::fprintf(stderr, "the Customers tab does not list the book\n");
    return 1;
  }
  bench::runApplicationUntil([] { return !base::outsideWorkUnderWay(); }, 300);
  bench::runApplicationUntil([] { return false; }, 5);
  std::printf("after_MB %.1f\n", bench::residentMB());
  bench::reportPeakMemory();
  std::fflush(stdout);
  // What the run left on disk goes; the process ends without its teardown.
  std::error_code ec;
  fs::remove_all(root, ec);
  std::_Exit(0);
}

// The whole application over `company`, in a child, with the Customers tab open.
void runApplication(benchmark::State& state, Company company) {
  World& w = world(company);
  if (!w.base.ready()) {
    state.SkipWithError("no service");
    return;
  }
  for (auto _ : state) {
    const bench::ChildRun app = bench::runChild(kApplicationArg + std::to_string(company.customers) + " " +
                                                w.base.service().serverSettings().dump());
    if (!app.ok) {
      state.SkipWithError("the application did not finish its first sync");
      return;
    }
    state.SetIterationTime(app.seconds);
    state.counters["peak_MB"] = app.peakMB;
    state.counters["after_MB"] = app.afterMB;
  }
  state.counters["customers"] = company.customers;
  state.counters["products"] = company.products;
}

void BM_CustomerBookApplication(benchmark::State& state) { runApplication(state, {kTinyCompany, gProducts}); }

constexpr int kBigCompany = 300000;

void BM_WindowMemory(benchmark::State& state) { runApplication(state, {kBigCompany, kBigCompany, false}); }

void BM_FirstSyncStoreMainThread(benchmark::State& state) { run(state, {gProducts, 0}); }

void BM_BaselineTinyCompanyFirstSyncStore(benchmark::State& state) {
  run(state, {std::min(gProducts, kTinyCompany), 0});
}

void BM_CustomerStoreMainThread(benchmark::State& state) { run(state, {kTinyCompany, gProducts}); }

void BM_BaselineTinyCustomerBookStore(benchmark::State& state) {
  run(state, {kTinyCompany, std::min(gProducts, kTinyCompany)});
}

BENCHMARK(BM_FirstSyncStoreMainThread)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_BaselineTinyCompanyFirstSyncStore)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(12);
BENCHMARK(BM_CustomerStoreMainThread)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_BaselineTinyCustomerBookStore)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(12);
BENCHMARK(BM_CustomerBookApplication)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_WindowMemory)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]).rfind(kClientArg, 0) == 0)
    return customersClientOf(std::string(argv[1]).substr(std::string(kClientArg).size()));
  if (argc == 2 && std::string(argv[1]).rfind(kApplicationArg, 0) == 0) {
    const std::string arg = std::string(argv[1]).substr(std::string(kApplicationArg).size());
    const auto space = arg.find(' ');
    if (space == std::string::npos) return 2;
    return applicationClientOf(std::stoul(arg.substr(0, space)), arg.substr(space + 1));
  }
  bench::runBenchmarks(argc, argv, gProducts);
  gWorld.reset();
  return 0;
}
