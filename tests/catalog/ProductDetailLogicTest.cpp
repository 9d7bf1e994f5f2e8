#include <gtest/gtest.h>

#include "catalog/AddToOrderFlow.hpp"
#include "catalog/ProductDetailLayout.hpp"
#include "catalog/ProductListPosition.hpp"
#include "catalog/ProductQuantity.hpp"
#include "platform/gfx/TextMeasurer.hpp"

namespace mv {
namespace {

TEST(ProductQuantityTest, OneRuleForAddingAndEditing) {
  using V = ProductQuantity::Verdict;
  struct Case {
    const char* text;
    V verdict;
    int count;
  };
  const Case cases[] = {
      {"1", V::Accepted, 1},          {"7", V::Accepted, 7},
      {"1.50", V::Accepted, 1},       {"1000000", V::Accepted, 1000000},
      {"1000001", V::TooLarge, 1000001},
      {"99999999999", V::TooLarge, 2147483647},
      {"abc", V::NotPositive, 0},     {"", V::NotPositive, 0},
      {"0", V::NotPositive, 0},       {"0.50", V::NotPositive, 0},
      {"12abc", V::Malformed, 12},    {"-5", V::Malformed, -5},
      {"1.5", V::Malformed, 1},       {" 12", V::Malformed, 12},
      {"3\n4", V::Malformed, 3},
  };
  for (const auto& c : cases) {
    const auto check = ProductQuantity::check(c.text);
    EXPECT_EQ(check.verdict, c.verdict) << '"' << c.text << '"';
    EXPECT_EQ(check.count, c.count) << '"' << c.text << '"';
  }
  EXPECT_EQ(ProductQuantity::decremented(1), 1);
  EXPECT_EQ(ProductQuantity::decremented(2), 1);
  EXPECT_EQ(ProductQuantity::decremented(0), 0);
  EXPECT_EQ(ProductQuantity::intValue("-99999999999"), -2147483647 - 1);
}

TEST(ProductListPositionTest, ArrowsAndMovesThroughTheList) {
  using M = ProductListPosition::Move;
  using S = ProductListPosition::Step;
  ProductListPosition first(0, 3);
  EXPECT_TRUE(first.previousHidden());
  EXPECT_FALSE(first.nextHidden());
  EXPECT_EQ(first.move(M::Previous), S::Bounced);
  EXPECT_EQ(first.index(), 0);
  EXPECT_EQ(first.move(M::Next), S::Moved);
  EXPECT_EQ(first.move(M::Next), S::Moved);
  EXPECT_EQ(first.index(), 2);
  EXPECT_TRUE(first.nextHidden());
  EXPECT_FALSE(first.previousHidden());
  EXPECT_EQ(first.move(M::Next), S::Bounced);
  EXPECT_EQ(first.advanceWrapping(), S::Moved);
  EXPECT_EQ(first.index(), 0);

  for (ProductListPosition alone : {ProductListPosition(0, 1), ProductListPosition(0, 0)}) {
    EXPECT_TRUE(alone.previousHidden());
    EXPECT_TRUE(alone.nextHidden());
    EXPECT_EQ(alone.move(M::Next), S::Bounced);
    EXPECT_EQ(alone.move(M::Previous), S::Bounced);
  }
  ProductListPosition one(0, 1);
  EXPECT_EQ(one.advanceWrapping(), S::Moved);
  EXPECT_EQ(one.index(), 0);
  ProductListPosition none;
  EXPECT_EQ(none.advanceWrapping(), S::Bounced);
}

TEST(ProductDetailLayoutTest, TheStripSnapsToTheNearerThumbnailEdge) {
  struct Case {
    double x, snapped;
  };
  for (const Case& c : {Case{-5, 0}, Case{0, 0}, Case{59, 0}, Case{60, 0}, Case{67, 0}, Case{68, 128},
                        Case{127, 128}, Case{128, 128}, Case{195, 128}, Case{196, 256}, Case{300, 256}}) {
    EXPECT_EQ(ProductDetailLayout::snappedThumbOffset(c.x), c.snapped) << c.x;
  }
  EXPECT_EQ(ProductDetailLayout::thumbFrame(2), (base::Rect{256, 0, 120, 92}));
  EXPECT_EQ(ProductDetailLayout::thumbContentWidth(3), 376);
  EXPECT_EQ(ProductDetailLayout::thumbContentWidth(0), 0);
}

marvisto_tag_entity tag(const std::string& name) {
  marvisto_tag_entity t;
  t.tag_name = name;
  return t;
}

TEST(ProductDetailLayoutTest, TagNamesOnceWithTheCurrentTagFirst) {
  using V = std::vector<std::string>;
  const std::vector<marvisto_tag_entity> tags{tag("New"), tag("Sale"), tag("New"), tag("Eco")};
  EXPECT_EQ(ProductDetailLayout::tagNames(tags, std::nullopt), (V{"New", "Sale", "Eco"}));
  EXPECT_EQ(ProductDetailLayout::tagNames(tags, "Eco"), (V{"Eco", "New", "Sale"}));
  EXPECT_EQ(ProductDetailLayout::tagNames(tags, "Gift"), (V{"Gift", "New", "Sale", "Eco"}));
  EXPECT_EQ(ProductDetailLayout::tagNames({}, std::nullopt), V{});
}

TEST(ProductDetailLayoutTest, TagButtonsAreSixtyWideUnlessTheTitleIsLonger) {
  // Title widths: 7 points per character.
  auto width = [](const std::string& title) { return 7.0 * static_cast<double>(title.size()); };
  const auto strip = ProductDetailLayout::tagStrip({"Eco", "", "Clearance", "Sale"}, std::string("Sale"), 390, width);
  ASSERT_EQ(strip.buttons.size(), 3u);
  EXPECT_EQ(strip.buttons[0].frame, (base::Rect{0, 0, 60, 35}));
  // 9 characters are 63 points: wider than 40, so 83.
  EXPECT_EQ(strip.buttons[1].frame, (base::Rect{70, 0, 83, 35}));
  EXPECT_EQ(strip.buttons[1].index, 2u);
  EXPECT_EQ(strip.buttons[1].imageName, "tag_2.png");
  EXPECT_EQ(strip.buttons[2].frame.x(), 163);
  EXPECT_TRUE(strip.buttons[2].selected);
  EXPECT_FALSE(strip.buttons[0].selected);
  EXPECT_EQ(strip.contentWidth, 390);

  std::vector<std::string> many(8, "Promotion");
  const auto wide = ProductDetailLayout::tagStrip(many, std::nullopt, 390, width);
  EXPECT_EQ(wide.contentWidth, 7 * (83 + 10) + 83);
  // Six plain tags are 360 wide, 410 with the gaps between them: the strip scrolls.
  const auto gaps = ProductDetailLayout::tagStrip(std::vector<std::string>(6, "Eco"), std::nullopt, 390, width);
  EXPECT_EQ(gaps.contentWidth, 410);
  EXPECT_EQ(wide.buttons[7].imageName, "tag_0.png");
}

product_attribute_cell_Entity attribute(const std::string& name, const std::string& list) {
  product_attribute_cell_Entity a;
  a.fieldName = name;
  a.attributeList = list;
  return a;
}

TEST(AddToOrderFlowTest, AutomaticChoiceTakesSingleOptionsAndLeavesBlankLists) {
  struct Case {
    std::vector<product_attribute_cell_Entity> attributes;
    bool needsChoice;
    std::string text;
  };
  const Case cases[] = {
      {{attribute("Color", "Red")}, false, "Color:Red"},
      {{attribute("Color", "Red,Blue")}, true, ""},
      {{attribute("Color", "  "), attribute("Size", "")}, false, ""},
      {{attribute("Color", "Red"), attribute("Size", "M")}, false, "Color:Red,Size:M"},
      {{attribute("Color", "Red"), attribute("Size", "S,M")}, true, ""},
      {{attribute("Color", "Red,")}, true, ""},
      {{}, false, ""},
  };
  for (const auto& c : cases) {
    const auto choice = AddToOrderFlow::autoChoice(c.attributes);
    EXPECT_EQ(choice.needsChoice, c.needsChoice);
    EXPECT_EQ(choice.attributes, c.text);
  }
}

}  // namespace
}  // namespace mv
