#include "sync/requests/RequestSyncAllTable.hpp"

#include <functional>
#include <utility>

#include "sync/ReplyReader.hpp"
#include "sync/StoredReply.hpp"
#include "util/Json.hpp"
#include "util/MappedFile.hpp"
#include "util/Session.hpp"

namespace mv {
namespace {

// A whole catalogue runs to tens of megabytes of reply text, so its records
// are made while the text is read, without a value of the whole reply.

// One product row carries the product, its price and its lists.
struct ProductRow {
  marvisto_product_Entity product;
  std::optional<int> productId;
  marvisto_product_price_Entity price;
  std::optional<int> priceId;
};

using Scalar = const JSONScalar&;

ReplyReader::Fields<ProductRow> productFields() {
  return {
      {"productID", [](ProductRow& r, Scalar v) { r.productId = idValue(v); }},
      {"productSKU", [](ProductRow& r, Scalar v) { r.product.product_sku = textOf(v); }},
      {"productName", [](ProductRow& r, Scalar v) { r.product.product_name = textOf(v); }},
      {"productShortDesc", [](ProductRow& r, Scalar v) { r.product.product_s_desc = textOf(v); }},
      {"productDesc", [](ProductRow& r, Scalar v) { r.product.product_l_desc = textOf(v); }},
      {"productBuy", [](ProductRow& r, Scalar v) { r.product.product_buy = intOf(v); }},
      {"productSale", [](ProductRow& r, Scalar v) { r.product.product_sale = intOf(v); }},
      {"productStock", [](ProductRow& r, Scalar v) { r.product.product_stock = intOf(v); }},
      {"productOrdering", [](ProductRow& r, Scalar v) { r.product.product_ordering = intOf(v); }},
      {"publish", [](ProductRow& r, Scalar v) { r.product.product_publish = intOf(v); }},
      {"productTag", [](ProductRow& r, Scalar v) { r.product.product_tags = textOf(v); }},
      {"priceID", [](ProductRow& r, Scalar v) { r.priceId = idValue(v); }},
      {"vendor_group_id_list", [](ProductRow& r, Scalar v) { r.price.vendor_group_id_list = textOf(v); }},
      {"vendor_state_id_list", [](ProductRow& r, Scalar v) { r.price.vendor_state_id_list = textOf(v); }},
      {"vendor_id_list", [](ProductRow& r, Scalar v) { r.price.vendor_id_list = textOf(v); }},
      {"customer_id_list", [](ProductRow& r, Scalar v) { r.price.customer_id_list = textOf(v); }},
      {"price", [](ProductRow& r, Scalar v) { r.price.price = doubleOf(v); }},
      {"currency", [](ProductRow& r, Scalar v) { r.price.currency = textOf(v); }},
      {"discountPrice", [](ProductRow& r, Scalar v) { r.price.discount_price = doubleOf(v); }},
      {"discountIdentifier", [](ProductRow& r, Scalar v) { r.price.discount_identifier = textOf(v); }},
      {"discountStartDate", [](ProductRow& r, Scalar v) { r.price.discount_start_date = dateOf(v); }},
      {"discountEndDate", [](ProductRow& r, Scalar v) { r.price.discount_end_date = dateOf(v); }},
      {"discountPublish", [](ProductRow& r, Scalar v) { r.price.discount_publish = intOf(v); }},
      {"tierStartDate", [](ProductRow& r, Scalar v) { r.price.tier_start_date = dateOf(v); }},
      {"tierEndDate", [](ProductRow& r, Scalar v) { r.price.tier_end_date = dateOf(v); }},
      {"tierQuantityPrice", [](ProductRow& r, Scalar v) { r.price.tier_quantity_price = textOf(v); }},
      {"tierPublish", [](ProductRow& r, Scalar v) { r.price.tier_publish = intOf(v); }},
      {"discount_percentage", [](ProductRow& r, Scalar v) { r.price.discontRat = doubleOf(v); }},
  };
}

using Attribute = Keyed<marvisto_product_attribute_Entity>;
ReplyReader::Fields<Attribute> attributeFields() {
  return {
      {"attributeId", [](Attribute& r, Scalar v) { r.key = idValue(v); }},
      {"attributeFieldsId", [](Attribute& r, Scalar v) { r.e.attribute_fields_id = intOf(v); }},
      {"attributeValue", [](Attribute& r, Scalar v) { r.e.attribute_value = textOf(v); }},
      {"defaultValue", [](Attribute& r, Scalar v) { r.e.default_value = textOf(v); }},
  };
}

using Image = Keyed<marvisto_image_Entity>;
ReplyReader::Fields<Image> imageFields() {
  return {
      {"imageID", [](Image& r, Scalar v) { r.key = idValue(v); }},
      {"keyID", [](Image& r, Scalar v) { r.e.key_id = intOf(v); }},
      {"keyType", [](Image& r, Scalar v) { r.e.key_type = textOf(v); }},
      {"thumbAddress", [](Image& r, Scalar v) { r.e.image_thumb_address = textOf(v); }},
      {"fullAddress", [](Image& r, Scalar v) { r.e.image_full_address = textOf(v); }},
      {"isDefault", [](Image& r, Scalar v) { r.e.image_isdault = intOf(v); }},
      {"imageShortDesc", [](Image& r, Scalar v) { r.e.image_s_desc = textOf(v); }},
      {"imageDesc", [](Image& r, Scalar v) { r.e.image_l_desc = textOf(v); }},
      {"imagePublish", [](Image& r, Scalar v) { r.e.image_publis = intOf(v); }},
      {"imageOrdering", [](Image& r, Scalar v) { r.e.image_ordering = intOf(v); }},
  };
}

using Category = Keyed<marvisto_category_Entity>;
ReplyReader::Fields<Category> categoryFields() {
  return {
      {"categoryID", [](Category& r, Scalar v) { r.key = idValue(v); }},
      {"categoryName", [](Category& r, Scalar v) { r.e.category_name = optionalTextOf(v); }},
      {"categoryCode", [](Category& r, Scalar v) { r.e.category_code = textOf(v); }},
      {"categoryType", [](Category& r, Scalar v) { r.e.category_type = textOf(v); }},
      {"categoryPublish", [](Category& r, Scalar v) { r.e.category_publish = intOf(v); }},
      {"categoryOrdering", [](Category& r, Scalar v) { r.e.category_ordering = intOf(v); }},
      {"categoryParentID", [](Category& r, Scalar v) { r.e.category_parent_id = intOf(v); }},
  };
}

using AttributeField = Keyed<marvisto_fields_product_attribute_Entity>;
ReplyReader::Fields<AttributeField> attributeFieldFields() {
  return {
      {"attributeFieldsId", [](AttributeField& r, Scalar v) { r.key = idValue(v); }},
      {"attributeName", [](AttributeField& r, Scalar v) { r.e.field_name = textOf(v); }},
      {"description", [](AttributeField& r, Scalar v) { r.e.description = textOf(v); }},
      {"attributeValue", [](AttributeField& r, Scalar v) { r.e.selection_list = textOf(v); }},
      {"display", [](AttributeField& r, Scalar v) { r.e.display = intOf(v); }},
      {"published", [](AttributeField& r, Scalar v) { r.e.published = intOf(v); }},
  };
}

using RelatedFile = Keyed<marvisto_product_related_files_Entity>;
ReplyReader::Fields<RelatedFile> relatedFileFields() {
  return {
      {"productId", [](RelatedFile& r, Scalar v) { r.key = idValue(v); }},
      {"productSku", [](RelatedFile& r, Scalar v) { r.e.product_sku = textOf(v); }},
      {"fileId", [](RelatedFile& r, Scalar v) { r.otherKey = idValue(v); }},
  };
}

using Tag = Keyed<marvisto_tag_entity>;
ReplyReader::Fields<Tag> tagFields() {
  return {
      {"id", [](Tag& r, Scalar v) { r.key = idValue(v); }},
      {"tagName", [](Tag& r, Scalar v) { r.e.tag_name = textOf(v); }},
  };
}

using TagLink = Keyed<marvisto_product_related_tag_Entity>;
ReplyReader::Fields<TagLink> tagLinkFields() {
  return {
      {"tagId", [](TagLink& r, Scalar v) { r.key = idValue(v); }},
      {"productId", [](TagLink& r, Scalar v) { r.otherKey = idValue(v); }},
  };
}

using RelatedProduct = Keyed<marvisto_product_related_Entity>;
ReplyReader::Fields<RelatedProduct> relatedProductFields() {
  return {
      {"id", [](RelatedProduct& r, Scalar v) { r.key = idValue(v); }},
      {"firstProductId", [](RelatedProduct& r, Scalar v) { r.e.first_product_id = intOf(v); }},
      {"secondProductId", [](RelatedProduct& r, Scalar v) { r.e.second_product_id = intOf(v); }},
  };
}

using Batches = RowBatches<SyncAllTableRst>;

// The product rows not yet handed on go; their tables stay present and
// empty.
void storeProducts(Batches& batches, SyncAllTableRst& r) {
  if (!batches.storing() || !r.productTable || r.productTable->empty()) return;
  SyncAllTableRst batch;
  batch.productTable = std::exchange(*r.productTable, {});
  batch.productAttributeTable = std::exchange(*r.productAttributeTable, {});
  batch.productCategoryXrefTable = std::exchange(*r.productCategoryXrefTable, {});
  batch.productPriceTable = std::exchange(*r.productPriceTable, {});
  batch.imagesTable = std::exchange(*r.imagesTable, {});
  batches.handOn(std::move(batch));
}

// The content is read: the other tables go, and the result keeps no rows.
void storeRest(Batches& batches, SyncAllTableRst& r) {
  if (!batches.storing()) return;
  storeProducts(batches, r);
  r.productTable.reset();
  r.productAttributeTable.reset();
  r.productCategoryXrefTable.reset();
  r.productPriceTable.reset();
  r.imagesTable.reset();
  batches.handOn(std::exchange(r, SyncAllTableRst()));
}

// After each product row: a full batch of product rows is handed on.
void productRead(Batches& batches, SyncAllTableRst& r) {
  if (batches.storing() && r.productTable && r.productTable->size() >= batches.perBatch()) storeProducts(batches, r);
}
// Index 0: each product row carries its attributes, category links, price and
// images, so all five tables come from it. Its lists name no product: the
// rows they give are numbered once the row's product id is known, and
// dropped with a row that has none.
class ProductsReader {
 public:
  ProductsReader(ReplyReader& in, SyncAllTableRst& result, Batches& batches)
      : in_(in), json_(in.json()), r_(result), batches_(batches) {}

