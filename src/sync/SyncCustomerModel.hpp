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
  // The same, read and made ready on a worker (a book of a hundred thousand
  // customers takes a second or more): the book changes at once, on the
  // main thread, once all of it is ready. A reload on the main thread
  // meanwhile supersedes it.
  virtual void reloadCustomerDataBeside() = 0;
};

}  // namespace mv
