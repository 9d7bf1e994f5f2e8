#pragma once
#include <optional>
#include <vector>

#include "store/Entities.hpp"

namespace mv {

class DataAccessManager;
class SubmitCustomerRst;

// The ids of a customer upload's reply that may be stored. The service's ids
// are positive, given once in the reply and held by no other row (whatever
// the names: two customers may share one), save by the service's own copy of
// the very customer (see `copies`); a local row takes one only when it went
// out with the upload, and an address, attribute or contact stays with its
// own customer. A customer whose own id, or that of any row naming it,
// breaks this, or that the reply gives no id, is refused whole: it keeps its
// local ids, its rows and its orders, and goes again with the next upload.
struct CustomerUploadIds {
  std::vector<marvisto_customer_Entity> customers;
  std::vector<marvisto_customer_address_Entity> addresses;
  std::vector<marvisto_customer_attribute_Entity> attributes;
  std::vector<marvisto_customer_contact_entity> contacts;
  // The local ids of the customers refused.
  std::vector<int> refused;
  // A local customer whose id the service gave is held by the service's own
  // copy of it (a sync brought it after the reply to an earlier upload was
  // lost, and this device never uploaded it): the two become one. The
  // copy's rows that the reply gives the local customer's rows are replaced
  // by them.
  struct Copy {
    int localId = 0;
    int serviceId = 0;
    std::vector<int> addresses, attributes, contacts;
  };
  std::vector<Copy> copies;

  // Nothing when the store could not be read.
  static std::optional<CustomerUploadIds> of(const SubmitCustomerRst& reply, const std::vector<int>& sent,
                                             DataAccessManager& store);
};

}  // namespace mv
