#include "sync/requests/RequestSyncCustomerTable.hpp"

#include <string>
#include <utility>

#include "sync/ReplyReader.hpp"
#include "sync/ReplyValues.hpp"
#include "sync/StoredReply.hpp"
#include "util/Json.hpp"
#include "util/MappedFile.hpp"
#include "util/Session.hpp"

namespace mv {
namespace {

// A book of a hundred thousand customers runs to tens of megabytes of reply
// text, so its records are made while the text is read, without a value of
// the whole reply.

template <typename T>
std::size_t countOf(const std::optional<std::vector<T>>& table) {
  return table ? table->size() : 0;
}

using Scalar = const JSONScalar&;
using Batches = RowBatches<SyncCustomerTableRst>;

// The service numbers its rows from 1; a row of id 0 or below would land on a
// customer made on the device (or its address, contact or attribute), which
// only the device writes. Such a row is read whole and left out by rule; a
// row without usable ids cannot be read at all. Both ids (`other` is 1 for a
// row of one id) when they are the service's.
std::optional<std::pair<int, int>> serviceIds(ReplyReader& in, std::optional<int> id, std::optional<int> other,
                                              std::string_view table) {
  if (!id || !other) {
    in.skipRow(table, "no usable id");
    return std::nullopt;
  }
  if (*id <= 0 || *other <= 0) {
    in.leaveOut(table, "an id the device gives its own");
    return std::nullopt;
  }
  return std::pair{*id, *other};
}

using Customer = Keyed<marvisto_customer_Entity>;
ReplyReader::Fields<Customer> customerFields() {
  return {
      {"customerId", [](Customer& r, Scalar v) { r.key = idValue(v); }},
      {"customerInfoId", [](Customer& r, Scalar v) { r.e.customer_info_id = textOf(v); }},
      {"customerName", [](Customer& r, Scalar v) { r.e.customer_name = optionalTextOf(v); }},
      {"customerPublish", [](Customer& r, Scalar v) { r.e.customer_publish = intOf(v); }},
      {"customerOrdering", [](Customer& r, Scalar v) { r.e.customer_ordering = intOf(v); }},
      {"customerDiscount", [](Customer& r, Scalar v) { r.e.discount = static_cast<float>(doubleOf(v)); }},
  };
}

using Attribute = Keyed<marvisto_customer_attribute_Entity>;
ReplyReader::Fields<Attribute> attributeFields() {
  return {
      {"attributeId", [](Attribute& r, Scalar v) { r.key = idValue(v); }},
      {"attributeFieldsId", [](Attribute& r, Scalar v) { r.e.attribute_fields_id = intOf(v); }},
      {"attributeValue", [](Attribute& r, Scalar v) { r.e.attribute_value = textOf(v); }},
  };
}

using AttributeField = Keyed<marvisto_fields_customer_attribute_Entity>;
ReplyReader::Fields<AttributeField> attributeFieldFields() {
  return {
      {"attributeFieldsId", [](AttributeField& r, Scalar v) { r.key = idValue(v); }},
      {"attributeName", [](AttributeField& r, Scalar v) { r.e.field_name = textOf(v); }},
      {"description", [](AttributeField& r, Scalar v) { r.e.description = textOf(v); }},
      {"data_type", [](AttributeField& r, Scalar v) { r.e.data_type = textOf(v); }},
      {"selection_list", [](AttributeField& r, Scalar v) { r.e.selection_list = textOf(v); }},
      {"display", [](AttributeField& r, Scalar v) { r.e.display = intOf(v); }},
      {"published", [](AttributeField& r, Scalar v) { r.e.published = intOf(v); }},
  };
}

using Address = Keyed<marvisto_customer_address_Entity>;
ReplyReader::Fields<Address> addressFields() {
  return {
      {"id", [](Address& r, Scalar v) { r.key = idValue(v); }},
      {"customerId", [](Address& r, Scalar v) { r.otherKey = idValue(v); }},
      {"address", [](Address& r, Scalar v) { r.e.customerAddress = textOf(v); }},
      {"city", [](Address& r, Scalar v) { r.e.customerCity = textOf(v); }},
      {"state", [](Address& r, Scalar v) { r.e.customerState = textOf(v); }},
      {"zip_code", [](Address& r, Scalar v) { r.e.customerZipCode = textOf(v); }},
  };
}

using Contact = Keyed<marvisto_customer_contact_entity>;
ReplyReader::Fields<Contact> contactFields() {
  return {
      {"contactId", [](Contact& r, Scalar v) { r.key = idValue(v); }},
      {"customerId", [](Contact& r, Scalar v) { r.otherKey = idValue(v); }},
      {"firstName", [](Contact& r, Scalar v) { r.e.first_name = textOf(v); }},
      {"lastName", [](Contact& r, Scalar v) { r.e.last_name = textOf(v); }},
      {"jobTitle", [](Contact& r, Scalar v) { r.e.job_title = textOf(v); }},
      {"workPhone", [](Contact& r, Scalar v) { r.e.work_phone = textOf(v); }},
      {"mobilePhone", [](Contact& r, Scalar v) { r.e.mobile_phone = textOf(v); }},
      {"email", [](Contact& r, Scalar v) { r.e.email = textOf(v); }},
      {"im", [](Contact& r, Scalar v) { r.e.im = textOf(v); }},
      {"note", [](Contact& r, Scalar v) { r.e.note = textOf(v); }},
  };
}

// The rows of `table` read so far (with `alongside`, the rows that belong to
// them) go to the store; the tables stay present and empty.
template <typename T, typename U = T>
void handOnRows(Batches& batches, SyncCustomerTableRst& r, std::optional<std::vector<T>> SyncCustomerTableRst::*table,
                std::optional<std::vector<U>> SyncCustomerTableRst::*alongside = nullptr) {
  if (!batches.storing() || !(r.*table) || (r.*table)->empty()) return;
  SyncCustomerTableRst batch;
  batch.*table = std::exchange(*(r.*table), {});
  if (alongside && r.*alongside) batch.*alongside = std::exchange(*(r.*alongside), {});
  batches.handOn(std::move(batch));
}

// Reads the rows of one table that comes next into `table`, handing them on
// a batch at a time; absent when the value is not an array.
template <typename Entity, typename Row, typename Make>
void readTable(ReplyReader& in, Batches& batches, SyncCustomerTableRst& r,
               std::optional<std::vector<Entity>> SyncCustomerTableRst::*table, std::string_view name,
               ReplyReader::Fields<Row>& fields, Make make) {
  auto& rows = (r.*table).emplace();
  const bool present = in.rows(name, [&] {
    Row row;
    in.members(row, fields);
    if (std::optional<Entity> record = make(std::move(row))) rows.push_back(std::move(*record));
    if (rows.size() >= batches.perBatch()) handOnRows(batches, r, table);
  });
  handOnRows(batches, r, table);
  if (!present) (r.*table).reset();
}

// Index 0: each customer row carries its attributes, which name no
// customer: they are numbered once the row's customer id is known, and
// dropped with a row that has none.
void readCustomers(ReplyReader& in, Batches& batches, SyncCustomerTableRst& r) {
  auto customers = customerFields();
  auto attributes = attributeFields();
  auto& kept = r.customerTable.emplace();
  auto& keptAttributes = r.customerAttributeTable.emplace();
  const bool present = in.rows("customers", [&] {
    const std::size_t attributesFrom = keptAttributes.size();
    in.beginRowNotes();
    Customer row;
    in.members(row, customers, [&](std::string_view name) {
      if (name != "attributes") return;
      // A list given twice counts once, as its last copy.
      keptAttributes.resize(attributesFrom);
      in.rows("customer attributes", [&] {
        Attribute a;
        in.members(a, attributes);
        if (const auto id = serviceIds(in, a.key, 1, "customer attributes")) {
          a.e.attribute_id = id->first;
          keptAttributes.push_back(std::move(a.e));
        }
      });
    });
    if (!row.key || *row.key <= 0) {
      // A customer left out takes its attributes, and what was noted of them, along.
      keptAttributes.resize(attributesFrom);
      in.forgetRowNotes();
      (void)serviceIds(in, row.key, 1, "customers");
      return;
    }
    row.e.customer_id = *row.key;
    for (std::size_t i = attributesFrom; i < keptAttributes.size(); ++i) keptAttributes[i].customer_id = *row.key;
    kept.push_back(std::move(row.e));
    if (kept.size() >= batches.perBatch()) {
      handOnRows(batches, r, &SyncCustomerTableRst::customerTable, &SyncCustomerTableRst::customerAttributeTable);
    }
  });
  handOnRows(batches, r, &SyncCustomerTableRst::customerTable, &SyncCustomerTableRst::customerAttributeTable);
  if (!present) {
    r.customerTable.reset();
    r.customerAttributeTable.reset();
  }
}

// The list of tables: customers, attribute fields, addresses, contacts. A
// table that is not a list is absent.
bool readContent(ReplyReader& in, SyncCustomerTableRst& r, Batches& batches) {
  JSONReader& json = in.json();
  if (!json.beginArray()) return false;
  batches.beginContent();
  auto fields = attributeFieldFields();
  auto addresses = addressFields();
  auto contacts = contactFields();
  for (int index = 0; json.nextElement(); ++index) {
    switch (index) {
      case 0:
        readCustomers(in, batches, r);
        break;
      case 1:
        // Stored whole: storing it replaces every field.
        r.fieldsAttributeTable = in.table<marvisto_fields_customer_attribute_Entity>(
            "customer attribute fields", "no usable \"attributeFieldsId\"", fields,
            [](AttributeField&& row) -> std::optional<marvisto_fields_customer_attribute_Entity> {
              if (!row.key) return std::nullopt;
              row.e.field_id = *row.key;
              return std::move(row.e);
            });
        if (batches.storing() && r.fieldsAttributeTable) {
          SyncCustomerTableRst batch;
          batch.fieldsAttributeTable = std::exchange(r.fieldsAttributeTable, std::nullopt);
          batches.handOn(std::move(batch));
        }
        break;
      case 2:
        readTable(in, batches, r, &SyncCustomerTableRst::customerAddressTable, "customer addresses", addresses,
                  [&](Address&& row) -> std::optional<marvisto_customer_address_Entity> {
                    const auto ids = serviceIds(in, row.key, row.otherKey, "customer addresses");
                    if (!ids) return std::nullopt;
                    row.e.indexId = ids->first;
                    row.e.customerId = ids->second;
                    return std::move(row.e);
                  });
        break;
      case 3:
        readTable(in, batches, r, &SyncCustomerTableRst::customerContactTable, "customer contacts", contacts,
                  [&](Contact&& row) -> std::optional<marvisto_customer_contact_entity> {
                    const auto ids = serviceIds(in, row.key, row.otherKey, "customer contacts");
                    if (!ids) return std::nullopt;
                    row.e.contactID = ids->first;
                    row.e.customerID = ids->second;
                    return std::move(row.e);
                  });
        break;
      default:
        break;  // not read: skipped
    }
  }
  return true;
}

}  // namespace

std::size_t SyncCustomerTableRst::resultCount() const {
  return countOf(customerTable) + countOf(customerAttributeTable) + countOf(fieldsAttributeTable) +
         countOf(customerAddressTable);
}

marvisto_customer_address_Entity RequestSyncCustomerTable::addressFromRow(const base::Value& row, int id) {
  marvisto_customer_address_Entity e;
  e.indexId = id;
  e.customerId = intOf(row, "customerId");
  e.customerAddress = textOf(row, "address");
  e.customerCity = textOf(row, "city");
  e.customerState = textOf(row, "state");
  e.customerZipCode = textOf(row, "zip_code");
  return e;
}

marvisto_customer_contact_entity RequestSyncCustomerTable::contactFromRow(const base::Value& row, int id) {
  marvisto_customer_contact_entity e;
  e.customerID = intOf(row, "customerId");
  e.contactID = id;
  e.first_name = textOf(row, "firstName");
  e.last_name = textOf(row, "lastName");
  e.job_title = textOf(row, "jobTitle");
  e.work_phone = textOf(row, "workPhone");
  e.mobile_phone = textOf(row, "mobilePhone");
  e.email = textOf(row, "email");
  e.im = textOf(row, "im");
  e.note = textOf(row, "note");
  return e;
}

RequestSyncCustomerTable::RequestSyncCustomerTable() : SyncTableRequest(kCmdSyncCustomerTable, "customer") {}

std::optional<std::string> RequestSyncCustomerTable::RequestEncode() const {
  return encodeTable(Session::current().sessionId);
}

std::shared_ptr<NetBaseRst> RequestSyncCustomerTable::decodeReply(std::string_view recData) const {
  return decodeTableReply<SyncCustomerTableRst>(recData, nullptr, store.get(), rowsPerBatch, cmdCode,
                                                "no content list", readContent);
}

std::shared_ptr<NetBaseRst> RequestSyncCustomerTable::decodeMapped(const MappedFile& file) const {
  return decodeTableReply<SyncCustomerTableRst>({}, &file, store.get(), rowsPerBatch, cmdCode,
                                                "no content list", readContent);
}

std::shared_ptr<NetBaseRst> RequestSyncCustomerTable::RequestDecode(const base::Value* recData) const {
  // One decoder for both ways in: a parsed reply is read as its text.
  return decodeReply(recData ? recData->dump(-1, ' ', false, base::Value::error_handler_t::replace) : std::string());
}

}  // namespace mv
