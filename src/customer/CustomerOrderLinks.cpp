#include "customer/CustomerOrderLinks.hpp"

#include "sync/SessionServices.hpp"

namespace mv {

std::shared_ptr<CustomerOrderLinks> CustomerOrderLinks::installed() {
  auto services = SessionServices::current();
  return services ? services->get<CustomerOrderLinks>() : nullptr;
}

}  // namespace mv
