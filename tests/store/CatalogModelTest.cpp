#include <algorithm>

#include "StoreTestSupport.hpp"
#include "platform/base/Date.hpp"

namespace mv::test {
namespace {

class CatalogTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    // Generated SKUs take the client id as the service writes it.
    ASSERT_TRUE(dam().saveToDatabaseProduct({
        product(1, "acmeco_1", "Widget", 1, "red,blue"),
        product(2, "SKU-2", "Gadget 100%", 1, "metal"),
        product(3, "SKU_3", "Bolt", 1, ""),
        product(4, "SKU-4", "Retired", 0, "red"),
        product(5, "SKU-5", "O'Brien's nut", 1, ""),
        product(6, "SKU-3", "Gone", -1, ""),
        product(7, "SKU-37", "Washer", 1, ""),
    }));
    std::vector<marvisto_category_Entity> cats;
    auto cat = [&](int id, std::optional<std::string> name, int publish, int ordering, int parent) {
      cats.push_back(makeCategory(id, std::move(name), parent, ordering));
      cats.back().category_publish = publish;
    };
    cat(10, "tools", 1, 2, 0);
    cat(11, "Bolts", 1, 1, 0);
    cat(12, "Anchors", 1, 1, 0);
    cat(13, "Hidden", 0, 0, 0);
    cat(14, "Small bolts", 1, 0, 11);
    ASSERT_TRUE(dam().saveToDatabaseCategory(cats));
    ASSERT_TRUE(dam().saveToDatabasePxrefC({{10, 1}, {11, 1}, {11, 3}, {0, 2}, {10, 4}}));
  }
};

std::vector<int> ids(const std::vector<marvisto_product_Entity>& v) {
  std::vector<int> out;
  for (const auto& p : v) out.push_back(p.product_id);
  return out;
}

TEST_F(CatalogTest, PublishedProductsAndTheGeneratedSkuRule) {
  EXPECT_EQ(ids(dam().getAllProducts()), (std::vector<int>{1, 2, 3, 5, 7}));
  auto widget = dam().getProductByProductId(1);
  ASSERT_TRUE(widget);
  EXPECT_EQ(widget->product_sku, "");  // "acmeco_1" is the generated form of AcmeCo
  EXPECT_EQ(dam().getProductByProductId(3)->product_sku, "SKU_3");
  EXPECT_FALSE(dam().getProductByProductId(4));
  EXPECT_FALSE(dam().getProductByProductId(99));

  EXPECT_EQ(ids(dam().getProductsByCategory_id(10)), (std::vector<int>{1}));  // 4 is not published
  EXPECT_EQ(ids(dam().getProductsByCategory_id(11)), (std::vector<int>{1, 3}));
  EXPECT_EQ(ids(dam().getProductsByCategory_id(-1)), (std::vector<int>{2}));
  EXPECT_TRUE(dam().getProductsByCategory_id(12).empty());

  EXPECT_EQ(dam().getAllTagsByProductID(1), (std::vector<std::string>{"red", "blue"}));
  EXPECT_TRUE(dam().getAllTagsByProductID(3).empty());
  EXPECT_TRUE(dam().getAllTagsByProductID(4).empty());
}

TEST_F(CatalogTest, SearchTreatsPercentUnderscoreAndQuotesAsPlainText) {
  auto names = [&](const std::string& text) {
    std::vector<std::string> out;
    for (const auto& p : dam().getProductsBySearchString(text)) out.push_back(p.product_name);
    return out;
  };
  EXPECT_EQ(names("100%"), (std::vector<std::string>{"Gadget 100%"}));
  EXPECT_EQ(names("%"), (std::vector<std::string>{"Gadget 100%"}));
  EXPECT_EQ(names("U_3"), (std::vector<std::string>{"Bolt"}));  // "_" is no wildcard: SKU-37 stays out
  EXPECT_EQ(names("_"), (std::vector<std::string>{"Bolt", "Widget"}));
  EXPECT_EQ(names("O'Brien"), (std::vector<std::string>{"O'Brien's nut"}));
  EXPECT_EQ(names("RED"), (std::vector<std::string>{"Widget"}));  // tags, case ignored, 4 unpublished
  EXPECT_EQ(names("\\"), std::vector<std::string>{});
  // Empty text: every published product, by name.
  EXPECT_EQ(names(""), (std::vector<std::string>{"Bolt", "Gadget 100%", "O'Brien's nut", "Washer", "Widget"}));
}

