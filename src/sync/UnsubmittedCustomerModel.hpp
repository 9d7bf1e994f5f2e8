#pragma once
// The customers made on the device (negative ids) as backup and restore use
// them. A feature may register its own with the session services; without
// one, the store's own rows serve (StoreUnsubmittedCustomerModel). Main
// thread only.
#include <memory>

#include "platform/base/Value.hpp"

namespace mv {

class UnsubmittedCustomerModel {
 public:
  virtual ~UnsubmittedCustomerModel() = default;

  // {"marvisto_customer": [...], "marvisto_customer_address": [...],
  //  "marvisto_customer_attribute": [...], "marvisto_customer_contact": [...]}
  // over every customer with a negative id, in the backup's element form. The
  // attribute of the field named "Active" is the number 0 for "NO", else 1.
  // Elements may also carry what only the device keeps ("hidden",
  // "important", "has_note", "note" of a customer, "isDefault" of an address
  // or contact); restore takes those when present.
  virtual base::Value allUnsubmittedCustomerDic() = 0;
  // Deletes every customer with a negative id with its address, attribute
  // and contact rows, on the shared connection, so that it joins a
  // transaction the caller holds. False when a delete failed.
  virtual bool deleteAllUnsubmittedCustomer() = 0;

  // The current session's model, else the store-backed one.
  static std::shared_ptr<UnsubmittedCustomerModel> current();
};

}  // namespace mv
