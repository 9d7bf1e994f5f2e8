// Texts of the catalogue read whole where a user meets them: large prices on
// the cards and in the information panel, a long name's title with its
// count, options that differ only at their end, and titles in the language
// chosen while they show.
#include "CatalogTestSupport.hpp"
#include "catalog/CatalogFeature.hpp"
#include "catalog/DetailCell.hpp"
#include "catalog/DetailViewController.hpp"
#include "catalog/ProductAttributesListView.hpp"
#include "catalog/ProductDetailController.hpp"
#include "catalog/ProductInfoView.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/TabBar.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/frame/MainTabScreens.hpp"

namespace mv::test {
namespace {

const std::string kLongName =
    "Nordic reading lamp with an adjustable brass arm, a linen shade in warm grey and a weighted oak base for desks";

// What a label draws, as one text.
std::string shown(const ui::Label& label) {
  std::string out;
  for (const auto& line : label.shownLines()) out += (out.empty() ? "" : "\n") + line;
  return out;
}

// A label's frame in the window.
ui::Rect inWindow(const ui::View& view) { return view.convertRectToView(view.bounds(), nullptr); }

class CatalogTextsTest : public CatalogWindowTest {
 protected:
  void SetUp() override {
    CatalogWindowTest::SetUp();
    ui::View::setAnimationsEnabled(false);
    category(A, "A", 0, 1);
    product(1, "Lamp");
    product(2, kLongName);
    product(3, "Chair");
    for (int id = 1; id <= 3; ++id) file(id, A);
    save();
    price(1, 123456789012.34, "USD", 98765432109.87);
    price(2, 10, "USD");
    attribute(1, 1, "Colour", "Colour number 1 with red stripes,Colour number 1 with blue stripes");
    attribute(1, 2, "Size", "S,M,L,XL");
    attribute(1, 3, "Material", "Oak,Ash,Beech,Walnut,Pine");
    CatalogFeature::install(wiring);
    auto made = std::dynamic_pointer_cast<CatalogViewController>(wiring.makeScreen(MainTabScreens::kCatalog, services.get()));
    ASSERT_TRUE(made);
    showCatalog(made);
  }
  void TearDown() override {
    LanguageManager::sharedInstance().setCurrentLanguage(1);
    ui::View::setAnimationsEnabled(true);
    CatalogWindowTest::TearDown();
  }
  std::shared_ptr<DetailCell> cardNamed(const std::string& name) {
    settle();
    auto& grid = *catalog->detailViewController();
    for (std::size_t i = 0; i < grid.productArray().size(); ++i)
      if (auto card = grid.cardAt(i); card && card->catalogNameLabel().text() == name) return card;
    return nullptr;
  }
  // Opens the product screen by tapping the card's picture.
  ProductDetailController* openProduct(const std::string& name) {
    auto card = cardNamed(name);
    if (!card || !driver->tap(card->bgImageView())) return nullptr;
    settle();
    return screenOnTop();
  }
  ProductDetailController* screenOnTop() {
    auto* nav = catalog->detailController().get();
    if (!nav || nav->viewControllers().empty()) return nullptr;
    return dynamic_cast<ProductDetailController*>(nav->viewControllers().back().get());
  }

