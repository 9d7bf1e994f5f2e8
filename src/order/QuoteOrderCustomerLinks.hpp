#pragma once
// The customer book's way to the orders held in memory, over the quote order
// store of the session. Installed by `OrderFeature`.
#include "customer/CustomerOrderLinks.hpp"

namespace mv {

class QuoteOrderCustomerLinks : public CustomerOrderLinks {
 public:
  void updateOrderTable(const std::vector<marvisto_customer_Entity>& customers) override;
  void setIsCustomerOnShow(bool shown) override;
};

}  // namespace mv
