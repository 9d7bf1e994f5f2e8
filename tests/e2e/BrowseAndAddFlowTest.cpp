// A representative fills an order from the catalogue: a category chosen on
// the panel, a product opened and added with its attributes and a typed
// quantity, another added from its card on the grid, and the first one again
// from the favourites it was marked into; the Orders tab's badge counts the
// order's lines all along.
#include <gtest/gtest.h>

#include "RepresentativeDay.hpp"
#include "catalog/CatalogViewController.hpp"
#include "catalog/DetailCell.hpp"
#include "catalog/DetailViewController.hpp"
#include "catalog/MasterViewController.hpp"
#include "catalog/ProductAttributesListView.hpp"
#include "catalog/ProductDetailController.hpp"
#include "catalog/ProductFavoriteController.hpp"
#include "order/AddToOrderController.hpp"
#include "order/QuoteOrderStore.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/PopoverController.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/app/UITabBarControllerExt.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"

namespace mv::test {
namespace {

class BrowseAndAdd : public RepresentativeDay {
 protected:
  std::string badge() {
    auto& button = tabBar()->button(MainTabScreens::kQuoteOrder);
    return button.isBadgeShown() ? button.badgeText() : std::string();
  }
  static std::string currencyOf(int productId) {
    return SessionDatabase::open().get()->getPriceEntityByProductId(productId).currency;
  }
  // Whether a product asks for a choice: an attribute with several options.
  static bool needsChoice(int productId) {
    for (const auto& a : SessionDatabase::open().get()->getProductAttributeByProductId(productId)) {
      if (a.attributeList.find(',') != std::string::npos) return true;
    }
    return false;
  }
  // Taps the first option of every attribute of a picker.
  void chooseFirstOptions(ProductAttributesListView& picker) {
    for (std::size_t row = 0; row < picker.attributeAry().size(); ++row) {
      ASSERT_TRUE(picker.leftNameTableView().tapRowAtIndexPath({0, static_cast<long>(row)}));
      settle();
      ASSERT_TRUE(picker.rightValueTableView().tapRowAtIndexPath({0, 0}));
      settle();
    }
  }
  std::vector<std::string> lines() {
    std::vector<std::string> out;
    if (auto order = QuoteOrderStore::sharedInstance()->addQuoteOrder()) {
      for (const auto& line : order->items) {
        out.push_back(std::to_string(line->product.product_id) + " x" + std::to_string(line->quantity) + " " +
                      line->attributes);
      }
    }
    return out;
  }
};

TEST_F(BrowseAndAdd, ACategoryAProductTheGridAndTheFavouritesFillTheOrder) {
  start();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  DetailViewController& products = grid();
  const std::size_t all = products.productArray().size();
  EXPECT_EQ(badge(), "");

  // A category on the panel: the grid shows only its products, under its name.
  auto screen = catalog();
  MasterViewController& panel = *screen->masterViewController();
  ui::TableViewCell* row = panel.myTable().cellForRowAtIndexPath({0, 1});
  ASSERT_TRUE(row);
  driver().flush();
  const auto rowTexts = driver().visibleTexts(row);
  ASSERT_FALSE(rowTexts.empty());
  const std::string category = rowTexts.front();
  tap(*row);
  settle(0.5);
  EXPECT_EQ(screen->lblTitle().text(), category);
  EXPECT_GT(products.productArray().size(), 0u);
  EXPECT_LT(products.productArray().size(), all);

  // A product of it that asks for a choice, opened from its card.
  std::size_t chosen = products.productArray().size();
  for (std::size_t i = 0; i < products.productArray().size() && chosen == products.productArray().size(); ++i) {
    if (needsChoice(products.productArray()[i].product_id)) chosen = i;
  }
  ASSERT_LT(chosen, products.productArray().size());
  const marvisto_product_Entity first = products.productArray()[chosen];
  auto card = showCard(chosen);
  ASSERT_TRUE(card);
  tap(card->productImageView());
  settle(0.5);
  auto* detail = dynamic_cast<ProductDetailController*>(screen->detailController()->topViewController());
  ASSERT_TRUE(detail);
  EXPECT_EQ(detail->productNameLabel().text(), first.product_name);
  picture("product-screen-from-the-grid");

  // Its attributes and a typed quantity; the badge counts one line.
  chooseFirstOptions(detail->attributeView());
  ASSERT_TRUE(detail->attributeView().allChosen());
  const std::string attributes = detail->attributeView().attributes();
  tap(detail->countTextField());
  driver().pressClear();
  typeKeys("2");
  tap(detail->addToOrderBtn());
  EXPECT_EQ(lines(), (std::vector<std::string>{std::to_string(first.product_id) + " x2 " + attributes}));
  EXPECT_EQ(badge(), "1");
  // Marked as a favourite on its screen.
  tap(detail->favBtn());
  ASSERT_EQ(SessionDatabase::open().get()->getFavorites().size(), 1u);
  tap(screen->btnBack());
  settle(0.5);
  ASSERT_FALSE(dynamic_cast<ProductDetailController*>(screen->detailController()->topViewController()));

  // Another product of the same currency from its card on the grid.
  std::size_t other = products.productArray().size();
  for (std::size_t i = 0; i < products.productArray().size(); ++i) {
    const auto& p = products.productArray()[i];
    if (p.product_id != first.product_id && currencyOf(p.product_id) == currencyOf(first.product_id)) {
      other = i;
      break;
    }
  }
  ASSERT_LT(other, products.productArray().size());
  const int otherId = products.productArray()[other].product_id;
  ASSERT_TRUE(addFromGrid(other));
  ASSERT_EQ(lines().size(), 2u);
  EXPECT_EQ(lines()[1].rfind(std::to_string(otherId) + " x1", 0), 0u) << lines()[1];
  EXPECT_EQ(badge(), "2");

  // The favourites: the first product again, with the same choice, joins its line.
  tap(screen->favoritesButton());
  settle(0.5);
  auto* favourites = dynamic_cast<ProductFavoriteController*>(screen->presentedViewController());
  ASSERT_TRUE(favourites);
  ASSERT_EQ(favourites->favArray().size(), 1u);
  picture("favourites");
  auto favourite = favourites->card(0);
  ASSERT_TRUE(favourite);
  tap(favourite->addOrderBtn());
  auto popover = favourites->addToOrderPopController();
  ASSERT_TRUE(popover && popover->isPopoverVisible());
  auto chooser = std::dynamic_pointer_cast<AddToOrderController>(popover->contentViewController());
  ASSERT_TRUE(chooser);
  chooseFirstOptions(chooser->attributeList());
  tap(chooser->okButton());
  EXPECT_EQ(lines()[0], std::to_string(first.product_id) + " x3 " + attributes);
  EXPECT_EQ(badge(), "2");

  // The Orders tab opens the order with both lines.
  ASSERT_TRUE(favourites->btnClose());
  tap(*favourites->btnClose());
  settle(0.5);
  EXPECT_FALSE(screen->presentedViewController());
  QuoteOrderViewController* editor = ordersTab();
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->table().numberOfRowsInSection(0), 2);
}

}  // namespace
}  // namespace mv::test
