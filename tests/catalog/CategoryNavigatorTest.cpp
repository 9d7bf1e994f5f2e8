#include "CatalogTestSupport.hpp"
#include "catalog/CategoryNavigator.hpp"
#include "catalog/CategorySelection.hpp"
#include "catalog/TagList.hpp"

namespace mv::test {
namespace {

using Nav = CategoryNavigator;

std::vector<std::string> rowNames(const Nav& nav) {
  std::vector<std::string> names;
  for (const auto& c : nav.dataArray()) names.push_back(c.category_name.value_or("<nil>"));
  return names;
}

std::vector<int> rowCounts(const Nav& nav) {
  std::vector<int> counts{static_cast<int>(nav.totalProductsNumber())};
  for (const auto& c : nav.dataArray()) counts.push_back(c.category_numberOfProducts);
  return counts;
}

class CategoryNavigatorTest : public CatalogTest {};

// Each count is the number of distinct products its row shows: p2, filed in
// both A1 and A2, counts once under A and once under "ALL".
TEST_F(CategoryNavigatorTest, RootCountsDistinctProductsAndOffersTheUncategorizedRow) {
  seedExampleTree();
  Nav nav;
  nav.loadRoot(store());
  EXPECT_EQ(rowNames(nav), (std::vector<std::string>{"A", "B", "Uncategorized"}));
  EXPECT_EQ(rowCounts(nav), (std::vector<int>{4, 2, 1, 1}));
  EXPECT_EQ(nav.dataArray().back().category_id, -1);
  EXPECT_EQ(nav.dataArray().back().category_ordering, 2);
  EXPECT_TRUE(nav.rowHasChildren(1));
  EXPECT_FALSE(nav.rowHasChildren(2));
  EXPECT_FALSE(nav.rowHasChildren(3));
  for (const auto& c : nav.dataArray()) {
    EXPECT_EQ(static_cast<std::size_t>(c.category_numberOfProducts),
              CategorySelection::getAllproductsEntity(store(), c.category_id).size());
  }
}

TEST_F(CategoryNavigatorTest, LevelsRepeatRuleAndGoingBackUp) {
  seedExampleTree();
  Nav nav;
  nav.loadRoot(store());

  // Entering A asks for A's products once, and shows its children.
  auto step = nav.tagTableSelectRow(store(), 1);
  EXPECT_TRUE(step.levelChanged);
  EXPECT_EQ(step.displayCategory, A);
  EXPECT_EQ(step.header, "A");
  EXPECT_EQ(step.title, "A");
  EXPECT_EQ(step.backShown, true);
  EXPECT_EQ(rowNames(nav), (std::vector<std::string>{"A1", "A2"}));
  EXPECT_EQ(rowCounts(nav), (std::vector<int>{2, 2, 1}));
  EXPECT_EQ(nav.selectRow(), 0);

  // "ALL" right after entering is the same choice again: nothing to ask.
  step = nav.tagTableSelectRow(store(), 0);
  EXPECT_FALSE(step.displayCategory);
  EXPECT_EQ(step.title, "A");

  // A leaf below the root keeps the level's header; "ALL" after it asks again.
  step = nav.tagTableSelectRow(store(), 2);
  EXPECT_FALSE(step.levelChanged);
  EXPECT_EQ(step.displayCategory, A2);
  EXPECT_EQ(step.header, "A");
  EXPECT_EQ(step.backShown, true);
  step = nav.tagTableSelectRow(store(), 0);
  EXPECT_EQ(step.displayCategory, A);

  // Up from the first level: the root, all products, the uncategorized row back.
  step = nav.btnbackClicked(store());
  EXPECT_EQ(step.displayCategory, 0);
  EXPECT_EQ(step.backShown, false);
  EXPECT_EQ(step.header, "Category");
  EXPECT_TRUE(nav.atRoot());
  EXPECT_EQ(rowNames(nav), (std::vector<std::string>{"A", "B", "Uncategorized"}));

  // "ALL" at the root always asks for every product; a root leaf shows no back.
  step = nav.tagTableSelectRow(store(), 0);
  EXPECT_EQ(step.displayCategory, 0);
  EXPECT_EQ(step.title, "All");
  EXPECT_EQ(nav.tagTableSelectRow(store(), 0).displayCategory, 0);
  step = nav.tagTableSelectRow(store(), 3);
  EXPECT_EQ(step.displayCategory, -1);
  EXPECT_FALSE(step.backShown);
}

// The grid's selection: a child with products of its own is not descended
// into, an empty child is; products linked to a parent are not shown; the
// first place of a product wins.
TEST_F(CategoryNavigatorTest, SelectionDescendsOnlyThroughEmptyChildren) {
  category(1, "Top", 0);
  category(2, "Full", 1, 1);
  category(3, "Empty", 1, 2);
  category(4, "Grandchild", 3);
  category(5, "Below full", 2);
  for (int id = 1; id <= 5; ++id) product(id, "p" + std::to_string(id));
  file(1, 1);  // on the parent itself
  file(2, 2);
  file(3, 2);
  file(4, 4);
  file(3, 4);  // already shown through "Full"
  file(5, 5);  // below a child that has products
  save();
  EXPECT_EQ(idsOf(CategorySelection::getAllproductsEntity(store(), 1)), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(CategorySelection::getAllproductsEntity(store(), 0).size(), 5u);
  EXPECT_TRUE(CategorySelection::getAllproductsEntity(store(), 99).empty());
}

// Bad data with a category that is its own parent, or two that are each
// other's parents, ends every walk: selecting, counting and going up.
TEST_F(CategoryNavigatorTest, LoopsOfParentsEndEveryWalk) {
  category(6, "Self, empty", 6);
  category(7, "Self", 7);
  category(8, "Loop 8", 9);
  category(9, "Loop 9", 8);
  category(10, "Below the loop", 9);
  category(30, "Fine", 0);
  category(31, "Fine child", 30);
  product(1, "p1");
  product(2, "p2");
  file(1, 10);
  file(2, 7);
  save();
  EXPECT_EQ(idsOf(CategorySelection::getAllproductsEntity(store(), 8)), (std::vector<int>{1}));
  EXPECT_EQ(idsOf(CategorySelection::getAllproductsEntity(store(), 9)), (std::vector<int>{1}));
  EXPECT_EQ(idsOf(CategorySelection::getAllproductsEntity(store(), 7)), (std::vector<int>{2}));
  EXPECT_TRUE(CategorySelection::getAllproductsEntity(store(), 6).empty());
  EXPECT_EQ(CategorySelection::parentOf(store(), 7), 0);
  EXPECT_EQ(CategorySelection::parentOf(store(), 8), 0);
  EXPECT_EQ(CategorySelection::parentOf(store(), 10), 0);
  EXPECT_EQ(CategorySelection::parentOf(store(), 31), 30);
  EXPECT_EQ(CategorySelection::parentOf(store(), 404), 0);

  Nav nav;
  nav.loadRoot(store());
  EXPECT_EQ(rowNames(nav), (std::vector<std::string>{"Fine"}));
  EXPECT_EQ(nav.tagTableSelectRow(store(), 1).displayCategory, 30);
  EXPECT_EQ(nav.btnbackClicked(store()).displayCategory, 0);
}

TEST(TagListTest, SortsNamesBytewiseLastOfANameWinsAndMapsIdsToProducts) {
  auto tag = [](int id, const std::string& name, std::vector<int> ids) {
    marvisto_tag_entity t;
    t.tag_id = id;
    t.tag_name = name;
    t.products = std::move(ids);
    return t;
  };
  TagList list;
  list.setSelectRow(2);
  list.setDataArray({tag(1, "b", {1}), tag(2, "A", {2}), tag(3, "a", {3}), tag(4, "b", {4, 5})});
  EXPECT_EQ(list.sortedNames(), (std::vector<std::string>{"A", "a", "b"}));
  EXPECT_EQ(list.selectRow(), -1);
  EXPECT_EQ(list.tagAt(2).tag_id, 4);
  EXPECT_EQ(list.rowOfName("a"), 1u);
  EXPECT_FALSE(list.rowOfName("B"));

  std::vector<marvisto_product_Entity> all(4);
  for (int i = 0; i < 4; ++i) all[static_cast<std::size_t>(i)].product_id = 40 - i * 10;  // 40 30 20 10
  EXPECT_EQ(idsOf(TagList::productsOfTag(all, {10, 99, 40, 10})), (std::vector<int>{40, 10}));
  EXPECT_TRUE(TagList::productsOfTag(all, {}).empty());
}

}  // namespace
}  // namespace mv::test
