#include "CatalogTestSupport.hpp"
#include "DesktopSupport.hpp"
#include "catalog/CatalogViewController.hpp"
#include "catalog/ProductDetailController.hpp"
#include "order/QuoteOrderStore.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/DesktopWindow.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/Window.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/LanguageManager.hpp"
#include "util/PublicFunction.hpp"

namespace mv::test {
namespace {

class LineEditor : public ProductDetailDelegate {
 public:
  std::vector<std::string> saved;
  int backs = 0;
  bool saveOrderItem(const marvisto_product_Entity& p, int index) override {
    saved.push_back(std::to_string(index) + ": " + std::to_string(p.product_id) + " x" + std::to_string(p.count) +
                    " " + p.attributes);
    return true;
  }
  void back() override { ++backs; }
};

// Products 1 to 3 with prices; product 1 also has three pictures, two
// attributes, two tags and a running discount; product 3 is priced in euros.
class ProductScreenTest : public CatalogOrderTest {
 protected:
  void SetUp() override {
    CatalogOrderTest::SetUp();
    ui::View::setAnimationsEnabled(false);
    for (int id = 1; id <= 3; ++id) product(id, "p" + std::to_string(id));
    tag(1, "Sale", {1});
    tag(2, "New", {1, 2});
    save();
    price(1, 100, "USD", 90);
    price(2, 50, "USD");
    price(3, 20, "EUR");
    for (int k = 1; k <= 3; ++k) {
      picture(1, k, "p1_" + std::to_string(k) + ".jpg", "p1_" + std::to_string(k) + "_s.png", k == 1);
    }
    attribute(1, 1, "Color", "Red,Blue");
    attribute(1, 2, "Size", "M");
    title = std::make_shared<ui::Label>();
  }
  void TearDown() override {
    screen.reset();
    if (window) {
      window->setRootViewController(nullptr);
      ui::Application::sharedInstance().removeWindow(window.get());
    }
    driver.reset();
    window.reset();
    ui::AlertView::resetForTesting();
    ui::View::setAnimationsEnabled(true);
    CatalogOrderTest::TearDown();
  }
  std::vector<marvisto_product_Entity> all() { return store().getAllProducts(); }
  // A product screen on `products` at `index`, pushed on a navigation stack.
  void open(std::vector<marvisto_product_Entity> products, long index,
            const std::function<void(ProductDetailController&)>& before = {}) {
    screen = std::make_shared<ProductDetailController>(*services);
    screen->setProductEntity(products.at(static_cast<std::size_t>(index)));
    screen->setProductList(std::move(products), index);
    screen->setLblTitle(title);
    if (before) before(*screen);
    window = std::make_shared<ui::Window>();
    window->makeKeyAndVisible();
    window->setRootViewController(std::make_shared<ui::NavigationController>(screen));
    driver = std::make_unique<ui::HeadlessDriver>(window);
    settle();
  }
  void settle() {
    base::RunLoop::main().runUntil([] { return false; }, 0.5);
    ui::View::layoutPendingViews();
  }
  std::string lastToast() {
    std::string text;
    for (auto* toast : driver->findAllOf<UIToast>(nullptr, false)) text = toast->text();
    return text;
  }
  std::string alertMessage() {
    auto alert = ui::AlertView::visibleAlert();
    return alert ? alert->message() : "<none>";
  }
  void answerAlert(long button) {
    ASSERT_TRUE(ui::AlertView::visibleAlert());
    ASSERT_TRUE(driver->pressAlertButton(button));
    settle();
  }
  void typeCount(const std::string& text) { screen->countTextField().setText(text); }
  void choose(long attributeRow, long optionRow) {
    auto& picker = screen->attributeView();
    ASSERT_TRUE(picker.leftNameTableView().tapRowAtIndexPath({0, attributeRow}));
    ASSERT_TRUE(picker.rightValueTableView().tapRowAtIndexPath({0, optionRow}));
  }
  static std::string text(const char* key) { return textOrEmpty(Language::stringWithName(key)); }
  // A click at the middle of the view, a second after the last event.
  static void clickOn(ui::DesktopWindow& desktop, const ui::View& v) {
    const ui::Point p = v.convertRectToView(v.bounds(), nullptr).center();
    base::RunLoop::main().advance(1);
    desktop.pushMouseDown(p);
    desktop.pushMouseUp(p);
    desktop.runFrame();
  }

