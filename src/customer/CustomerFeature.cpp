#include "customer/CustomerFeature.hpp"

#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerViewController.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/MainTabScreens.hpp"

namespace mv {

void CustomerFeature::install(FeatureWiring& wiring) {
  wiring.services.add<CustomerDataModel>();
  wiring.services.alias<SyncCustomerModel, CustomerDataModel>();
  wiring.setScreenMaker(MainTabScreens::kCustomer,
                        [](SessionServices& services) {
                          return std::make_shared<CustomerViewController>(services.get<CustomerDataModel>());
                        });
}

}  // namespace mv
