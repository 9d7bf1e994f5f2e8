#include "catalog/CategorySelection.hpp"

#include <set>

namespace mv {
namespace {

class Collector {
 public:
  explicit Collector(DataAccessManager& store) : store_(store) {}

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

  DataAccessManager& store_;
  std::set<int> visited_;
  std::set<int> shown_;
  std::vector<marvisto_product_Entity> products_;
};

}  // namespace

std::vector<marvisto_product_Entity> CategorySelection::getAllproductsEntity(DataAccessManager& store, int categoryId) {
  if (categoryId == kAllProducts) return store.getAllProducts();
  Collector collector(store);
  collector.collect(categoryId);
  return collector.take();
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
