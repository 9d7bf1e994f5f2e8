#include <filesystem>

#include "CatalogTestSupport.hpp"
#include "LargePicture.hpp"
#include "catalog/CatalogViewController.hpp"
#include "catalog/CompareAttributeGrid.hpp"
#include "catalog/ProductCompareController.hpp"
#include "catalog/ProductDetailController.hpp"
#include "catalog/ProductFavoriteController.hpp"
#include "catalog/RelatedProductViewcontroller.hpp"
#include "order/AddToOrderController.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/TabBarController.hpp"
#include "platform/ui/Window.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/config/Language.hpp"
#include "util/PublicFunction.hpp"

namespace mv::test {
namespace {

TEST(FavoritesLayoutTest, FiveCardsARowAndAnEmptyRowAfterFullOnes) {
  EXPECT_EQ(ProductFavoriteController::tileFrame(0, 1000), (ui::Rect{5, 0, 220, 215}));
  EXPECT_EQ(ProductFavoriteController::tileFrame(4, 1000), (ui::Rect{805, 0, 220, 215}));
  EXPECT_EQ(ProductFavoriteController::tileFrame(5, 1000), (ui::Rect{5, 215, 220, 215}));
  EXPECT_EQ(ProductFavoriteController::contentHeight(5, 300), 430);
  EXPECT_EQ(ProductFavoriteController::contentHeight(5, 713), 713);
  EXPECT_EQ(ProductFavoriteController::contentHeight(6, 100), 430);
  EXPECT_EQ(ProductFavoriteController::contentHeight(4, 100), 215);
}

TEST(FavoritesLayoutTest, ThePopupsTapTakesOnlyWhatTheCardsDoNot) {
  struct Case {
    bool inEdit, inCard, onPicture, accepts;
  };
  for (const Case& c : {Case{true, false, false, true}, Case{true, true, false, false}, Case{true, true, true, false},
                        Case{false, false, false, false}, Case{false, true, false, false},
                        Case{false, true, true, true}}) {
    EXPECT_EQ(ProductFavoriteController::acceptsTap(c.inEdit, c.inCard, c.onPicture), c.accepts)
        << c.inEdit << c.inCard << c.onPicture;
  }
}

product_attribute_cell_Entity field(int id, const std::string& name, const std::string& list) {
  product_attribute_cell_Entity a;
  a.field_id = id;
  a.fieldName = name;
  a.attributeList = list;
  return a;
}

TEST(CompareAttributeGridTest, RowsFollowTheFirstAppearanceOfEachField) {
  CompareAttributeGrid grid;
  for (const auto& a : {field(1, "Color", "Red,Blue"), field(2, "Size", "  ")}) grid.addAttributeShow(a, 0);
  for (const auto& a : {field(3, "Material", "Wood"), field(1, "Colour", "Green")}) grid.addAttributeShow(a, 1);
  EXPECT_EQ(grid.attributesArray(), (std::vector<int>{1, 3}));
  // A row is named by the first product that has the field.
  EXPECT_EQ(grid.names(), (std::vector<std::string>{"Color", "Material"}));
  ASSERT_EQ(grid.cells().size(), 3u);
  EXPECT_EQ(grid.cells()[1].row, 1u);
  EXPECT_EQ(grid.cells()[1].product, 1u);
  EXPECT_EQ(grid.cells()[2].row, 0u);
  EXPECT_EQ(grid.cells()[2].text, "Green");
  EXPECT_EQ(grid.contentHeight(), 74);
  EXPECT_EQ(CompareAttributeGrid::contentWidth(1, 840), 840);
  EXPECT_EQ(CompareAttributeGrid::contentWidth(5, 840), 1050);
  EXPECT_EQ(CompareCell::discountX(1, 50, 84), 71);
  EXPECT_EQ(CompareCell::discountX(1, 120, 84), 105);
  grid.clear();
  EXPECT_TRUE(grid.names().empty());
}

// The catalogue tab with products 1 to 4 (4 unpublished later in a test),
// p1 and p2 related, p1 with a colour to choose, p2 with one size.
class ProductListsTest : public CatalogWindowTest {
 protected:
  void SetUp() override {
    CatalogWindowTest::SetUp();
    for (int id = 1; id <= 4; ++id) product(id, "p" + std::to_string(id));
    save();
    for (int id = 1; id <= 4; ++id) price(id, 10.0 * id, "USD");
    attribute(1, 1, "Color", "Red,Blue");
    attribute(2, 2, "Size", "M");
    attribute(2, 3, "Material", "Oak,Ash");
    marvisto_product_related_Entity link;
    link.serial = 1;
    link.first_product_id = 1;
    link.second_product_id = 2;
    ASSERT_TRUE(store().saveToDatabaseProductrelated({link}));
    showCatalog(std::make_shared<CatalogViewController>(*services));
  }
  template <typename Screen>
  std::shared_ptr<Screen> presented() {
    auto* shown = catalog->presentedViewController();
    return shown ? std::dynamic_pointer_cast<Screen>(shown->shared_from_this()) : nullptr;
  }
};

TEST_F(ProductListsTest, FavouritesListOnlyPublishedProductsAndOpenThemInTheCatalogue) {
  catalog->btnFavoritesClicked();
  EXPECT_EQ(lastToast(), text("HAVENOTCREATEFAVORITES"));
  EXPECT_FALSE(presented<ProductFavoriteController>());

  for (int id : {3, 4, 1, 2}) ASSERT_TRUE(store().saveToDatabaseFavorite(id, "SKU-" + std::to_string(id), "p"));
  sql("UPDATE marvisto_product SET product_publish = 0 WHERE product_id = 4");
  catalog->btnFavoritesClicked();
  settle();
  auto favorites = presented<ProductFavoriteController>();
  ASSERT_TRUE(favorites);
  // Product 4 is not published: no card, and the other cards keep their places.
  ASSERT_EQ(favorites->favArray().size(), 3u);
  EXPECT_EQ(favorites->card(1)->catalogNameLabel().text(), "p1");
  EXPECT_EQ(favorites->card(1)->tag(), ProductFavoriteController::kFirstTag + 1);
  EXPECT_TRUE(favorites->card(2)->devideImageView().isHidden() == false);
  keep("favorites");

  NotificationLog log;
  favorites->didSelectedImage(*favorites->card(2));
  settle();
  EXPECT_FALSE(catalog->presentedViewController());
  auto* top = dynamic_cast<ProductDetailController*>(catalog->detailController()->topViewController());
  ASSERT_TRUE(top);
  EXPECT_EQ(top->productID(), 2);
  EXPECT_EQ(top->position().index(), 2);
  EXPECT_EQ(top->productArray().size(), 3u);
}

TEST_F(ProductListsTest, FavouritesEditModeRemovesOneOrAllAndReportsFailures) {
  for (int id : {1, 2, 3}) ASSERT_TRUE(store().saveToDatabaseFavorite(id, "SKU", "p"));
  catalog->btnFavoritesClicked();
  settle();
  auto favorites = presented<ProductFavoriteController>();
  ASSERT_TRUE(favorites);
  EXPECT_TRUE(favorites->card(0)->smallCloseBtn().isHidden());

  // A long press on a picture enters edit mode; a tap on a picture then opens nothing.
  ASSERT_TRUE(driver->longPress(driver->centerOf(favorites->card(0)->productImageView()), 0.8));
  settle();
  EXPECT_TRUE(favorites->inEdit());
  EXPECT_FALSE(favorites->card(0)->smallCloseBtn().isHidden());
  EXPECT_FALSE(favorites->card(0)->addOrderBtn().isEnabled());
  EXPECT_TRUE(favorites->btnEdit().isHidden());
  favorites->didSelectedImage(*favorites->card(0));
  EXPECT_TRUE(catalog->presentedViewController());

  // Going to the background stops the wiggle; coming back starts it again.
  base::NotificationCenter::defaultCenter().post("AppWillEnterBackgound");
  EXPECT_TRUE(favorites->card(0)->smallCloseBtn().isHidden());
  base::NotificationCenter::defaultCenter().post("AppWillEnterForegroud");
  EXPECT_FALSE(favorites->card(0)->smallCloseBtn().isHidden());

  favorites->deleteSingleFavorite(1);
  EXPECT_EQ(store().getFavorites().size(), 2u);
  EXPECT_EQ(favorites->favArray().size(), 2u);
  EXPECT_TRUE(favorites->inEdit());
  EXPECT_EQ(favorites->card(1)->catalogNameLabel().text(), "p3");

  // Deletes the store refuses are failures: the list shows what is still stored.
  sql("CREATE TRIGGER no_delete BEFORE DELETE ON marvisto_favorite BEGIN SELECT RAISE(ABORT, 'locked'); END");
  favorites->deleteSingleFavorite(0);
  EXPECT_EQ(lastToast(), text("FAILED"));
  EXPECT_EQ(favorites->favArray().size(), 2u);
  favorites->removeAll();
  EXPECT_EQ(lastToast(), text("FAILED"));
  EXPECT_TRUE(catalog->presentedViewController());

  sql("DROP TRIGGER no_delete");
  // A tap outside every card leaves edit mode.
  ASSERT_TRUE(driver->tapAt({900, 700}));
  EXPECT_FALSE(favorites->inEdit());
  favorites->removeAll();
  EXPECT_EQ(lastToast(), text("ALLFAVORITESREMOVED"));
  EXPECT_TRUE(store().getFavorites().empty());
  settle();
  EXPECT_FALSE(catalog->presentedViewController());
}

TEST_F(ProductListsTest, FavouritesAddToTheOrderLikeTheGrid) {
  for (int id : {1, 2}) ASSERT_TRUE(store().saveToDatabaseFavorite(id, "SKU", "p"));
  catalog->btnFavoritesClicked();
  settle();
  auto favorites = presented<ProductFavoriteController>();
  ASSERT_TRUE(favorites);
  // p2's size has one option, its material two: the popover asks.
  favorites->addToOrder(*favorites->card(1));
  ASSERT_TRUE(favorites->addToOrderPopController());
  auto* chooser = dynamic_cast<AddToOrderController*>(favorites->addToOrderPopController()->contentViewController().get());
  ASSERT_TRUE(chooser);
  settle();
  EXPECT_TRUE(popoverPointsAt(favorites->addToOrderPopController().get(), inWindow(favorites->card(1)->addOrderBtn())));
  ASSERT_TRUE(chooser->attributeList().leftNameTableView().tapRowAtIndexPath({0, 1}));
  ASSERT_TRUE(chooser->attributeList().rightValueTableView().tapRowAtIndexPath({0, 1}));
  chooser->addToOrderOKButtonClicked();
  EXPECT_EQ(lines(), (std::vector<std::string>{"2 x1 Size:M,Material:Ash"}));
  EXPECT_EQ(favorites->card(1)->addOrderBtn().badgeLabel().text(), "1");
}

TEST_F(ProductListsTest, ComparisonShowsProductsSideBySideOverTheirAttributes) {
  catalog->btnCompareClicked();
  EXPECT_EQ(lastToast(), text("HAVENOTCREATECOMPARISONS"));
  for (int id : {1, 2}) ASSERT_TRUE(store().saveToDatabaseCompare(id, "SKU", "p"));
  catalog->btnCompareClicked();
  settle();
  auto compare = presented<ProductCompareController>();
  ASSERT_TRUE(compare);
  ASSERT_TRUE(compare->cell(1));
  EXPECT_EQ(compare->cell(1)->frame(), (ui::Rect{210, 0, 210, 510}));
  EXPECT_FALSE(compare->cell(0)->devideImageView().isHidden());
  EXPECT_TRUE(compare->cell(1)->devideImageView().isHidden());
  EXPECT_EQ(compare->compareScrollView().contentSize().width, 840);
  EXPECT_EQ(compare->attributeGrid().names(), (std::vector<std::string>{"Color", "Size", "Material"}));
  EXPECT_EQ(compare->attributesValueScrollView().contentSize().height, 3 * 37);
  compare->attributesValueScrollView().setContentOffset({0, 37});
  EXPECT_EQ(compare->attributesNameScrollView().contentOffset().y, 37);
  keep("comparison");

  // Direct add for p2? It has two materials: the popover; p1 likewise.
  compare->addToOrder(*compare->cell(0));
  EXPECT_TRUE(lines().empty());
  compare->addFlow()->addProductToOrderWithProduct([&] {
    auto p = store().getProductByProductId(1).value();
    p.count = 2;
    p.attributes = "Color:Red";
    return p;
  }(), 0);
  EXPECT_EQ(lines(), (std::vector<std::string>{"1 x2 Color:Red"}));
  EXPECT_EQ(compare->cell(0)->addOrderBtn().badgeLabel().text(), "2");

  // Removing one in edit mode; the toggles of an open product screen follow.
  catalog->setCatalogLayOut(ProductListChoice{0, store().getAllProducts()});
  settle();
  auto* product = dynamic_cast<ProductDetailController*>(catalog->detailController()->topViewController());
  ASSERT_TRUE(product);
  EXPECT_TRUE(product->compareBtn().isSelected());
  compare->setInEdit(true);
  compare->deleteSingleCompare(0);
  EXPECT_FALSE(product->compareBtn().isSelected());
  EXPECT_EQ(compare->compareProductsArray().size(), 1u);
  EXPECT_EQ(compare->attributeGrid().names(), (std::vector<std::string>{"Size", "Material"}));
  EXPECT_TRUE(compare->inEdit());

  sql("CREATE TRIGGER no_delete BEFORE DELETE ON marvisto_compare BEGIN SELECT RAISE(ABORT, 'locked'); END");
  compare->removeAll();
  EXPECT_EQ(lastToast(), text("FAILED"));
  EXPECT_EQ(compare->compareProductsArray().size(), 1u);
  sql("DROP TRIGGER no_delete");
  compare->removeAll();
  EXPECT_EQ(lastToast(), text("ALLCOMPARISONREMOVED"));
  settle();
  EXPECT_FALSE(catalog->presentedViewController());
  catalog->btnCompareClicked();
  EXPECT_EQ(lastToast(), text("HAVENOTCREATECOMPARISONS"));
}

TEST_F(ProductListsTest, AComparedProductOpensInTheCatalogueUnlessInEditMode) {
  for (int id : {2, 1}) ASSERT_TRUE(store().saveToDatabaseCompare(id, "SKU", "p"));
  catalog->btnCompareClicked();
  settle();
  auto compare = presented<ProductCompareController>();
  ASSERT_TRUE(compare);
  compare->didLongPressImage(*compare->cell(0));
  compare->didTapImage(*compare->cell(1));
  EXPECT_TRUE(catalog->presentedViewController());
  compare->didClickCellBackground(*compare->cell(1));
  EXPECT_FALSE(compare->inEdit());
  compare->didTapImage(*compare->cell(1));
  settle();
  EXPECT_FALSE(catalog->presentedViewController());
  auto* top = dynamic_cast<ProductDetailController*>(catalog->detailController()->topViewController());
  ASSERT_TRUE(top);
  EXPECT_EQ(top->productID(), 1);
  EXPECT_EQ(top->position().index(), 1);
}

TEST_F(ProductListsTest, TheRelatedStripOpensARelatedProductWithinTheRelatedList) {
  catalog->setCatalogLayOut(ProductListChoice{0, store().getAllProducts()});
  settle();
  auto* screen = dynamic_cast<ProductDetailController*>(catalog->detailController()->topViewController());
  ASSERT_TRUE(screen);
  EXPECT_EQ(idsOf(screen->relatedProducts()), (std::vector<int>{2}));
  screen->setCurrentDescRelatedIndex(ProductDetailController::kRelatedProductsPanel);
  auto strip = screen->relatedProductController();
  ASSERT_TRUE(strip);
  EXPECT_FALSE(strip->view()->isHidden());
  EXPECT_EQ(strip->relatedScrollView().contentSize(), (ui::Size{118, 144}));
  auto* tile = dynamic_cast<RelateProcuctsCell*>(strip->relatedScrollView().viewWithTag(RelateProcuctsCell::kFirstTag));
  ASSERT_TRUE(tile);
  EXPECT_EQ(tile->catalogNameLabel().text(), "p2");
  EXPECT_EQ(tile->priceContentLabel().text(), "$20.00");
  ASSERT_TRUE(driver->tap(*tile));
  settle();
  auto* opened = dynamic_cast<ProductDetailController*>(catalog->detailController()->topViewController());
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->productID(), 2);
  EXPECT_EQ(opened->productArray().size(), 1u);
  // The strip follows the product shown: p2's related product is p1.
  EXPECT_EQ(idsOf(opened->relatedProducts()), (std::vector<int>{1}));

