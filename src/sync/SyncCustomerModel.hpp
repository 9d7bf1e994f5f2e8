#pragma once
// The customer book's in-memory lists, as the sync engine refreshes them after
// storing customer rows. The customer model implements it.
#include <memory>

namespace mv {

class SyncCustomerModel {
 public:
  // The customer book of the session signed in now; never owned here.
  static void setCurrent(std::weak_ptr<SyncCustomerModel> model);
  static std::shared_ptr<SyncCustomerModel> current();

  virtual ~SyncCustomerModel() = default;
  // Re-reads every customer and customer attribute field from the store.
  virtual void reloadCustomerData() = 0;
};

}  // namespace mv
