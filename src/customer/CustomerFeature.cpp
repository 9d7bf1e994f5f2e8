#include "customer/CustomerFeature.hpp"

#include <mutex>

#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerViewController.hpp"
#include "platform/base/WorkQueue.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "util/Pinyin.hpp"

namespace mv {

void CustomerFeature::install(FeatureWiring& wiring) {
  // The customer list files names by their pinyin; the reading's rules load
  // on the pool meanwhile instead of when the list first shows.
  static std::once_flag preparing;
  std::call_once(preparing, [] {
    base::WorkQueue::global().async([](const base::CancelFlag&) { prepareNameSortKeys(); });
  });
  wiring.services.add<CustomerDataModel>();
  wiring.services.alias<SyncCustomerModel, CustomerDataModel>();
  wiring.setScreenMaker(MainTabScreens::kCustomer,
                        [](SessionServices& services) {
                          return std::make_shared<CustomerViewController>(services.get<CustomerDataModel>());
                        });
}

}  // namespace mv
