#pragma once
// The customer book's tables: customers with their attributes, attribute
// fields, addresses and contacts (command 516).
#include <cstddef>
#include <optional>
#include <vector>

#include "store/Entities.hpp"
#include "sync/SyncTableRequest.hpp"

namespace mv {

// Each table is absent when the reply did not carry it and present, possibly
// empty, when it did.
class SyncCustomerTableRst : public NetBaseRst {
 public:
  std::optional<std::vector<marvisto_customer_Entity>> customerTable;
  std::optional<std::vector<marvisto_customer_attribute_Entity>> customerAttributeTable;
  std::optional<std::vector<marvisto_fields_customer_attribute_Entity>> fieldsAttributeTable;
  std::optional<std::vector<marvisto_customer_address_Entity>> customerAddressTable;
  std::optional<std::vector<marvisto_customer_contact_entity>> customerContactTable;

  // Rows of customers, their attributes, the attribute fields and the
  // addresses (contacts are not counted).
  std::size_t resultCount() const;
};

class RequestSyncCustomerTable : public SyncTableRequest {
 public:
  // Asks for the "customer" part; the session id is read when the body is
  // written.
  RequestSyncCustomerTable();

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;

  // An address or contact row as the service writes it, under the service's
  // id `id`; the upload's reply carries the same rows.
  static marvisto_customer_address_Entity addressFromRow(const base::Value& row, int id);
  static marvisto_customer_contact_entity contactFromRow(const base::Value& row, int id);
};

}  // namespace mv
