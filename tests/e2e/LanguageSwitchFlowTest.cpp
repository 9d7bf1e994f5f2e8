// A representative switches the interface language in the settings while
// the catalogue is open: the title above the grid reads in the language
// chosen, whatever moves afterwards, and a product screen open during the
// switch keeps its own title.
#include <gtest/gtest.h>

#include "RepresentativeDay.hpp"
#include "catalog/CatalogViewController.hpp"
#include "catalog/DetailCell.hpp"
#include "catalog/DetailViewController.hpp"
#include "catalog/ProductDetailController.hpp"
#include "platform/ui/NavigationController.hpp"
#include "shell/config/Language.hpp"

namespace mv::test {
namespace {

using LanguageSwitch = RepresentativeDay;

// The text of `key` in the interface language of the moment.
std::string textNow(const std::string& key) { return Language::stringWithName(key).value_or(""); }

TEST_F(LanguageSwitch, TheCatalogueTitleFollowsTheLanguageChosenInTheSettings) {
  start();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  DetailViewController& products = grid();
  auto screen = catalog();
  ASSERT_TRUE(screen);
  const ui::Label& title = screen->lblTitle();
  const std::string english = textNow("ALL");
  ASSERT_EQ(title.text(), english);

  chooseLanguage(1);
  const std::string chinese = textNow("ALL");
  ASSERT_NE(chinese, english);
  grid();
  EXPECT_EQ(title.text(), chinese);
  // The panel put aside and brought back: still in Chinese.
  for (int i = 0; i < 2; ++i) {
    tap(screen->btnMenu());
    settle(CatalogViewController::kPanelDuration + 0.1);
    EXPECT_EQ(title.text(), chinese) << "after moving the panel " << i + 1 << " time(s)";
  }
  picture("catalogue-after-the-switch");

  // A product opened from the grid; the language switched back meanwhile.
  ASSERT_FALSE(products.productArray().empty());
  auto card = showCard(0);
  ASSERT_TRUE(card);
  tap(card->productImageView());
  settle(0.5);
  auto* detail = dynamic_cast<ProductDetailController*>(screen->detailController()->topViewController());
  ASSERT_TRUE(detail);
  const std::string productTitle = title.text();
  EXPECT_EQ(productTitle.rfind(products.productArray()[0].product_name, 0), 0u) << productTitle;
  chooseLanguage(0);
  grid();
  ASSERT_EQ(screen->detailController()->topViewController(), detail);
  EXPECT_EQ(title.text(), productTitle);
  // Back on the grid, in English.
  tap(screen->btnBack());
  settle(0.5);
  EXPECT_EQ(title.text(), english);
  tap(screen->btnMenu());
  settle(CatalogViewController::kPanelDuration + 0.1);
  EXPECT_EQ(title.text(), english);
}

}  // namespace
}  // namespace mv::test
