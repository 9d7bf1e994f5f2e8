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

void decodeCustomers(SyncCustomerTableRst& result, const base::Value& customers) {
  result.customerTable.emplace();
  result.customerAttributeTable.emplace();
  for (const base::Value& row : customers) {
    if (!row.is_object()) {
      logSkippedRow("customers", "not an object");
      continue;
    }
    auto customerId = idOf(row, "customerId");
    if (!customerId) {
      logSkippedRow("customers", "no usable \"customerId\"");
      continue;
    }
    marvisto_customer_Entity c;
    c.customer_id = *customerId;
    c.customer_info_id = textOf(row, "customerInfoId");
    c.customer_name = optionalTextOf(row, "customerName");
    c.customer_publish = intOf(row, "customerPublish");
    c.customer_ordering = intOf(row, "customerOrdering");
    c.discount = static_cast<float>(floatValue(member(row, "customerDiscount")));
    result.customerTable->push_back(std::move(c));
    auto attributes = rowsOf<marvisto_customer_attribute_Entity>(
        arrayMember(row, "attributes"), "customer attributes",
        [&](const base::Value& a) -> std::optional<marvisto_customer_attribute_Entity> {
          auto id = idOf(a, "attributeId");
          if (!id) {
            logSkippedRow("customer attributes", "no usable \"attributeId\"");
            return std::nullopt;
          }
          marvisto_customer_attribute_Entity e;
          e.attribute_id = *id;
          e.attribute_fields_id = intOf(a, "attributeFieldsId");
          e.attribute_value = textOf(a, "attributeValue");
          e.customer_id = *customerId;
          return e;
        });
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
  if (const base::Value* customers = elementAt(*content, 0); customers && customers->is_array()) {
    decodeCustomers(*result, *customers);
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
      });
  result->customerAddressTable = rowsOf<marvisto_customer_address_Entity>(
      elementAt(*content, 2), "customer addresses",
      [](const base::Value& row) -> std::optional<marvisto_customer_address_Entity> {
        auto id = idOf(row, "id");
        if (!id) {
          logSkippedRow("customer addresses", "no usable \"id\"");
          return std::nullopt;
        }
        return addressFromRow(row, *id);
      });
  result->customerContactTable = rowsOf<marvisto_customer_contact_entity>(
      elementAt(*content, 3), "customer contacts",
      [](const base::Value& row) -> std::optional<marvisto_customer_contact_entity> {
        auto id = idOf(row, "contactId");
        if (!id) {
          logSkippedRow("customer contacts", "no usable \"contactId\"");
          return std::nullopt;
        }
        return contactFromRow(row, *id);
      });
  return result;
}

}  // namespace mv
