#pragma once
// The customer book's in-memory lists, as the sync engine refreshes them after
// storing customer rows. The customer model implements it and registers it
// with the session services.
#include <memory>

namespace mv {

class SyncCustomerModel {
 public:
  // The customer book of the session signed in now, when it has been made
  // (the session's services hold it).
  static std::shared_ptr<SyncCustomerModel> current();

  virtual ~SyncCustomerModel() = default;
  // Re-reads every customer and customer attribute field from the store.
  virtual void reloadCustomerData() = 0;
};

}  // namespace mv
