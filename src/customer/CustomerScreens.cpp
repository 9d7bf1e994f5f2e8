#include "customer/CustomerScreens.hpp"

#include "customer/CustomerDataModel.hpp"
#include "shell/MainTabScreens.hpp"

namespace mv {

void CustomerScreens::install(SessionHooks& hooks) {
  hooks.freeCustomerDataModel = [] { CustomerDataModel::freeInstance(); };
}

void CustomerScreens::uninstall() { MainTabScreens::setScreenMaker(MainTabScreens::kCustomer, {}); }

}  // namespace mv
