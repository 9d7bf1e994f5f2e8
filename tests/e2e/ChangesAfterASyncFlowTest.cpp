// The company changes its data during the day: a product gets a new picture,
// another is withdrawn, a library document is renamed. The representative's
// next sync from the Sync tab brings them: the catalogue shows them when it
// is opened again, and an order that holds the withdrawn product keeps it.
#include <gtest/gtest.h>

#include <algorithm>

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
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"

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

}  // namespace
}  // namespace mv::test