TEST_F(CatalogTest, CategoryChildrenCountsAndParents) {
  auto top = dam().getCategoryWithParentCategoryid(0);
  std::vector<std::string> names;
  for (const auto& c : top) names.push_back(c.category_name.value_or("?"));
  // By ordering, then by name whatever its case; unpublished left out.
  EXPECT_EQ(names, (std::vector<std::string>{"Anchors", "Bolts", "tools"}));
  EXPECT_EQ(dam().getCategoryCountUnderCategoryid(0), 3);
  EXPECT_EQ(dam().getCategoryCountUnderCategoryid(11), 1);
  EXPECT_EQ(dam().getCategoryCountUnderCategoryid(14), 0);
  EXPECT_EQ(dam().getParentCategoryId(14), 11);
  EXPECT_EQ(dam().getParentCategoryId(13), 0);
  EXPECT_EQ(dam().getParentCategoryId(999), 0);

  EXPECT_EQ(dam().getCategoryWithCategoryid(11).category_name, "Bolts");
  for (int id : {13, 0, -1, 999}) EXPECT_FALSE(dam().getCategoryWithCategoryid(id).category_name) << id;
}

TEST_F(CatalogTest, LinkSaveKeepsEveryCategoryOfAProductAndDropsStaleLinks) {
  // Product 3 moves from 11 to 10 and 12; product 1 keeps both of its links.
  ASSERT_TRUE(dam().saveToDatabasePxrefC({{10, 3}, {12, 3}}));
  EXPECT_EQ(ids(dam().getProductsByCategory_id(10)), (std::vector<int>{1, 3}));
  EXPECT_EQ(ids(dam().getProductsByCategory_id(12)), (std::vector<int>{3}));
  EXPECT_EQ(ids(dam().getProductsByCategory_id(11)), (std::vector<int>{1}));
  // A product of the reply without links loses its old ones.
  ASSERT_TRUE(dam().saveToDatabasePxrefC({}, {1}));
  EXPECT_EQ(ids(dam().getProductsByCategory_id(11)), std::vector<int>{});
  EXPECT_EQ(count("marvisto_product_category_xref", "product_id = 1"), 0);
}

TEST_F(CatalogTest, AttributesComeFromPublishedDisplayedFieldsAndAProductSaveDropsThem) {
  std::vector<marvisto_fields_product_attribute_Entity> fields(3);
  fields[0] = {100, "Size", "", "S,M,L", 1, 1};
  fields[1] = {101, "Colour", "", "Red,Blue", 1, 1};
  fields[2] = {102, "Internal", "", "x", 0, 1};
  ASSERT_TRUE(dam().saveToDatabaseFieldsProductAttribute(fields));
  ASSERT_TRUE(dam().saveToDatabaseProductAttribute(
      {makeProductAttribute(2, 1, 101, ""), makeProductAttribute(1, 1, 100, "M,L"),
       makeProductAttribute(3, 1, 102, "x")}));
  auto cells = dam().getProductAttributeFieldInfoByProductId(1);
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0].fieldName, "Size");
  EXPECT_EQ(cells[0].attributeList, "M,L");  // the product's own options
  EXPECT_EQ(cells[0].field_id, 100);
  EXPECT_EQ(cells[1].attributeList, "Red,Blue");  // none of its own: the field's
  EXPECT_FALSE(cells[1].attributeValue);
  EXPECT_EQ(dam().getProductAttributeByProductId(1)[0].field_id, 0);

  ASSERT_TRUE(dam().saveToDatabaseProduct({product(1, "acmeco_1", "Widget v2")}));
  EXPECT_TRUE(dam().getProductAttributeByProductId(1).empty());
}

