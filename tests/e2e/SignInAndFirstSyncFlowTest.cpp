// The first morning on a new device: a representative types a login, takes
// the offered sync from the Sync tab, and finds the company's products with
// their pictures and its customers on the tabs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "RepresentativeDay.hpp"
#include "catalog/CatalogViewController.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/UserDefaults.hpp"
#include "catalog/DetailCell.hpp"
#include "catalog/DetailViewController.hpp"
#include "catalog/InventoryViewController.hpp"
#include "catalog/MasterViewController.hpp"
#include "customer/CustomerListView.hpp"
#include "customer/CustomerViewController.hpp"
#include "library/LibraryDetailController.hpp"
#include "library/SaleslibraryController.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/session/LoginMode.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/SyncModel.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

using SignInAndFirstSync = RepresentativeDay;

TEST_F(SignInAndFirstSync, TheTabsShowWhatTheFirstSyncBrought) {
  start();
  ASSERT_TRUE(signIn());
  EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginType::Online);
  ASSERT_TRUE(firstSync()) << alertTitle();
  const auto data = service->backend().currentData("acme");
  ASSERT_TRUE(data);

  // Every product of the sample company, each with its pictures on disk.
  auto* store = SessionDatabase::open().get();
  ASSERT_NE(store, nullptr);
  const auto products = store->getAllProducts();
  EXPECT_EQ(products.size(), data->products.size());
  for (const auto& [path, bytes] : data->files) {
    if (path.rfind("product/", 0) != 0) continue;
    const std::string name = path.substr(path.find('/') + 1);
    auto local = PublicFunction::filePathWithName(name, 1);
    ASSERT_TRUE(local) << name;
    EXPECT_EQ(fs::file_size(*local), bytes->size()) << name;
  }
  // The library's files are listed; the documents wait for a tap to download.
  EXPECT_EQ(store->getAllLibFiles().size(), data->libraryFiles.size());

  // The catalogue: every product on the grid under "All", a picture on each card.
  openTab(MainTabScreens::kCatalog);
  auto screen = catalog();
  ASSERT_TRUE(screen);
  auto& grid = *screen->detailViewController();
  EXPECT_TRUE(grid.isAll());
  EXPECT_EQ(grid.productArray().size(), products.size());
  ASSERT_TRUE(waitFor([&] {
    auto card = grid.cardAt(0);
    return card && card->productImageView().image() != nullptr;
  }, 10));
  EXPECT_EQ(grid.cardAt(0)->catalogNameLabel().text(), grid.productArray()[0].product_name);
  picture("catalogue-after-first-sync");

  // The customers: every published customer in the list.
  openTab(MainTabScreens::kCustomer);
  auto book = customers();
  ASSERT_TRUE(book);
  // Listed once the book, read beside the window, is in.
  auto listed = [&] {
    std::size_t rows = 0;
    for (const auto& section : book->customerList()->tableCustomer()->customerlist())
      rows += section.arrayPersons.size();
    return rows;
  };
  EXPECT_TRUE(waitFor([&] { return listed() == data->customers.size(); }, 30));
  picture("customers-after-first-sync");

  // The inventory: a row for every product.
  openTab(MainTabScreens::kInventory);
  auto inventory = std::dynamic_pointer_cast<InventoryViewController>(tabBar()->screen(MainTabScreens::kInventory));
  ASSERT_TRUE(inventory);
  EXPECT_EQ(inventory->multiColumnTableData().size(), products.size());
  picture("inventory-after-first-sync");

  // The library: every document, waiting on the device to be downloaded.
  openTab(MainTabScreens::kSalesLibrary);
  auto library = std::dynamic_pointer_cast<SaleslibraryController>(tabBar()->screen(MainTabScreens::kSalesLibrary));
  ASSERT_TRUE(library);
  ASSERT_FALSE(library->detailViewsArray().empty());
  EXPECT_EQ(library->detailViewsArray().front()->libfilesArray().size(), data->libraryFiles.size());

  // The Sync tab remembers the run; nothing is left to update.
  EXPECT_FALSE(SyncModel::sharedInstance()->showUpdate());
  EXPECT_FALSE(SyncModel::sharedInstance()->isDownloading());
}

// The data folder deleted after a good first sync: the service remembers
// this device as up to date, but the empty store is offered the whole sync
// again, and taking it brings the catalogue back.
TEST_F(SignInAndFirstSync, AnEmptyStoreIsOfferedTheFullSyncWhateverTheServiceRemembers) {
  start();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  const auto data = service->backend().currentData("acme");
  ASSERT_TRUE(data);
  app->showLoginPage();
  settle();
  std::error_code ec;
  fs::remove_all(base::Paths::documents() / "acme", ec);
  base::UserDefaults::standard().removeObject("acme-" + std::string(SyncModel::kLastSync));

  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << "no sync offered: " << alertTitle();
  auto* store = SessionDatabase::open().get();
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->getAllProducts().size(), data->products.size());
}

}  // namespace
}  // namespace mv::test
