#include "order/OrderFeature.hpp"

#include "order/QuoteOrderBasket.hpp"
#include "order/QuoteOrderCustomerLinks.hpp"
#include "order/QuoteOrderStore.hpp"

namespace mv {

void OrderFeature::install(SessionHooks& hooks) {
  hooks.freeQuoteOrderStore = [] { QuoteOrderStore::freeInstance(); };
  // A store not made yet reads the switches when it is made.
  hooks.loadQuoteOrderConfig = [] {
    if (auto store = QuoteOrderStore::existingInstance()) store->loadByConfig();
  };
  OrderBasket::install(std::make_shared<QuoteOrderBasket>());
  CustomerOrderLinks::install(std::make_shared<QuoteOrderCustomerLinks>());
}

void OrderFeature::uninstall() {
  OrderBasket::install(nullptr);
  CustomerOrderLinks::install(nullptr);
}

}  // namespace mv
