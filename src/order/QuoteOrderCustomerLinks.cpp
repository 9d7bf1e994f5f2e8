#include "order/QuoteOrderCustomerLinks.hpp"

#include "order/QuoteOrderStore.hpp"

namespace mv {

void QuoteOrderCustomerLinks::updateOrderTable(const std::vector<marvisto_customer_Entity>& customers) {
  // Without a store nothing is held in memory that names a customer.
  if (auto store = QuoteOrderStore::existingInstance()) store->updateCustomerIdsInMemory(customers);
}

void QuoteOrderCustomerLinks::setIsCustomerOnShow(bool shown) {
  if (auto store = QuoteOrderStore::sharedInstance()) store->setIsCustomerOnShow(shown);
}

}  // namespace mv
