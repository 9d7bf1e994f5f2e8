#pragma once
// The catalogue's tables: products with their attributes, category links,
// prices and images, categories, attribute fields, related files, tags, tag
// links and related products (command 513).
#include <optional>
#include <string>
#include <vector>

#include "store/Entities.hpp"
#include "sync/SyncTableRequest.hpp"

namespace mv {

// Each table is absent when the reply did not carry it (the caller must leave
// that table alone) and present, possibly empty, when it did.
class SyncAllTableRst : public NetBaseRst {
 public:
  std::optional<std::vector<marvisto_product_Entity>> productTable;
  std::optional<std::vector<marvisto_product_attribute_Entity>> productAttributeTable;
  std::optional<std::vector<marvisto_fields_product_attribute_Entity>> fieldsAttributeTable;
  std::optional<std::vector<marvisto_product_related_files_Entity>> productRelatedFilesTable;
  std::optional<std::vector<marvisto_product_category_xref_Entity>> productCategoryXrefTable;
  std::optional<std::vector<marvisto_product_price_Entity>> productPriceTable;
  std::optional<std::vector<marvisto_product_related_Entity>> productRelatedTable;
  std::optional<std::vector<marvisto_image_Entity>> imagesTable;
  std::optional<std::vector<marvisto_category_Entity>> categoryTable;
  std::optional<std::vector<marvisto_tag_entity>> productTagTable;
  std::optional<std::vector<marvisto_product_related_tag_Entity>> productRelateTagTable;
};

class RequestSyncAllTable : public SyncTableRequest {
 public:
  // Takes the session id from the session; asks for the "product" part.
  RequestSyncAllTable();

  std::string sessionId;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
  std::shared_ptr<NetBaseRst> decodeReply(std::string_view recData) const override;
};

}  // namespace mv
