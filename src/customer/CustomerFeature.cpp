#include "customer/CustomerFeature.hpp"

#include <mutex>

#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerViewController.hpp"
#include "platform/base/WorkQueue.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "util/Pinyin.hpp"

namespace mv {

void CustomerFeature::install(FeatureWiring& wiring) {
  wiring.services.add<CustomerDataModel>();
  wiring.services.alias<SyncCustomerModel, CustomerDataModel>();
  wiring.setScreenMaker(MainTabScreens::kCustomer, [](SessionServices& services) {
    return std::make_shared<CustomerViewController>(services.get<CustomerDataModel>(), services.get<ConfigManager>());
  });
  // The customer list files names by their pinyin, whose rules take a while
  // to load: they load on the pool once the main screen is up, usually done
  // before the list first shows.
  wiring.afterMainScreen.push_back([](SessionServices&) {
    static std::once_flag preparing;
    std::call_once(preparing, [] {
      base::WorkQueue::global().async([](const base::CancelFlag&) { prepareNameSortKeys(); });
    });
  });
}

}  // namespace mv
