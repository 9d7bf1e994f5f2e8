#include "order/OrderFeature.hpp"

#include "order/QuoteOrderBasket.hpp"
#include "order/QuoteOrderCustomerLinks.hpp"
#include "order/QuoteOrderHistoryController.hpp"
#include "order/QuoteOrderStore.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/MainTabScreens.hpp"

namespace mv {

void OrderFeature::install(FeatureWiring& wiring) {
  wiring.services.add<QuoteOrderStore>();
  wiring.services.add<OrderBasket>(
      [](SessionServices& services) { return std::make_shared<QuoteOrderBasket>(services); });
  wiring.services.add<CustomerOrderLinks>([](SessionServices&) { return std::make_shared<QuoteOrderCustomerLinks>(); });
  wiring.setScreenMaker(MainTabScreens::kQuoteOrder,
                        [](SessionServices& services) { return std::make_shared<QuoteOrderHistoryController>(services); });
  // A store not made yet reads the switches when it is made.
  wiring.onConfigChanged.push_back([](SessionServices& services) {
    if (auto store = services.find<QuoteOrderStore>()) store->loadByConfig();
  });
}

}  // namespace mv
