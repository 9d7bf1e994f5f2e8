#include "customer/CustomerScreens.hpp"

#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerViewController.hpp"
#include "shell/frame/MainTabScreens.hpp"

namespace mv {

void CustomerScreens::install(SessionHooks& hooks) {
  hooks.freeCustomerDataModel = [] { CustomerDataModel::freeInstance(); };
  MainTabScreens::setScreenMaker(MainTabScreens::kCustomer, [] { return std::make_shared<CustomerViewController>(); });
}

void CustomerScreens::uninstall() { MainTabScreens::setScreenMaker(MainTabScreens::kCustomer, {}); }

}  // namespace mv
