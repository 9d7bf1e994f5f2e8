#include "CatalogTestSupport.hpp"
#include "catalog/NODescriptionView.hpp"
#include "catalog/ProductDescView.hpp"
#include "catalog/ProductInfoView.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/LanguageManager.hpp"
#include "util/PublicFunction.hpp"

namespace mv::test {
namespace {

class ProductDescriptionTest : public CatalogTest {
 protected:
  // Every character 7 points wide, lines 1.25 x the point size.
  gfx::ScopedTextMeasurer fixed{gfx::TextMeasurer::fixed(0.5)};
};

std::vector<std::string> texts(const AttributedText& text) {
  std::vector<std::string> out;
  for (const auto& run : text) out.push_back(run.text);
  return out;
}

TEST_F(ProductDescriptionTest, TitlesStandOverTheDescriptionsThatAreSet) {
  using V = std::vector<std::string>;
  ProductDescView both({0, 0, 352, 117});
  both.setShortDesc("Desk lamp");
  both.setLongDesc("Solid oak.");
  EXPECT_EQ(texts(both.getAttributedDesc()), (V{"Description:\n", "Desk lamp\n", "\nDetails:\n", "Solid oak."}));
  EXPECT_TRUE(both.getAttributedDesc()[0].font.isItalic());
  EXPECT_EQ(both.getAttributedDesc()[1].font, gfx::Font::systemFont(14));

  ProductDescView onlyLong({0, 0, 352, 117});
  onlyLong.setLongDesc("Solid oak.");
  EXPECT_EQ(texts(onlyLong.getAttributedDesc()), (V{"\nDetails:\n", "Solid oak."}));

  // White space is a description here (the information panel says otherwise).
  ProductDescView blank({0, 0, 352, 117});
  blank.setShortDesc("   ");
  EXPECT_EQ(texts(blank.getAttributedDesc()), (V{"Description:\n", "   \n"}));
  EXPECT_EQ(ProductInfoView::descriptionFor("   "), "No description");
  EXPECT_EQ(ProductInfoView::descriptionFor("Oak"), "Oak");

  // Lines: the title, the text, an empty line, the second title, the text.
  const auto lines = AttributedStringView::layout(both.getAttributedDesc(), 348);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2].text, "");
  EXPECT_EQ(lines[3].text, "Details:");
  EXPECT_DOUBLE_EQ(lines[1].y, 20);
}

TEST_F(ProductDescriptionTest, EmptyTextShowsThePlaceholderAndLongTextScrolls) {
  ProductDescView none({0, 0, 352, 117});
  none.layoutIfNeeded();
  none.layoutSubviews();
  auto* placeholder = dynamic_cast<NODescriptionView*>(none.contentView().get());
  ASSERT_NE(placeholder, nullptr);
  EXPECT_EQ(placeholder->frame(), (ui::Rect{2, 2, 348, 113}));
  EXPECT_EQ(placeholder->noDescriptionLabel().text(), "No description");
  EXPECT_EQ(placeholder->noDescriptionLabel().font().pointSize(), 25);
  LanguageManager::sharedInstance().setCurrentLanguage(kLanguageChinese);
  Language::resetLanguageCache();
  EXPECT_EQ(placeholder->noDescriptionLabel().font().pointSize(), 35);
  EXPECT_EQ(placeholder->noDescriptionLabel().text(), textOrEmpty(Language::stringWithName("NODESCRIPTION")));
  LanguageManager::sharedInstance().setCurrentLanguage(kLanguageEnglish);
  Language::resetLanguageCache();

  ProductDescView shortText({0, 0, 352, 117});
  shortText.setShortDesc("Oak");
  shortText.layoutSubviews();
  EXPECT_FALSE(shortText.isScrollEnabled());
  ASSERT_TRUE(dynamic_cast<AttributedStringView*>(shortText.contentView().get()));

  ProductDescView longText({0, 0, 352, 117});
  longText.setShortDesc(std::string(400, 'x'));
  longText.layoutSubviews();
  EXPECT_TRUE(longText.isScrollEnabled());
  const ui::Size suggested = AttributedStringView::suggestedSize(longText.getAttributedDesc(), 348);
  EXPECT_EQ(longText.contentSize(), suggested);
  EXPECT_GT(suggested.height, 117);
}

TEST_F(ProductDescriptionTest, InformationPanelPlacesPricesFromTheRightEdge) {
  auto info = std::make_shared<ProductInfoView>(ui::Rect{0, 0, 1024, 768});
  info->init();
  // "$10.00" is 6 characters of 8 points (Arial 16).
  info->setLabelPrice("$10.00", "");
  EXPECT_EQ(info->priceLabel().frame(), (ui::Rect{1024 - 48 - 15, 568, 48, 20}));
  EXPECT_TRUE(info->priceLabel().subviews().empty());
  info->setLabelPrice("$10.00", "$9.00");
  // "$9.00" (40 points) ends 5 points before the price.
  EXPECT_EQ(info->discountPriceLabel().frame(), (ui::Rect{1024 - 48 - 15 - 5 - 40, 568, 40, 20}));
  EXPECT_EQ(info->priceLabel().subviews().size(), 1u);
  info->setLabelPrice("$10.00", "");
  EXPECT_TRUE(info->priceLabel().subviews().empty());
}

}  // namespace
}  // namespace mv::test
