#pragma once
// The customers made on the device, read from and deleted in the current
// session's database directly.
#include "sync/UnsubmittedCustomerModel.hpp"

namespace mv {

class StoreUnsubmittedCustomerModel : public UnsubmittedCustomerModel {
 public:
  // Empty lists when no session is on or a read fails.
  base::Value allUnsubmittedCustomerDic() override;
  // False when no session is on or a delete failed (nothing deleted then).
  bool deleteAllUnsubmittedCustomer() override;
};

}  // namespace mv
