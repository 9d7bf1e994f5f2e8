#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <tuple>

#include "CatalogTestSupport.hpp"
#include "DesktopTestWindow.hpp"
#include "LargePicture.hpp"
#include "catalog/CatalogFeature.hpp"
#include "catalog/CatalogLayout.hpp"
#include "catalog/BackgroundRead.hpp"
#include "catalog/CatalogViewController.hpp"
#include "catalog/CategoryNavigator.hpp"
#include "catalog/DetailCell.hpp"
#include "catalog/ProductDetailController.hpp"
#include "catalog/ProductSearchResults.hpp"
#include "catalog/ProductSort.hpp"
#include "catalog/SearchProductCell.hpp"
#include "order/AddToOrderController.hpp"
#include "order/QuoteOrderBasket.hpp"
#include "order/QuoteOrderStore.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/TabBarController.hpp"
#include "platform/ui/Window.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/config/Language.hpp"
#include "store/ProductListReader.hpp"
#include "store/RowReaders.hpp"
#include "util/PublicFunction.hpp"

namespace mv::test {
namespace {

marvisto_product_Entity item(int id, const std::string& name, const std::string& sku, int ordering = 0) {
  auto p = makeProduct(id, name, sku);
  p.product_ordering = ordering;
  return p;
}

TEST(ProductSortTest, EachOrderIsStableAndIgnoresCaseWhereItShould) {
  const std::vector<marvisto_product_Entity> list{item(1, "beta", "b-2", 3), item(2, "", "", 1),
                                                  item(3, "Alpha", "A-9", 2), item(4, "alpha", "a-1", 2),
                                                  item(5, "BETA", "", 0)};
  const std::map<int, double> prices{{1, 10}, {3, 5}, {4, 10}, {5, -1}};
  auto priceOf = [&prices](const marvisto_product_Entity& p) {
    auto at = prices.find(p.product_id);
    return at == prices.end() ? 0.0 : at->second;
  };
  struct Case {
    long type;
    std::vector<int> ids;
  };
  // Empty names and SKUs sort first; equal keys keep their order.
  for (const Case& c : {Case{ProductSort::kByName, {2, 3, 4, 1, 5}}, Case{ProductSort::kBySku, {2, 5, 4, 3, 1}},
                        Case{ProductSort::kByPrice, {5, 2, 3, 1, 4}}, Case{ProductSort::kByOrdering, {5, 2, 3, 4, 1}},
                        Case{5, {1, 2, 3, 4, 5}}, Case{-1, {1, 2, 3, 4, 5}}}) {
    auto sorted = list;
    ProductSort::sort(sorted, c.type, priceOf);
    EXPECT_EQ(idsOf(sorted), c.ids) << "type " << c.type;
  }
  // A price that is no number sorts as 0 instead of breaking the order.
  auto withNaN = list;
  ProductSort::sort(withNaN, ProductSort::kByPrice, [](const marvisto_product_Entity& p) {
    return p.product_id == 1 ? std::nan("") : static_cast<double>(p.product_id);
  });
  EXPECT_EQ(idsOf(withNaN), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(ProductSortTest, EffectivePriceIsTheDiscountWhileItApplies) {
  marvisto_product_price_Entity price;
  price.price = 100;
  price.discount_price = 80;
  EXPECT_EQ(ProductSort::effectivePrice(price), 100);
  price.discount_flag = true;
  EXPECT_EQ(ProductSort::effectivePrice(price), 80);
  EXPECT_EQ(ProductSort::effectivePrice(marvisto_product_price_Entity{}), 0);
}

TEST(PricePlacementTest, DiscountsBesideOrUnderThePrice) {
  EXPECT_EQ(DetailCell::discountFrame(60, 70), (ui::Rect{80, 175, 120, 20}));
  EXPECT_EQ(DetailCell::discountFrame(60, 71), (ui::Rect{10, 190, 120, 20}));
  EXPECT_EQ(SearchProductCell::priceFrames(99.5).price, (ui::Rect{85, 33, 99.5, 21}));
  EXPECT_EQ(SearchProductCell::priceFrames(99.5).discount, (ui::Rect{194.5, 33, 100, 21}));
  EXPECT_EQ(SearchProductCell::priceFrames(100).price, (ui::Rect{85, 33, 100, 21}));
  EXPECT_EQ(SearchProductCell::priceFrames(100).discount, (ui::Rect{195, 33, 100, 21}));
}

// A basket over the real order store whose add-to-order popover is a plain
// controller: the test plays the popover's OK itself.
class ChooserBasket : public QuoteOrderBasket {
 public:
  using QuoteOrderBasket::QuoteOrderBasket;
  std::vector<std::size_t> asked;
  std::shared_ptr<ui::ViewController> makeAddToOrderController(const marvisto_product_Entity&, std::size_t cellIndex,
                                                               std::weak_ptr<AddToOrderControllerDelegate>) override {
    asked.push_back(cellIndex);
    auto chooser = std::make_shared<ui::ViewController>();
    chooser->setPreferredContentSize({400, 250});
    return chooser;
  }
};

// The catalogue tab over the example tree, products priced, p1 with a
// choice to make, p3 in euros.
class ProductGridTest : public CatalogWindowTest {
 protected:
  void SetUp() override {
    CatalogWindowTest::SetUp();
    seedExampleTree();
    price(1, 30, "USD", 25);
    price(2, 10, "USD");
    price(3, 20, "EUR");
    attribute(1, 1, "Color", "Red,Blue");
    attribute(2, 2, "Size", "M");
    basket = std::make_shared<ChooserBasket>(*services);
    useBasket(basket);
    CatalogFeature::install(wiring);
    auto made = std::dynamic_pointer_cast<CatalogViewController>(wiring.makeScreen(MainTabScreens::kCatalog, services.get()));
    ASSERT_TRUE(made);
    showCatalog(made);
  }
  DetailViewController& grid() { return *catalog->detailViewController(); }
  std::shared_ptr<DetailCell> card(std::size_t index) {
    settle();
    return grid().cardAt(index);
  }

  std::shared_ptr<ChooserBasket> basket;
};

TEST_F(ProductGridTest, ShowsTheChosenCategoryInTheChosenOrder) {
  EXPECT_EQ(idsOf(grid().productArray()), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_TRUE(grid().isAll());
  EXPECT_EQ(catalog->lblTitle().text(), "All");

  // A's children: A1's products, then A2's without the product already listed.
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::displayFourColumn, A);
  settle();
  EXPECT_EQ(idsOf(grid().productArray()), (std::vector<int>{1, 2}));
  EXPECT_EQ(catalog->lblTitle().text(), "A");
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::displayFourColumn, -1);
  settle();
  EXPECT_EQ(idsOf(grid().productArray()), (std::vector<int>{4}));
  EXPECT_TRUE(grid().isUncategorized());
  EXPECT_EQ(catalog->lblTitle().text(), "Uncategorized");

  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::displayFourColumn, 0);
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::SORT_PRODUCT, ProductSort::kByPrice);
  settle();
  // p4 has no price (0), then p1 by its discount 25 after p2 at 10 and p3 at 20.
  EXPECT_EQ(idsOf(grid().productArray()), (std::vector<int>{4, 2, 3, 1}));
  EXPECT_EQ(grid().sortType(), ProductSort::kByPrice);

