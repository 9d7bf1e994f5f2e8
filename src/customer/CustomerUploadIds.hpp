#pragma once
#include <map>
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
  // Why a customer was refused.
  enum class Cause {
    // The reply gives it, or one of its rows, no id the service gives, or
    // one id twice, or mixes its rows up with another customer's.
    UnsoundIds,
    // Its id, or one of its rows', is held by another customer here.
    AnotherCustomers,
    // Its id is held by a customer this device may have uploaded from any
    // local customer (noted so by an upgrade or a restore, see
    // Schema::kNoteStoredCustomersUploaded): perhaps its own copy, from an
    // upload whose reply was lost, perhaps another one. The user can tell.
    MaybeItsCopy,
  };
  struct Refused {
    int localId = 0;
    Cause cause = Cause::UnsoundIds;
    // The stored customer that holds the id the reply gave it (0: none).
    int holderId = 0;
  };
  std::vector<Refused> refused;
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

  // Nothing when the store could not be read. `sameAsCopy` maps a local
  // customer to the stored customer the user said it is (see MaybeItsCopy):
  // that one is taken as its copy, as one a sync brought would be.
  static std::optional<CustomerUploadIds> of(const SubmitCustomerRst& reply, const std::vector<int>& sent,
                                             DataAccessManager& store, const std::map<int, int>& sameAsCopy = {});
};

}  // namespace mv
