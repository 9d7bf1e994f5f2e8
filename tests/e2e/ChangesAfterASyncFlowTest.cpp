// The company changes its data during the day: a product gets a new picture,
// another is withdrawn, a library document is renamed. The representative's
// next sync from the Sync tab brings them: the catalogue shows them when it
// is opened again, and an order that holds the withdrawn product keeps it.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <future>
#include <cstring>
#include <thread>

#include "RepresentativeDay.hpp"
#include "catalog/DetailCell.hpp"
#include "catalog/DetailViewController.hpp"
#include "library/LibraryDetailController.hpp"
#include "library/SaleslibraryController.hpp"
#include "order/QuoteOrderHistoryController.hpp"
#include "order/QuoteOrderHistoryModel.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "platform/ui/NavigationController.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/sync-screens/ResourceUpdateView.hpp"
#include "shell/sync-screens/SyncViewController.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/SyncModel.hpp"

namespace mv::test {
namespace {

using ChangesAfterASync = RepresentativeDay;

// The place of a product on the grid, or -1.
long placeOf(const DetailViewController& grid, int64_t productId) {
  const auto& products = grid.productArray();
  for (std::size_t i = 0; i < products.size(); ++i) {
    if (products[i].product_id == productId) return static_cast<long>(i);
  }
  return -1;
}

TEST_F(ChangesAfterASync, TheCatalogueShowsThemAndAnOrderKeepsAWithdrawnProduct) {
  start();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  const sales::ChangeSet changes = service->backend().company("acme")->changes;

  // The product about to be withdrawn goes into an order, which is kept.
  const long withdrawn = placeOf(grid(), changes.unpublishedProductId);
  ASSERT_GE(withdrawn, 0);
  ASSERT_TRUE(addFromGrid(static_cast<std::size_t>(withdrawn)));
  QuoteOrderViewController* editor = ordersTab();
  ASSERT_TRUE(editor);
  tap(editor->btnSave());
  const std::string number = editor->quoteOrder()->number;
  tap(editor->btnHistory());

  // The changed product's card shows its first picture.
  const std::size_t listed = grid().productArray().size();
  const long changed = placeOf(grid(), changes.changedProductId);
  ASSERT_GE(changed, 0);
  auto card = showCard(static_cast<std::size_t>(changed));
  ASSERT_TRUE(card);
  EXPECT_EQ(card->imagename().value_or(""), changes.oldImageThumb);

  // The service's second version, fetched from the Sync tab.
  ASSERT_TRUE(service->backend().setDataVersion("acme", 2));
  ASSERT_TRUE(syncFromTab());
  EXPECT_FALSE(alert()) << alertTitle();

  // Back on the catalogue: the withdrawn product is gone from the grid and the
  // changed one shows its new picture.
  DetailViewController& products = grid();
  EXPECT_EQ(placeOf(products, changes.unpublishedProductId), -1);
  EXPECT_EQ(products.productArray().size(), listed - 1);
  const long moved = placeOf(products, changes.changedProductId);
  ASSERT_GE(moved, 0);
  card = showCard(static_cast<std::size_t>(moved));
  ASSERT_TRUE(card);
  EXPECT_EQ(card->imagename().value_or(""), changes.newImageThumb);
  ASSERT_TRUE(waitFor([&] { return card->productImageView().image() != nullptr; }, 10));
  picture("catalogue-after-the-changes");

  // The order still holds the withdrawn product.
  openTab(MainTabScreens::kQuoteOrder);
  auto list = orders();
  ASSERT_TRUE(list);
  tapSegment(list->segments(), QuoteOrderHistoryModel::kUnsubmitted);
  ASSERT_EQ(list->selectOrders().size(), 1u);
  EXPECT_EQ(list->selectOrders()[0]->number, number);
  ASSERT_TRUE(list->historyOrderTable().tapRowAtIndexPath({0, 0}));
  ASSERT_TRUE(waitFor([&] {
    return dynamic_cast<QuoteOrderViewController*>(list->navigationController()->topViewController()) != nullptr;
  }, 5));
  editor = dynamic_cast<QuoteOrderViewController*>(list->navigationController()->topViewController());
  ASSERT_EQ(editor->quoteOrder()->items.size(), 1u);
  EXPECT_EQ(editor->quoteOrder()->items[0]->product.product_id, changes.unpublishedProductId);
  EXPECT_EQ(editor->table().numberOfRowsInSection(0), 1);

  // The renamed document is listed under its new name, on the Library tab too.
  const auto files = SessionDatabase::open().get()->getAllLibFiles();
  auto renamed = std::find_if(files.begin(), files.end(),
                              [&](const auto& f) { return f.file_id == changes.renamedFileId; });
  ASSERT_NE(renamed, files.end());
  EXPECT_EQ(renamed->file_name, changes.newFileName);
  openTab(MainTabScreens::kSalesLibrary);
  auto library = std::dynamic_pointer_cast<SaleslibraryController>(tabBar()->screen(MainTabScreens::kSalesLibrary));
  ASSERT_TRUE(library);
  const auto& shown = library->detailViewsArray().front()->libfilesArray();
  auto onTab = std::find_if(shown.begin(), shown.end(),
                            [&](const auto& f) { return f.file_id == changes.renamedFileId; });
  ASSERT_NE(onTab, shown.end());
  EXPECT_EQ(onTab->file_name, changes.newFileName);
}

// While the next sync stores the product tables, the order cannot be saved:
// the alert says the sync is saving, the order stays on the screen, and it is
// saved once the sync has finished.
TEST_F(ChangesAfterASync, ASaveWhileTheSyncStoresSaysSoAndGoesThroughAfterIt) {
  start();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  DataAccessManager* store = SessionDatabase::open().get();
  ASSERT_TRUE(addFromGrid(1));
  QuoteOrderViewController* editor = ordersTab();
  ASSERT_TRUE(editor);
  // Another writer holds the file, as a company's store of thousands of rows
  // does; the sync's first questions, answered before its store, are refused
  // rather than wait for it.
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(store->databasePath().c_str(), &writer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  for (const char* asked : {"getuserinfo", "getRunTimeConfig"}) {
    sales::FaultRule refused = sales::FaultRule::statusFor(asked, "500");
    refused.times = 1;
    service->addFault(refused);
  }
  openTab(MainTabScreens::kSync);
  tap(syncScreen()->resourceUpdateView().btnsync());
  auto engine = SyncModel::sharedInstance();
  ASSERT_TRUE(waitFor([&] { return engine->isStoringTables(); }, 30));
  ASSERT_EQ(ordersTab(), editor);
  tap(editor->btnSave());
  EXPECT_EQ(answerTheOneAlert(0), std::make_pair(en("ORDERSAVEFAILED"), en("SYNCSTORING")));
  EXPECT_EQ(editor->quoteOrder()->items.size(), 1u);
  EXPECT_TRUE(store->fetchQuoteOrders(OrderModel::kAllOrders, "").empty());
  sqlite3_close(writer);
  ASSERT_TRUE(waitFor([&] { return !engine->isDownloading(); }, 60));
  ASSERT_EQ(ordersTab(), editor);
  tap(editor->btnSave());
  EXPECT_EQ(alertTitle(), "");
  EXPECT_EQ(store->fetchQuoteOrders(OrderModel::kAllOrders, "").size(), 1u);
}

}  // namespace
}  // namespace mv::test