  // In tag mode a category change only sorts the tag's products again.
  CatalogMode::setCurrentState(CatalogMode::kTag);
  CatalogNotificationCenter::defaultCenter().post(
      CatalogNotifications::refushRightData, std::optional<TagProducts>(TagProducts{"Red", {3, 1}}));
  settle();
  EXPECT_EQ(idsOf(grid().productArray()), (std::vector<int>{3, 1}));
  EXPECT_EQ(catalog->lblTitle().text(), "Red");
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::SORT_PRODUCT, ProductSort::kByName);
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::displayFourColumn, A);
  settle();
  EXPECT_EQ(idsOf(grid().productArray()), (std::vector<int>{1, 3}));
  EXPECT_EQ(catalog->lblTitle().text(), "Red");
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::refushRightData, std::nullopt);
  settle();
  EXPECT_TRUE(grid().productArray().empty());
}

// A company of some hundreds of products: opening the tab, choosing a
// category and sorting read no product list on the main thread; the grid
// waits under a spinner for the worker's list, then shows it.
TEST_F(CatalogWindowTest, AGrowingCatalogueIsReadOffTheMainThreadAndThenShown) {
  constexpr int kProducts = 600;
  category(A, "A", 0);
  category(B, "B", 0);
  for (int id = 1; id <= kProducts; ++id) {
    product(id, "Product " + std::to_string(100000 - id));
    file(id, id % 3 == 0 ? 0 : (id % 3 == 1 ? A : B));
  }
  tag(1, "Red", {5, 10, 15});
  tag(2, "Blue", {2});
  save();
  price(7, 1, "USD");
  // The product that sorts first is in the order: its card counts it, and
  // the order is asked only for the cards in sight, not the whole list.
  struct CountingBasket : QuoteOrderBasket {
    using QuoteOrderBasket::QuoteOrderBasket;
    void getItemNumberInOrder(marvisto_product_Entity& product) override {
      ++asked;
      QuoteOrderBasket::getItemNumberInOrder(product);
    }
    int asked = 0;
  };
  auto basket = std::make_shared<CountingBasket>(*services);
  useBasket(basket);
  auto inOrder = services->database().getProductByProductId(kProducts);
  ASSERT_TRUE(inOrder);
  inOrder->count = 2;
  ASSERT_TRUE(basket->addToOrder(*inOrder));
  CatalogFeature::install(wiring);
  const auto readBefore = rows::productsReadOnMainThread();
  showCatalog(std::dynamic_pointer_cast<CatalogViewController>(wiring.makeScreen(MainTabScreens::kCatalog, services.get())));
  auto& grid = *catalog->detailViewController();
  EXPECT_FALSE(grid.isLoading());
  EXPECT_EQ(grid.productShowView().numberOfItems(), static_cast<std::size_t>(kProducts));
  // By name: the last product's name sorts first.
  EXPECT_EQ(grid.productArray().front().product_id, kProducts);
  ASSERT_TRUE(grid.cardAt(0));
  EXPECT_EQ(grid.cardAt(0)->addOrderBtn().badgeLabel().text(), "2");
  EXPECT_LT(basket->asked, kProducts / 10);
  const auto& navigator = catalog->masterViewController()->navigator();
  EXPECT_EQ(navigator.totalProductsNumber(), static_cast<std::size_t>(kProducts));
  ASSERT_EQ(navigator.dataArray().size(), 3u);
  EXPECT_EQ(navigator.dataArray()[0].category_numberOfProducts, kProducts / 3);
  EXPECT_EQ(navigator.dataArray()[2].category_id, CategoryNavigator::kUncategorizedId);

  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::displayFourColumn, A);
  EXPECT_TRUE(grid.isLoading());
  EXPECT_EQ(grid.productShowView().numberOfItems(), 0u);
  EXPECT_EQ(catalog->lblTitle().text(), "A");
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::SORT_PRODUCT, ProductSort::kByPrice);
  settle();
  EXPECT_FALSE(grid.isLoading());
  ASSERT_EQ(grid.productShowView().numberOfItems(), static_cast<std::size_t>(kProducts / 3));
  // Every other product has no price (0); p7, at 1, comes last.
  EXPECT_EQ(grid.productArray().back().product_id, 7);
  auto first = grid.cardAt(0);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->catalogNameLabel().text(), grid.productArray().front().product_name);

  // The tags, and a tag's products, are read on the worker too; the first tag is chosen.
  // (As a product screen's tag turns the panel to its tags.)
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::changeMasterViewState);
  settle();
  EXPECT_EQ(catalog->lblTitle().text(), "Blue");
  EXPECT_EQ(idsOf(grid.productArray()), (std::vector<int>{2}));
  EXPECT_EQ(rows::productsReadOnMainThread(), readBefore);

  // A sync holding a store that keeps no write-ahead log (a file system
  // without shared memory) past the read's busy time-out: the grid waits
  // under its spinner and reads again a moment later.
  sql("PRAGMA journal_mode = DELETE");
  ProductListReader::setBusyTimeout(10);
  sqlite3* opened = nullptr;
  const int openedRc = sqlite3_open(services->database().databasePath().c_str(), &opened);
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> sync(opened, sqlite3_close);
  ASSERT_EQ(openedRc, SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(sync.get(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  auto& tags = catalog->masterViewController()->tagsLeftView().tableView();
  ASSERT_TRUE(driver->tap(*tags.cellForRowAtIndexPath({0, 1})));
  settle();
  EXPECT_TRUE(grid.isLoading());
  EXPECT_EQ(grid.productShowView().numberOfItems(), 0u);
  EXPECT_EQ(catalog->lblTitle().text(), "Red");
  sync.reset();
  base::RunLoop::main().runUntil([&] { return !grid.isLoading(); }, kReadAgainSeconds + 1);
  settle();
  auto ids = idsOf(grid.productArray());
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<int>{5, 10, 15}));
  EXPECT_EQ(rows::productsReadOnMainThread(), readBefore);

  // A store that keeps refusing: after its tries the grid stops waiting and
  // the user is told, once; the next tap reads afresh.
  sqlite3* refusing = nullptr;
  ASSERT_EQ(sqlite3_open(services->database().databasePath().c_str(), &refusing), SQLITE_OK);
  sync.reset(refusing);
  ASSERT_EQ(sqlite3_exec(sync.get(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  ASSERT_TRUE(driver->tap(*tags.cellForRowAtIndexPath({0, 0})));
  ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return ui::AlertView::visibleAlert() != nullptr; },
                                             kReadTries * kReadAgainSeconds + 1));
  EXPECT_EQ(ui::AlertView::visibleAlert()->title(), "Catalog Not Available");
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(),
            "The products could not be read from this device's data. Please try again in a moment.");
  EXPECT_EQ(ui::AlertView::showingAlerts().size(), 1u);
  EXPECT_FALSE(grid.isLoading());
  EXPECT_EQ(grid.productShowView().numberOfItems(), 0u);
  keep("catalogue-not-read");
  base::RunLoop::main().advance(kReadTries * kReadAgainSeconds);
  EXPECT_EQ(ui::AlertView::showingAlerts().size(), 1u);
  ASSERT_TRUE(driver->pressAlertButton(0));
  settle();
  EXPECT_FALSE(ui::AlertView::visibleAlert());
  sync.reset();
  ASSERT_TRUE(driver->tap(*tags.cellForRowAtIndexPath({0, 1})));
  settle();
  EXPECT_EQ(grid.productShowView().numberOfItems(), 3u);

  // Sorted while the store is held: the list shown stays, by name now.
  sqlite3* holding = nullptr;
  ASSERT_EQ(sqlite3_open(services->database().databasePath().c_str(), &holding), SQLITE_OK);
  sync.reset(holding);
  ASSERT_EQ(sqlite3_exec(sync.get(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::SORT_PRODUCT, ProductSort::kByName);
  base::WorkQueue::global().waitIdle();
  sync.reset();
  ProductListReader::setBusyTimeout(5000);
  settle();
  EXPECT_FALSE(grid.isLoading());
  EXPECT_EQ(idsOf(grid.productArray()), (std::vector<int>{15, 10, 5}));

  // A product opened from the grid walks the grid's own list, not a copy of it.
  auto card = grid.cardAt(1);
  ASSERT_TRUE(card);
  ASSERT_TRUE(driver->tap(card->bgImageView()));
  settle();
  auto* nav = catalog->detailController().get();
  ASSERT_TRUE(nav && !nav->viewControllers().empty());
  auto* screen = dynamic_cast<ProductDetailController*>(nav->viewControllers().back().get());
  ASSERT_TRUE(screen);
  EXPECT_EQ(screen->productArray().data(), grid.productArray().data());
  EXPECT_EQ(screen->productEntity().product_id, grid.productArray()[1].product_id);
}

TEST_F(ProductGridTest, CardsShowPriceDiscountAndTheOrderCount) {
  auto first = card(0);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->tag(), DetailCell::kFirstTag);
  EXPECT_EQ(first->catalogNameLabel().text(), "p1");
  EXPECT_EQ(first->priceContentLabel().text(), "$30.00");
  EXPECT_EQ(first->discountPriceLabel().text(), "$25.00");
  EXPECT_EQ(first->priceContentLabel().subviews().size(), 1u);
  EXPECT_FALSE(first->addOrderBtn().isHidden());
  auto second = card(1);
  EXPECT_EQ(second->discountPriceLabel().frame(), ui::Rect{});
  EXPECT_TRUE(second->priceContentLabel().subviews().empty());
  keep("product-grid");
}

