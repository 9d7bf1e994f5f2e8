#include "customer/CustomerOrderLinks.hpp"

namespace mv {
namespace {

std::shared_ptr<CustomerOrderLinks>& slot() {
  static std::shared_ptr<CustomerOrderLinks> links;
  return links;
}

}  // namespace

std::shared_ptr<CustomerOrderLinks> CustomerOrderLinks::installed() { return slot(); }

void CustomerOrderLinks::install(std::shared_ptr<CustomerOrderLinks> links) { slot() = std::move(links); }

}  // namespace mv