  std::shared_ptr<ui::Label> title;
  std::shared_ptr<ProductDetailController> screen;
  std::shared_ptr<ui::Window> window;
  std::unique_ptr<ui::HeadlessDriver> driver;
};

TEST_F(ProductScreenTest, ShowsTheProductWithItsPicturesTagsPriceAndAttributes) {
  open(all(), 0, [](ProductDetailController& s) { s.setCurrentTag(std::string("New")); });
  EXPECT_EQ(screen->productNameLabel().text(), "p1");
  EXPECT_EQ(screen->skuLabel().text(), "SKU-1");
  EXPECT_FALSE(screen->skuTittle().isHidden());
  EXPECT_EQ(screen->countTextField().text(), "1");

  EXPECT_FALSE(screen->manyImagesView().isHidden());
  ASSERT_EQ(screen->manyImagesArray().size(), 3u);
  auto* first = dynamic_cast<ProductDetailManyImageCell*>(screen->manyImagesView().viewWithTag(100));
  auto* third = dynamic_cast<ProductDetailManyImageCell*>(screen->manyImagesView().viewWithTag(102));
  ASSERT_TRUE(first && third);
  EXPECT_TRUE(first->isFocus());
  EXPECT_EQ(third->frame(), (ui::Rect{256, 0, 120, 92}));
  screen->didSelectedManyImage(*third);
  EXPECT_EQ(screen->imgIndex(), 2);
  EXPECT_TRUE(third->isFocus());
  EXPECT_FALSE(first->isFocus());

  // The tag it was reached through comes first.
  EXPECT_EQ(screen->tagNames(), (std::vector<std::string>{"New", "Sale"}));
  EXPECT_FALSE(screen->tagsChooseView().isHidden());

  // A running discount: the price struck through, the discount beside it.
  EXPECT_EQ(screen->priceLabel().text(), "$100.00");
  EXPECT_EQ(screen->priceLabel().subviews().size(), 1u);
  EXPECT_EQ(screen->discountprice().text(), "$90.00");
  EXPECT_GT(screen->discountprice().frame().x(), screen->priceLabel().frame().x());

  // The one-option attribute is chosen already.
  EXPECT_EQ(screen->attributeView().attributes(), "Size:M");
  EXPECT_EQ(screen->switchIndex(), ProductDetailController::kDescriptionPanel);
  EXPECT_FALSE(screen->descriptionView().isHidden());

  {
    gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
    const auto file = root / "product-screen.png";
    ASSERT_TRUE(driver->snapshot(file));
    keepSnapshot(file);
  }

  // The next product: no pictures strip, no discount, no tags of "Sale".
  screen->slipToLeft();
  EXPECT_TRUE(screen->manyImagesView().isHidden());
  EXPECT_EQ(screen->discountprice().text(), "");
  EXPECT_EQ(screen->discountprice().frame(), ui::Rect{});
  EXPECT_TRUE(screen->priceLabel().subviews().empty());
  EXPECT_EQ(screen->tagNames(), (std::vector<std::string>{"New"}));
}

TEST_F(ProductScreenTest, TheLastTagCanBeScrolledIntoView) {
  // Product 2 gets six short tags: 60 points each, 410 with the gaps, in a strip of 390.
  for (int id = 3; id <= 7; ++id) tag(id, std::string(1, static_cast<char>('A' + id)), {2});
  save();
  open(all(), 1);
  auto& strip = screen->tagsChooseView();
  ASSERT_EQ(screen->tagNames().size(), 6u);
  // Held: a change of product would build the strip anew.
  std::shared_ptr<ui::View> last;
  for (const auto& v : strip.subviews()) {
    if (dynamic_cast<ui::Button*>(v.get()) && (!last || v->frame().x() > last->frame().x())) last = v;
  }
  ASSERT_TRUE(last);
  const ui::Rect stripInWindow = strip.convertRectToView(strip.bounds(), nullptr);
  // A slow drag along the strip, not a swipe that would change product.
  std::vector<ui::Point> path;
  for (int i = 0; i <= 12; ++i) path.push_back({stripInWindow.maxX() - 20 - 20.0 * i, stripInWindow.midY()});
  ASSERT_TRUE(driver->drag(path, 0.1));
  settle();
  advance(2);
  ASSERT_EQ(screen->productID(), 2);
  ASSERT_EQ(last->superview(), &strip);
  const ui::Rect lastInWindow = last->convertRectToView(last->bounds(), nullptr);
  EXPECT_LE(lastInWindow.maxX(), stripInWindow.maxX());
  EXPECT_GE(lastInWindow.x(), stripInWindow.x());
}

TEST_F(ProductScreenTest, ArrowsAndSwipesWalkTheListAndBounceAtItsEnds) {
  open(all(), 0);
  EXPECT_TRUE(screen->tapToLeftProduct().isHidden());
  EXPECT_FALSE(screen->tapToRightProduct().isHidden());
  screen->slipToRight();
  EXPECT_EQ(screen->position().index(), 0);
  EXPECT_TRUE(screen->view()->layer().animationForKey("BouceToRight"));

  ASSERT_TRUE(driver->tap(screen->tapToRightProduct()));
  EXPECT_EQ(screen->position().index(), 1);
  EXPECT_EQ(screen->productID(), 2);
  EXPECT_EQ(screen->productNameLabel().text(), "p2");
  EXPECT_FALSE(screen->tapToLeftProduct().isHidden());
  settle();
  EXPECT_EQ(title->text(), "p2  ( 2 / 3 )");

  // A left swipe is the next product too.
  ASSERT_TRUE(driver->swipe({700, 500}, {400, 500}));
  settle();
  EXPECT_EQ(screen->position().index(), 2);
  EXPECT_TRUE(screen->tapToRightProduct().isHidden());
  screen->slipToLeft();
  EXPECT_EQ(screen->position().index(), 2);
  EXPECT_TRUE(screen->view()->layer().animationForKey("BouceToLeft"));
}

TEST_F(ProductScreenTest, ASingleProductHasNoArrowsAndNoSwipes) {
  open({all().at(1)}, 0);
  EXPECT_TRUE(screen->tapToLeftProduct().isHidden());
  EXPECT_TRUE(screen->tapToRightProduct().isHidden());
  screen->removeProductMoves();
  EXPECT_TRUE(screen->view()->gestureRecognizers().empty());
}

TEST_F(ProductScreenTest, TogglesDecideFromTheListAndReportRealFailures) {
  ASSERT_TRUE(store().saveToDatabaseCompare(1, "SKU-1", "p1"));
  open(all(), 0);
  EXPECT_TRUE(screen->compareBtn().isSelected());
  EXPECT_FALSE(screen->favBtn().isSelected());

  // Toasts are read right after the call: a tap runs the loop, which ends them.
  screen->productCompare();
  EXPECT_FALSE(screen->compareBtn().isSelected());
  EXPECT_FALSE(store().getCompareByCompareId(1));
  EXPECT_EQ(lastToast(), text("PRODUCTREMOVEDFROMCOMPARSION"));

  ASSERT_TRUE(driver->tap(screen->favBtn()));
  EXPECT_TRUE(screen->favBtn().isSelected());
  EXPECT_EQ(store().getFavorites().size(), 1u);

  // A write the database refuses is a failure, not a removal or an addition.
  sql("CREATE TRIGGER no_delete BEFORE DELETE ON marvisto_favorite BEGIN SELECT RAISE(ABORT, 'locked'); END");
  sql("CREATE TRIGGER no_insert BEFORE INSERT ON marvisto_compare BEGIN SELECT RAISE(ABORT, 'locked'); END");
  screen->addProductToFavorite();
  EXPECT_TRUE(screen->favBtn().isSelected());
  EXPECT_TRUE(store().getFavoriteByFavoriteId(1));
  EXPECT_EQ(lastToast(), text("FAILED"));
  screen->productCompare();
  EXPECT_FALSE(screen->compareBtn().isSelected());
  EXPECT_EQ(lastToast(), text("FAILED"));
}

TEST_F(ProductScreenTest, QuantityIsCheckedBeforeAnythingIsAdded) {
  open(all(), 1);
  struct Case {
    const char* text;
    std::string message;
    const char* fieldAfter;
  };
  for (const Case& c : {Case{"abc", text("PLEASEINPUTAPOSITIVENUMBER"), "abc"},
                        Case{"12abc", text("PLEASEINPUTAPOSITIVENUMBER"), "12abc"},
                        Case{"-5", text("PLEASEINPUTAPOSITIVENUMBER"), "-5"},
                        Case{"1000001", text("ORDEROVERMAX"), "1000000"}}) {
    typeCount(c.text);
    screen->addToOrder();
    EXPECT_EQ(alertMessage(), c.message) << c.text;
    EXPECT_EQ(screen->countTextField().text(), c.fieldAfter);
    answerAlert(0);
  }
  EXPECT_TRUE(lines().empty());

  typeCount("1.50");
  screen->addToOrder();
  EXPECT_EQ(lines(), (std::vector<std::string>{"2 x1"}));
  EXPECT_EQ(screen->addToOrderBtn().badgeLabel().text(), "1");

  // Minus never goes below 1; plus has no bound of its own.
  typeCount("2");
  screen->deleteCount();
  screen->deleteCount();
  EXPECT_EQ(screen->countTextField().text(), "1");
  screen->addCount();
  EXPECT_EQ(screen->countTextField().text(), "2");
}

TEST_F(ProductScreenTest, ALineNeverGrowsPastTheQuantityCap) {
  open(all(), 1);
  typeCount("7");
  screen->addToOrder();
  ASSERT_EQ(lines(), (std::vector<std::string>{"2 x7"}));
  // 7 more than the cap allows: refused with the quantity alert, the line kept.
  typeCount("1000000");
  screen->addToOrder();
  EXPECT_EQ(alertMessage(), text("ORDEROVERMAX"));
  answerAlert(0);
  EXPECT_EQ(lines(), (std::vector<std::string>{"2 x7"}));
  EXPECT_EQ(screen->addToOrderBtn().badgeLabel().text(), "7");
  // Up to the cap exactly is fine.
  typeCount("999993");
  screen->addToOrder();
  EXPECT_FALSE(ui::AlertView::visibleAlert());
  EXPECT_EQ(lines(), (std::vector<std::string>{"2 x1000000"}));
  EXPECT_EQ(screen->addToOrderBtn().badgeLabel().text(), "1000000");
  typeCount("1");
  screen->addToOrder();
  EXPECT_EQ(alertMessage(), text("ORDEROVERMAX"));
  answerAlert(0);
  EXPECT_EQ(lines(), (std::vector<std::string>{"2 x1000000"}));
}

// On the desktop no keyboard covers the screen: typing a quantity moves
// nothing, and a click elsewhere ends the typing with the value kept, as
// Return does; after the alert about a refused quantity the keys go to the
// field again.
TEST_F(ProductScreenTest, OnTheDesktopTypingAQuantityMovesNothingAndAClickElsewhereEndsIt) {
  MV_USE_VIRTUAL_SCREEN();
  open(all(), 1);
  runDesktop([&] {
    std::string error;
    auto desktop = ui::DesktopWindow::open(window, {}, &error);
    ASSERT_TRUE(desktop) << error;
    auto click = [&](const ui::View& v) { clickOn(*desktop, v); };
    auto& field = screen->countTextField();
    const ui::Rect screenFrame = screen->view()->frame();
    const ui::Rect nameFrame = screen->productNameLabel().convertRectToView(screen->productNameLabel().bounds(), nullptr);

    click(field);
    ASSERT_TRUE(field.isEditing());
    desktop->pushKey(ui::DesktopWindow::Key::A, ui::DesktopWindow::Ctrl);
    desktop->pushText("5");
    base::RunLoop::main().advance(1);
    desktop->runFrame();
    EXPECT_EQ(field.text(), "5");
    EXPECT_EQ(screen->view()->frame(), screenFrame);
    EXPECT_EQ(screen->productNameLabel().convertRectToView(screen->productNameLabel().bounds(), nullptr), nameFrame);

    click(screen->productNameLabel());
    EXPECT_FALSE(field.isEditing());
    EXPECT_EQ(field.text(), "5");
    click(screen->addToOrderBtn());
    EXPECT_EQ(lines(), (std::vector<std::string>{"2 x5"}));

    // A quantity refused: once its alert is answered with Return, the field
    // has the keys again, and what is typed next goes into it.
    for (const char* refused : {"0", "1000001"}) {
      SCOPED_TRACE(refused);
      click(field);
      ASSERT_TRUE(field.isEditing());
      desktop->pushKey(ui::DesktopWindow::Key::A, ui::DesktopWindow::Ctrl);
      desktop->pushText(refused);
      click(screen->addToOrderBtn());
      ASSERT_TRUE(ui::AlertView::visibleAlert());
      desktop->pushKey(ui::DesktopWindow::Key::Return);
      base::RunLoop::main().advance(1);
      desktop->runFrame();
      ASSERT_FALSE(ui::AlertView::visibleAlert());
      EXPECT_TRUE(field.isEditing());
      desktop->pushKey(ui::DesktopWindow::Key::A, ui::DesktopWindow::Ctrl);
      desktop->pushText("7");
      base::RunLoop::main().advance(1);
      desktop->runFrame();
      EXPECT_EQ(field.text(), "7");
    }
    click(screen->addToOrderBtn());
    EXPECT_EQ(lines(), (std::vector<std::string>{"2 x12"}));
  });
}

TEST_F(ProductScreenTest, TheLargestQuantityShowsWholeInItsField) {
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  open(all(), 1);
  auto& field = screen->countTextField();
  ASSERT_TRUE(driver->tap(field));
  driver->pressBackspace();
  driver->typeText("1000000");
  const double room = field.editingRectForBounds(field.bounds()).width();
  EXPECT_LE(gfx::TextMeasurer::current().widthOf(field.text(), field.drawingFont()), room);
  driver->pressReturn();
  EXPECT_EQ(field.text(), "1000000");
  EXPECT_LE(gfx::TextMeasurer::current().widthOf(field.text(), field.drawingFont()),
            field.textRectForBounds(field.bounds()).width());
  EXPECT_GE(field.drawingFont().pointSize(), ProductDetailController::kCountMinimumFontSize);
}

TEST_F(ProductScreenTest, AddsWithTheChosenAttributesIntoTheCurrentOrder) {
  open(all(), 0);
  screen->addToOrder();
  EXPECT_EQ(lastToast(), text("CHOOSEATTRIBUTE"));
  EXPECT_TRUE(lines().empty());

  choose(0, 1);
  typeCount("3");
  screen->addToOrder();
  EXPECT_EQ(lines(), (std::vector<std::string>{"1 x3 Color:Blue,Size:M"}));
  EXPECT_EQ(screen->addToOrderBtn().badgeLabel().text(), "3");
  // The same choice joins the line; another one makes a line of its own.
  screen->addToOrder();
  choose(0, 0);
  screen->addToOrder();
  EXPECT_EQ(lines(), (std::vector<std::string>{"1 x6 Color:Blue,Size:M", "1 x3 Color:Red,Size:M"}));
  EXPECT_EQ(screen->addToOrderBtn().badgeLabel().text(), "9");
}

TEST_F(ProductScreenTest, AnotherCurrencyAsksWhetherToSaveTheOrderFirst) {
  open(all(), 1);
  screen->addToOrder();
  ASSERT_EQ(lines(), (std::vector<std::string>{"2 x1"}));

  // Product 3 is priced in euros: the order in dollars is dropped unsaved.
  screen->slipToLeft();
  screen->addToOrder();
  EXPECT_EQ(alertMessage(), text("NOTTHESAMEMONEYCY"));
  EXPECT_EQ(ui::AlertView::visibleAlert()->tag(), AddToOrderFlow::kCurrencyAlertTag);
  answerAlert(AddToOrderFlow::kDontSaveButton);
  EXPECT_EQ(lines(), (std::vector<std::string>{"3 x1"}));
  EXPECT_TRUE(QuoteOrderStore::sharedInstance()->fetchQuoteOrders(0, "").empty());

  // Saved first: the euro order is stored and a new one starts.
  screen->slipToRight();
  screen->addToOrder();
  answerAlert(AddToOrderFlow::kSaveButton);
  EXPECT_EQ(lines(), (std::vector<std::string>{"2 x1"}));
  EXPECT_EQ(QuoteOrderStore::sharedInstance()->fetchQuoteOrders(0, "").size(), 1u);

  // A save that fails keeps the order, adds nothing and says so.
  screen->slipToLeft();
  screen->addToOrder();
  sql("CREATE TRIGGER no_orders BEFORE INSERT ON marvisto_quote_order BEGIN SELECT RAISE(ABORT, 'full'); END");
  answerAlert(AddToOrderFlow::kSaveButton);
  EXPECT_EQ(alertMessage(), text("FAILED"));
  EXPECT_EQ(lines(), (std::vector<std::string>{"2 x1"}));
}

TEST_F(ProductScreenTest, AProductUnpublishedMeanwhileIsNotAdded) {
  open(all(), 1);
  sql("UPDATE marvisto_product SET product_publish = 0 WHERE product_id = 2");
  screen->addToOrder();
  EXPECT_EQ(lastToast(), text("FAILED"));
  EXPECT_TRUE(lines().empty());
}

TEST_F(ProductScreenTest, AnOrderLineIsEditedWithTheSameQuantityRuleAndRecounted) {
  auto editor = std::make_shared<LineEditor>();
  auto line = all().at(0);
  line.count = 4;
  line.attributes = "Color:Red,Size:M";
  ASSERT_TRUE(QuoteOrderStore::sharedInstance()->addToOrder(line));
  open({all().at(0)}, 0, [&](ProductDetailController& s) {
    s.setDelegate(editor);
    s.setIsPushFromOrder(true);
  });
  // Shown but not being edited: read only, no quantity.
  EXPECT_TRUE(screen->countTextField().isHidden());
  EXPECT_TRUE(screen->attributeView().readOnly());
  EXPECT_TRUE(screen->tagsChooseView().isHidden());
  screen->attributeView().setAttributeValues(AttributeText::parse(line.attributes));
  screen->countTextField().setText("4");
  screen->setIsInEdit(true);
  screen->setItemIndex(0);
  EXPECT_FALSE(screen->countTextField().isHidden());
  EXPECT_FALSE(screen->attributeView().readOnly());
  EXPECT_EQ(screen->addToOrderBtn().iconType(), IconButtonTypeSaveOrder);

  typeCount("-5");
  screen->addToOrder();
  EXPECT_EQ(alertMessage(), text("PLEASEINPUTAPOSITIVENUMBER"));
  answerAlert(0);
  typeCount("12abc");
  screen->addToOrder();
  answerAlert(0);
  EXPECT_TRUE(editor->saved.empty());

  choose(0, 1);
  typeCount("6");
  screen->addToOrder();
  EXPECT_EQ(editor->saved, (std::vector<std::string>{"0: 1 x6 Color:Blue,Size:M"}));
  EXPECT_EQ(editor->backs, 1);
  // This editor kept the line at 4: the badge reads the order, not 4 + 6.
  EXPECT_EQ(screen->addToOrderBtn().badgeLabel().text(), "4");
}

TEST_F(ProductScreenTest, ALanguageChangeKeepsTheChosenAttributes) {
  open(all(), 0);
  choose(0, 0);
  LanguageManager::sharedInstance().setCurrentLanguage(kLanguageChinese);
  Language::resetLanguageCache();
  EXPECT_EQ(screen->attributeView().attributes(), "Color:Red,Size:M");
  EXPECT_EQ(screen->switchButton(ProductDetailController::kDescriptionPanel).currentTitle(),
            textOrEmpty(Language::stringWithName("DESCRIPTION")));
  LanguageManager::sharedInstance().setCurrentLanguage(kLanguageEnglish);
  Language::resetLanguageCache();
}

TEST_F(ProductScreenTest, TheBrowsersDelayedRefreshDiesWithTheScreen) {
  open(all(), 0);
  screen->changeProduct(2, false);
  EXPECT_EQ(screen->productID(), 2);
  EXPECT_EQ(screen->productNameLabel().text(), "p1");
  advance(ProductDetailController::kBrowserRefreshDelay);
  EXPECT_EQ(screen->productNameLabel().text(), "p2");

  // At the end of the list a slide show starts again at the first product.
  screen->changeProduct(2, false);
  screen->changeProduct(2, true);
  EXPECT_EQ(screen->position().index(), 0);

  screen->changeProduct(2, false);
  std::weak_ptr<ProductDetailController> weak = screen;
  window->setRootViewController(nullptr);
  screen.reset();
  EXPECT_TRUE(weak.expired());
  advance(1);
}

TEST_F(ProductScreenTest, TheCatalogueOpensAProductChosenInAnotherList) {
  auto catalog = std::make_shared<CatalogViewController>(*services);
  window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  window->setRootViewController(catalog);
  driver = std::make_unique<ui::HeadlessDriver>(window);
  settle();
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::setCatalogLayOut,
                                                  ProductListChoice{1, all()});
  settle();
  auto* top = dynamic_cast<ProductDetailController*>(catalog->detailController()->topViewController());
  ASSERT_TRUE(top);
  EXPECT_EQ(top->productID(), 2);
  EXPECT_EQ(catalog->lblTitle().text(), "p2");
  EXPECT_FALSE(catalog->btnBack().isHidden());
  EXPECT_TRUE(catalog->searchBar().isHidden());
  // An index outside the list opens nothing.
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::setCatalogLayOut,
                                                  ProductListChoice{5, all()});
  EXPECT_EQ(catalog->detailController()->viewControllers().size(), 2u);
}

}  // namespace
}  // namespace mv::test
