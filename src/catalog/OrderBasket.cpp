#include "catalog/OrderBasket.hpp"

#include "sync/SessionServices.hpp"

namespace mv {

std::shared_ptr<OrderBasket> OrderBasket::installed() {
  auto services = SessionServices::current();
  return services ? services->get<OrderBasket>() : nullptr;
}

}  // namespace mv
