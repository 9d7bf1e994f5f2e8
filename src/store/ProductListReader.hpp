#pragma once
// A read-only connection of its own to the client's database, for the lists
// that grow with the company (every product of a category, every price and
// picture): a worker makes it, reads and drops it, so the main thread's
// connection and screen never wait on those reads. It runs the same SQL as
// the catalogue model. One thread uses one reader; it never writes.
//
// Over the store's write-ahead log everything one reader reads is one
// snapshot: a list's products, prices and pictures are those of one moment,
// whatever a sync commits meanwhile, and the snapshot holds no writer up.
// (Without the log each read is its own, as a snapshot held there would
// keep the writer from committing.)
#include <filesystem>
#include <map>
#include <vector>

#include "store/Entities.hpp"

struct sqlite3;

namespace mv {

class ProductListReader {
 public:
  // Opens `path` read-only (never creates it); `isOpen` says whether it did.
  explicit ProductListReader(const std::filesystem::path& path);
  ~ProductListReader();
  ProductListReader(const ProductListReader&) = delete;
  ProductListReader& operator=(const ProductListReader&) = delete;

  // How long a read waits for a writer holding the file before it fails
  // (5 s; a test holding the file need not wait that long).
  static void setBusyTimeout(int milliseconds);

  bool isOpen() const { return db_ != nullptr; }
  // Whether any read so far failed (a failed read answers nothing found, so
  // the caller looks here before taking a list for the truth).
  bool failed() const { return failed_; }

  // The same answers as the catalogue model's reads of the same names.
  std::vector<marvisto_product_Entity> getAllProducts();
  // -1: the products filed under no category.
  std::vector<marvisto_product_Entity> getProductsByCategory_id(int categoryId);
  std::vector<marvisto_category_Entity> getCategoryWithParentCategoryid(int parentId);
  std::map<int, marvisto_product_price_Entity> getPriceOfEveryProduct();
  std::map<int, marvisto_image_Entity> getImageOfEveryProduct();
  std::vector<marvisto_tag_entity> getAllProductTags();

 private:
  template <typename OnRow>
  void query(const char* sql, OnRow&& onRow, const int* arg);

  sqlite3* db_ = nullptr;
  bool failed_ = false;
};

}  // namespace mv
