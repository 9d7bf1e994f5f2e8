#include "customer/CustomerOrderLinks.hpp"

#include "platform/base/MainThread.hpp"
#include "sync/SessionServices.hpp"

namespace mv {

std::shared_ptr<CustomerOrderLinks> CustomerOrderLinks::installed() {
  MV_ASSERT_MAIN_THREAD();
  auto services = SessionServices::current();
  return services ? services->get<CustomerOrderLinks>() : nullptr;
}

}  // namespace mv