// A product picture of many megapixels is read at the size its card shows
// it (times the screen's scale), and looks as it should there.
TEST_F(ProductGridTest, ALargePictureIsReadAtTheSizeItsCardShows) {
  const auto path = PublicFunction::filePathWithName("p1_s.jpg", kFileTypeProductImage);
  ASSERT_TRUE(path);
  std::filesystem::create_directories(path->parent_path());
  gfx::ImageData big(2400, 1800);
  for (int y = 0; y < big.height; ++y)
    for (int x = 0; x < big.width; ++x) {
      std::uint8_t* p = big.pixel(x, y);
      const bool left = x < big.width / 2;
      p[0] = left ? 230 : 10, p[1] = 10, p[2] = left ? 10 : 230, p[3] = 255;
    }
  ASSERT_TRUE(big.writeJPEG(*path, 0.9));
  picture(1, 1, "p1.jpg", "p1_s.jpg", true);
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::SORT_PRODUCT, ProductSort::kByName);
  settle();
  base::WorkQueue::global().waitIdle();
  auto first = card(0);
  ASSERT_TRUE(first);
  auto shown = first->productImageView().image();
  ASSERT_TRUE(shown);
  const auto box = first->productImageView().bounds().size;
  const double scale = ui::Screen::mainScreen().scale();
  EXPECT_LE(shown->pixelWidth(), std::ceil(box.width * scale));
  EXPECT_LE(shown->pixelHeight(), std::ceil(box.height * scale));
  EXPECT_EQ(shown->pixelHeight(), static_cast<int>(std::ceil(box.height * scale))) << "as sharp as the card shows it";
  // Drawn in its card: red on the left, blue on the right.
  auto frame = driver->render();
  ASSERT_TRUE(frame);
  const ui::Rect area = first->productImageView().convertRectToView(first->productImageView().bounds(), nullptr);
  const auto at = [&](double share) {
    return frame->pixelAt(static_cast<int>((area.minX() + area.width() * share) * scale),
                          static_cast<int>(area.midY() * scale));
  };
  EXPECT_GT(at(0.25).r(), 0.8);
  EXPECT_LT(at(0.25).b(), 0.2);
  EXPECT_LT(at(0.75).r(), 0.2);
  EXPECT_GT(at(0.75).b(), 0.8);
}

