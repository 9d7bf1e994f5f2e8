#include "catalog/ProductSort.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <variant>

#include "util/Text.hpp"

namespace mv {

double ProductSort::effectivePrice(const marvisto_product_price_Entity& price) {
  const double amount = price.discount_flag ? price.discount_price : price.price;
  return std::isfinite(amount) ? amount : 0;
}

void ProductSort::sort(std::vector<marvisto_product_Entity>& products, long type,
                       const std::function<double(const marvisto_product_Entity&)>& priceOf) {
  if (type < kByName || type > kByOrdering) return;
  using Key = std::variant<std::string, double, int>;
  std::vector<Key> keys;
  keys.reserve(products.size());
  for (const auto& product : products) {
    switch (type) {
      case kByName:
        keys.emplace_back(lowercase(product.product_name));
        break;
      case kBySku:
        keys.emplace_back(lowercase(product.product_sku));
        break;
      case kByPrice: {
        const double price = priceOf ? priceOf(product) : 0;
        keys.emplace_back(std::isfinite(price) ? price : 0.0);
        break;
      }
      default:
        keys.emplace_back(product.product_ordering);
    }
  }
  std::vector<std::size_t> order(products.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  std::vector<marvisto_product_Entity> sorted;
  sorted.reserve(products.size());
  for (std::size_t i : order) sorted.push_back(std::move(products[i]));
  products = std::move(sorted);
}

}  // namespace mv