  gfx::ScopedTextMeasurer realText{gfx::TextMeasurer::pango()};
};

TEST_F(CatalogTextsTest, ALargePriceAndItsDiscountShowWholeOnTheCard) {
  auto card = cardNamed("Lamp");
  ASSERT_TRUE(card);
  const ui::Label& price = card->priceContentLabel();
  const ui::Label& discount = card->discountPriceLabel();
  EXPECT_EQ(price.text(), "$123,456,789,012.34");
  EXPECT_EQ(shown(price), price.text());
  EXPECT_EQ(shown(discount), discount.text());
  EXPECT_LT(price.actualFontSize(), price.font().pointSize());
  // The line through the old price spans what is drawn of it, not more.
  ASSERT_EQ(price.subviews().size(), 1u);
  const double drawn =
      gfx::TextMeasurer::current().widthOf(price.text(), price.font().withSize(price.actualFontSize()));
  EXPECT_NEAR(price.subviews().front()->frame().width(), drawn + 10, 1);
  keep("catalog-large-prices");
}

TEST_F(CatalogTextsTest, ALongNameStillShowsItsPlaceInTheTitle) {
  ASSERT_TRUE(openProduct(kLongName));
  const ui::Label& title = catalog->lblTitle();
  const auto lines = title.shownLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(0, 20), kLongName.substr(0, 20));
  EXPECT_TRUE(lines[0].ends_with("( 3 / 3 )")) << lines[0];
  EXPECT_LE(gfx::TextMeasurer::current().widthOf(lines[0], title.font().withSize(title.actualFontSize())),
            title.bounds().width());
}

TEST_F(CatalogTextsTest, OptionsThatDifferAtTheirEndReadApartAndStayAboveTheTabBar) {
  auto* screen = openProduct("Lamp");
  ASSERT_TRUE(screen);
  auto& picker = screen->attributeView();
  for (long row : {0L, 2L}) {
    SCOPED_TRACE(row);
    ASSERT_TRUE(picker.leftNameTableView().tapRowAtIndexPath({0, row}));
    settle();
    ASSERT_TRUE(picker.popover() && picker.popover()->isPopoverVisible());
    // The whole list of options is clear of the tab bar.
    const ui::Rect panel = picker.popover()->popoverView()->frame();
    EXPECT_LE(panel.maxY(), inWindow(tabs->tabBar()).minY());
    if (row == 0) {
      auto& options = picker.rightValueTableView();
      std::vector<std::string> texts;
      for (long r = 0; r < 2; ++r) {
        auto* cell = options.cellForRowAtIndexPath({0, r});
        ASSERT_TRUE(cell);
        texts.push_back(shown(cell->textLabel()));
      }
      EXPECT_NE(texts[0], texts[1]);
      EXPECT_EQ(texts[0].find("…"), std::string::npos) << texts[0];
      EXPECT_EQ(texts[1].find("…"), std::string::npos) << texts[1];
      keep("catalog-long-options");
      ASSERT_TRUE(options.tapRowAtIndexPath({0, 1}));
      settle();
    } else {
      picker.popover()->dismissByOutsideTap();
      settle();
    }
  }
  // The chosen value in the attribute's row reads whole as well.
  auto* row = picker.leftNameTableView().cellForRowAtIndexPath({0, 0});
  ASSERT_TRUE(row);
  bool found = false;
  for (auto* label : driver->findAllOf<ui::Label>(row))
    if (label->text() == "Colour number 1 with blue stripes") {
      found = true;
      EXPECT_EQ(shown(*label).find("…"), std::string::npos) << shown(*label);
    }
  EXPECT_TRUE(found);
}

TEST_F(CatalogTextsTest, TheCentreTitleTakesALanguageChosenWhileItShows) {
  EXPECT_EQ(catalog->lblTitle().text(), "All");
  LanguageManager::sharedInstance().setCurrentLanguage(2);
  settle();
  EXPECT_EQ(catalog->lblTitle().text(), "全部");
  LanguageManager::sharedInstance().setCurrentLanguage(1);
  settle();
  EXPECT_EQ(catalog->lblTitle().text(), "All");
  // Chosen on another tab, as the settings are.
  tabs->setSelectedIndex(0);
  settle();
  LanguageManager::sharedInstance().setCurrentLanguage(2);
  settle();
  tabs->setSelectedIndex(1);
  settle();
  EXPECT_EQ(catalog->lblTitle().text(), "全部");
}

TEST(ProductInfoPanelTest, LargePricesShareTheRowWithTheSkuWithoutCoveringIt) {
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  auto panel = std::make_shared<ProductInfoView>(ui::Rect{0, 0, 1024, 768});
  marvisto_product_Entity product;
  product.product_name = "Lamp";
  product.product_sku = "SKU-2024-LAMP-0001";
  panel->setProductEntity(product);
  panel->setLabelPrice("$123,456,789,012.34", "$98,765,432,109.87");
  const ui::Label& sku = panel->skuLabel();
  const ui::Label& price = panel->priceLabel();
  const ui::Label& discount = panel->discountPriceLabel();
  const double skuEnd = sku.frame().x() + gfx::TextMeasurer::current().widthOf(sku.text(), sku.font());
  EXPECT_LE(skuEnd, discount.frame().x());
  EXPECT_LE(discount.frame().maxX(), price.frame().x());
  EXPECT_LE(price.frame().maxX(), ProductInfoView::kScreenWidth);
  EXPECT_EQ(shown(sku), sku.text());
  EXPECT_EQ(shown(price), price.text());
  EXPECT_EQ(shown(discount), discount.text());
  // A price that fits keeps its size and its place at the right.
  panel->setLabelPrice("$12.00", "");
  EXPECT_EQ(price.actualFontSize(), price.font().pointSize());
  EXPECT_EQ(price.frame().maxX(), ProductInfoView::kRowRight);
}

}  // namespace
}  // namespace mv::test