TEST_F(ProductGridTest, TheCartButtonAddsAtOnceOrAsksForAChoice) {
  // p2's only attribute has one option: added at once with it.
  card(1)->addOrderBtn().sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  EXPECT_EQ(lines(), (std::vector<std::string>{"2 x1 Size:M"}));
  EXPECT_EQ(card(1)->addOrderBtn().badgeLabel().text(), "1");
  card(1)->addOrderBtn().sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  EXPECT_EQ(lines(), (std::vector<std::string>{"2 x2 Size:M"}));
  EXPECT_EQ(card(1)->addOrderBtn().badgeLabel().text(), "2");

  // p1 needs a colour: the popover opens at its card and its OK adds.
  card(0)->addOrderBtn().sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  EXPECT_EQ(basket->asked, (std::vector<std::size_t>{0}));
  ASSERT_TRUE(grid().addToOrderPopController());
  EXPECT_TRUE(grid().addToOrderPopController()->isPopoverVisible());
  auto chosen = store().getProductByProductId(1).value();
  chosen.count = 3;
  chosen.attributes = "Color:Blue";
  grid().addFlow()->addProductToOrderWithProduct(chosen, 0);
  EXPECT_EQ(lines(), (std::vector<std::string>{"2 x2 Size:M", "1 x3 Color:Blue"}));
  EXPECT_EQ(card(0)->addOrderBtn().badgeLabel().text(), "3");
  EXPECT_FALSE(grid().addToOrderPopController()->isPopoverVisible());

  // The order library's own popover: a colour and a count chosen in it.
  useBasket(std::make_shared<QuoteOrderBasket>(*services));
  card(0)->addOrderBtn().sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  auto* chooser = dynamic_cast<AddToOrderController*>(grid().addToOrderPopController()->contentViewController().get());
  ASSERT_TRUE(chooser);
  ASSERT_TRUE(chooser->attributeList().leftNameTableView().tapRowAtIndexPath({0, 0}));
  ASSERT_TRUE(chooser->attributeList().rightValueTableView().tapRowAtIndexPath({0, 0}));
  chooser->countField().setText("2");
  // Escape over the colours unfolded again folds them; the popover stays
  // with the count and the colour chosen.
  ASSERT_TRUE(chooser->attributeList().leftNameTableView().tapRowAtIndexPath({0, 0}));
  ASSERT_NE(chooser->attributeList().openIndex(), ProductAttributesListView::kNoneOpen);
  EXPECT_TRUE(driver->window().pressEscape());
  settle();
  EXPECT_EQ(chooser->attributeList().openIndex(), ProductAttributesListView::kNoneOpen);
  EXPECT_TRUE(grid().addToOrderPopController()->isPopoverVisible());
  EXPECT_EQ(chooser->countField().text(), "2");
  EXPECT_EQ(chooser->attributeList().attributes(), "Color:Red");
  chooser->addToOrderOKButtonClicked();
  EXPECT_EQ(lines(), (std::vector<std::string>{"2 x2 Size:M", "1 x3 Color:Blue", "1 x2 Color:Red"}));
  EXPECT_EQ(card(0)->addOrderBtn().badgeLabel().text(), "5");
}

