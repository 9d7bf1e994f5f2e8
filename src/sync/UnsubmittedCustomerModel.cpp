#include "sync/UnsubmittedCustomerModel.hpp"

#include "platform/base/MainThread.hpp"
#include "sync/SessionServices.hpp"
#include "sync/StoreUnsubmittedCustomerModel.hpp"

namespace mv {

std::shared_ptr<UnsubmittedCustomerModel> UnsubmittedCustomerModel::current() {
  MV_ASSERT_MAIN_THREAD();
  if (auto services = SessionServices::current()) {
    if (auto registered = services->get<UnsubmittedCustomerModel>()) return registered;
  }
  return std::make_shared<StoreUnsubmittedCustomerModel>();
}

}  // namespace mv
