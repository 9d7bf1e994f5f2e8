#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.hpp"
#include "store/BaseDataModel.hpp"
#include "store/Entities.hpp"

namespace mv {

// Products, their attributes, prices, category links, images, related products
// and files, categories, tags and icons. "Published" means the publish column
// is 1.
class CatalogModel : public BaseDataModel {
 public:
  using BaseDataModel::BaseDataModel;
  [[nodiscard]] bool updateVersion() override;

  // The reads a catalogue list is made of; the grid's worker runs the same
  // ones on a read-only connection of its own (ProductListReader).
  static constexpr const char* kAllProductsSql = "SELECT * FROM marvisto_product WHERE product_publish = 1";
  static constexpr const char* kProductsOfCategorySql =
      "SELECT * FROM marvisto_product WHERE product_publish = 1 AND product_id IN "
      "(SELECT product_id FROM marvisto_product_category_xref WHERE category_id = ?)";
  static constexpr const char* kChildCategoriesSql =
      "SELECT * FROM marvisto_category WHERE category_publish = 1 AND category_parent_id = ? AND category_id > 0 "
      "ORDER BY category_ordering, LOWER(category_name)";
  // In the order of the single read, so the first row of a product is its own.
  static constexpr const char* kEveryPriceSql = "SELECT * FROM marvisto_product_price ORDER BY rowid";
  static constexpr const char* kEveryImageSql =
      "SELECT * FROM marvisto_image WHERE image_isdault = 1 AND image_publis = 1 ORDER BY image_ordering, image_id";
  // Every tag, then each tag's published products, gathered by `TagListBuilder`.
  static constexpr const char* kAllTagsSql = "SELECT tag_id, tag_name FROM marvisto_tag ORDER BY tag_id";
  static constexpr const char* kTagProductsSql =
      "SELECT DISTINCT r.tag_id, r.product_id FROM marvisto_product_related_tag r JOIN marvisto_product p "
      "ON p.product_id = r.product_id WHERE p.product_publish = 1 ORDER BY r.tag_id, r.product_id";
  class TagListBuilder {
   public:
    // A row of `kAllTagsSql`.
    void addTag(const SQLiteStatement& row);
    // A row of `kTagProductsSql`; a link to a tag not listed is dropped.
    void addProduct(const SQLiteStatement& row);
    std::vector<marvisto_tag_entity> take() { return std::move(tags_); }

   private:
    std::vector<marvisto_tag_entity> tags_;
    std::map<int, std::size_t> byId_;
  };

  // --- saves: one transaction each; false (and nothing changed) on any failure
  // Writes each product and drops its attribute values (saved again after).
  [[nodiscard]] bool saveToDatabaseProduct(const std::vector<marvisto_product_Entity>& products);
  // The same, dropping the old attribute values only when asked: a reply
  // stored in batches knows whether the store had any before its first batch.
  [[nodiscard]] bool saveToDatabaseProduct(const std::vector<marvisto_product_Entity>& products,
                                           bool dropOldAttributes);
  // Whether any attribute value / category link is stored (true when the
  // look fails: dropping then finds nothing to drop).
  [[nodiscard]] bool hasProductAttributes();
  [[nodiscard]] bool hasCategoryLinks();
  [[nodiscard]] bool saveToDatabaseProductAttribute(const std::vector<marvisto_product_attribute_Entity>& rows);
  [[nodiscard]] bool saveToDatabaseFieldsProductAttribute(
      const std::vector<marvisto_fields_product_attribute_Entity>& rows);
  // Drops every link of each product named in `links`, then writes all links.
  [[nodiscard]] bool saveToDatabasePxrefC(const std::vector<marvisto_product_category_xref_Entity>& links);
  // The same, also dropping the links of `productIds` (the products of the
  // reply, so that a product whose list became empty loses its links).
  [[nodiscard]] bool saveToDatabasePxrefC(const std::vector<marvisto_product_category_xref_Entity>& links,
                                          const std::vector<int>& productIds);
  // The same, dropping old links only when asked.
  [[nodiscard]] bool saveToDatabasePxrefC(const std::vector<marvisto_product_category_xref_Entity>& links,
                                          const std::vector<int>& productIds, bool dropOldLinks);
  [[nodiscard]] bool saveToDatabasePrice(const std::vector<marvisto_product_price_Entity>& rows);
  // Replace the whole table.
  [[nodiscard]] bool saveToDatabaseProductrelated(const std::vector<marvisto_product_related_Entity>& rows);
  [[nodiscard]] bool saveToDatabaseImage(const std::vector<marvisto_image_Entity>& rows);
  [[nodiscard]] bool saveToDatabaseCategory(const std::vector<marvisto_category_Entity>& rows);
  // Replace the whole table.
  [[nodiscard]] bool saveToDatabaseProductRelatedFile(const std::vector<marvisto_product_related_files_Entity>& rows);
  [[nodiscard]] bool saveToDatabaseProductTag(const std::vector<marvisto_tag_entity>& rows);
  [[nodiscard]] bool saveToDatabaseProductRelatedTag(const std::vector<marvisto_product_related_tag_Entity>& rows);
  [[nodiscard]] bool saveToDatabaseIcon(const std::vector<marvisto_icon_Entity>& rows);

