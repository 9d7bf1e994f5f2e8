#include "customer/CustomerFeature.hpp"

#include <mutex>

#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerViewController.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "util/Pinyin.hpp"

namespace mv {

namespace {

// The customer list files names by their pinyin, whose rules take a while to
// load. They load on the pool once the tab bar is up: a post from the turn
// that builds it runs after that turn's display pass, so the loading does
// not compete with the first frame, and is usually done before the list
// first shows.
void prepareNameSortKeysAfterThisFrame() {
  static std::once_flag preparing;
  std::call_once(preparing, [] {
    base::RunLoop::main().post(
        [] { base::WorkQueue::global().async([](const base::CancelFlag&) { prepareNameSortKeys(); }); });
  });
}

}  // namespace

void CustomerFeature::install(FeatureWiring& wiring) {
  wiring.services.add<CustomerDataModel>();
  wiring.services.alias<SyncCustomerModel, CustomerDataModel>();
  wiring.setScreenMaker(MainTabScreens::kCustomer,
                        [](SessionServices& services) {
                          prepareNameSortKeysAfterThisFrame();
                          return std::make_shared<CustomerViewController>(services.get<CustomerDataModel>());
                        });
}

}  // namespace mv