// A price or attribute value saved again under its id ends up exactly as the
// same row saved into an empty table: every column of the new one, the old
// one's product and dates gone.
TEST_F(CatalogTest, PriceAndAttributeSavedAgainAreTheNewRowWhole) {
  marvisto_product_price_Entity old;
  old.price_id = 5;
  old.product_id = 1;
  old.price = 20;
  old.currency = "EUR";
  old.discount_start_date = 100;
  old.discount_end_date = 200;
  old.tier_quantity_price = "10:18";
  ASSERT_TRUE(dam().saveToDatabasePrice({old}));
  ASSERT_TRUE(dam().saveToDatabaseProductAttribute({makeProductAttribute(7, 1, 100, "S,M")}));

  marvisto_product_price_Entity moved;
  moved.price_id = 5;
  moved.product_id = 2;
  moved.price = 12.5;
  moved.currency = "USD";
  moved.discount_start_date = 300;
  const auto movedAttribute = makeProductAttribute(7, 2, 101, "L");
  ASSERT_TRUE(dam().saveToDatabasePrice({moved}));
  ASSERT_TRUE(dam().saveToDatabaseProductAttribute({movedAttribute}));
  const auto prices = dumpTable("marvisto_product_price");
  const auto attributes = dumpTable("marvisto_product_attribute");

  EXPECT_EQ(dam().getPriceEntityByProductId(1).price, 0);  // none left for the old product
  const auto price = dam().getPriceEntityByProductId(2);
  EXPECT_EQ(price.currency, "USD");
  EXPECT_FALSE(price.discount_end_date);
  EXPECT_EQ(count("marvisto_product_attribute", "product_id = 1"), 0);
  EXPECT_EQ(count("marvisto_product_attribute", "product_id = 2 AND attribute_value = 'L'"), 1);

  sql("DELETE FROM marvisto_product_price; DELETE FROM marvisto_product_attribute");
  ASSERT_TRUE(dam().saveToDatabasePrice({moved}));
  ASSERT_TRUE(dam().saveToDatabaseProductAttribute({movedAttribute}));
  EXPECT_EQ(dumpTable("marvisto_product_price"), prices);
  EXPECT_EQ(dumpTable("marvisto_product_attribute"), attributes);
}

TEST_F(CatalogTest, DiscountAppliesOnlyWithinItsWindowAroundNow) {
  const double now = base::Date::now();
  marvisto_product_price_Entity p;
  p.price_id = 1;
  p.product_id = 1;
  p.price = 20;
  p.discount_price = 15;
  p.currency = "EUR";
  p.discount_start_date = now - 60;
  p.discount_end_date = now + 60;
  marvisto_product_price_Entity noPrice;
  noPrice.price_id = 2;
  noPrice.product_id = 2;
  noPrice.price = -1;
  noPrice.discount_price = 5;
  noPrice.discount_start_date = now - 60;
  noPrice.discount_end_date = now + 60;
  marvisto_product_price_Entity open = p;
  open.price_id = 3;
  open.product_id = 3;
  open.discount_end_date.reset();
  ASSERT_TRUE(dam().saveToDatabasePrice({p, noPrice, open}));

  auto price = dam().getPriceEntityByProductId(1);
  EXPECT_TRUE(price.discount_flag);
  EXPECT_EQ(price.currency, "EUR");
  EXPECT_DOUBLE_EQ(*price.discount_start_date, now - 60);
  EXPECT_FALSE(dam().getPriceEntityByProductId(2).discount_flag);  // no price, no discount
  EXPECT_TRUE(dam().getPriceEntityByProductId(2).isHidden());
  EXPECT_FALSE(dam().getPriceEntityByProductId(3).discount_flag);  // no end date
  auto none = dam().getPriceEntityByProductId(42);
  EXPECT_EQ(none.price, 0);
  EXPECT_FALSE(none.discount_flag);
  EXPECT_FALSE(none.isHidden());

  // All at once, the same records, by product; a product without one is absent.
  auto every = dam().getPriceOfEveryProduct();
  ASSERT_TRUE(every);
  ASSERT_EQ(every->count(1), 1u);
  EXPECT_EQ(every->at(1).price_id, price.price_id);
  EXPECT_EQ(every->at(1).currency, "EUR");
  EXPECT_EQ(every->at(3).price_id, dam().getPriceEntityByProductId(3).price_id);
  EXPECT_EQ(every->count(42), 0u);

  advance(60);  // the last second of the window
  EXPECT_TRUE(dam().getPriceEntityByProductId(1).discount_flag);
  advance(1);
  EXPECT_FALSE(dam().getPriceEntityByProductId(1).discount_flag);
}