  void read() {
    if (!json_.beginArray()) {
      json_.skipValue();
      return;
    }
    r_.productTable.emplace();
    r_.productAttributeTable.emplace();
    r_.productCategoryXrefTable.emplace();
    r_.productPriceTable.emplace();
    r_.imagesTable.emplace();
    while (json_.nextElement()) {
      if (json_.beginObject()) {
        readProduct();
        productRead(batches_, r_);
      } else {
        in_.skipRow("products", "not an object");
      }
    }
    storeProducts(batches_, r_);
  }

 private:
  void readProduct() {
    const std::size_t attributesFrom = r_.productAttributeTable->size();
    const std::size_t linksFrom = r_.productCategoryXrefTable->size();
    const std::size_t imagesFrom = r_.imagesTable->size();
    in_.beginRowNotes();
    ProductRow row;
    in_.members(row, products_, [&](std::string_view name) {
      // A list given twice counts once, as its last copy.
      if (name == "attributes") {
        r_.productAttributeTable->resize(attributesFrom);
        readAttributes();
      } else if (name == "productParentList") {
        r_.productCategoryXrefTable->resize(linksFrom);
        readCategoryLinks();
      } else if (name == "images") {
        r_.imagesTable->resize(imagesFrom);
        readImages();
      }
    });
    if (!row.productId) {
      r_.productAttributeTable->resize(attributesFrom);
      r_.productCategoryXrefTable->resize(linksFrom);
      r_.imagesTable->resize(imagesFrom);
      in_.forgetRowNotes();
      in_.skipRow("products", "no usable \"productID\"");
      return;
    }
    const int productId = *row.productId;
    row.product.product_id = productId;
    r_.productTable->push_back(std::move(row.product));
    for (std::size_t i = attributesFrom; i < r_.productAttributeTable->size(); ++i) {
      (*r_.productAttributeTable)[i].product_id = productId;
    }
    for (std::size_t i = linksFrom; i < r_.productCategoryXrefTable->size(); ++i) {
      (*r_.productCategoryXrefTable)[i].product_id = productId;
    }
    if (row.priceId) {
      row.price.price_id = *row.priceId;
      row.price.product_id = productId;
      r_.productPriceTable->push_back(std::move(row.price));
    } else {
      in_.leaveOut("prices", "no usable \"priceID\"");  // a product without a price
    }
  }

