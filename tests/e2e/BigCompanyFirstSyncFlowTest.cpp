// A big company taken on a new device: while the first sync stores its
// tables on a worker, batch after batch, the representative moves between
// the tabs and opens the catalogue. The window answers at once, the
// catalogue reads beside the store without holding it up, and the sync ends
// with every product or customer stored and the customer book holding them
// all. A few thousand rows in batches of a hundred take the same path as a
// company of a hundred thousand; the bench times that one.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

#include "RepresentativeDay.hpp"
#include "StoreAccess.hpp"
#include "catalog/CatalogViewController.hpp"
#include "catalog/DetailViewController.hpp"
#include "customer/CustomerDataModel.hpp"
#include "sales-service/FaultInjector.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/sync-screens/ResourceUpdateView.hpp"
#include "shell/sync-screens/SyncViewController.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "store/WorkerDatabase.hpp"
#include "sync/SyncModel.hpp"

namespace mv::test {
namespace {

constexpr int kBig = 3000;
constexpr int kBigBook = 2000;
constexpr std::size_t kRowsPerBatch = 100;

using Writer = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;

class BigCompanyFirstSync : public RepresentativeDay {
 protected:
  BigCompanyFirstSync() {
    // A part's reply waits at the service for the test's writer, on a busy
    // machine for seconds, and the store waits for that writer as long as
    // the test's steps take.
    settings.messageTimeOutSeconds = 120;
    WorkerDatabase::setBusyTimeout(120000);
  }
  ~BigCompanyFirstSync() override { WorkerDatabase::setBusyTimeout(WorkerDatabase::kBusyTimeoutMs); }
  // The company "bigco" of that many products and customers. The tables are
  // the point: no pictures to fetch.
  void addCompany(int products, int customers) {
    sales::CompanyConfig big;
    big.clientId = "bigco";
    big.name = "Big Company";
    sales::AccountConfig rep;
    rep.accountId = "rep";
    rep.password = "secret";
    big.accounts.push_back(rep);
    big.data = sales::SampleOptions::large(products);
    big.data.imagesPerProduct = 0;
    big.data.customers = customers;
    big.data.documentsPerType = 1;
    ASSERT_TRUE(service->backend().addCompany(big));
  }
  // Signs in to the company and taps the Sync tab's button; the reply of
  // `part` waits at the service until another writer holds the file, so
  // that the store cannot end before the taps. Answers that writer, once
  // the engine stores the part's tables.
  Writer syncHeldAt(const std::string& part) {
    Writer writer(nullptr, sqlite3_close);
    // Held from the start: the Sync tab starts the sync of its own a moment
    // after it shows, and the part must not pass before the writer is there.
    service->addFault(sales::FaultRule::stallFor("syncData/" + part, 0));
    start();
    EXPECT_TRUE(signIn("rep", "secret", "bigco"));
    EXPECT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
    press(1);  // update now: to the Sync tab
    auto engine = SyncModel::sharedInstance();
    auto screen = syncScreen();
    if (!screen || !engine) return writer;
    engine->setRowsPerBatch(kRowsPerBatch);
    tap(screen->resourceUpdateView().btnsync());
    EXPECT_TRUE(engine->isDownloading());
    const bool asked = waitFor(
        [&] {
          for (const auto& entry : messages("syncData")) {
            if (entry.qualifier == part) return true;
          }
          return false;
        },
        120);
    if (!asked) return writer;
    const auto path = SessionDatabase::open()->databasePath();
    sqlite3* opened = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &opened), SQLITE_OK);
    writer.reset(opened);
    // The main loop may be writing what came before the part.
    sqlite3_busy_timeout(writer.get(), 10000);
    EXPECT_EQ(sqlite3_exec(writer.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    service->releaseStalls();
    if (!waitFor([&] { return engine->isStoringTables(); }, 60)) writer.reset();
    return writer;
  }
};

TEST_F(BigCompanyFirstSync, TheTabsAnswerAndTheCatalogueOpensWhileTheTablesAreStored) {
  addCompany(kBig, 12);
  Writer writer = syncHeldAt("product");
  ASSERT_TRUE(writer) << "the product tables were not stored on a worker";
  auto engine = SyncModel::sharedInstance();

  // A tap on a tab is answered while the store goes on.
  openTab(MainTabScreens::kCustomer);
  ASSERT_TRUE(engine->isStoringTables()) << "the sync ended: " << alertTitle() << " "
                                         << (alert() ? alert()->message() : std::string());
  // The catalogue opens meanwhile: it reads the store as it was, and its
  // reads keep the sync from nothing.
  openTab(MainTabScreens::kCatalog);
  auto catalogue = catalog();
  ASSERT_TRUE(catalogue);
  auto& shown = *catalogue->detailViewController();
  ASSERT_TRUE(waitFor([&] { return !shown.isLoading(); }, 30));
  EXPECT_TRUE(shown.productArray().empty());
  EXPECT_TRUE(engine->isStoringTables());

  writer.reset();
  ASSERT_TRUE(waitFor([&] { return !engine->isDownloading(); }, 240));
  EXPECT_EQ(alertTitle(), "");
  EXPECT_EQ(count("marvisto_product"), kBig);

  // Back on the catalogue: every product of the company.
  openTab(MainTabScreens::kCustomer);
  openTab(MainTabScreens::kCatalog);
  auto& grid = *catalog()->detailViewController();
  ASSERT_TRUE(waitFor([&] { return !grid.isLoading() && grid.productArray().size() == kBig; }, 120));
}

TEST_F(BigCompanyFirstSync, TheCustomerTabAnswersWhileTheCustomersAreStored) {
  addCompany(20, kBigBook);
  Writer writer = syncHeldAt("customer");
  ASSERT_TRUE(writer) << "the customer tables were not stored on a worker";
  auto engine = SyncModel::sharedInstance();

  // The Customers tab answers while the store goes on.
  openTab(MainTabScreens::kCustomer);
  ASSERT_TRUE(customers());
  EXPECT_TRUE(engine->isStoringTables());

  writer.reset();
  ASSERT_TRUE(waitFor([&] { return !engine->isDownloading(); }, 240));
  EXPECT_EQ(alertTitle(), "");
  EXPECT_EQ(count("marvisto_customer"), kBigBook);
  // The book is read again beside the window, and then holds every customer.
  auto book = CustomerDataModel::sharedInstance();
  ASSERT_TRUE(book);
  EXPECT_TRUE(waitFor([&] { return book->customerInfoDic().size() == static_cast<std::size_t>(kBigBook); }, 120));
}

}  // namespace
}  // namespace mv::test
