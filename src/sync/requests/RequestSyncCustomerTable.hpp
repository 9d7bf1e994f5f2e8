#pragma once
// The customer book's tables: customers with their attributes, attribute
// fields, addresses and contacts (command 516).
#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "store/Entities.hpp"
#include "sync/SyncTableRequest.hpp"

namespace mv {

// Each table is absent when the reply did not carry it and present, possibly
// empty, when it did.
class SyncCustomerTableRst : public SyncTableRst {
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

// The customers (with their attributes), the addresses and the contacts
// come a batch at a time, the attribute fields whole, in the reply's order.
using SyncCustomerTableStore = SyncTableStore<SyncCustomerTableRst>;

class RequestSyncCustomerTable : public SyncTableRequest {
 public:
  // Asks for the "customer" part; the session id is read when the body is
  // written.
  RequestSyncCustomerTable();

  // When set, the reply's rows go into it while the reply is read (see
  // SyncTableStore) instead of into the result.
  std::shared_ptr<SyncCustomerTableStore> store;
  // Rows of a table handed to the store at a time.
  std::size_t rowsPerBatch = 500;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
  std::shared_ptr<NetBaseRst> decodeReply(std::string_view recData) const override;
  // Its reply grows with the company: past a bound it is written to a file
  // and read from there.
  bool spillsReply() const override { return true; }
  std::shared_ptr<NetBaseRst> decodeMapped(const MappedFile& file) const override;
  // With a store: read and stored on a worker.
  bool decodesOffMainThread() const override { return store != nullptr; }

  // An address or contact row as the service writes it, under the service's
  // id `id`; the upload's reply carries the same rows.
  static marvisto_customer_address_Entity addressFromRow(const base::Value& row, int id);
  static marvisto_customer_contact_entity contactFromRow(const base::Value& row, int id);
};

}  // namespace mv
