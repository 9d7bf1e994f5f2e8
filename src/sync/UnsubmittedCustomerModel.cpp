#include "sync/UnsubmittedCustomerModel.hpp"

#include "platform/base/MainThread.hpp"
#include "sync/StoreUnsubmittedCustomerModel.hpp"

namespace mv {
namespace {

std::shared_ptr<UnsubmittedCustomerModel>& slot() {
  static std::shared_ptr<UnsubmittedCustomerModel> model;
  return model;
}

}  // namespace

std::shared_ptr<UnsubmittedCustomerModel> UnsubmittedCustomerModel::current() {
  MV_ASSERT_MAIN_THREAD();
  if (auto model = slot()) return model;
  return std::make_shared<StoreUnsubmittedCustomerModel>();
}

void UnsubmittedCustomerModel::install(std::shared_ptr<UnsubmittedCustomerModel> model) { slot() = std::move(model); }

}  // namespace mv
