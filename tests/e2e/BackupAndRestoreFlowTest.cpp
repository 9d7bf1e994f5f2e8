// A representative backs up the day's work from the settings, signs out and
// picks up a new device: after its first sync the restore brings back the
// favourites, the comparison list, the library download, the unsubmitted
// order and the customer made for it, still tied to each other.
#include <gtest/gtest.h>

#include "LibraryDay.hpp"
#include "catalog/CatalogViewController.hpp"
#include "catalog/DetailCell.hpp"
#include "catalog/DetailViewController.hpp"
#include "catalog/ProductDetailController.hpp"
#include "catalog/ProductFavoriteController.hpp"
#include "customer/CustomerDataModel.hpp"
#include "order/QuoteOrderHistoryController.hpp"
#include "order/QuoteOrderHistoryModel.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "platform/ui/NavigationController.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/sync-screens/BackupAndRestoreViewController.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "store/SessionDatabase.hpp"

namespace mv::test {
namespace {

class BackupAndRestore : public LibraryDay {
 protected:
  // Marks product `index` of the grid as favourite and for comparison on
  // its screen; `marked` gets its id.
  void markOnItsScreen(std::size_t index, int& marked) {
    auto card = showCard(index);
    ASSERT_TRUE(card);
    marked = grid().productArray()[index].product_id;
    tap(card->productImageView());
    settle(0.5);
    auto* detail = dynamic_cast<ProductDetailController*>(catalog()->detailController()->topViewController());
    ASSERT_TRUE(detail);
    tap(detail->favBtn());
    tap(detail->compareBtn());
    tap(catalog()->btnBack());
    settle(0.5);
  }
  // The favourites the Catalogue tab's popup lists.
  std::size_t favouritesShown() {
    openTab(MainTabScreens::kCatalog);
    tap(catalog()->favoritesButton());
    settle(0.5);
    auto* favourites = dynamic_cast<ProductFavoriteController*>(catalog()->presentedViewController());
    if (!favourites) return 0;
    const std::size_t shown = favourites->favArray().size();
    tap(*favourites->btnClose());
    settle(0.5);
    return shown;
  }
};

constexpr const char* kNewCustomer = "Harbour Lights Ltd";

std::vector<int> idsOf(const std::vector<marvisto_favorite_Entity>& list) {
  std::vector<int> ids;
  for (const auto& p : list) ids.push_back(p.product_id);
  return ids;
}

std::vector<int> idsOf(const std::vector<marvisto_compare_Entity>& list) {
  std::vector<int> ids;
  for (const auto& p : list) ids.push_back(p.product_id);
  return ids;
}

TEST_F(BackupAndRestore, TheDaysWorkComesBackOnANewDeviceStillTiedTogether) {
  start();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  auto* store = SessionDatabase::open().get();

  // A product marked as favourite and for comparison on its screen.
  int marked = 0;
  ASSERT_NO_FATAL_FAILURE(markOnItsScreen(1, marked));
  ASSERT_EQ(idsOf(store->getFavorites()), std::vector<int>{marked});
  ASSERT_EQ(idsOf(store->getCompares()), std::vector<int>{marked});

  // An order for a customer typed in the editor, added to the book on saving.
  ASSERT_TRUE(addFromGrid(1));
  ASSERT_TRUE(addFromGrid(2));
  QuoteOrderViewController* editor = ordersTab();
  ASSERT_TRUE(editor);
  chooseCustomer(*editor, kNewCustomer);
  tap(editor->btnSave());
  ASSERT_EQ(alertTitle(), en("NEWCUSTOMER"));
  press(1);
  const auto customer = store->getCustomerByCustomerName(kNewCustomer);
  ASSERT_TRUE(customer);
  auto kept = store->fetchQuoteOrders(QuoteOrderHistoryModel::kUnsubmitted, "");
  ASSERT_EQ(kept.size(), 1u);
  const std::string number = kept[0]->number;
  ASSERT_EQ(kept[0]->items.size(), 2u);
  EXPECT_EQ(kept[0]->customerId, customer->customer_id);
  tap(editor->btnHistory());

  // A brochure downloaded from the library.
  openTab(MainTabScreens::kSalesLibrary);
  download("Catalogue 1");

  // Backed up from the settings.
  BackupAndRestoreViewController* page = openBackupPage();
  ASSERT_TRUE(page);
  page->tableView()->tapRowAtIndexPath({0, 0});
  settle();
  ASSERT_EQ(alert() ? alert()->message() : "", en("BACKUPNOTICE"));
  press(1);
  ASSERT_TRUE(waitFor([&] { return !page->isBackingUp(); }, 20));
  EXPECT_FALSE(alert()) << alertTitle();
  EXPECT_FALSE(page->lastBackupDateLabel().text().empty());
  closeSettings();
  ASSERT_TRUE(signOut());

  // A new device: signed in and synced, nothing of the day yet.
  newDevice();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  store = SessionDatabase::open().get();
  EXPECT_TRUE(store->getFavorites().empty());
  EXPECT_TRUE(store->fetchQuoteOrders(QuoteOrderHistoryModel::kUnsubmitted, "").empty());

  // Restored from the settings.
  page = openBackupPage();
  ASSERT_TRUE(page);
  page->tableView()->tapRowAtIndexPath({1, 0});
  settle();
  ASSERT_TRUE(alert());
  press(1);
  // The brochure is offered again; taken, it downloads on the Library tab.
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 20));
  ASSERT_EQ(alertTitle(), en("DOWNLOADFILES"));
  press(1);
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
  EXPECT_EQ(alertTitle(), en("RESTOREFINISHTITLE"));
  press(0);
  closeSettings();
  EXPECT_EQ(tabBar()->iCurSelectTab(), MainTabScreens::kSalesLibrary);
  ASSERT_TRUE(library());
  EXPECT_TRUE(waitFor([&] { return onDisk("Catalogue 1"); }, 30));

