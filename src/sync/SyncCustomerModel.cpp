#include "sync/SyncCustomerModel.hpp"

#include "sync/SessionServices.hpp"

namespace mv {

std::shared_ptr<SyncCustomerModel> SyncCustomerModel::current() {
  auto services = SessionServices::current();
  return services ? services->find<SyncCustomerModel>() : nullptr;
}

}  // namespace mv
