#include "sync/requests/RequestRestore.hpp"

#include <charconv>
#include <cmath>
#include <span>
#include <string_view>

#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestBody.hpp"
#include "util/Json.hpp"

namespace mv {
namespace {

// Fixed notation with six decimals, whatever the process locale.
std::string fixedSix(double value) {
  if (!std::isfinite(value)) value = 0;
  char buffer[400];
  auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (ec != std::errc()) return "0.000000";
  return std::string(buffer, ptr);
}

// Members that hold numbers in each list's rows, besides its key: one that
// holds anything but a number (or a text that is one and nothing else, or a
// flag's true or false) would be read as 0, a customer 0 or no discount.
using NumberMembers = std::span<const std::string_view>;
constexpr std::string_view kCustomerNumbers[] = {"customer_publish", "customer_ordering", "discount",
                                                 "hidden",           "important",         "has_note"};
constexpr std::string_view kOwnedRowNumbers[] = {"customer_id"};
constexpr std::string_view kAttributeNumbers[] = {"customer_id", "attribute_fields_id"};

template <typename Row>
std::optional<Row> keyed(const base::Value& row, const char* key, const char* table,
                         void (*fill)(Row&, const base::Value&, int), NumberMembers numbers) {
  auto id = idOf(row, key);
  if (!id) {
    logSkippedRow(table, std::string("no usable \"") + key + "\"");
    return std::nullopt;
  }
  for (std::string_view name : numbers) {
    const base::Value* v = member(row, name);
    if (v && !v->is_boolean() && !exactNumber(*v)) {
      logSkippedRow(table, std::string("\"") + std::string(name) + "\" is no number");
      return std::nullopt;
    }
  }
  Row record;
  fill(record, row, *id);
  return record;
}

// The favourite and compare records carry the same three members.
template <typename Row>
void fillProduct(Row& e, const base::Value& row, int id) {
  e.product_id = id;
  e.product_sku = textOf(row, "product_sku");
  e.product_name = textOf(row, "product_name");
}

void fillLibraryFavorite(marvisto_library_favorite_Entity& e, const base::Value& row, int id) {
  e.file_id = id;
  e.file_name = textOf(row, "file_name");
}

void fillLibraryFile(marvisto_library_files_Entity& e, const base::Value& row, int id) {
  e.file_id = id;
  e.file_name = textOf(row, "file_name");
}

void fillCustomer(marvisto_customer_Entity& e, const base::Value& row, int id) {
  e.customer_id = id;
  e.customer_info_id = textOf(row, "customer_info_id");
  e.customer_name = optionalTextOf(row, "customer_name");
  e.customer_publish = intOf(row, "customer_publish");
  e.customer_ordering = intOf(row, "customer_ordering");
  e.discount = static_cast<float>(floatValue(member(row, "discount")));
  // What only the device keeps, when the backup carries it.
  e.hidden = intOf(row, "hidden");
  e.important = intOf(row, "important");
  e.has_note = intOf(row, "has_note");
  e.note = optionalTextOf(row, "note");
}

void fillAddress(marvisto_customer_address_Entity& e, const base::Value& row, int id) {
  e.indexId = id;
  e.customerId = intOf(row, "customer_id");
  e.customerAddress = textOf(row, "address");
  e.customerCity = textOf(row, "city");
  e.customerState = textOf(row, "state");
  e.customerZipCode = textOf(row, "zip_code");
  e.isDefault = boolValue(member(row, "isDefault"));
}

void fillAttribute(marvisto_customer_attribute_Entity& e, const base::Value& row, int id) {
  e.attribute_id = id;
  e.customer_id = intOf(row, "customer_id");
  e.attribute_fields_id = intOf(row, "attribute_fields_id");
  e.attribute_value = textOf(row, "attribute_value");
}

void fillContact(marvisto_customer_contact_entity& e, const base::Value& row, int id) {
  e.contactID = id;
  e.customerID = intOf(row, "customer_id");
  e.first_name = textOf(row, "first_name");
  e.last_name = textOf(row, "last_name");
  e.job_title = textOf(row, "job_title");
  e.work_phone = textOf(row, "work_phone");
  e.mobile_phone = textOf(row, "mobile_phone");
  e.email = textOf(row, "email");
  e.im = textOf(row, "im");
  e.note = textOf(row, "note");
  e.isDeful = boolValue(member(row, "isDefault"));
}

// A backup replaces the local work, so it is taken whole or not at all: one
// element that cannot be read makes the reply malformed (`*damaged`).
template <typename Row>
std::optional<std::vector<Row>> records(const base::Value& content, const char* name, const char* key,
                                        void (*fill)(Row&, const base::Value&, int), bool& damaged,
                                        NumberMembers numbers = {}) {
  std::size_t leftOut = 0;
  auto rows = rowsOf<Row>(
      arrayMember(content, name), name,
      [&](const base::Value& row) { return keyed<Row>(row, key, name, fill, numbers); }, &leftOut);
  damaged = damaged || leftOut > 0;
  return rows;
}

// An order is an object with its number; its lines, when it carries them, are
// objects in a list (or in "order_items").
bool readableOrder(const base::Value& order) {
  if (!order.is_object()) return false;
  const base::Value* number = member(order, "order_number");
  if (!number || !number->is_string() || number->get<std::string>().empty()) return false;
  const base::Value* items = member(order, "order_item");
  if (!items) return true;
  const base::Value* lines = items->is_object() ? member(*items, "order_items") : items;
  if (!lines) return true;
  if (!lines->is_array()) return false;
  for (const base::Value& line : *lines) {
    if (!line.is_object()) return false;
  }
  return true;
}

std::optional<std::vector<base::Value>> asReceived(const base::Value& content, const char* name,
                                                   bool (*readable)(const base::Value&), bool& damaged) {
  const base::Value* rows = arrayMember(content, name);
  if (!rows) return std::nullopt;
  for (const base::Value& row : *rows) {
    if (!readable(row)) {
      logSkippedRow(name, "not a readable row");
      damaged = true;
    }
  }
  return std::vector<base::Value>(rows->begin(), rows->end());
}

bool isObject(const base::Value& row) { return row.is_object(); }

}  // namespace

RequestRestore::RequestRestore() {
  cmdCode = kCmdRestore;
  requestHead = "Restore;";
  methodName = "restoreData";
}

std::optional<std::string> RequestRestore::RequestEncode() const {
  RequestBody body = makeBody();
  addSessionParameters(body);
  body.addElemValue(fixedSix(lastBackupDate), "last_backup_date");
  return body.requestStr();
}

std::shared_ptr<NetBaseRst> RequestRestore::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<RestoreRst>(recData);
  if (!result->isSuccess()) return result;
  const base::Value* content = contentObject(recData);
  if (!content) {
    markMalformedReply(*result, "no content object");
    return result;
  }
  static constexpr const char* kLists[] = {"favorite_product", "compare_product", "favorite_library_file",
                                           "download_library_file", "order", "order_item", "customer",
                                           "customer_address", "customer_attribute", "customer_contact"};
  for (const char* name : kLists) {
    if (member(*content, name) && !arrayMember(*content, name)) {
      markMalformedReply(*result, std::string("\"") + name + "\" is not a list");
      return result;
    }
  }
  // Everything is read before anything is kept.
  RestoreRst backup;
  bool damaged = false;
  backup.favProductArray = records<marvisto_favorite_Entity>(*content, "favorite_product", "product_id",
                                                             fillProduct<marvisto_favorite_Entity>, damaged);
  backup.compareProductArray = records<marvisto_compare_Entity>(*content, "compare_product", "product_id",
                                                                fillProduct<marvisto_compare_Entity>, damaged);
  backup.favLibFileArray = records<marvisto_library_favorite_Entity>(*content, "favorite_library_file", "id",
                                                                     fillLibraryFavorite, damaged);
  backup.downloadLibFileArray =
      records<marvisto_library_files_Entity>(*content, "download_library_file", "id", fillLibraryFile, damaged);
  backup.orderArray = asReceived(*content, "order", readableOrder, damaged);
  backup.orderItemArray = asReceived(*content, "order_item", isObject, damaged);
  backup.customerArray = records<marvisto_customer_Entity>(*content, "customer", "customer_id", fillCustomer,
                                                            damaged, kCustomerNumbers);
  backup.customerAddressArray = records<marvisto_customer_address_Entity>(*content, "customer_address", "id",
                                                                          fillAddress, damaged, kOwnedRowNumbers);
  backup.customerAttributeArray = records<marvisto_customer_attribute_Entity>(
      *content, "customer_attribute", "attribute_id", fillAttribute, damaged, kAttributeNumbers);
  backup.customerContactArray = records<marvisto_customer_contact_entity>(
      *content, "customer_contact", "contact_id", fillContact, damaged, kOwnedRowNumbers);
  if (damaged) {
    markMalformedReply(*result, "a backup row that cannot be read");
    result->damaged = true;
    return result;
  }
  static_cast<NetBaseRst&>(backup) = static_cast<const NetBaseRst&>(*result);
  *result = std::move(backup);
  return result;
}

}  // namespace mv
