#include "sync/SyncCustomerModel.hpp"

namespace mv {
namespace {

std::weak_ptr<SyncCustomerModel>& installed() {
  static std::weak_ptr<SyncCustomerModel> model;
  return model;
}

}  // namespace

void SyncCustomerModel::setCurrent(std::weak_ptr<SyncCustomerModel> model) { installed() = std::move(model); }

std::shared_ptr<SyncCustomerModel> SyncCustomerModel::current() { return installed().lock(); }

}  // namespace mv
