#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.hpp"
#include "store/BaseDataModel.hpp"
#include "store/Entities.hpp"

namespace mv {

// The product favourites and the compare list: one row per product.
class ListsModel : public BaseDataModel {
 public:
  using BaseDataModel::BaseDataModel;
  [[nodiscard]] bool updateVersion() override;

  // Adds the product; false when it is already listed or the write failed.
  [[nodiscard]] bool saveToDatabaseCompare(int productId, const std::string& sku, const std::string& name);
  [[nodiscard]] bool saveToDatabaseFavorite(int productId, const std::string& sku, const std::string& name);

  // Rows in table order, without those whose product has publish -1 (a row
  // whose product is missing stays).
  std::vector<marvisto_compare_Entity> getCompares();
  std::vector<marvisto_favorite_Entity> getFavorites();

  std::optional<marvisto_compare_Entity> getCompareByCompareId(int productId);
  std::optional<marvisto_favorite_Entity> getFavoriteByFavoriteId(int productId);

  [[nodiscard]] bool deleteSingleCompareByCompareId(int productId);
  [[nodiscard]] bool deleteSingleFavoriteByFavoriteId(int productId);
  [[nodiscard]] bool deleteAllCompare();
  [[nodiscard]] bool deleteAllFavorites();

  // {"product_id", "product_sku", "product_name"} for rows whose product row
  // exists with publish other than -1; nothing when the read failed (a
  // backup must not take that for an empty list).
  std::optional<std::vector<base::Value>> getAllFavoriteProductDic();
  std::optional<std::vector<base::Value>> getAllComparesDic();

 private:
  [[nodiscard]] bool insert(const char* table, int productId, const std::string& sku, const std::string& name);
  [[nodiscard]] bool remove(const char* table, int productId);
  // Every listed row as getCompares / getFavorites give them; with a product
  // id, that product's row whatever its publish state.
  template <typename Entity>
  std::vector<Entity> listed(const char* table, std::optional<int> productId = std::nullopt);
  template <typename Entity>
  std::optional<Entity> listedProduct(const char* table, int productId);
  std::optional<std::vector<base::Value>> backupRows(const char* table);
};

}  // namespace mv
