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

bool ListsModel::isListed(const char* table, int productId) {
  return scalarInt(sqlFor("SELECT 1 FROM $T WHERE product_id = ? LIMIT 1", table), productId).has_value();
}

bool ListsModel::insert(const char* table, int productId, const std::string& sku, const std::string& name) {
  // Asked first: a product already listed is an answer, not an error.
  if (isListed(table, productId)) return false;
  return exec(sqlFor("INSERT INTO $T (product_id, product_sku, product_name) VALUES (?, ?, ?)", table), productId,
              sku, name);
}

bool ListsModel::saveToDatabaseCompare(int productId, const std::string& sku, const std::string& name) {
  return insert(kCompare, productId, sku, name);
}

bool ListsModel::saveToDatabaseFavorite(int productId, const std::string& sku, const std::string& name) {
  return insert(kFavorite, productId, sku, name);
}

std::vector<marvisto_compare_Entity> ListsModel::getCompares() {
  std::vector<marvisto_compare_Entity> out;
  query(
      "SELECT c.product_id, c.product_sku, c.product_name FROM marvisto_compare c LEFT JOIN marvisto_product p "
      "ON p.product_id = c.product_id WHERE p.product_publish IS NULL OR p.product_publish != -1 ORDER BY c.rowid",
      [&](const SQLiteStatement& r) {
        marvisto_compare_Entity e;
        e.product_id = r.intAt(0);
        e.product_sku = displaySku(r.textAt(1), e.product_id);
        e.product_name = r.textAt(2);
        out.push_back(std::move(e));
      });
  return out;
}

std::vector<marvisto_favorite_Entity> ListsModel::getFavorites() {
  std::vector<marvisto_favorite_Entity> out;
  query(
      "SELECT f.product_id, f.product_sku, f.product_name FROM marvisto_favorite f LEFT JOIN marvisto_product p "
      "ON p.product_id = f.product_id WHERE p.product_publish IS NULL OR p.product_publish != -1 ORDER BY f.rowid",
      [&](const SQLiteStatement& r) {
        marvisto_favorite_Entity e;
        e.product_id = r.intAt(0);
        e.product_sku = displaySku(r.textAt(1), e.product_id);
        e.product_name = r.textAt(2);
        out.push_back(std::move(e));
      });
  return out;
}

std::optional<marvisto_compare_Entity> ListsModel::getCompareByCompareId(int productId) {
  std::optional<marvisto_compare_Entity> out;
  query(
      "SELECT product_id, product_sku, product_name FROM marvisto_compare WHERE product_id = ? LIMIT 1",
      [&](const SQLiteStatement& r) {
        marvisto_compare_Entity e;
        e.product_id = r.intAt(0);
        e.product_sku = displaySku(r.textAt(1), e.product_id);
        e.product_name = r.textAt(2);
        out = std::move(e);
      },
      productId);
  return out;
}

std::optional<marvisto_favorite_Entity> ListsModel::getFavoriteByFavoriteId(int productId) {
  std::optional<marvisto_favorite_Entity> out;
  query(
      "SELECT product_id, product_sku, product_name FROM marvisto_favorite WHERE product_id = ? LIMIT 1",
      [&](const SQLiteStatement& r) {
        marvisto_favorite_Entity e;
        e.product_id = r.intAt(0);
        e.product_sku = displaySku(r.textAt(1), e.product_id);
        e.product_name = r.textAt(2);
        out = std::move(e);
      },
      productId);
  return out;
}

bool ListsModel::deleteSingleCompareByCompareId(int productId) {
  return exec("DELETE FROM marvisto_compare WHERE product_id = ?", productId);
}

bool ListsModel::deleteSingleFavoriteByFavoriteId(int productId) {
  return exec("DELETE FROM marvisto_favorite WHERE product_id = ?", productId);
}

bool ListsModel::deleteAllCompare() { return exec("DELETE FROM marvisto_compare"); }

bool ListsModel::deleteAllFavorites() { return exec("DELETE FROM marvisto_favorite"); }

std::vector<base::Value> ListsModel::backupRows(const char* table) {
  std::vector<base::Value> out;
  query(sqlFor("SELECT l.product_id, l.product_sku, l.product_name FROM $T l JOIN marvisto_product p "
               "ON p.product_id = l.product_id WHERE p.product_publish != -1 ORDER BY l.rowid",
               table),
        [&](const SQLiteStatement& r) {
          base::Value v = base::Value::object();
          int id = r.intAt(0);
          v["product_id"] = id;
          v["product_sku"] = displaySku(r.textAt(1), id);
          v["product_name"] = r.textAt(2);
          out.push_back(std::move(v));
        });
  return out;
}

std::vector<base::Value> ListsModel::getAllFavoriteProductDic() { return backupRows(kFavorite); }

std::vector<base::Value> ListsModel::getAllComparesDic() { return backupRows(kCompare); }

}  // namespace mv
