#include "catalog/CategorySelection.hpp"

#include <set>

namespace mv {
namespace {

// Over the session's store on the main thread, or a worker's read-only reader.
template <typename Store>
class Collector {
 public:
  explicit Collector(Store& store) : store_(store) {}

  void collect(int categoryId) {
    if (!visited_.insert(categoryId).second) return;
    const auto children = store_.getCategoryWithParentCategoryid(categoryId);
    if (children.empty()) {
      append(store_.getProductsByCategory_id(categoryId));
      return;
    }
    for (const auto& child : children) {
      auto own = store_.getProductsByCategory_id(child.category_id);
      if (own.empty()) {
        collect(child.category_id);
      } else {
        append(std::move(own));
      }
    }
  }

  std::vector<marvisto_product_Entity> take() { return std::move(products_); }

 private:
  void append(std::vector<marvisto_product_Entity> found) {
    for (auto& p : found) {
      if (shown_.insert(p.product_id).second) products_.push_back(std::move(p));
    }
  }

  Store& store_;
  std::set<int> visited_;
  std::set<int> shown_;
  std::vector<marvisto_product_Entity> products_;
};

template <typename Store>
std::vector<marvisto_product_Entity> select(Store& store, int categoryId) {
  if (categoryId == CategorySelection::kAllProducts) return store.getAllProducts();
  Collector<Store> collector(store);
  collector.collect(categoryId);
  return collector.take();
}

}  // namespace

std::vector<marvisto_product_Entity> CategorySelection::getAllproductsEntity(DataAccessManager& store, int categoryId) {
  return select(store, categoryId);
}

std::vector<marvisto_product_Entity> CategorySelection::getAllproductsEntity(ProductListReader& store, int categoryId) {
  return select(store, categoryId);
}

int CategorySelection::parentOf(DataAccessManager& store, int categoryId) {
  const int parent = store.getParentCategoryId(categoryId);
  std::set<int> seen{categoryId};
  for (int up = parent; up != 0; up = store.getParentCategoryId(up)) {
    if (!seen.insert(up).second) return 0;
  }
  return parent;
}

}  // namespace mv
