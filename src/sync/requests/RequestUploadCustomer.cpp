#include "sync/requests/RequestUploadCustomer.hpp"

#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestBody.hpp"
#include "sync/requests/RequestSyncCustomerTable.hpp"
#include "util/Json.hpp"

namespace mv {
namespace {

// Visits the object rows of content[member] that carry both ids; a row
// without them cannot map a local id to the service's and is skipped.
template <typename Visit>
void eachMappedRow(const base::Value& content, const char* name, const char* idKey, Visit visit) {
  const base::Value* rows = arrayMember(content, name);
  if (!rows) return;
  for (const base::Value& row : *rows) {
    if (!row.is_object()) {
      logSkippedRow(name, "not an object");
      continue;
    }
    auto preId = idOf(row, "preId");
    auto id = idOf(row, idKey);
    if (!preId || !id) {
      logSkippedRow(name, "no usable \"preId\" or service id");
      continue;
    }
    visit(row, *preId, *id);
  }
}

}  // namespace

RequestUploadCustomer::RequestUploadCustomer() {
  cmdCode = kCmdUploadCustomer;
  requestHead = "SyncClient;";
  methodName = "syncData";
}

std::optional<std::string> RequestUploadCustomer::RequestEncode() const {
  RequestBody body = makeBody();
  addSessionParameters(body);
  body.addElemValue(syncData, "syncData");
  return body.requestStr();
}

std::shared_ptr<NetBaseRst> RequestUploadCustomer::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<SubmitCustomerRst>(recData);
  const base::Value* content = contentObject(recData);
  if (!content) {
    if (result->isSuccess()) markMalformedReply(*result, "no content object");
    return result;
  }
  eachMappedRow(*content, "marvisto_customer", "customerId", [&](const base::Value&, int preId, int id) {
    marvisto_customer_Entity e;
    e.customer_id = id;
    e.pid = preId;
    result->customerArry.push_back(std::move(e));
  });
  eachMappedRow(*content, "marvisto_customer_address", "id", [&](const base::Value& row, int preId, int id) {
    auto e = RequestSyncCustomerTable::addressFromRow(row, id);
    e.pID = preId;
    result->customerAddress.push_back(std::move(e));
  });
  eachMappedRow(*content, "marvisto_customer_attribute", "attributeId", [&](const base::Value& row, int preId, int id) {
    marvisto_customer_attribute_Entity e;
    e.pID = preId;
    e.attribute_id = id;
    e.customer_id = intOf(row, "customerId");
    e.attribute_fields_id = intOf(row, "attributeFieldsId");
    e.attribute_value = textOf(row, "attributeValue");
    result->customerAttributes.push_back(std::move(e));
  });
  eachMappedRow(*content, "marvisto_customer_contact", "contactId", [&](const base::Value& row, int preId, int id) {
    auto e = RequestSyncCustomerTable::contactFromRow(row, id);
    e.pID = preId;
    result->customerContacts.push_back(std::move(e));
  });
  return result;
}

}  // namespace mv
