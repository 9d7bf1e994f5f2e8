#include "order/OrderFeature.hpp"

#include "order/QuoteOrderStore.hpp"

namespace mv {

void OrderFeature::install(SessionHooks& hooks) {
  hooks.freeQuoteOrderStore = [] { QuoteOrderStore::freeInstance(); };
  // A store not made yet reads the switches when it is made.
  hooks.loadQuoteOrderConfig = [] {
    if (auto store = QuoteOrderStore::existingInstance()) store->loadByConfig();
  };
}

}  // namespace mv