  // --- products
  std::vector<marvisto_product_Entity> getAllProducts();
  // How many of them there are; nothing when the count failed.
  [[nodiscard]] std::optional<std::int64_t> countProducts();
  std::optional<marvisto_product_Entity> getProductByProductId(int productId);
  // Any publish state; for order lines whose product left the catalogue.
  std::optional<marvisto_product_Entity> getStoredProduct(int productId);
  // -1: the products filed under no category (category 0).
  std::vector<marvisto_product_Entity> getProductsByCategory_id(int categoryId);
  std::vector<marvisto_product_Entity> getProductsBySearchString(const std::string& text);
  // Nothing when no published product is related.
  std::optional<std::vector<marvisto_product_Entity>> getrelatedProductIDsByProductid(int productId);

  // --- tags
  std::vector<std::string> getAllTagsByProductID(int productId);
  std::vector<marvisto_tag_entity> getTagsByProductID(int productId);
  std::vector<marvisto_tag_entity> getAllProductTags();

  // --- categories
  // Never nothing: a record without a name when there is no published category.
  marvisto_category_Entity getCategoryWithCategoryid(int categoryId);
  std::vector<marvisto_category_Entity> getCategoryWithParentCategoryid(int parentId);
  [[nodiscard]] int getCategoryCountUnderCategoryid(int categoryId);
  [[nodiscard]] int getParentCategoryId(int categoryId);

  // --- attributes, prices, images, files, icons
  std::vector<product_attribute_cell_Entity> getProductAttributeByProductId(int productId);
  std::vector<product_attribute_cell_Entity> getProductAttributeFieldInfoByProductId(int productId);
  // Never nothing: an empty record (price 0) when the product has no price.
  // `discount_flag` is worked out for the current time.
  marvisto_product_price_Entity getPriceEntityByProductId(int productId);
  std::optional<marvisto_image_Entity> getImageByKeyId(int productId);
  // The same for every product at once, by product id, for a screen that
  // shows thousands: the price record getPriceEntityByProductId reads (its
  // `discount_flag` left for the caller to work out) and the image
  // getImageByKeyId reads. A product without one is absent; nothing when the
  // read failed.
  std::optional<std::map<int, marvisto_product_price_Entity>> getPriceOfEveryProduct();
  std::optional<std::map<int, marvisto_image_Entity>> getImageOfEveryProduct();
  std::vector<marvisto_image_Entity> getManyImageByKeyId(int productId);
  // {"imageFull", "imageThumb"} per image row with that publish value;
  // nothing when the read failed.
  std::optional<std::vector<base::Value>> getPublishImages(int publish);
  // The picture and thumbnail names of every published image, in that
  // order, row by row: what a sync fetches.
  std::optional<std::vector<std::string>> getPublishedPictureNames();
  std::vector<marvisto_library_files_Entity> getProductRelatedFilesByProductId(int productId);
  // Nothing when the read failed.
  std::optional<std::vector<std::string>> getAllIconAddress();
  std::optional<std::string> getFullImagePathByTitle(const std::string& title);

 private:
  std::vector<product_attribute_cell_Entity> attributeCells(int productId, bool withFieldId);
  std::vector<marvisto_product_Entity> products(const std::string& sql, int arg);
  std::optional<marvisto_product_Entity> firstProduct(const std::string& sql, int arg);
};

}  // namespace mv
