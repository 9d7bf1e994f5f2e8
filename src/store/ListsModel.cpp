#include "store/ListsModel.hpp"

#include "store/Schema.hpp"

namespace mv {

namespace {
// Table names are ours (two fixed literals), never a caller's text.
std::string sqlFor(const char* pattern, const char* table) {
  std::string out = pattern;
  auto at = out.find("$T");
  while (at != std::string::npos) {
    out.replace(at, 2, table);
    at = out.find("$T");
  }
  return out;
}
const char* const kFavorite = "marvisto_favorite";
const char* const kCompare = "marvisto_compare";
}  // namespace

bool ListsModel::updateVersion() { return Schema::upgradeGroup(db(), "lists"); }

bool ListsModel::insert(const char* table, int productId, const std::string& sku, const std::string& name) {
  // Asked first: a product already listed is an answer, not an error.
  auto listed = exists(sqlFor("SELECT 1 FROM $T WHERE product_id = ? LIMIT 1", table), productId);
  if (!listed || *listed) return false;
  return exec(sqlFor("INSERT INTO $T (product_id, product_sku, product_name) VALUES (?, ?, ?)", table), productId,
              sku, name);
}

bool ListsModel::saveToDatabaseCompare(int productId, const std::string& sku, const std::string& name) {
  return insert(kCompare, productId, sku, name);
}

bool ListsModel::saveToDatabaseFavorite(int productId, const std::string& sku, const std::string& name) {
  return insert(kFavorite, productId, sku, name);
}

// The compare and favourite records carry the same three columns.
// The lists are only shown: a failed read shows as an empty list.
template <typename Entity>
std::vector<Entity> ListsModel::listed(const char* table, std::optional<int> productId) {
  auto read = [&](const SQLiteStatement& r) {
    Entity e;
    e.product_id = r.intAt(0);
    e.product_sku = displaySku(r.textAt(1), e.product_id);
    e.product_name = r.textAt(2);
    return e;
  };
  if (productId) {
    return shownAsEmpty(readRows(
        sqlFor("SELECT product_id, product_sku, product_name FROM $T WHERE product_id = ? LIMIT 1", table), read,
        *productId));
  }
  return shownAsEmpty(readRows(
      sqlFor("SELECT l.product_id, l.product_sku, l.product_name FROM $T l LEFT JOIN marvisto_product p "
             "ON p.product_id = l.product_id WHERE p.product_publish IS NULL OR p.product_publish != -1 "
             "ORDER BY l.rowid",
             table),
      read));
}

template <typename Entity>
std::optional<Entity> ListsModel::listedProduct(const char* table, int productId) {
  auto found = listed<Entity>(table, productId);
  if (found.empty()) return std::nullopt;
  return std::move(found.front());
}

std::vector<marvisto_compare_Entity> ListsModel::getCompares() { return listed<marvisto_compare_Entity>(kCompare); }

std::vector<marvisto_favorite_Entity> ListsModel::getFavorites() {
  return listed<marvisto_favorite_Entity>(kFavorite);
}

std::optional<marvisto_compare_Entity> ListsModel::getCompareByCompareId(int productId) {
  return listedProduct<marvisto_compare_Entity>(kCompare, productId);
}

std::optional<marvisto_favorite_Entity> ListsModel::getFavoriteByFavoriteId(int productId) {
  return listedProduct<marvisto_favorite_Entity>(kFavorite, productId);
}

bool ListsModel::remove(const char* table, int productId) {
  return exec(sqlFor("DELETE FROM $T WHERE product_id = ?", table), productId);
}

bool ListsModel::deleteSingleCompareByCompareId(int productId) { return remove(kCompare, productId); }

bool ListsModel::deleteSingleFavoriteByFavoriteId(int productId) { return remove(kFavorite, productId); }

bool ListsModel::deleteAllCompare() { return exec("DELETE FROM marvisto_compare"); }

bool ListsModel::deleteAllFavorites() { return exec("DELETE FROM marvisto_favorite"); }

std::optional<std::vector<base::Value>> ListsModel::backupRows(const char* table) {
  return readRows(sqlFor("SELECT l.product_id, l.product_sku, l.product_name FROM $T l JOIN marvisto_product p "
                         "ON p.product_id = l.product_id WHERE p.product_publish != -1 ORDER BY l.rowid",
                         table),
                  [&](const SQLiteStatement& r) {
                    base::Value v = base::Value::object();
                    int id = r.intAt(0);
                    v["product_id"] = id;
                    v["product_sku"] = displaySku(r.textAt(1), id);
                    v["product_name"] = r.textAt(2);
                    return v;
                  });
}

std::optional<std::vector<base::Value>> ListsModel::getAllFavoriteProductDic() { return backupRows(kFavorite); }

std::optional<std::vector<base::Value>> ListsModel::getAllComparesDic() { return backupRows(kCompare); }

}  // namespace mv
