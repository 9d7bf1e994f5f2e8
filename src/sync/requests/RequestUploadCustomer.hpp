#pragma once
// Submits the customers made on the device (command 520).
#include <string>
#include <vector>

#include "store/Entities.hpp"
#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

// The service's ids for the uploaded rows; each record carries the device's
// earlier (negative) id in `pid`/`pID`. Filled whatever the status: the
// customer book looks at the status before it applies them.
class SubmitCustomerRst : public NetBaseRst {
 public:
  std::vector<marvisto_customer_Entity> customerArry;
  std::vector<marvisto_customer_address_Entity> customerAddress;
  std::vector<marvisto_customer_attribute_Entity> customerAttributes;
  std::vector<marvisto_customer_contact_entity> customerContacts;
};

class RequestUploadCustomer : public RequestInterfaceBase {
 public:
  RequestUploadCustomer();

  // The customers as JSON text; sent as one string value.
  std::string syncData;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
};

}  // namespace mv
