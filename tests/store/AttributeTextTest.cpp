#include <gtest/gtest.h>

#include "store/AttributeText.hpp"

namespace mv {
namespace {

product_attribute_cell_Entity cell(const std::string& name, std::optional<std::string> value,
                                   const std::string& list = "") {
  product_attribute_cell_Entity c;
  c.fieldName = name;
  c.attributeList = list;
  c.attributeValue = std::move(value);
  return c;
}

TEST(AttributeTextTest, BuildsPairsOfTheChosenValuesOnly) {
  struct Case {
    std::vector<product_attribute_cell_Entity> cells;
    std::string text;
  };
  const Case cases[] = {
      {{cell("Size", "M"), cell("Color", std::nullopt)}, "Size:M"},
      {{cell("Size", "M"), cell("Color", "Red")}, "Size:M,Color:Red"},
      {{cell("Size", std::nullopt), cell("Color", std::nullopt)}, ""},
      {{}, ""},
      // Blank values stay out; inner and outer spaces of a real value stay in.
      {{cell("Size", "   "), cell("Color", "\t")}, ""},
      {{cell("Color", "Dark Red"), cell("Size", "")}, "Color:Dark Red"},
      {{cell("Color", " Blue")}, "Color: Blue"},
      {{cell("Size", std::nullopt), cell("Color", "Red")}, "Color:Red"},
      // Nothing is escaped.
      {{cell("A,B", "x:y")}, "A,B:x:y"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AttributeText::build(c.cells), c.text);
    EXPECT_EQ(AttributeText::build(AttributeText::shared(c.cells)), c.text);
  }
  AttributeCells withGap = AttributeText::shared({cell("Size", "M")});
  withGap.insert(withGap.begin(), nullptr);
  EXPECT_EQ(AttributeText::build(withGap), "Size:M");
}

TEST(AttributeTextTest, ParsesOnlyPiecesOfOneNameAndOneValue) {
  auto pairs = AttributeText::parse("Size:M,Color: Blue,Bad,a:b:c,Empty:");
  ASSERT_EQ(pairs.size(), 3u);
  EXPECT_EQ(pairs[0].fieldName, "Size");
  EXPECT_EQ(pairs[0].attributeValue, "M");
  EXPECT_EQ(pairs[1].attributeValue, " Blue");
  EXPECT_EQ(pairs[2].fieldName, "Empty");
  EXPECT_EQ(pairs[2].attributeValue, "");
  EXPECT_TRUE(AttributeText::parse("").empty());
  EXPECT_TRUE(AttributeText::parse(",,").empty());
}

TEST(AttributeTextTest, RoundTripHoldsUnlessANameOrValueHoldsASeparator) {
  const std::vector<product_attribute_cell_Entity> plain{cell("Size", "M"), cell("Color", "Dark Red")};
  const std::string text = AttributeText::build(plain);
  EXPECT_EQ(AttributeText::build(AttributeText::parse(text)), text);

  // "Red,Blue" as one value reads back as a pair and a stray piece; ":" breaks the pair.
  EXPECT_EQ(AttributeText::build(AttributeText::parse(AttributeText::build({cell("Color", "Red,Blue")}))),
            "Color:Red");
  EXPECT_TRUE(AttributeText::parse(AttributeText::build({cell("Time", "10:30")})).empty());
}

TEST(AttributeTextTest, OptionsAreTheTextsBetweenCommas) {
  using V = std::vector<std::string>;
  EXPECT_EQ(AttributeText::options("Red, Blue"), (V{"Red", " Blue"}));
  EXPECT_EQ(AttributeText::options("Red"), (V{"Red"}));
  EXPECT_EQ(AttributeText::options("Red,"), (V{"Red", ""}));
  EXPECT_EQ(AttributeText::options(""), (V{""}));
  EXPECT_EQ(AttributeText::options(",,"), (V{"", "", ""}));
}

TEST(AttributeTextTest, SharedCellsAreCopiesTheOwnerSees) {
  auto cells = AttributeText::shared({cell("Size", std::nullopt, "S,M")});
  AttributeCells owner = cells;
  cells[0]->attributeValue = "S";
  EXPECT_EQ(AttributeText::build(owner), "Size:S");
}

}  // namespace
}  // namespace mv
