#include "store/ProductListReader.hpp"

#include <sqlite3.h>

#include <atomic>

#include "platform/base/Log.hpp"
#include "store/CatalogModel.hpp"
#include "store/RowReaders.hpp"
#include "store/SQLiteStatement.hpp"

namespace mv {

namespace {
std::atomic<int> busyTimeoutMs{5000};

// Whether the file keeps a write-ahead log (a failed look says no).
bool readsTheLog(sqlite3* db) {
  SQLiteStatement st(db, "PRAGMA journal_mode");
  return st && st.step() == SQLiteStatement::Step::Row && st.textAt(0) == "wal";
}
}  // namespace

void ProductListReader::setBusyTimeout(int milliseconds) { busyTimeoutMs = milliseconds; }

ProductListReader::ProductListReader(const std::filesystem::path& path) {
  sqlite3* db = nullptr;
  // No shared cache and no mutex: the connection stays on the thread that made it.
  const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    MV_LOG("Cannot open database ", path.string(), " to read: ", db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    failed_ = true;
    return;
  }
  db_ = db;
  // A sync storing a batch holds the file for a moment; the read waits for it.
  sqlite3_busy_timeout(db_, busyTimeoutMs.load());
  // The snapshot begins with the first read and lasts until the reader goes.
  if (readsTheLog(db_) && sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
    MV_LOG("A list read could not begin its snapshot: ", sqlite3_errmsg(db_));
    failed_ = true;
  }
}

ProductListReader::~ProductListReader() {
  if (!db_) return;
  if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db_);
}

template <typename OnRow>
void ProductListReader::query(const char* sql, OnRow&& onRow, const int* arg) {
  if (!db_) {
    failed_ = true;
    return;
  }
  SQLiteStatement st(db_, sql);
  if (!st) {
    failed_ = true;
    return;
  }
  if (arg) st.bindAll(*arg);
  for (;;) {
    const auto step = st.step();
    if (step == SQLiteStatement::Step::Done) return;
    if (step == SQLiteStatement::Step::Error) {
      failed_ = true;
      return;
    }
    onRow(static_cast<const SQLiteStatement&>(st));
  }
}

std::vector<marvisto_product_Entity> ProductListReader::getAllProducts() {
  std::vector<marvisto_product_Entity> out;
  query(CatalogModel::kAllProductsSql, [&](const SQLiteStatement& row) { out.push_back(rows::product(row)); },
        nullptr);
  return out;
}

std::vector<marvisto_product_Entity> ProductListReader::getProductsByCategory_id(int categoryId) {
  if (categoryId == -1) categoryId = 0;
  std::vector<marvisto_product_Entity> out;
  query(CatalogModel::kProductsOfCategorySql,
        [&](const SQLiteStatement& row) { out.push_back(rows::product(row)); }, &categoryId);
  return out;
}

std::vector<marvisto_category_Entity> ProductListReader::getCategoryWithParentCategoryid(int parentId) {
  std::vector<marvisto_category_Entity> out;
  query(CatalogModel::kChildCategoriesSql, [&](const SQLiteStatement& row) { out.push_back(rows::category(row)); },
        &parentId);
  return out;
}

std::map<int, marvisto_product_price_Entity> ProductListReader::getPriceOfEveryProduct() {
  std::map<int, marvisto_product_price_Entity> out;
  query(CatalogModel::kEveryPriceSql, [&](const SQLiteStatement& row) {
    auto price = rows::price(row);
    out.try_emplace(price.product_id, std::move(price));
  }, nullptr);
  return out;
}

std::map<int, marvisto_image_Entity> ProductListReader::getImageOfEveryProduct() {
  std::map<int, marvisto_image_Entity> out;
  query(CatalogModel::kEveryImageSql, [&](const SQLiteStatement& row) {
    auto image = rows::image(row);
    out.try_emplace(image.key_id, std::move(image));
  }, nullptr);
  return out;
}

std::vector<marvisto_tag_entity> ProductListReader::getAllProductTags() {
  CatalogModel::TagListBuilder tags;
  query(CatalogModel::kAllTagsSql, [&](const SQLiteStatement& row) { tags.addTag(row); }, nullptr);
  query(CatalogModel::kTagProductsSql, [&](const SQLiteStatement& row) { tags.addProduct(row); }, nullptr);
  return failed_ ? std::vector<marvisto_tag_entity>{} : tags.take();
}

}  // namespace mv
