#pragma once
// The catalogue's tables: products with their attributes, category links,
// prices and images, categories, attribute fields, related files, tags, tag
// links and related products (command 513).
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/Entities.hpp"
#include "sync/SyncTableRequest.hpp"

namespace mv {

// Each table is absent when the reply did not carry it (the caller must leave
// that table alone) and present, possibly empty, when it did.
class SyncAllTableRst : public SyncTableRst {
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

// The product rows (with their attributes, links, prices and images) come a
// batch at a time, the other tables once at the end.
using SyncAllTableStore = SyncTableStore<SyncAllTableRst>;

class RequestSyncAllTable : public SyncTableRequest {
 public:
  // Takes the session id from the session; asks for the "product" part.
  RequestSyncAllTable();

  std::string sessionId;
  // When set, the reply's rows go into it while the reply is read (see
  // SyncAllTableStore) instead of into the result.
  std::shared_ptr<SyncAllTableStore> store;
  // Products per batch handed to the store.
  std::size_t productsPerBatch = 500;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
  std::shared_ptr<NetBaseRst> decodeReply(std::string_view recData) const override;
  // Its reply grows with the company: past a bound it is written to a file
  // and read from there.
  bool spillsReply() const override { return true; }
  std::shared_ptr<NetBaseRst> decodeMapped(const MappedFile& file) const override;
  // With a store: read and stored on a worker.
  bool decodesOffMainThread() const override { return store != nullptr; }
};

}  // namespace mv