TEST_F(ProductGridTest, TheCurrencyQuestionAddsTheProductItWasAskedFor) {
  card(1)->addOrderBtn().sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  ASSERT_EQ(lines(), (std::vector<std::string>{"2 x1 Size:M"}));
  card(2)->addOrderBtn().sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), text("NOTTHESAMEMONEYCY"));
  // Escape backs out ("Don't save" would drop the current order): the order
  // keeps its line, and nothing is added or saved.
  EXPECT_TRUE(driver->window().pressEscape());
  settle();
  EXPECT_FALSE(ui::AlertView::visibleAlert());
  EXPECT_EQ(lines(), (std::vector<std::string>{"2 x1 Size:M"}));
  EXPECT_TRUE(QuoteOrderStore::sharedInstance()->fetchQuoteOrders(0, "").empty());
  card(2)->addOrderBtn().sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  ASSERT_TRUE(ui::AlertView::visibleAlert());

  // While the question is up the grid shows another list: the answer still
  // adds p3, the product the cart button was pressed for.
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::displayFourColumn, -1);
  settle();
  ASSERT_EQ(idsOf(grid().productArray()), (std::vector<int>{4}));
  ASSERT_TRUE(driver->pressAlertButton(AddToOrderFlow::kSaveButton));
  settle();
  EXPECT_EQ(lines(), (std::vector<std::string>{"3 x1"}));
  EXPECT_EQ(QuoteOrderStore::sharedInstance()->fetchQuoteOrders(0, "").size(), 1u);

  // A product unpublished while the question is up is not added.
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::displayFourColumn, 0);
  card(1)->addOrderBtn().sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  sql("UPDATE marvisto_product SET product_publish = 0 WHERE product_id = 2");
  // Answered without running the loop, which would end the toast.
  auto alert = ui::AlertView::visibleAlert();
  grid().addFlow()->alertViewClickedButtonAtIndex(*alert, AddToOrderFlow::kDontSaveButton);
  alert->dismissWithClickedButtonIndex(AddToOrderFlow::kDontSaveButton, false);
  EXPECT_EQ(lastToast(), text("FAILED"));
  EXPECT_TRUE(lines().empty());
}

TEST_F(ProductGridTest, APictureOpensTheProductScreenOnTheList) {
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::SORT_PRODUCT, ProductSort::kByName);
  grid().didSelectedImage(*card(2));
  settle();
  auto* top = dynamic_cast<ProductDetailController*>(catalog->detailController()->topViewController());
  ASSERT_TRUE(top);
  EXPECT_EQ(top->productID(), 3);
  EXPECT_EQ(top->position().index(), 2);
  EXPECT_EQ(top->position().count(), 4);
  EXPECT_EQ(catalog->lblTitle().text(), "p3  ( 3 / 4 )");
  EXPECT_TRUE(catalog->searchBar().isHidden());
  // Back to the grid: the pressed look is gone.
  catalog->backButtonClicked();
  EXPECT_EQ(card(2)->productImageView().alpha(), 1.0);
}

TEST_F(ProductGridTest, ALongSidewaysSwipeMovesThePanel) {
  EXPECT_FALSE(catalog->isMasterViewHiddened());
  ASSERT_TRUE(driver->swipe({800, 400}, {500, 400}, 0.3, 8));
  settle();
  EXPECT_TRUE(catalog->isMasterViewHiddened());
  EXPECT_EQ(grid().panDistance(), 0);
  ASSERT_TRUE(driver->swipe({300, 400}, {330, 400}, 0.3, 3));
  settle();
  EXPECT_TRUE(catalog->isMasterViewHiddened());
}

TEST_F(ProductGridTest, SearchFindsWhatTheTextSaysAndOpensAResult) {
  sql("UPDATE marvisto_product SET product_name = '50% off_now', product_tags = 'it''s' WHERE product_id = 4");
  struct Case {
    std::string text;
    std::vector<int> ids;
  };
  for (const Case& c : {Case{"  p1 \n", {1}}, Case{"%", {4}}, Case{"_", {4}}, Case{"'", {4}},
                        Case{"SKU-", {4, 1, 2, 3}}, Case{"nothing", {}}}) {
    catalog->searchBar().setText(c.text);
    catalog->searchBarTextDidChange(catalog->searchBar(), c.text);
    EXPECT_EQ(idsOf(catalog->searchProductArray()), c.ids) << '"' << c.text << '"';
    ASSERT_TRUE(catalog->serchController());
    EXPECT_EQ(catalog->serchController()->isPopoverVisible(), !c.ids.empty()) << c.text;
  }
  catalog->searchBarTextDidChange(catalog->searchBar(), "p");
  ASSERT_TRUE(catalog->serchController()->isPopoverVisible());
  auto results = std::dynamic_pointer_cast<ProductSearchResults>(catalog->serchController()->contentViewController());
  ASSERT_TRUE(results);
  EXPECT_EQ(results->tableView()->numberOfRowsInSection(0), 3);
  keep("product-search");
  ASSERT_TRUE(results->tableView()->tapRowAtIndexPath({0, 2}));
  settle();
  EXPECT_FALSE(catalog->serchController()->isPopoverVisible());
  auto* top = dynamic_cast<ProductDetailController*>(catalog->detailController()->topViewController());
  ASSERT_TRUE(top);
  EXPECT_EQ(top->productID(), 3);
  EXPECT_EQ(top->position().index(), 2);
  EXPECT_EQ(catalog->lblTitle().text(), "p3");
  EXPECT_TRUE(catalog->btnMenu().isHidden());
}