  // Ten related products make a strip 1,180 wide.
  std::vector<marvisto_product_Entity> ten(10, store().getAllProducts().front());
  strip->reloadRelatedProduct(ten);
  EXPECT_EQ(strip->relatedScrollView().contentSize().width, 1180);
  strip->reloadRelatedProduct({});
  EXPECT_FALSE(strip->relatedScrollView().viewWithTag(RelateProcuctsCell::kFirstTag));
}

// Pictures of 39.6 megapixels in the favourites, the comparison, the product
// screen and its related strip are read on a worker at the size each of
// them shows, never whole on the main thread.
TEST_F(ProductListsTest, EveryListReadsItsPicturesAtTheSizeItShowsOffTheMainThread) {
  std::filesystem::path first;
  for (const char* name : {"p1.jpg", "p1_s.jpg", "p2.jpg", "p2_s.jpg"}) {
    const auto path = PublicFunction::filePathWithName(name, kFileTypeProductImage);
    ASSERT_TRUE(path);
    std::filesystem::create_directories(path->parent_path());
    if (first.empty()) {
      ASSERT_TRUE(writeLargePicture(*path, PictureKind::BaselineJpeg));
      first = *path;
    } else {
      std::filesystem::create_hard_link(first, *path);
    }
  }
  picture(1, 1, "p1.jpg", "p1_s.jpg", true);
  picture(2, 2, "p2.jpg", "p2_s.jpg", true);
  gfx::ImageData::resetLargestDecodeOnMainThread();

  for (int id : {1, 2}) ASSERT_TRUE(store().saveToDatabaseFavorite(id, "SKU", "p"));
  ASSERT_TRUE(driver->tap(catalog->favoritesButton()));
  settle();
  settlePictures();
  auto favorites = presented<ProductFavoriteController>();
  ASSERT_TRUE(favorites);
  {
    SCOPED_TRACE("favourites");
    expectReadAtShownSize(favorites->card(1)->productImageView());
  }
  keep("favorites-pictures");
  catalog->dismissViewControllerAnimated(false);
  settle();

  for (int id : {1, 2}) ASSERT_TRUE(store().saveToDatabaseCompare(id, "SKU", "p"));
  ASSERT_TRUE(driver->tap(catalog->compareButton()));
  settle();
  settlePictures();
  auto compare = presented<ProductCompareController>();
  ASSERT_TRUE(compare);
  {
    SCOPED_TRACE("comparison");
    expectReadAtShownSize(compare->cell(0)->productImageView());
  }
  catalog->dismissViewControllerAnimated(false);
  settle();

  catalog->setCatalogLayOut(ProductListChoice{0, store().getAllProducts()});
  settle();
  auto* screen = dynamic_cast<ProductDetailController*>(catalog->detailController()->topViewController());
  ASSERT_TRUE(screen);
  screen->setCurrentDescRelatedIndex(ProductDetailController::kRelatedProductsPanel);
  settle();
  settlePictures();
  {
    SCOPED_TRACE("product screen");
    expectReadAtShownSize(screen->productImageView());
  }
  auto strip = screen->relatedProductController();
  ASSERT_TRUE(strip);
  auto* tile = dynamic_cast<RelateProcuctsCell*>(strip->relatedScrollView().viewWithTag(RelateProcuctsCell::kFirstTag));
  ASSERT_TRUE(tile);
  {
    SCOPED_TRACE("related strip");
    expectReadAtShownSize(tile->productImageView());
  }
  keep("product-screen-pictures");
}

TEST_F(ProductListsTest, TheFullScreenStripOpensOverTheTabAndCloses) {
  catalog->setCatalogLayOut(ProductListChoice{0, store().getAllProducts()});
  settle();
  auto* screen = dynamic_cast<ProductDetailController*>(catalog->detailController()->topViewController());
  ASSERT_TRUE(screen);
  auto* root = dynamic_cast<ui::NavigationController*>(window->rootViewController().get());
  ASSERT_TRUE(root);
  screen->RelatedBtnClicked();
  settle();
  auto* related = dynamic_cast<RelatedProductViewcontroller*>(root->topViewController());
  ASSERT_TRUE(related);
  EXPECT_FALSE(related->titlebar()->isHidden());
  related->close();
  settle();
  EXPECT_EQ(root->viewControllers().size(), 1u);
}

}  // namespace
}  // namespace mv::test