  // Everything is back, and belongs together.
  store = SessionDatabase::open().get();
  EXPECT_EQ(idsOf(store->getFavorites()), std::vector<int>{marked});
  EXPECT_EQ(idsOf(store->getCompares()), std::vector<int>{marked});
  const auto restoredCustomer = store->getCustomerByCustomerName(kNewCustomer);
  ASSERT_TRUE(restoredCustomer);
  kept = store->fetchQuoteOrders(QuoteOrderHistoryModel::kUnsubmitted, "");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0]->number, number);
  EXPECT_EQ(kept[0]->items.size(), 2u);
  EXPECT_EQ(kept[0]->customerId, restoredCustomer->customer_id);

  // The screens show it: the favourite in its popup, the order in the list
  // and opened with its customer.
  EXPECT_EQ(favouritesShown(), 1u);
  openTab(MainTabScreens::kQuoteOrder);
  auto list = orders();
  ASSERT_TRUE(list);
  tapSegment(list->segments(), QuoteOrderHistoryModel::kUnsubmitted);
  ASSERT_EQ(list->selectOrders().size(), 1u);
  ASSERT_TRUE(list->historyOrderTable().tapRowAtIndexPath({0, 0}));
  ASSERT_TRUE(waitFor([&] {
    return dynamic_cast<QuoteOrderViewController*>(list->navigationController()->topViewController()) != nullptr;
  }, 5));
  editor = dynamic_cast<QuoteOrderViewController*>(list->navigationController()->topViewController());
  EXPECT_EQ(editor->txtCustomer().text(), kNewCustomer);
  EXPECT_EQ(editor->table().numberOfRowsInSection(0), 2);
}

// What the representative made besides orders and customers (a favourite,
// the comparison list, a library favourite, a note and the important mark
// on a customer of the service) outlives a full resync the service asks for
// at a sign-in: the store is made anew and everything is fetched into it,
// and these stay as the user's own "Resync all data" keeps them.
TEST_F(BackupAndRestore, WhatTheRepresentativeMadeOutlivesAResyncTheServiceAsksFor) {
  start();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  int marked = 0;
  ASSERT_NO_FATAL_FAILURE(markOnItsScreen(1, marked));
  openTab(MainTabScreens::kSalesLibrary);
  tapFile("Catalogue 1");
  auto card = files().descriptionController();
  ASSERT_TRUE(card);
  tap(card->favButton());
  // The card closed, as Escape closes it.
  EXPECT_TRUE(driver().window().pressEscape());
  settle();
  EXPECT_FALSE(files().presentedViewController());
  const int favouriteFile = file("Catalogue 1").file_id;
  auto* store = SessionDatabase::open().get();
  const auto customers = store->getAllCustomers(true);
  ASSERT_FALSE(customers.empty());
  const auto& [noted, entry] = *customers.rbegin();
  const std::string name = entry.customer_name;
  ASSERT_GT(noted, 0);
  // As the list stores a note typed on a customer: its mark, then its text.
  ASSERT_TRUE(CustomerDataModel::sharedInstance()->storeNoteMark(noted, true));
  ASSERT_TRUE(CustomerDataModel::sharedInstance()->storeNote(noted, "Call before noon"));
  ASSERT_TRUE(CustomerDataModel::sharedInstance()->storeImportant(noted, true));
  // A customer the service sent before and has since removed, noted here.
  constexpr int kRemoved = 99001;
  ASSERT_TRUE(SQLiteDatabase::sharedDataBase().run(
      "INSERT INTO marvisto_customer (customer_id, customer_name, has_note, note) VALUES (?, 'Closed Shop', 1, ?)",
      kRemoved, "Closed for good"));
  ASSERT_TRUE(signOut());

  ASSERT_TRUE(service->backend().requestFullSync("acme", "rep"));
  service->clearRequestLog();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  std::vector<std::string> asked;
  for (const auto& e : service->requestLog()) {
    if (e.methodName == "syncData" && e.head == "SyncServer;")
      asked.push_back(e.qualifier + " " + e.parameters.value("isFull", std::string()));
  }
  EXPECT_EQ(asked, (std::vector<std::string>{"product true", "file true", "customer true"}));

  store = SessionDatabase::open().get();
  EXPECT_EQ(idsOf(store->getFavorites()), std::vector<int>{marked});
  EXPECT_EQ(idsOf(store->getCompares()), std::vector<int>{marked});
  EXPECT_TRUE(store->getLibraryFavoriteByFavoriteId(favouriteFile));
  const auto kept = store->getCustomer(noted, true);
  ASSERT_TRUE(kept && *kept);
  EXPECT_EQ((*kept)->customer_name, name);
  EXPECT_EQ((*kept)->note, "Call before noon");
  EXPECT_EQ((*kept)->has_note, 1);
  EXPECT_EQ((*kept)->important, 1);
  // And the screens show them.
  EXPECT_EQ(favouritesShown(), 1u);
  // The book is read beside the window once something asks for it.
  auto book = CustomerDataModel::sharedInstance();
  ASSERT_TRUE(waitFor([&] { return book->isBookRead(); }, 60));
  auto shown = book->customer(noted);
  ASSERT_TRUE(shown);
  EXPECT_TRUE(shown->hasNote);
  EXPECT_TRUE(shown->markAsImportant);
  // The one the service no longer has is not offered for orders.
  EXPECT_FALSE(CustomerDataModel::sharedInstance()->customer(kRemoved));
  EXPECT_TRUE(store->getAllCustomers(true).count(kRemoved) == 0);
}

}  // namespace
}  // namespace mv::test