  void readAttributes() {
    in_.rows("product attributes", [&] {
      Attribute a;
      in_.members(a, attributes_);
      if (!a.key) {
        in_.skipRow("product attributes", "no usable \"attributeId\"");
        return;
      }
      a.e.attribute_id = *a.key;
      r_.productAttributeTable->push_back(std::move(a.e));
    });
  }

  void readCategoryLinks() {
    if (!json_.beginArray()) return;
    while (json_.nextElement()) {
      if (auto categoryId = idValue(json_.readScalar())) {
        r_.productCategoryXrefTable->push_back({*categoryId, 0});
      } else {
        in_.skipRow("product category links", "not a category id");
      }
    }
  }

  void readImages() {
    in_.rows("images", [&] {
      Image i;
      in_.members(i, images_);
      if (!i.key) {
        in_.skipRow("images", "no usable \"imageID\"");
        return;
      }
      i.e.image_id = *i.key;
      r_.imagesTable->push_back(std::move(i.e));
    });
  }

  ReplyReader& in_;
  JSONReader& json_;
  SyncAllTableRst& r_;
  Batches& batches_;
  ReplyReader::Fields<ProductRow> products_ = productFields();
  ReplyReader::Fields<Attribute> attributes_ = attributeFields();
  ReplyReader::Fields<Image> images_ = imageFields();
};

// The list of tables: products, categories, attribute fields, related files,
// tags, tag links, related products. A table that is not a list is absent.
bool readContent(ReplyReader& in, SyncAllTableRst& r, Batches& batches) {
  JSONReader& json = in.json();
  if (!json.beginArray()) return false;
  batches.beginContent();
  auto categories = categoryFields();
  auto attributeFields = attributeFieldFields();
  auto relatedFiles = relatedFileFields();
  auto tags = tagFields();
  auto tagLinks = tagLinkFields();
  auto relatedProducts = relatedProductFields();
  for (int index = 0; json.nextElement(); ++index) {
    switch (index) {
      case 0:
        ProductsReader(in, r, batches).read();
        break;
      case 1:
        r.categoryTable = in.table<marvisto_category_Entity>(
            "categories", "no usable \"categoryID\"", categories,
            [](Category&& row) -> std::optional<marvisto_category_Entity> {
              if (!row.key) return std::nullopt;
              row.e.category_id = *row.key;
              return std::move(row.e);
            });
        break;
      case 2:
        r.fieldsAttributeTable = in.table<marvisto_fields_product_attribute_Entity>(
            "product attribute fields", "no usable \"attributeFieldsId\"", attributeFields,
            [](AttributeField&& row) -> std::optional<marvisto_fields_product_attribute_Entity> {
              if (!row.key) return std::nullopt;
              row.e.field_id = *row.key;
              return std::move(row.e);
            });
        break;
      case 3:
        r.productRelatedFilesTable = in.table<marvisto_product_related_files_Entity>(
            "related files", "no usable \"productId\" or \"fileId\"", relatedFiles,
            [](RelatedFile&& row) -> std::optional<marvisto_product_related_files_Entity> {
              if (!row.key || !row.otherKey) return std::nullopt;
              row.e.product_id = *row.key;
              row.e.file_id = *row.otherKey;
              return std::move(row.e);
            });
        break;
      case 4:
        r.productTagTable = in.table<marvisto_tag_entity>(
            "tags", "no usable \"id\"", tags, [](Tag&& row) -> std::optional<marvisto_tag_entity> {
              if (!row.key) return std::nullopt;
              row.e.tag_id = *row.key;
              return std::move(row.e);
            });
        break;
      case 5:
        r.productRelateTagTable = in.table<marvisto_product_related_tag_Entity>(
            "product tag links", "no usable \"tagId\" or \"productId\"", tagLinks,
            [](TagLink&& row) -> std::optional<marvisto_product_related_tag_Entity> {
              if (!row.key || !row.otherKey) return std::nullopt;
              return marvisto_product_related_tag_Entity{*row.key, *row.otherKey};
            });
        break;
      case 6:
        r.productRelatedTable = in.table<marvisto_product_related_Entity>(
            "related products", "no usable \"id\"", relatedProducts,
            [](RelatedProduct&& row) -> std::optional<marvisto_product_related_Entity> {
              if (!row.key) return std::nullopt;
              row.e.serial = *row.key;
              return row.e;
            });
        break;
      default:
        break;  // not read: skipped
    }
  }
  storeRest(batches, r);
  return true;
}

}  // namespace

RequestSyncAllTable::RequestSyncAllTable()
    : SyncTableRequest(kCmdSyncAllTable, "product"), sessionId(Session::current().sessionId) {}

std::optional<std::string> RequestSyncAllTable::RequestEncode() const {
  return encodeTable(sessionId);
}

std::shared_ptr<NetBaseRst> RequestSyncAllTable::decodeReply(std::string_view recData) const {
  return decodeTableReply<SyncAllTableRst>(recData, nullptr, store.get(), productsPerBatch, cmdCode,
                                           "no content list", readContent);
}

std::shared_ptr<NetBaseRst> RequestSyncAllTable::decodeMapped(const MappedFile& file) const {
  return decodeTableReply<SyncAllTableRst>({}, &file, store.get(), productsPerBatch, cmdCode,
                                           "no content list", readContent);
}

std::shared_ptr<NetBaseRst> RequestSyncAllTable::RequestDecode(const base::Value* recData) const {
  // One decoder for both ways in: a parsed reply is read as its text.
  return decodeReply(recData ? recData->dump(-1, ' ', false, base::Value::error_handler_t::replace) : std::string());
}

}  // namespace mv