TEST_F(CatalogTest, ImagesTagsRelatedProductsFilesAndIcons) {
  std::vector<marvisto_image_Entity> images(4);
  images[0] = {1, 1, "product", "t1.png", "f1.png", 0, "", "", 1, 1};
  images[1] = {2, 1, "product", "t2.png", "f2.png", 1, "", "", 1, 2};
  images[2] = {3, 1, "product", "t3.png", "f3.png", 1, "", "", 0, 0};
  images[3] = {4, 2, "product", "t4.png", "f4.png", 0, "", "", 1, 0};
  ASSERT_TRUE(dam().saveToDatabaseImage(images));
  EXPECT_EQ(dam().getImageByKeyId(1)->image_id, 2);
  EXPECT_FALSE(dam().getImageByKeyId(2));
  // All at once: the same default image per product, none for a product without one.
  auto every = dam().getImageOfEveryProduct();
  ASSERT_TRUE(every);
  ASSERT_EQ(every->size(), 1u);
  EXPECT_EQ(every->at(1).image_id, 2);
  EXPECT_EQ(every->at(1).image_thumb_address, "t2.png");
  auto many = dam().getManyImageByKeyId(1);
  ASSERT_EQ(many.size(), 2u);
  EXPECT_EQ(many[0].image_id, 2);  // the default first
  auto published = dam().getPublishImages(1);
  ASSERT_TRUE(published);
  ASSERT_EQ(published->size(), 3u);
  EXPECT_EQ((*published)[0]["imageFull"], "f1.png");
  EXPECT_EQ((*published)[0]["imageThumb"], "t1.png");

  ASSERT_TRUE(dam().saveToDatabaseProductTag({{7, "steel", {}}, {8, "", {}}, {9, "empty", {}}}));
  ASSERT_TRUE(dam().saveToDatabaseProductRelatedTag({{7, 3}, {7, 1}, {7, 4}, {8, 2}}));
  auto tags = dam().getAllProductTags();
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(tags[0].products, (std::vector<int>{1, 3}));  // published only, ascending
  EXPECT_EQ(tags[1].tag_name, "");
  EXPECT_TRUE(tags[2].products.empty());
  ASSERT_EQ(dam().getTagsByProductID(2).size(), 1u);
  EXPECT_EQ(dam().getTagsByProductID(2)[0].tag_id, 8);
  // A whole-table save replaces the old rows.
  ASSERT_TRUE(dam().saveToDatabaseProductTag({{9, "only", {}}}));
  EXPECT_EQ(dam().getAllProductTags().size(), 1u);

  ASSERT_TRUE(dam().saveToDatabaseProductrelated({{1, 1, 2}, {2, 3, 1}, {3, 1, 4}}));
  auto related = dam().getrelatedProductIDsByProductid(1);
  ASSERT_TRUE(related);
  EXPECT_EQ(ids(*related), (std::vector<int>{2, 3}));
  EXPECT_FALSE(dam().getrelatedProductIDsByProductid(5));

  marvisto_library_files_Entity a, b, hidden;
  a.file_id = 1, a.title = "Zeta", a.published = 1;
  b.file_id = 2, b.title = "Alpha", b.published = 1;
  hidden.file_id = 3, hidden.title = "Hidden", hidden.published = 0;
  ASSERT_TRUE(dam().saveToDatabaseLibraryFiles({a, b, hidden}));
  ASSERT_TRUE(dam().saveToDatabaseProductRelatedFile({{1, "x", 1}, {2, "x", 1}, {3, "x", 1}, {1, "y", 2}}));
  auto files = dam().getProductRelatedFilesByProductId(1);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].title, "Alpha");

  // A new database carries the configuration images' rows of the template.
  EXPECT_EQ(dam().getFullImagePathByTitle("top bar"), "topbar_company.png");
  ASSERT_TRUE(db().execute("DELETE FROM marvisto_icon"));
  marvisto_icon_Entity bar, off;
  bar._id = 1, bar.title = "top bar", bar.name = "bar.png", bar.publish = 1;
  off._id = 2, off.title = "other", off.name = "other.png", off.publish = 0;
  ASSERT_TRUE(dam().saveToDatabaseIcon({bar, off}));
  EXPECT_EQ(dam().getAllIconAddress(), (std::vector<std::string>{"bar.png", "other.png"}));
  EXPECT_EQ(dam().getFullImagePathByTitle("top bar"), "bar.png");
  EXPECT_FALSE(dam().getFullImagePathByTitle("other"));
  EXPECT_FALSE(dam().getFullImagePathByTitle(""));
}

}  // namespace
}  // namespace mv::test