// A search result's picture of 39.6 megapixels is read on a worker at the
// size of the row's picture, through the picture cache: typing never waits
// for it.
TEST_F(ProductGridTest, SearchResultsReadTheirPicturesAtTheRowsSizeOffTheMainThread) {
  const auto path = PublicFunction::filePathWithName("p1_s.jpg", kFileTypeProductImage);
  ASSERT_TRUE(path);
  std::filesystem::create_directories(path->parent_path());
  ASSERT_TRUE(writeLargePicture(*path, PictureKind::BaselineJpeg));
  picture(1, 1, "p1.jpg", "p1_s.jpg", true);
  gfx::ImageData::resetLargestDecodeOnMainThread();
  driver->tap(catalog->searchBar());
  driver->typeText("p1");
  settle();
  ASSERT_TRUE(catalog->serchController() && catalog->serchController()->isPopoverVisible());
  auto results = std::dynamic_pointer_cast<ProductSearchResults>(catalog->serchController()->contentViewController());
  ASSERT_TRUE(results);
  settlePictures();
  auto* row = dynamic_cast<SearchProductCell*>(results->tableView()->cellForRowAtIndexPath({0, 0}));
  ASSERT_TRUE(row);
  expectReadAtShownSize(row->productImage());
  keep("product-search-picture");
}

// The search box is empty again once its results close, by a tap outside or
// by choosing one: what is typed next is a new search, not an addition.
TEST_F(ProductGridTest, TheSearchBoxStartsAfreshOnceItsResultsClose) {
  driver->tap(catalog->searchBar());
  driver->typeText("p");
  settle();
  ASSERT_TRUE(catalog->serchController() && catalog->serchController()->isPopoverVisible());
  driver->tapAt({600, 600});  // outside the results
  settle();
  EXPECT_FALSE(catalog->serchController()->isPopoverVisible());
  EXPECT_EQ(catalog->searchBar().text(), "");
  driver->tap(catalog->searchBar());
  driver->typeText("p2");
  settle();
  EXPECT_EQ(catalog->searchBar().text(), "p2");
  EXPECT_EQ(idsOf(catalog->searchProductArray()), (std::vector<int>{2}));
  auto results = std::dynamic_pointer_cast<ProductSearchResults>(catalog->serchController()->contentViewController());
  ASSERT_TRUE(results);
  ASSERT_TRUE(results->tableView()->tapRowAtIndexPath({0, 0}));
  settle();
  EXPECT_EQ(catalog->searchBar().text(), "");
}

// Without the "normal" left panel the grid spans the screen under the panel;
// every product the panel counts must still have its card beside the panel,
// and hiding the panel gives the cards the whole width.
TEST_F(ProductGridTest, NoCardHidesUnderTheLeftPanel) {
  for (int id = 5; id <= 12; ++id) {
    product(id, "p" + std::to_string(id));
    file(id, B);
  }
  save();
  ASSERT_FALSE(DetailViewController::isNormalPanel(*services));
  auto panel = catalog->masterController()->view();
  auto seenCards = [&](double panelRight) {
    settle();
    std::size_t seen = 0;
    for (std::size_t i = 0; i < grid().productArray().size(); ++i) {
      auto shown = card(i);
      if (!shown || !shown->window()) continue;
      const ui::Rect onScreen = shown->convertRectToView(shown->bounds(), nullptr);
      EXPECT_GE(onScreen.minX(), panelRight) << "card " << i;
      ++seen;
    }
    return seen;
  };
  for (int categoryId : {0, int{B}}) {
    CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::displayFourColumn, categoryId);
    settle();
    const std::size_t count = grid().productArray().size();
    EXPECT_EQ(count, categoryId == 0 ? 12u : 9u);
    const ui::Rect panelOnScreen = panel->convertRectToView(panel->bounds(), nullptr);
    EXPECT_EQ(seenCards(panelOnScreen.maxX()), count) << "category " << categoryId;
  }
  catalog->hiddenMasterViewWithDetailViewChanging();
  EXPECT_EQ(seenCards(0), 9u);
  EXPECT_EQ(grid().productShowView().numberOfColumns(), 5u);
  catalog->showMasterViewWithDetailViewChanging();
  EXPECT_EQ(seenCards(CatalogLayout::kPanelWidth), 9u);
  EXPECT_EQ(grid().productShowView().numberOfColumns(), 4u);
  keep("product-grid-beside-panel");
}

// The grid on the desktop, clicked as a person clicks it.
class ProductGridDesktopTest : public DesktopFixture<ProductGridTest> {
 protected:
  // The catalogue on the desktop as the application shows it: no system
  // navigation bars over its own.
  std::unique_ptr<ui::DesktopWindow> openAsTheApplication() {
    for (ui::ViewController* c = catalog.get(); c; c = c->parentViewController())
      if (auto* nav = dynamic_cast<ui::NavigationController*>(c)) nav->setNavigationBarHidden(true);
    settle();
    auto desktop = openDesktop(window);
    if (desktop) desktop->runFrame(true);
    return desktop;
  }
  // The window point at the middle of a view.
  static ui::Point middle(const ui::View& v) {
    const ui::Rect r = v.convertRectToView(v.bounds(), nullptr);
    return {r.midX(), r.midY()};
  }
  // Whether the shown add-to-order popover's arrow points at `target` (a window rectangle).
  bool pointsAt(const ui::Rect& target) { return popoverPointsAt(grid().addToOrderPopController().get(), target); }
};

