#pragma once
// Which products choosing a category shows. The grid fills itself with this
// and the left panel counts with it, so a count always equals the number of
// cards that choosing its row brings up.
#include <vector>

#include "store/DataAccessManager.hpp"
#include "store/ProductListReader.hpp"

namespace mv {

class CategorySelection {
 public:
  static constexpr int kAllProducts = 0;
  static constexpr int kUncategorized = -1;

  // The products of category `categoryId`, each once, in the order shown:
  // for 0 every published product; for a category without sub-categories
  // (and for -1, the products filed under none) its own products; otherwise,
  // child by child, a child's own products when it has some, else what the
  // child itself selects. Products linked straight to a category that has
  // sub-categories are not shown. A category met again below itself (bad
  // data with a loop of parents) adds nothing the second time.
  static std::vector<marvisto_product_Entity> getAllproductsEntity(DataAccessManager& store, int categoryId);
  // The same, read on a worker's own connection.
  static std::vector<marvisto_product_Entity> getAllproductsEntity(ProductListReader& store, int categoryId);

  // The parent to go up to from `categoryId`: its parent, or the root when
  // following the parents from there never reaches the root.
  static int parentOf(DataAccessManager& store, int categoryId);
};

}  // namespace mv
