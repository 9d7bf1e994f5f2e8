#include "sync/RequestSyncAllTable.hpp"

#include "sync/ReplyValues.hpp"
#include "util/Json.hpp"
#include "util/SessionContext.hpp"

namespace mv {
namespace {

std::optional<marvisto_product_attribute_Entity> productAttribute(const base::Value& row, int productId) {
  auto id = idOf(row, "attributeId");
  if (!id) {
    logSkippedRow("product attributes", "no usable \"attributeId\"");
    return std::nullopt;
  }
  marvisto_product_attribute_Entity e;
  e.attribute_id = *id;
  e.attribute_fields_id = intOf(row, "attributeFieldsId");
  e.attribute_value = textOf(row, "attributeValue");
  e.default_value = textOf(row, "defaultValue");
  e.product_id = productId;
  return e;
}

std::optional<marvisto_product_price_Entity> productPrice(const base::Value& row, int productId) {
  auto id = idOf(row, "priceID");
  if (!id) {
    logSkippedRow("prices", "no usable \"priceID\"");
    return std::nullopt;
  }
  marvisto_product_price_Entity e;
  e.price_id = *id;
  e.product_id = productId;
  e.vendor_group_id_list = textOf(row, "vendor_group_id_list");
  e.vendor_state_id_list = textOf(row, "vendor_state_id_list");
  e.vendor_id_list = textOf(row, "vendor_id_list");
  e.customer_id_list = textOf(row, "customer_id_list");
  e.price = doubleOf(row, "price");
  e.currency = textOf(row, "currency");
  e.discount_price = doubleOf(row, "discountPrice");
  e.discount_identifier = textOf(row, "discountIdentifier");
  e.discount_start_date = dateOf(row, "discountStartDate");
  e.discount_end_date = dateOf(row, "discountEndDate");
  e.discount_publish = intOf(row, "discountPublish");
  e.tier_start_date = dateOf(row, "tierStartDate");
  e.tier_end_date = dateOf(row, "tierEndDate");
  e.tier_quantity_price = textOf(row, "tierQuantityPrice");
  e.tier_publish = intOf(row, "tierPublish");
  e.discontRat = doubleOf(row, "discount_percentage");
  return e;
}

std::optional<marvisto_image_Entity> image(const base::Value& row) {
  auto id = idOf(row, "imageID");
  if (!id) {
    logSkippedRow("images", "no usable \"imageID\"");
    return std::nullopt;
  }
  marvisto_image_Entity e;
  e.image_id = *id;
  e.key_id = intOf(row, "keyID");
  e.key_type = textOf(row, "keyType");
  e.image_thumb_address = textOf(row, "thumbAddress");
  e.image_full_address = textOf(row, "fullAddress");
  e.image_isdault = intOf(row, "isDefault");
  e.image_s_desc = textOf(row, "imageShortDesc");
  e.image_l_desc = textOf(row, "imageDesc");
  e.image_publis = intOf(row, "imagePublish");
  e.image_ordering = intOf(row, "imageOrdering");
  return e;
}

template <typename T>
void append(std::vector<T>& into, std::optional<std::vector<T>> rows) {
  if (rows) into.insert(into.end(), std::make_move_iterator(rows->begin()), std::make_move_iterator(rows->end()));
}

// Index 0: each product row carries its attributes, category links, price and
// images, so all five tables come from it.
void decodeProducts(SyncAllTableRst& result, const base::Value& products) {
  result.productTable.emplace();
  result.productAttributeTable.emplace();
  result.productCategoryXrefTable.emplace();
  result.productPriceTable.emplace();
  result.imagesTable.emplace();
  for (const base::Value& row : products) {
    if (!row.is_object()) {
      logSkippedRow("products", "not an object");
      continue;
    }
    auto productId = idOf(row, "productID");
    if (!productId) {
      logSkippedRow("products", "no usable \"productID\"");
      continue;
    }
    marvisto_product_Entity p;
    p.product_buy = intOf(row, "productBuy");
    p.product_l_desc = textOf(row, "productDesc");
    p.product_id = *productId;
    p.product_name = textOf(row, "productName");
    p.product_ordering = intOf(row, "productOrdering");
    p.product_sku = textOf(row, "productSKU");
    p.product_sale = intOf(row, "productSale");
    p.product_s_desc = textOf(row, "productShortDesc");
    p.product_stock = intOf(row, "productStock");
    p.product_publish = intOf(row, "publish");
    p.product_tags = textOf(row, "productTag");
    result.productTable->push_back(std::move(p));

    append(*result.productAttributeTable,
           rowsOf<marvisto_product_attribute_Entity>(arrayMember(row, "attributes"), "product attributes",
                                                     [&](const base::Value& r) { return productAttribute(r, *productId); }));
    if (const base::Value* parents = arrayMember(row, "productParentList")) {
      for (const base::Value& parent : *parents) {
        auto categoryId = idValue(parent);
        if (!categoryId) {
          logSkippedRow("product category links", "not a category id");
          continue;
        }
        result.productCategoryXrefTable->push_back({*categoryId, *productId});
      }
    }
    if (auto price = productPrice(row, *productId)) result.productPriceTable->push_back(std::move(*price));
    append(*result.imagesTable, rowsOf<marvisto_image_Entity>(arrayMember(row, "images"), "images", image));
  }
}

}  // namespace

RequestSyncAllTable::RequestSyncAllTable()
    : SyncTableRequest(kCmdSyncAllTable, "product"), sessionId(SessionContext::sessionId()) {}

std::optional<std::string> RequestSyncAllTable::RequestEncode() const {
  return encodeTable(sessionId);
}

std::shared_ptr<NetBaseRst> RequestSyncAllTable::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<SyncAllTableRst>(recData);
  if (!result->isSuccess()) return result;
  const base::Value* content = contentArray(recData);
  if (!content) {
    markMalformedReply(*result, "no content list");
    return result;
  }
  if (const base::Value* products = elementAt(*content, 0); products && products->is_array()) {
    decodeProducts(*result, *products);
  }
  result->categoryTable = rowsOf<marvisto_category_Entity>(
      elementAt(*content, 1), "categories", [](const base::Value& row) -> std::optional<marvisto_category_Entity> {
        auto id = idOf(row, "categoryID");
        if (!id) {
          logSkippedRow("categories", "no usable \"categoryID\"");
          return std::nullopt;
        }
        marvisto_category_Entity e;
        e.category_id = *id;
        e.category_name = optionalTextOf(row, "categoryName");
        e.category_code = textOf(row, "categoryCode");
        e.category_type = textOf(row, "categoryType");
        e.category_publish = intOf(row, "categoryPublish");
        e.category_ordering = intOf(row, "categoryOrdering");
        e.category_parent_id = intOf(row, "categoryParentID");
        return e;
      });
  result->fieldsAttributeTable = rowsOf<marvisto_fields_product_attribute_Entity>(
      elementAt(*content, 2), "product attribute fields",
      [](const base::Value& row) -> std::optional<marvisto_fields_product_attribute_Entity> {
        auto id = idOf(row, "attributeFieldsId");
        if (!id) {
          logSkippedRow("product attribute fields", "no usable \"attributeFieldsId\"");
          return std::nullopt;
        }
        marvisto_fields_product_attribute_Entity e;
        e.field_id = *id;
        e.field_name = textOf(row, "attributeName");
        e.description = textOf(row, "description");
        e.selection_list = textOf(row, "attributeValue");
        e.display = intOf(row, "display");
        e.published = intOf(row, "published");
        return e;
      });
  result->productRelatedFilesTable = rowsOf<marvisto_product_related_files_Entity>(
      elementAt(*content, 3), "related files",
      [](const base::Value& row) -> std::optional<marvisto_product_related_files_Entity> {
        auto productId = idOf(row, "productId");
        auto fileId = idOf(row, "fileId");
        if (!productId || !fileId) {
          logSkippedRow("related files", "no usable \"productId\" or \"fileId\"");
          return std::nullopt;
        }
        marvisto_product_related_files_Entity e;
        e.product_id = *productId;
        e.product_sku = textOf(row, "productSku");
        e.file_id = *fileId;
        return e;
      });
  result->productTagTable = rowsOf<marvisto_tag_entity>(
      elementAt(*content, 4), "tags", [](const base::Value& row) -> std::optional<marvisto_tag_entity> {
        auto id = idOf(row, "id");
        if (!id) {
          logSkippedRow("tags", "no usable \"id\"");
          return std::nullopt;
        }
        marvisto_tag_entity e;
        e.tag_id = *id;
        e.tag_name = textOf(row, "tagName");
        return e;
      });
  result->productRelateTagTable = rowsOf<marvisto_product_related_tag_Entity>(
      elementAt(*content, 5), "product tag links",
      [](const base::Value& row) -> std::optional<marvisto_product_related_tag_Entity> {
        auto tagId = idOf(row, "tagId");
        auto productId = idOf(row, "productId");
        if (!tagId || !productId) {
          logSkippedRow("product tag links", "no usable \"tagId\" or \"productId\"");
          return std::nullopt;
        }
        return marvisto_product_related_tag_Entity{*tagId, *productId};
      });
  result->productRelatedTable = rowsOf<marvisto_product_related_Entity>(
      elementAt(*content, 6), "related products",
      [](const base::Value& row) -> std::optional<marvisto_product_related_Entity> {
        auto serial = idOf(row, "id");
        if (!serial) {
          logSkippedRow("related products", "no usable \"id\"");
          return std::nullopt;
        }
        marvisto_product_related_Entity e;
        e.serial = *serial;
        e.first_product_id = intOf(row, "firstProductId");
        e.second_product_id = intOf(row, "secondProductId");
        return e;
      });
  return result;
}

}  // namespace mv
