#include "store/CatalogModel.hpp"

#include <map>
#include <set>

#include "platform/base/Date.hpp"
#include "store/RowReaders.hpp"
#include "store/Schema.hpp"
#include "util/Text.hpp"

namespace mv {

bool CatalogModel::updateVersion() { return Schema::upgradeGroup(db(), "catalog"); }

bool CatalogModel::hasProductAttributes() {
  return exists("SELECT 1 FROM marvisto_product_attribute LIMIT 1").value_or(true);
}

bool CatalogModel::hasCategoryLinks() {
  return exists("SELECT 1 FROM marvisto_product_category_xref LIMIT 1").value_or(true);
}

bool CatalogModel::saveToDatabaseProduct(const std::vector<marvisto_product_Entity>& products) {
  // A store without attribute values (the first sync) has none to drop.
  return saveToDatabaseProduct(products, hasProductAttributes());
}

bool CatalogModel::saveToDatabaseProduct(const std::vector<marvisto_product_Entity>& products,
                                         bool dropOldAttributes) {
  return inTransaction([&] {
    SQLiteStatement put = db().prepareCached(
        "INSERT OR REPLACE INTO marvisto_product (product_id, product_sku, product_name, product_s_desc, "
        "product_l_desc, product_publish, product_ordering, product_stock, product_sale, product_buy, product_tags) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    SQLiteStatement dropAttributes = db().prepareCached("DELETE FROM marvisto_product_attribute WHERE product_id = ?");
    if (!put || !dropAttributes) return false;
    for (const auto& p : products) {
      put.reset();
      put.bindAll(p.product_id, p.product_sku, p.product_name, p.product_s_desc, p.product_l_desc,
                  p.product_publish, p.product_ordering, p.product_stock, p.product_sale, p.product_buy,
                  p.product_tags);
      if (!put.run()) return false;
      if (!dropOldAttributes) continue;
      dropAttributes.reset();
      dropAttributes.bind(1, p.product_id);
      if (!dropAttributes.run()) return false;
    }
    return true;
  });
}

bool CatalogModel::saveToDatabaseProductAttribute(const std::vector<marvisto_product_attribute_Entity>& rows) {
  // An upsert, not a replace (the same row results: every column is given,
  // and the product id is never null). A replace on a table with an index
  // and a NOT NULL column makes SQLite guard each row with a statement
  // journal, copying the pages it touches: a third more time per row.
  return saveRows(
      "INSERT INTO marvisto_product_attribute (attribute_id, product_id, attribute_fields_id, attribute_value, "
      "default_value) VALUES (?, ?, ?, ?, ?) ON CONFLICT(attribute_id) DO UPDATE SET "
      "product_id = excluded.product_id, attribute_fields_id = excluded.attribute_fields_id, "
      "attribute_value = excluded.attribute_value, default_value = excluded.default_value",
      rows, [](SQLiteStatement& st, const auto& r) {
        st.bindAll(r.attribute_id, r.product_id, r.attribute_fields_id, r.attribute_value, r.default_value);
      });
}

bool CatalogModel::saveToDatabaseFieldsProductAttribute(
    const std::vector<marvisto_fields_product_attribute_Entity>& rows) {
  return saveRows(
      "INSERT OR REPLACE INTO marvisto_fields_product_attribute (field_id, field_name, description, "
      "selection_list, display, published) VALUES (?, ?, ?, ?, ?, ?)",
      rows, [](SQLiteStatement& st, const auto& r) {
        st.bindAll(r.field_id, r.field_name, r.description, r.selection_list, r.display, r.published);
      });
}

bool CatalogModel::saveToDatabasePxrefC(const std::vector<marvisto_product_category_xref_Entity>& links) {
  return saveToDatabasePxrefC(links, {});
}

bool CatalogModel::saveToDatabasePxrefC(const std::vector<marvisto_product_category_xref_Entity>& links,
                                        const std::vector<int>& productIds) {
  // A store without links (the first sync) has none to drop.
  return saveToDatabasePxrefC(links, productIds, hasCategoryLinks());
}

bool CatalogModel::saveToDatabasePxrefC(const std::vector<marvisto_product_category_xref_Entity>& links,
                                        const std::vector<int>& productIds, bool dropOldLinks) {
  // All old links go first, then all new ones: deleting per link would leave
  // a product in two categories with only its last link.
  return inTransaction([&] {
    SQLiteStatement drop = db().prepareCached("DELETE FROM marvisto_product_category_xref WHERE product_id = ?");
    SQLiteStatement put = db().prepareCached(
        "INSERT OR REPLACE INTO marvisto_product_category_xref (category_id, product_id) VALUES (?, ?)");
    if (!drop || !put) return false;
    if (dropOldLinks) {
      std::set<int> named(productIds.begin(), productIds.end());
      for (const auto& l : links) named.insert(l.product_id);
      for (int id : named) {
        drop.reset();
        drop.bind(1, id);
        if (!drop.run()) return false;
      }
    }
    for (const auto& l : links) {
      put.reset();
      put.bindAll(l.category_id, l.product_id);
      if (!put.run()) return false;
    }
    return true;
  });
}

bool CatalogModel::saveToDatabasePrice(const std::vector<marvisto_product_price_Entity>& rows) {
  // An upsert, as for the attribute values.
  return saveRows(
      "INSERT INTO marvisto_product_price (price_id, product_id, vendor_group_id_list, vendor_state_id_list, "
      "vendor_id_list, customer_id_list, price, currency, discount_price, discount_identifier, discount_start_date, "
      "discount_end_date, discount_publish, tier_start_date, tier_end_date, tier_quantity_price, tier_publish, "
      "discontRat) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT(price_id) DO UPDATE SET "
      "product_id = excluded.product_id, vendor_group_id_list = excluded.vendor_group_id_list, "
      "vendor_state_id_list = excluded.vendor_state_id_list, vendor_id_list = excluded.vendor_id_list, "
      "customer_id_list = excluded.customer_id_list, price = excluded.price, currency = excluded.currency, "
      "discount_price = excluded.discount_price, discount_identifier = excluded.discount_identifier, "
      "discount_start_date = excluded.discount_start_date, discount_end_date = excluded.discount_end_date, "
      "discount_publish = excluded.discount_publish, tier_start_date = excluded.tier_start_date, "
      "tier_end_date = excluded.tier_end_date, tier_quantity_price = excluded.tier_quantity_price, "
      "tier_publish = excluded.tier_publish, discontRat = excluded.discontRat",
      rows, [](SQLiteStatement& st, const auto& r) {
        st.bindAll(r.price_id, r.product_id, r.vendor_group_id_list, r.vendor_state_id_list, r.vendor_id_list,
                   r.customer_id_list, r.price, r.currency, r.discount_price, r.discount_identifier,
                   r.discount_start_date, r.discount_end_date, r.discount_publish, r.tier_start_date,
                   r.tier_end_date, r.tier_quantity_price, r.tier_publish, r.discontRat);
      });
}

bool CatalogModel::saveToDatabaseProductrelated(const std::vector<marvisto_product_related_Entity>& rows) {
  return saveRows(
      "INSERT OR REPLACE INTO marvisto_product_related (serial, first_product_id, second_product_id) "
      "VALUES (?, ?, ?)",
      rows,
      [](SQLiteStatement& st, const auto& r) { st.bindAll(r.serial, r.first_product_id, r.second_product_id); },
      "DELETE FROM marvisto_product_related");
}

bool CatalogModel::saveToDatabaseImage(const std::vector<marvisto_image_Entity>& rows) {
  return saveRows(
      "INSERT OR REPLACE INTO marvisto_image (image_id, key_id, key_type, image_thumb_address, "
      "image_full_address, image_isdault, image_s_desc, image_l_desc, image_publis, image_ordering) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
      rows, [](SQLiteStatement& st, const auto& r) {
        st.bindAll(r.image_id, r.key_id, r.key_type, r.image_thumb_address, r.image_full_address, r.image_isdault,
                   r.image_s_desc, r.image_l_desc, r.image_publis, r.image_ordering);
      });
}

bool CatalogModel::saveToDatabaseCategory(const std::vector<marvisto_category_Entity>& rows) {
  return saveRows(
      "INSERT OR REPLACE INTO marvisto_category (category_id, category_name, category_code, category_type, "
      "category_publish, category_ordering, category_parent_id) VALUES (?, ?, ?, ?, ?, ?, ?)",
      rows, [](SQLiteStatement& st, const auto& r) {
        st.bindAll(r.category_id, r.category_name, r.category_code, r.category_type, r.category_publish,
                   r.category_ordering, r.category_parent_id);
      });
}

bool CatalogModel::saveToDatabaseProductRelatedFile(const std::vector<marvisto_product_related_files_Entity>& rows) {
  return saveRows(
      "INSERT OR REPLACE INTO marvisto_product_related_files (file_id, product_sku, product_id) VALUES (?, ?, ?)",
      rows, [](SQLiteStatement& st, const auto& r) { st.bindAll(r.file_id, r.product_sku, r.product_id); },
      "DELETE FROM marvisto_product_related_files");
}

bool CatalogModel::saveToDatabaseProductTag(const std::vector<marvisto_tag_entity>& rows) {
  return saveRows(
      "INSERT OR REPLACE INTO marvisto_tag (tag_id, tag_name) VALUES (?, ?)", rows,
      [](SQLiteStatement& st, const auto& r) { st.bindAll(r.tag_id, r.tag_name); }, "DELETE FROM marvisto_tag");
}

bool CatalogModel::saveToDatabaseProductRelatedTag(const std::vector<marvisto_product_related_tag_Entity>& rows) {
  return saveRows(
      "INSERT OR REPLACE INTO marvisto_product_related_tag (tag_id, product_id) VALUES (?, ?)", rows,
      [](SQLiteStatement& st, const auto& r) { st.bindAll(r.tag_id, r.product_id); },
      "DELETE FROM marvisto_product_related_tag");
}

bool CatalogModel::saveToDatabaseIcon(const std::vector<marvisto_icon_Entity>& rows) {
  return saveRows(
      "INSERT OR REPLACE INTO marvisto_icon (_id, title, name, width, height, description, category, publish) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
      rows, [](SQLiteStatement& st, const auto& r) {
        st.bindAll(r._id, r.title, r.name, r.width, r.height, r.description, r.category, r.publish);
      });
}

// --- products -------------------------------------------------------------------

// The catalogue's screens only show what they find: a failed read of the
// products, categories, tags, attributes or images shows as none.

std::vector<marvisto_product_Entity> CatalogModel::products(const std::string& sql, int arg) {
  return shownAsEmpty(readRows(sql, rows::product, arg));
}

std::optional<marvisto_product_Entity> CatalogModel::firstProduct(const std::string& sql, int arg) {
  return readFirst(sql, rows::product, arg).value_or(std::nullopt);
}

std::vector<marvisto_product_Entity> CatalogModel::getAllProducts() {
  return shownAsEmpty(readRows(kAllProductsSql, rows::product));
}

std::optional<std::int64_t> CatalogModel::countProducts() {
  return countOf("SELECT COUNT(*) FROM marvisto_product WHERE product_publish = 1");
}

std::optional<marvisto_product_Entity> CatalogModel::getProductByProductId(int productId) {
  return firstProduct("SELECT * FROM marvisto_product WHERE product_id = ? AND product_publish = 1", productId);
}

std::optional<marvisto_product_Entity> CatalogModel::getStoredProduct(int productId) {
  return firstProduct("SELECT * FROM marvisto_product WHERE product_id = ?", productId);
}

std::vector<marvisto_product_Entity> CatalogModel::getProductsByCategory_id(int categoryId) {
  if (categoryId == -1) categoryId = 0;
  return products(kProductsOfCategorySql, categoryId);
}

std::vector<marvisto_product_Entity> CatalogModel::getProductsBySearchString(const std::string& text) {
  return shownAsEmpty(readRows(
      "SELECT * FROM marvisto_product WHERE product_publish = 1 AND (product_sku LIKE ?1 ESCAPE '\\' OR "
      "product_name LIKE ?1 ESCAPE '\\' OR product_tags LIKE ?1 ESCAPE '\\') ORDER BY product_name",
      rows::product, likeContains(text)));
}

std::optional<std::vector<marvisto_product_Entity>> CatalogModel::getrelatedProductIDsByProductid(int productId) {
  auto found = products(
      "SELECT * FROM marvisto_product WHERE product_publish = 1 AND product_id IN "
      "(SELECT second_product_id FROM marvisto_product_related WHERE first_product_id = ?1 "
      "UNION SELECT first_product_id FROM marvisto_product_related WHERE second_product_id = ?1)",
      productId);
  if (found.empty()) return std::nullopt;
  return found;
}

// --- tags -------------------------------------------------------------------------

std::vector<std::string> CatalogModel::getAllTagsByProductID(int productId) {
  std::vector<std::string> tags;
  auto text = scalarText("SELECT product_tags FROM marvisto_product WHERE product_id = ? AND product_publish = 1",
                         productId)
                  .value_or(std::nullopt);
  if (!text || text->empty()) return tags;
  size_t start = 0;
  for (;;) {
    size_t comma = text->find(',', start);
    tags.push_back(text->substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return tags;
}

namespace {

marvisto_tag_entity tagRow(const SQLiteStatement& r) {
  marvisto_tag_entity t;
  t.tag_id = r.intAt(0);
  t.tag_name = r.textAt(1);
  return t;
}

}  // namespace

std::vector<marvisto_tag_entity> CatalogModel::getTagsByProductID(int productId) {
  return shownAsEmpty(readRows(
      "SELECT t.tag_id, t.tag_name FROM marvisto_tag t JOIN marvisto_product_related_tag r ON r.tag_id = t.tag_id "
      "WHERE r.product_id = ? ORDER BY t.tag_id",
      tagRow, productId));
}

void CatalogModel::TagListBuilder::addTag(const SQLiteStatement& row) {
  byId_[row.intAt(0)] = tags_.size();
  tags_.push_back(tagRow(row));
}

void CatalogModel::TagListBuilder::addProduct(const SQLiteStatement& row) {
  auto it = byId_.find(row.intAt(0));
  if (it != byId_.end()) tags_[it->second].products.push_back(row.intAt(1));
}

std::vector<marvisto_tag_entity> CatalogModel::getAllProductTags() {
  TagListBuilder tags;
  // Tags without their products would list every tag as empty: none at all.
  const bool read = query(kAllTagsSql, [&](const SQLiteStatement& r) { tags.addTag(r); }) &&
                    query(kTagProductsSql, [&](const SQLiteStatement& r) { tags.addProduct(r); });
  return read ? tags.take() : std::vector<marvisto_tag_entity>{};
}

// --- categories -----------------------------------------------------------------

marvisto_category_Entity CatalogModel::getCategoryWithCategoryid(int categoryId) {
  return readFirst("SELECT * FROM marvisto_category WHERE category_id = ? AND category_publish = 1 LIMIT 1",
                   rows::category, categoryId)
      .value_or(std::nullopt)
      .value_or(marvisto_category_Entity{});
}

std::vector<marvisto_category_Entity> CatalogModel::getCategoryWithParentCategoryid(int parentId) {
  return shownAsEmpty(readRows(
kChildCategoriesSql, rows::category, parentId));
}

int CatalogModel::getCategoryCountUnderCategoryid(int categoryId) {
  return static_cast<int>(
      scalarInt("SELECT COUNT(*) FROM marvisto_category WHERE category_publish = 1 AND category_parent_id = ?",
                categoryId)
          .value_or(std::nullopt)
          .value_or(0));
}

int CatalogModel::getParentCategoryId(int categoryId) {
  // A failed read goes back to the top level.
  return static_cast<int>(scalarInt("SELECT category_parent_id FROM marvisto_category WHERE category_id = ?",
                                    categoryId)
                              .value_or(std::nullopt)
                              .value_or(0));
}

// --- attributes, prices, images ---------------------------------------------------

std::vector<product_attribute_cell_Entity> CatalogModel::attributeCells(int productId, bool withFieldId) {
  return shownAsEmpty(readRows(
      "SELECT f.field_id, f.field_name, f.selection_list, a.attribute_value FROM marvisto_product_attribute a "
      "JOIN marvisto_fields_product_attribute f ON f.field_id = a.attribute_fields_id "
      "WHERE a.product_id = ? AND f.published = 1 AND f.display = 1 ORDER BY a.rowid",
      [&](const SQLiteStatement& r) {
        product_attribute_cell_Entity c;
        if (withFieldId) c.field_id = r.intAt(0);
        c.fieldName = r.textAt(1);
        std::string own = r.textAt(3);
        // The product's own option list; the field's list when it has none.
        c.attributeList = isBlank(own) ? r.textAt(2) : own;
        return c;
      },
      productId));
}

std::vector<product_attribute_cell_Entity> CatalogModel::getProductAttributeByProductId(int productId) {
  return attributeCells(productId, false);
}

std::vector<product_attribute_cell_Entity> CatalogModel::getProductAttributeFieldInfoByProductId(int productId) {
  return attributeCells(productId, true);
}

marvisto_product_price_Entity CatalogModel::getPriceEntityByProductId(int productId) {
  // A failed read shows as a product without a price.
  marvisto_product_price_Entity out =
      readFirst("SELECT * FROM marvisto_product_price WHERE product_id = ? ORDER BY rowid LIMIT 1", rows::price,
                productId)
          .value_or(std::nullopt)
          .value_or(marvisto_product_price_Entity{});
  out.discount_flag = out.discountActiveAt(base::Date::now());
  return out;
}

std::optional<marvisto_image_Entity> CatalogModel::getImageByKeyId(int productId) {
  return readFirst(
             "SELECT * FROM marvisto_image WHERE key_id = ? AND image_isdault = 1 AND image_publis = 1 "
             "ORDER BY image_ordering, image_id LIMIT 1",
             rows::image, productId)
      .value_or(std::nullopt);
}

std::optional<std::map<int, marvisto_product_price_Entity>> CatalogModel::getPriceOfEveryProduct() {
  std::map<int, marvisto_product_price_Entity> out;
  const bool read = query(kEveryPriceSql, [&](const SQLiteStatement& row) {
    auto price = rows::price(row);
    out.try_emplace(price.product_id, std::move(price));
  });
  if (!read) return std::nullopt;
  return out;
}

std::optional<std::map<int, marvisto_image_Entity>> CatalogModel::getImageOfEveryProduct() {
  std::map<int, marvisto_image_Entity> out;
  const bool read = query(kEveryImageSql, [&](const SQLiteStatement& row) {
    auto image = rows::image(row);
    out.try_emplace(image.key_id, std::move(image));
  });
  if (!read) return std::nullopt;
  return out;
}

std::vector<marvisto_image_Entity> CatalogModel::getManyImageByKeyId(int productId) {
  return shownAsEmpty(readRows(
      "SELECT * FROM marvisto_image WHERE key_id = ? AND image_publis = 1 "
      "ORDER BY image_isdault = 1 DESC, image_ordering, image_id",
      rows::image, productId));
}

std::optional<std::vector<base::Value>> CatalogModel::getPublishImages(int publish) {
  return readRows(
      "SELECT image_full_address, image_thumb_address FROM marvisto_image WHERE image_publis = ?",
      [](const SQLiteStatement& r) {
        base::Value v = base::Value::object();
        v["imageFull"] = r.textAt(0);
        v["imageThumb"] = r.textAt(1);
        return v;
      },
      publish);
}

std::optional<std::vector<std::string>> CatalogModel::getPublishedPictureNames() {
  std::vector<std::string> names;
  const bool read = query("SELECT image_full_address, image_thumb_address FROM marvisto_image WHERE image_publis = 1",
                          [&names](const SQLiteStatement& r) {
                            names.push_back(r.textAt(0));
                            names.push_back(r.textAt(1));
                          });
  if (!read) return std::nullopt;
  return names;
}

std::vector<marvisto_library_files_Entity> CatalogModel::getProductRelatedFilesByProductId(int productId) {
  return shownAsEmpty(readRows(
      "SELECT f.* FROM marvisto_library_files f WHERE f.published = 1 AND f.file_id IN "
      "(SELECT file_id FROM marvisto_product_related_files WHERE product_id = ?) ORDER BY f.title",
      rows::libraryFile, productId));
}

std::optional<std::vector<std::string>> CatalogModel::getAllIconAddress() {
  return readRows("SELECT name FROM marvisto_icon", [](const SQLiteStatement& r) { return r.textAt(0); });
}

std::optional<std::string> CatalogModel::getFullImagePathByTitle(const std::string& title) {
  if (title.empty()) return std::nullopt;
  // A failed read is an icon not found: the screen shows none.
  auto name = scalarText("SELECT name FROM marvisto_icon WHERE title = ? AND publish = 1 LIMIT 1", title)
                  .value_or(std::nullopt);
  if (!name || name->empty()) return std::nullopt;
  return name;
}

}  // namespace mv
