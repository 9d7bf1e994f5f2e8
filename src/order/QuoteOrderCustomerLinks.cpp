#include "order/QuoteOrderCustomerLinks.hpp"

#include "order/QuoteOrderStore.hpp"
#include "sync/SessionServices.hpp"

namespace mv {

void QuoteOrderCustomerLinks::updateOrderTable(const std::vector<marvisto_customer_Entity>& customers) {
  // Without a store nothing is held in memory that names a customer.
  auto services = SessionServices::current();
  if (auto store = services ? services->find<QuoteOrderStore>() : nullptr) store->updateCustomerIdsInMemory(customers);
}

void QuoteOrderCustomerLinks::setIsCustomerOnShow(bool shown) {
  if (auto store = QuoteOrderStore::sharedInstance()) store->setIsCustomerOnShow(shown);
}

}  // namespace mv
