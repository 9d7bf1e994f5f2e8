#pragma once
// The store rows of a customer the form confirmed: the customer row, the
// further addresses, the attribute values and the contacts, with local ids.
// Ids run down from the lowest ones in use; every further address, every
// attribute row of the base information and the primary address (the name
// included, which makes no row) and every contact takes the next one, so the
// ids a customer takes do not depend on what is left empty.
#include <optional>
#include <vector>

#include "customer/CustomerInfoGroupData.hpp"
#include "store/Entities.hpp"

namespace mv {

struct CustomerFormRecords {
  // The lowest local ids in use (0 when none), from which new ids run down.
  struct LowestIds {
    int customer = 0;
    int address = 0;
    int attribute = 0;
    int contact = 0;
  };

  // An edit keeps the customer's id and what the service set on it.
  struct Existing {
    int customerId = 0;
    int ordering = 0;
    float discount = 0;
  };

  marvisto_customer_Entity customer;
  std::vector<marvisto_customer_address_Entity> addresses;
  std::vector<marvisto_customer_attribute_Entity> attributes;
  std::vector<marvisto_customer_contact_entity> contacts;

  // The rows of the groups: a new customer takes the next customer id, an
  // edit keeps `existing`'s.
  static CustomerFormRecords fromGroups(const CustomerInfoGroupData& data, const LowestIds& lowest,
                                        const std::optional<Existing>& existing = std::nullopt);
};

}  // namespace mv
