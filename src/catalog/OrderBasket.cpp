#include "catalog/OrderBasket.hpp"

namespace mv {
namespace {

std::shared_ptr<OrderBasket>& slot() {
  static std::shared_ptr<OrderBasket> basket;
  return basket;
}

}  // namespace

void OrderBasket::install(std::shared_ptr<OrderBasket> basket) { slot() = std::move(basket); }

std::shared_ptr<OrderBasket> OrderBasket::installed() { return slot(); }

}  // namespace mv