TEST_F(ProductGridDesktopTest, ADoubleClickOnThePopoversAddAddsOnceAndReachesNothingBeneath) {
  runDesktop([&] {
    // A second row of cards, under the popover of the first row's cart.
    for (int id = 5; id <= 8; ++id) {
      product(id, "p" + std::to_string(id));
      file(id, B);
    }
    save();
    attribute(1, 1, "Color", "Red,Blue");  // the products written again lost it
    CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::displayFourColumn, 0);
    settle();
    useBasket(std::make_shared<QuoteOrderBasket>(*services));
    auto desktop = openAsTheApplication();
    ASSERT_TRUE(desktop);
    DesktopUser user(*desktop);
    auto* nav = catalog->detailViewController()->navigationController();
    ASSERT_TRUE(nav);
    const auto screens = nav->viewControllers().size();

    // p1's cart button: the popover to choose its colour, at its cart.
    const auto& products = grid().productArray();
    const auto p1 = static_cast<std::size_t>(
        std::find_if(products.begin(), products.end(), [](const auto& p) { return p.product_id == 1; }) - products.begin());
    ASSERT_LT(p1, 4u) << "p1 is not in the first row";
    user.click(middle(card(p1)->addOrderBtn()));
    user.wait(0.5);
    ASSERT_TRUE(grid().addToOrderPopController());
    auto* chooser = dynamic_cast<AddToOrderController*>(grid().addToOrderPopController()->contentViewController().get());
    ASSERT_TRUE(chooser);
    EXPECT_TRUE(pointsAt(inWindow(card(p1)->addOrderBtn())));
    auto* name = chooser->attributeList().leftNameTableView().cellForRowAtIndexPath({0, 0});
    ASSERT_TRUE(name);
    user.click(middle(*name));
    user.wait(0.5);
    auto* colour = chooser->attributeList().rightValueTableView().cellForRowAtIndexPath({0, 0});
    ASSERT_TRUE(colour);
    user.click(middle(*colour));
    user.wait(0.5);

    // A count refused: once its alert is answered with Escape, the popover
    // stays and what is typed next goes into the count field.
    auto& count = chooser->countField();
    user.click(middle(count));
    user.key(ui::DesktopWindow::Key::A, ui::DesktopWindow::Ctrl);
    user.type("0");
    user.click(middle(chooser->okButton()));
    user.wait(0.5);
    ASSERT_TRUE(ui::AlertView::visibleAlert());
    user.key(ui::DesktopWindow::Key::Escape);
    user.wait(0.5);
    ASSERT_FALSE(ui::AlertView::visibleAlert());
    EXPECT_TRUE(grid().addToOrderPopController()->isPopoverVisible());
    user.key(ui::DesktopWindow::Key::A, ui::DesktopWindow::Ctrl);
    user.type("1");
    EXPECT_EQ(count.text(), "1");
    EXPECT_TRUE(lines().empty());

    // Add to Order, double clicked where a card's cart button or picture
    // lies under it: one add, and the popover's going lets nothing beneath
    // it hear the second press.
    const ui::Rect ok = chooser->okButton().convertRectToView(chooser->okButton().bounds(), nullptr);
    std::optional<ui::Rect> over;
    for (std::size_t i = 0; i < grid().productArray().size() && !over; ++i) {
      auto beneath = card(i);
      if (!beneath || i == p1) continue;
      const std::vector<const ui::View*> aimed{&beneath->addOrderBtn(), &beneath->productImageView()};
      for (const ui::View* v : aimed) {
        const ui::Rect r = v->convertRectToView(v->bounds(), nullptr);
        if (r.intersects(ok)) {
          over = r.intersection(ok);
          break;
        }
      }
    }
    ASSERT_TRUE(over) << "no card lies under Add to Order";
    user.doubleClick({over->midX(), over->midY()});
    user.wait(1);
    EXPECT_FALSE(grid().addToOrderPopController()->isPopoverVisible());
    EXPECT_EQ(lines(), (std::vector<std::string>{"1 x1 Color:Red"}));
    EXPECT_EQ(nav->viewControllers().size(), screens) << "a product screen opened under the popover";
    EXPECT_FALSE(ui::AlertView::visibleAlert());
  });
}

