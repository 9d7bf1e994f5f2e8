// A company of a hundred thousand products taken on a new device: while the
// first sync stores its tables, the representative moves between the tabs
// and opens the catalogue. The window answers at once, the catalogue reads
// beside the store without holding it up, and the sync ends with every
// product stored.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

#include "RepresentativeDay.hpp"
#include "StoreAccess.hpp"
#include "catalog/CatalogViewController.hpp"
#include "catalog/DetailViewController.hpp"
#include "sales-service/FaultInjector.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/sync-screens/ResourceUpdateView.hpp"
#include "shell/sync-screens/SyncViewController.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/SyncModel.hpp"

namespace mv::test {
namespace {

constexpr int kProducts = 100000;

class BigCompanyFirstSync : public RepresentativeDay {
 protected:
  BigCompanyFirstSync() {
    // The service writes a reply of this size for seconds before its first byte.
    settings.messageTimeOutSeconds = 120;
  }
  void SetUp() override {
    RepresentativeDay::SetUp();
    if (HasFatalFailure()) return;
    sales::CompanyConfig big;
    big.clientId = "bigco";
    big.name = "Big Company";
    sales::AccountConfig rep;
    rep.accountId = "rep";
    rep.password = "secret";
    big.accounts.push_back(rep);
    big.data = sales::SampleOptions::large(kProducts);
    // The tables are the point: no pictures to fetch, few customers.
    big.data.imagesPerProduct = 0;
    big.data.customers = 12;
    big.data.documentsPerType = 1;
    ASSERT_TRUE(service->backend().addCompany(big));
  }
};

TEST_F(BigCompanyFirstSync, TheTabsAnswerAndTheCatalogueOpensWhileTheTablesAreStored) {
  start();
  ASSERT_TRUE(signIn("rep", "secret", "bigco"));
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
  press(1);  // update now: to the Sync tab
  // The product reply waits a moment at the service: time to hold the file
  // as another writer may, so that the store cannot end before the taps.
  service->addFault(sales::FaultRule::stallFor("syncData/product", 1));
  auto engine = SyncModel::sharedInstance();
  auto screen = syncScreen();
  ASSERT_TRUE(screen && engine);
  tap(screen->resourceUpdateView().btnsync());
  ASSERT_TRUE(engine->isDownloading());
  ASSERT_TRUE(waitFor(
      [&] {
        for (const auto& entry : messages("syncData")) {
          if (entry.qualifier == "product") return true;
        }
        return false;
      },
      120));
  const auto path = SessionDatabase::open()->databasePath();
  sqlite3* opened = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &opened), SQLITE_OK);
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> writer(opened, sqlite3_close);
  ASSERT_EQ(sqlite3_exec(writer.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  ASSERT_TRUE(waitFor([&] { return engine->isStoringTables(); }, 120));

  // A tap on a tab is answered while the store goes on.
  openTab(MainTabScreens::kCustomer);
  EXPECT_TRUE(engine->isStoringTables());
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
  EXPECT_EQ(count("marvisto_product"), kProducts);

  // Back on the catalogue: every product of the company.
  openTab(MainTabScreens::kCustomer);
  openTab(MainTabScreens::kCatalog);
  auto& grid = *catalog()->detailViewController();
  ASSERT_TRUE(waitFor([&] { return !grid.isLoading() && grid.productArray().size() == kProducts; }, 120));
}

}  // namespace
}  // namespace mv::test
