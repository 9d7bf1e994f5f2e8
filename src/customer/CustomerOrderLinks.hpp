#pragma once
// What the customer book needs of the quote orders, which sit above it: the
// orders need a customer to be uploaded only while the Customers tab is
// shown, and after an upload the orders held in memory (the current order,
// open editors) must name the service's customer ids. The stored order rows are rewritten by the
// customer book itself, in the same transaction as the customer rows. The
// order library implements this and registers it with the session services
// when the application starts; without it, nothing is held in memory to
// update. Main thread only.
#include <memory>
#include <vector>

#include "store/Entities.hpp"

namespace mv {

class CustomerOrderLinks {
 public:
  virtual ~CustomerOrderLinks() = default;

  // `customers` pair each local id (`pid`) with the service's id
  // (`customer_id`); orders in memory naming a local id take the new one.
  virtual void updateOrderTable(const std::vector<marvisto_customer_Entity>& customers) = 0;
  // Whether the Customers tab is shown, as the customer tab learns it.
  virtual void setIsCustomerOnShow(bool shown) = 0;

  // The current session's links, or null.
  static std::shared_ptr<CustomerOrderLinks> installed();
};

}  // namespace mv