// Whatever column a card stands in, its cart's popover points at that cart:
// beside it where it cannot open below, never at the far edge of the card.
TEST_F(ProductGridDesktopTest, EachColumnsPopoverPointsAtItsCart) {
  runDesktop([&] {
    attribute(2, 4, "Finish", "Matt,Gloss");
    attribute(3, 3, "Finish", "Matt,Gloss");
    attribute(4, 5, "Finish", "Matt,Gloss");
    useBasket(std::make_shared<QuoteOrderBasket>(*services));
    auto desktop = openAsTheApplication();
    ASSERT_TRUE(desktop);
    DesktopUser user(*desktop);
    ASSERT_EQ(grid().productShowView().numberOfColumns(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
      auto shown = card(i);
      ASSERT_TRUE(shown) << "card " << i;
      user.click(middle(shown->addOrderBtn()));
      user.wait(0.5);
      EXPECT_TRUE(pointsAt(inWindow(shown->addOrderBtn()))) << "card " << i << " of the row";
      user.key(ui::DesktopWindow::Key::Escape);
      user.wait(0.5);
      ASSERT_FALSE(grid().addToOrderPopController()->isPopoverVisible());
    }
    EXPECT_TRUE(lines().empty());
  });
}

TEST_F(ProductGridDesktopTest, AfterTheCurrencyQuestionThePopoverPointsAtItsOwnCard) {
  runDesktop([&] {
    attribute(3, 3, "Finish", "Matt,Gloss");
    useBasket(std::make_shared<QuoteOrderBasket>(*services));
    auto desktop = openAsTheApplication();
    ASSERT_TRUE(desktop);
    DesktopUser user(*desktop);
    // p2 goes in in dollars; p3, in euros with a finish to choose, asks first.
    user.click(middle(card(1)->addOrderBtn()));
    user.wait(0.5);
    ASSERT_EQ(lines(), (std::vector<std::string>{"2 x1 Size:M"}));
    user.click(middle(card(2)->addOrderBtn()));
    user.wait(0.5);
    auto alert = ui::AlertView::visibleAlert();
    ASSERT_TRUE(alert);
    auto* save = alert->buttonAtIndex(AddToOrderFlow::kSaveButton);
    ASSERT_TRUE(save);
    user.click(middle(*save));
    user.wait(0.5);
    ASSERT_FALSE(ui::AlertView::visibleAlert());
    ASSERT_TRUE(grid().addToOrderPopController());
    auto* chooser = dynamic_cast<AddToOrderController*>(grid().addToOrderPopController()->contentViewController().get());
    ASSERT_TRUE(chooser);
    EXPECT_EQ(chooser->product_Entity().product_id, 3);
    auto third = card(2);
    ASSERT_TRUE(third);
    EXPECT_TRUE(pointsAt(inWindow(third->addOrderBtn()))) << "the popover points elsewhere than p3's cart";
  });
}

TEST_F(ProductGridDesktopTest, ADoubleClickOnTheImageBrowsersCloseLeavesTheFavouritesShut) {
  runDesktop([&] {
    ASSERT_TRUE(store().saveToDatabaseFavorite(2, "p2-sku", "p2"));
    for (int k = 1; k <= 2; ++k) {
      const std::string full = "p1_" + std::to_string(k) + ".png", thumb = "p1_" + std::to_string(k) + "_s.png";
      picture(1, k, full, thumb, k == 1);
      for (const auto& [file, w, h] : {std::tuple{full, 800, 600}, std::tuple{thumb, 160, 120}}) {
        auto path = PublicFunction::filePathWithName(file, kFileTypeProductImage);
        ASSERT_TRUE(path);
        std::filesystem::create_directories(path->parent_path());
        ASSERT_TRUE(gfx::ImageData(w, h).writePNG(*path));
      }
    }
    auto desktop = openAsTheApplication();
    ASSERT_TRUE(desktop);
    DesktopUser user(*desktop);
    // p1's picture opens its product screen, whose picture opens the browser.
    user.click(middle(card(0)->productImageView()));
    user.wait(1);
    auto* nav = catalog->detailViewController()->navigationController();
    ASSERT_TRUE(nav);
    auto product = std::dynamic_pointer_cast<ProductDetailController>(nav->topViewController()->shared_from_this());
    ASSERT_TRUE(product);
    auto& favourites = catalog->favoritesButton();
    const ui::Rect favouritesRect = favourites.convertRectToView(favourites.bounds(), nullptr);
    ASSERT_TRUE(favourites.window() && !favourites.isHidden());
    // The product screen reads its picture on a worker: a click lands on it once it is shown.
    base::WorkQueue::global().waitIdle();
    user.wait(0.2);
    user.click(middle(product->productImageView()));
    user.wait(1);
    auto browser = product->imageController();
    ASSERT_TRUE(browser && browser->isVisible());

    // A flick turns the browser's page; the keys turn it back and on.
    user.drag({700, 400}, {400, 400}, 0.15);
    user.wait(0.6);
    EXPECT_EQ(browser->currentIndex(), 1);
    EXPECT_EQ(browser->myScrollView().contentOffset().x, 1024);
    // Flicks all in one millisecond, as a script gives them, turn it too.
    user.drag({400, 400}, {700, 400}, 0, 0, true);
    user.wait(0.6);
    EXPECT_EQ(browser->currentIndex(), 0);
    user.drag({700, 400}, {400, 400}, 0, 0, true);
    user.wait(0.6);
    EXPECT_EQ(browser->currentIndex(), 1);
    EXPECT_EQ(browser->myScrollView().contentOffset().x, 1024);
    user.key(ui::DesktopWindow::Key::Left);
    user.wait(0.6);
    EXPECT_EQ(browser->currentIndex(), 0);
    EXPECT_EQ(browser->myScrollView().contentOffset().x, 0);
    user.key(ui::DesktopWindow::Key::PageDown);
    user.wait(0.6);
    EXPECT_EQ(browser->currentIndex(), 1);
    user.wheel({512, 400}, 0, 1);
    user.wait(0.6);
    EXPECT_EQ(browser->currentIndex(), 0);
    EXPECT_EQ(browser->myScrollView().contentOffset().x, 0);

    // Close, double clicked where the favourites button lies under it: the
    // browser goes, and the favourites button hears nothing.
    ASSERT_TRUE(browser->btnClose());
    const ui::Rect close = browser->btnClose()->convertRectToView(browser->btnClose()->bounds(), nullptr);
    ASSERT_TRUE(close.intersects(favouritesRect));
    const ui::Rect over = close.intersection(favouritesRect);
    user.doubleClick({over.midX(), over.midY()});
    user.wait(1);
    EXPECT_FALSE(browser->isVisible());
    EXPECT_FALSE(catalog->presentedViewController()) << "the favourites opened under Close";
    EXPECT_TRUE(product->isVisible());
  });
}

}  // namespace
}  // namespace mv::test
