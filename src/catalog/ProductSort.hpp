#pragma once
// The grid's four orders: by name, by SKU (both ignoring case), by the price
// charged now, and by the catalogue's own position. Each product's key is
// taken once and keys are compared plainly, ties keeping the products' order,
// so every order is a true ordering whatever the data holds.
#include <functional>
#include <vector>

#include "store/Entities.hpp"

namespace mv {

class ProductSort {
 public:
  static constexpr long kByName = 0;
  static constexpr long kBySku = 1;
  static constexpr long kByPrice = 2;
  static constexpr long kByOrdering = 3;

  // The price a product is sorted by: the discount price while it applies,
  // else the list price (a product without a price row counts 0).
  static double effectivePrice(const marvisto_product_price_Entity& price);

  // Sorts `products` by `type`; any other type leaves them as they are.
  // `priceOf` is asked once per product, for the price order only.
  static void sort(std::vector<marvisto_product_Entity>& products, long type,
                   const std::function<double(const marvisto_product_Entity&)>& priceOf);
};

}  // namespace mv
