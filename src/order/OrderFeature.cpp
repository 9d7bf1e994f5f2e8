#include "order/OrderFeature.hpp"

#include "order/QuoteOrderBasket.hpp"
#include "order/QuoteOrderHistoryController.hpp"
#include "order/QuoteOrderCustomerLinks.hpp"
#include "order/QuoteOrderStore.hpp"
#include "shell/frame/MainTabScreens.hpp"

namespace mv {

void OrderFeature::install(SessionHooks& hooks) {
  hooks.freeQuoteOrderStore = [] { QuoteOrderStore::freeInstance(); };
  // A store not made yet reads the switches when it is made.
  hooks.loadQuoteOrderConfig = [] {
    if (auto store = QuoteOrderStore::existingInstance()) store->loadByConfig();
  };
  OrderBasket::install(std::make_shared<QuoteOrderBasket>());
  MainTabScreens::setScreenMaker(MainTabScreens::kQuoteOrder,
                                 [] { return std::make_shared<QuoteOrderHistoryController>(); });
  CustomerOrderLinks::install(std::make_shared<QuoteOrderCustomerLinks>());
}

void OrderFeature::uninstall() {
  OrderBasket::install(nullptr);
  MainTabScreens::setScreenMaker(MainTabScreens::kQuoteOrder, {});
  CustomerOrderLinks::install(nullptr);
}

}  // namespace mv
