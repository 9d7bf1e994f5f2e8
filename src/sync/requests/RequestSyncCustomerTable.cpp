#include "sync/requests/RequestSyncCustomerTable.hpp"

#include "sync/ReplyValues.hpp"
#include "util/Json.hpp"
#include "util/Session.hpp"

namespace mv {
namespace {

template <typename T>
std::size_t countOf(const std::optional<std::vector<T>>& table) {
  return table ? table->size() : 0;
}

// The service numbers its rows from 1; a row of id 0 or below would land on a
// customer made on the device (or its address, contact or attribute), which
// only the device writes. Such a row is read whole and left out by rule (it
// adds one to `refused`); a row without usable ids cannot be read at all.
// The ids when both are the service's.
std::optional<std::pair<int, int>> serviceIds(const base::Value& row, std::string_view key,
                                              std::string_view otherKey, std::string_view table,
                                              std::size_t& refused) {
  auto id = idOf(row, key);
  auto other = otherKey.empty() ? std::optional<int>(1) : idOf(row, otherKey);
  if (!id || !other) {
    logSkippedRow(table, "no usable id");
    return std::nullopt;
  }
  if (*id <= 0 || *other <= 0) {
    logSkippedRow(table, "an id the device gives its own");
    ++refused;
    return std::nullopt;
  }
  return std::pair{*id, *other};
}

void decodeCustomers(SyncCustomerTableRst& result, const base::Value& customers, std::size_t& leftOut,
                     std::size_t& refused) {
  result.customerTable.emplace();
  result.customerAttributeTable.emplace();
  for (const base::Value& row : customers) {
    if (!row.is_object()) {
      logSkippedRow("customers", "not an object");
      ++leftOut;
      continue;
    }
    const auto ids = serviceIds(row, "customerId", "", "customers", refused);
    if (!ids) {
      ++leftOut;
      continue;
    }
    const int customerId = ids->first;
    marvisto_customer_Entity c;
    c.customer_id = customerId;
    c.customer_info_id = textOf(row, "customerInfoId");
    c.customer_name = optionalTextOf(row, "customerName");
    c.customer_publish = intOf(row, "customerPublish");
    c.customer_ordering = intOf(row, "customerOrdering");
    c.discount = static_cast<float>(floatValue(member(row, "customerDiscount")));
    result.customerTable->push_back(std::move(c));
    auto attributes = rowsOf<marvisto_customer_attribute_Entity>(
        arrayMember(row, "attributes"), "customer attributes",
        [&](const base::Value& a) -> std::optional<marvisto_customer_attribute_Entity> {
          const auto id = serviceIds(a, "attributeId", "", "customer attributes", refused);
          if (!id) return std::nullopt;
          marvisto_customer_attribute_Entity e;
          e.attribute_id = id->first;
          e.attribute_fields_id = intOf(a, "attributeFieldsId");
          e.attribute_value = textOf(a, "attributeValue");
          e.customer_id = customerId;
          return e;
        },
        &leftOut);
    if (attributes) {
      result.customerAttributeTable->insert(result.customerAttributeTable->end(), attributes->begin(),
                                            attributes->end());
    }
  }
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

std::shared_ptr<NetBaseRst> RequestSyncCustomerTable::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<SyncCustomerTableRst>(recData);
  if (!result->isSuccess()) return result;
  const base::Value* content = contentArray(recData);
  if (!content) {
    markMalformedReply(*result, "no content list");
    return result;
  }
  std::size_t leftOut = 0;
  std::size_t refused = 0;
  if (const base::Value* customers = elementAt(*content, 0); customers && customers->is_array()) {
    decodeCustomers(*result, *customers, leftOut, refused);
  }
  result->fieldsAttributeTable = rowsOf<marvisto_fields_customer_attribute_Entity>(
      elementAt(*content, 1), "customer attribute fields",
      [](const base::Value& row) -> std::optional<marvisto_fields_customer_attribute_Entity> {
        auto id = idOf(row, "attributeFieldsId");
        if (!id) {
          logSkippedRow("customer attribute fields", "no usable \"attributeFieldsId\"");
          return std::nullopt;
        }
        marvisto_fields_customer_attribute_Entity e;
        e.field_id = *id;
        e.field_name = textOf(row, "attributeName");
        e.description = textOf(row, "description");
        e.data_type = textOf(row, "data_type");
        e.selection_list = textOf(row, "selection_list");
        e.display = intOf(row, "display");
        e.published = intOf(row, "published");
        return e;
      },
      &leftOut);
  result->customerAddressTable = rowsOf<marvisto_customer_address_Entity>(
      elementAt(*content, 2), "customer addresses",
      [&](const base::Value& row) -> std::optional<marvisto_customer_address_Entity> {
        const auto ids = serviceIds(row, "id", "customerId", "customer addresses", refused);
        if (!ids) return std::nullopt;
        return addressFromRow(row, ids->first);
      },
      &leftOut);
  result->customerContactTable = rowsOf<marvisto_customer_contact_entity>(
      elementAt(*content, 3), "customer contacts",
      [&](const base::Value& row) -> std::optional<marvisto_customer_contact_entity> {
        const auto ids = serviceIds(row, "contactId", "customerId", "customer contacts", refused);
        if (!ids) return std::nullopt;
        return contactFromRow(row, ids->first);
      },
      &leftOut);
  markMalformedWhenRowsUnreadable(*result, leftOut - refused);
  if (!result->isSuccess()) {
    result->customerTable.reset();
    result->customerAttributeTable.reset();
    result->fieldsAttributeTable.reset();
    result->customerAddressTable.reset();
    result->customerContactTable.reset();
  }
  return result;
}

}  // namespace mv
