#include "store/CustomerModel.hpp"

#include <algorithm>
#include <cstdint>
#include <ranges>

#include "store/RowReaders.hpp"
#include "store/Schema.hpp"

namespace mv {

bool CustomerModel::updateVersion() { return Schema::upgradeGroup(db(), "customer"); }

bool CustomerModel::saveToDatabaseCustomer(const std::vector<marvisto_customer_Entity>& customers) {
  return inTransaction([&] {
    // An upsert, not a replace: a replace deletes the row and with it what the
    // user set on the device.
    SQLiteStatement put = db().prepare(
        "INSERT INTO marvisto_customer (customer_id, customer_info_id, customer_name, customer_publish, "
        "customer_ordering, discount) VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT(customer_id) DO UPDATE SET "
        "customer_info_id = excluded.customer_info_id, customer_name = excluded.customer_name, "
        "customer_publish = excluded.customer_publish, customer_ordering = excluded.customer_ordering, "
        "discount = excluded.discount");
    SQLiteStatement dropAttr = db().prepare("DELETE FROM marvisto_customer_attribute WHERE customer_id = ?");
    SQLiteStatement dropAddr = db().prepare("DELETE FROM marvisto_customer_address WHERE customer_id = ?");
    SQLiteStatement dropContact = db().prepare("DELETE FROM marvisto_customer_contact WHERE customer_id = ?");
    if (!put || !dropAttr || !dropAddr || !dropContact) return false;
    for (const auto& c : customers) {
      put.reset();
      put.bindAll(c.customer_id, c.customer_info_id, c.customer_name, c.customer_publish, c.customer_ordering,
                  static_cast<double>(c.discount));
      if (!put.run()) return false;
      for (SQLiteStatement* drop : {&dropAttr, &dropAddr, &dropContact}) {
        drop->reset();
        drop->bind(1, c.customer_id);
        if (!drop->run()) return false;
      }
    }
    return true;
  });
}

bool CustomerModel::saveToDatabaseCustomerAttribute(const std::vector<marvisto_customer_attribute_Entity>& rows) {
  return saveRows(
      "INSERT OR REPLACE INTO marvisto_customer_attribute (attribute_id, customer_id, attribute_fields_id, "
      "attribute_value) VALUES (?, ?, ?, ?)",
      rows, [](SQLiteStatement& st, const auto& r) {
        st.bindAll(r.attribute_id, r.customer_id, r.attribute_fields_id, r.attribute_value);
      });
}

bool CustomerModel::saveToDatabaseFieldsCustomerAttribute(
    const std::vector<marvisto_fields_customer_attribute_Entity>& rows) {
  return saveRows(
      "INSERT OR REPLACE INTO marvisto_fields_customer_attribute (field_id, field_name, description, data_type, "
      "selection_list, display, published) VALUES (?, ?, ?, ?, ?, ?, ?)",
      rows,
      [](SQLiteStatement& st, const auto& r) {
        st.bindAll(r.field_id, r.field_name, r.description, r.data_type, r.selection_list, r.display, r.published);
      },
      "DELETE FROM marvisto_fields_customer_attribute");
}

bool CustomerModel::saveToDatabaseCustomerAddress(const std::vector<marvisto_customer_address_Entity>& rows) {
  return saveRows(
      "INSERT OR REPLACE INTO marvisto_customer_address (id, customer_id, address, city, state, zip_code, "
      "isDefault) VALUES (?, ?, ?, ?, ?, ?, ?)",
      rows, [](SQLiteStatement& st, const auto& r) {
        st.bindAll(r.indexId, r.customerId, r.customerAddress, r.customerCity, r.customerState, r.customerZipCode,
                   r.isDefault);
      });
}

bool CustomerModel::saveToDatabaseCustomerContact(const std::vector<marvisto_customer_contact_entity>& rows) {
  return saveRows(
      "INSERT OR REPLACE INTO marvisto_customer_contact (contact_id, customer_id, first_name, last_name, job_title, "
      "work_phone, mobile_phone, email, im, note, isDefault) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
      rows, [](SQLiteStatement& st, const auto& r) {
        st.bindAll(r.contactID, r.customerID, r.first_name, r.last_name, r.job_title, r.work_phone, r.mobile_phone,
                   r.email, r.im, r.note, r.isDeful);
      });
}

namespace {

// The customers the book shows: published, and not hidden unless asked.
std::string shownCustomers(bool showHidden) {
  return showHidden ? "customer_publish = 1" : "customer_publish = 1 AND hidden = 0";
}

// The rows of the customers, by customer: the values of published, displayed
// fields (`of`: " AND a.<condition>", or nothing for every customer's), and
// the addresses and contacts (`where`: " WHERE <condition>", or nothing),
// local customers' newest first. The customer's id is the first column of each.
std::string attributesOf(const std::string& of) {
  return "SELECT a.customer_id, f.field_id, f.field_name, a.attribute_value FROM marvisto_customer_attribute a "
         "JOIN marvisto_fields_customer_attribute f ON f.field_id = a.attribute_fields_id "
         "WHERE f.published = 1 AND f.display = 1" + of + " ORDER BY a.customer_id, f.field_id, a.attribute_id";
}
std::string addressesOf(const std::string& where) {
  return "SELECT customer_id AS customer_key, * FROM marvisto_customer_address" + where +
         " ORDER BY customer_id, CASE WHEN customer_id < 0 THEN -id ELSE id END";
}
std::string contactsOf(const std::string& where) {
  return "SELECT customer_id AS customer_key, * FROM marvisto_customer_contact" + where +
         " ORDER BY customer_id, CASE WHEN customer_id < 0 THEN -contact_id ELSE contact_id END";
}

customer_attribute_cell_Entity attributeCell(const SQLiteStatement& r) {
  customer_attribute_cell_Entity cell;
  cell.field_id = r.intAt(1);
  cell.fieldName = r.textAt(2);
  cell.attributeValue = r.textAt(3);
  return cell;
}

// A customer without values still has one cell, with empty name and value.
void completeAttributes(CustomerInfoEntry& entry) {
  if (!entry.attribute.empty()) return;
  customer_attribute_cell_Entity empty;
  empty.attributeValue = "";
  entry.attribute.push_back(std::move(empty));
}

// The rows of one table in customer order, read as the customers are.
class RowsByCustomer {
 public:
  explicit RowsByCustomer(SQLiteStatement statement) : st_(std::move(statement)) {
    if (st_) next();
  }
  bool failed() const { return !st_ || step_ == SQLiteStatement::Step::Error; }
  // Hands `take` each row of the customer, past those of customers before it
  // (the book shows not every customer that has rows).
  template <typename Take>
  void rowsOf(int customerId, Take&& take) {
    while (step_ == SQLiteStatement::Step::Row && st_.intAt(0) < customerId) next();
    for (; step_ == SQLiteStatement::Step::Row && st_.intAt(0) == customerId; next()) {
      take(static_cast<const SQLiteStatement&>(st_));
    }
  }

 private:
  void next() { step_ = st_.step(); }
  SQLiteStatement st_;
  SQLiteStatement::Step step_ = SQLiteStatement::Step::Error;
};

}  // namespace

template <typename... Args>
std::optional<std::map<int, CustomerInfoEntry>> CustomerModel::readCustomers(const std::string& customers,
                                                                             const std::string& theirRows,
                                                                             const Args&... args) {
  std::map<int, CustomerInfoEntry> out;
  const bool ok = query(
      "SELECT * FROM marvisto_customer WHERE " + customers + " ORDER BY customer_ordering, customer_id",
      [&](const SQLiteStatement& r) { out.emplace(r.integer("customer_id"), rows::customerEntry(r)); }, args...);
  if (!ok) return std::nullopt;
  if (out.empty()) return out;

  // A customer without the attributes, addresses or contacts it has would be
  // shown, and uploaded, wrong: any part that fails fails the whole read.
  const std::string of = theirRows.empty() ? std::string() : " AND a." + theirRows;
  const bool attributes = query(
      attributesOf(of),
      [&](const SQLiteStatement& r) {
        auto it = out.find(r.intAt(0));
        if (it != out.end()) it->second.attribute.push_back(attributeCell(r));
      },
      args...);
  const std::string where = theirRows.empty() ? std::string() : " WHERE " + theirRows;
  const bool addresses = query(
      addressesOf(where),
      [&](const SQLiteStatement& r) {
        auto it = out.find(r.intAt(0));
        if (it != out.end()) it->second.address.push_back(rows::customerAddress(r));
      },
      args...);
  const bool contacts = query(
      contactsOf(where),
      [&](const SQLiteStatement& r) {
        auto it = out.find(r.intAt(0));
        if (it != out.end()) it->second.contact.push_back(rows::customerContact(r));
      },
      args...);
  if (!attributes || !addresses || !contacts) return std::nullopt;
  for (auto& entry : out | std::views::values) completeAttributes(entry);
  return out;
}

bool CustomerModel::readEachCustomer(bool showHidden, const std::function<bool(int, CustomerInfoEntry&&)>& each) {
  db().checkThread(__func__);
  // Every statement steps before any ends, so the four read one snapshot of
  // the store.
  SQLiteStatement customers =
      db().prepare("SELECT * FROM marvisto_customer WHERE " + shownCustomers(showHidden) + " ORDER BY customer_id");
  RowsByCustomer attributes(db().prepare(attributesOf("")));
  RowsByCustomer addresses(db().prepare(addressesOf("")));
  RowsByCustomer contacts(db().prepare(contactsOf("")));
  if (!customers || attributes.failed() || addresses.failed() || contacts.failed()) return false;
  const int idColumn = customers.columnIndex("customer_id");
  for (;;) {
    const auto step = customers.step();
    if (step == SQLiteStatement::Step::Done) break;
    if (step == SQLiteStatement::Step::Error) return false;
    const int id = customers.intAt(idColumn);
    CustomerInfoEntry entry = rows::customerEntry(customers);
    attributes.rowsOf(id, [&](const SQLiteStatement& r) { entry.attribute.push_back(attributeCell(r)); });
    addresses.rowsOf(id, [&](const SQLiteStatement& r) { entry.address.push_back(rows::customerAddress(r)); });
    contacts.rowsOf(id, [&](const SQLiteStatement& r) { entry.contact.push_back(rows::customerContact(r)); });
    if (attributes.failed() || addresses.failed() || contacts.failed()) return false;
    completeAttributes(entry);
    if (!each(id, std::move(entry))) return true;
  }
  return true;
}

std::map<int, CustomerInfoEntry> CustomerModel::getAllCustomers(bool showHidden) {
  return shownAsEmpty(readAllCustomers(showHidden));
}

std::optional<std::map<int, CustomerInfoEntry>> CustomerModel::readAllCustomers(bool showHidden) {
  return readCustomers(shownCustomers(showHidden), "");
}

std::optional<std::optional<CustomerInfoEntry>> CustomerModel::getCustomer(int customerId, bool showHidden) {
  auto read = readCustomers(shownCustomers(showHidden) + " AND customer_id = ?", "customer_id = ?", customerId);
  if (!read) return std::nullopt;
  if (read->empty()) return std::optional<CustomerInfoEntry>();
  return std::move(read->begin()->second);
}

std::optional<std::vector<int>> CustomerModel::getLocalCustomerIds() {
  return readRows("SELECT customer_id FROM marvisto_customer WHERE customer_publish = 1 AND customer_id < 0 "
                  "ORDER BY customer_id",
                  [](const SQLiteStatement& r) { return r.intAt(0); });
}

std::optional<std::int64_t> CustomerModel::countCustomers() {
  return countOf("SELECT COUNT(*) FROM marvisto_customer WHERE " + shownCustomers(true));
}

// The forms only show the fields: a failed read shows none.
std::vector<customer_attribute_cell_Entity> CustomerModel::fieldCells(bool addressOnly, bool displayedOnly) {
  std::string sql = "SELECT field_id, field_name FROM marvisto_fields_customer_attribute WHERE published = 1";
  if (addressOnly) sql += " AND field_name IN ('Address', 'City', 'State/Province/Region', 'Zip Code')";
  if (displayedOnly) sql += " AND display = 1";
  return shownAsEmpty(readRows(sql + " ORDER BY rowid", [](const SQLiteStatement& r) {
    customer_attribute_cell_Entity c;
    c.field_id = r.intAt(0);
    c.fieldName = r.textAt(1);
    return c;
  }));
}

std::vector<customer_attribute_cell_Entity> CustomerModel::getAllAttributes() { return fieldCells(false); }

std::vector<customer_attribute_cell_Entity> CustomerModel::getAllAddressAttributes() { return fieldCells(true); }

std::vector<customer_attribute_cell_Entity> CustomerModel::getAllDisplayedAttributes() {
  return fieldCells(false, true);
}

std::vector<marvisto_customer_attribute_Entity> CustomerModel::getCustomerAttributes(int customerId) {
  return shownAsEmpty(readRows("SELECT * FROM marvisto_customer_attribute WHERE customer_id = ? ORDER BY rowid",
                               rows::customerAttribute, customerId));
}

std::optional<marvisto_customer_Entity> CustomerModel::getCustomerByCustomerName(const std::string& name) {
  // A failed read finds no customer.
  return readFirst(
             "SELECT * FROM marvisto_customer WHERE customer_name = ? AND customer_publish = 1 ORDER BY rowid LIMIT 1",
             rows::customer, name)
      .value_or(std::nullopt);
}

int CustomerModel::lowestLocalId(const char* kind, const char* sql) {
  // Ids given out before stay taken after an upload or a deletion moved
  // their rows away (the note is kept by the table's trigger).
  const std::int64_t inUse = scalarInt(sql).value_or(std::nullopt).value_or(0);
  const std::int64_t given = scalarInt("SELECT lowest_id FROM marvisto_local_id WHERE kind = ?", std::string(kind))
                                 .value_or(std::nullopt)
                                 .value_or(0);
  return static_cast<int>(std::min<std::int64_t>({inUse, given, 0}));
}

int CustomerModel::getLastLocalCustomerId() {
  // Every local row counts, published or not, and so does every order's
  // customer: an id an order still names is never handed to a new customer,
  // which would silently take that order over.
  return lowestLocalId("customer",
                       "SELECT MIN(id) FROM (SELECT customer_id AS id FROM marvisto_customer WHERE customer_id < 0 "
                       "UNION ALL SELECT customer_id FROM marvisto_quote_order WHERE customer_id < 0)");
}

int CustomerModel::getLastLocalCustomerAddressId() {
  return lowestLocalId("customer_address", "SELECT MIN(id) FROM marvisto_customer_address WHERE id < 0");
}

int CustomerModel::getLastLocalCustomerAttributesId() {
  return lowestLocalId("customer_attribute",
                       "SELECT MIN(attribute_id) FROM marvisto_customer_attribute WHERE attribute_id < 0");
}

int CustomerModel::getLastLocalCustomerContactsId() {
  return lowestLocalId("customer_contact", "SELECT MIN(contact_id) FROM marvisto_customer_contact WHERE contact_id < 0");
}

bool CustomerModel::deleteCustomerTableWithID(int customerId) {
  return inTransaction([&] {
    for (const char* sql : {"DELETE FROM marvisto_customer WHERE customer_id = ?",
                            "DELETE FROM marvisto_customer_address WHERE customer_id = ?",
                            "DELETE FROM marvisto_customer_attribute WHERE customer_id = ?",
                            "DELETE FROM marvisto_customer_contact WHERE customer_id = ?"})
      if (!exec(sql, customerId)) return false;
    return true;
  });
}

bool CustomerModel::updateAddressToDefault(int customerId, int addressId) {
  return exec("UPDATE marvisto_customer_address SET isDefault = (id = ?) WHERE customer_id = ?", addressId,
              customerId);
}

bool CustomerModel::updateContactToDefault(int customerId, int contactId) {
  return exec("UPDATE marvisto_customer_contact SET isDefault = (contact_id = ?) WHERE customer_id = ?", contactId,
              customerId);
}

std::optional<std::optional<int>> CustomerModel::customerOfRow(UploadedRow table, int id) {
  const char* sql = "SELECT customer_id FROM marvisto_customer WHERE customer_id = ?";
  switch (table) {
    case UploadedRow::Customer: break;
    case UploadedRow::Address: sql = "SELECT customer_id FROM marvisto_customer_address WHERE id = ?"; break;
    case UploadedRow::Attribute:
      sql = "SELECT customer_id FROM marvisto_customer_attribute WHERE attribute_id = ?";
      break;
    case UploadedRow::Contact: sql = "SELECT customer_id FROM marvisto_customer_contact WHERE contact_id = ?"; break;
  }
  auto found = scalarInt(sql, id);
  if (!found) return std::nullopt;
  if (!*found) return std::optional<int>();
  return std::optional<int>(static_cast<int>(**found));
}

std::optional<std::optional<int>> CustomerModel::uploadedFrom(int customerId) {
  auto found = scalarInt("SELECT coalesce(local_id, 0) FROM marvisto_uploaded_customer WHERE customer_id = ?",
                         customerId);
  if (!found) return std::nullopt;
  if (!*found) return std::optional<int>();
  return std::optional<int>(static_cast<int>(**found));
}

bool CustomerModel::noteStoredCustomersUploaded() {
  // The same note an older database takes when it is upgraded.
  return exec(Schema::kNoteStoredCustomersUploaded);
}

bool CustomerModel::makeWayForLocalCopy(int localId, int serviceId, const std::vector<int>& replacedAddresses,
                                        const std::vector<int>& replacedAttributes,
                                        const std::vector<int>& replacedContacts) {
  return inTransaction([&] {
    const auto dropEach = [&](const char* sql, const std::vector<int>& ids) {
      return std::ranges::all_of(ids, [&](int id) { return exec(sql, serviceId, id); });
    };
    return exec(
               "UPDATE marvisto_customer SET "
               "hidden = min(hidden, (SELECT hidden FROM marvisto_customer WHERE customer_id = ?1)), "
               "important = max(important, (SELECT important FROM marvisto_customer WHERE customer_id = ?1)), "
               "has_note = max(has_note, (SELECT has_note FROM marvisto_customer WHERE customer_id = ?1)), "
               "note = (SELECT CASE WHEN coalesce(s.note, '') = '' OR s.note = coalesce(l.note, '') THEN l.note "
               "WHEN coalesce(l.note, '') = '' THEN s.note ELSE l.note || char(10) || s.note END "
               "FROM marvisto_customer AS l, marvisto_customer AS s WHERE l.customer_id = ?2 AND s.customer_id = ?1) "
               "WHERE customer_id = ?2",
               serviceId, localId) &&
           dropEach("DELETE FROM marvisto_customer_address WHERE customer_id = ? AND id = ?", replacedAddresses) &&
           dropEach("DELETE FROM marvisto_customer_attribute WHERE customer_id = ? AND attribute_id = ?",
                    replacedAttributes) &&
           dropEach("DELETE FROM marvisto_customer_contact WHERE customer_id = ? AND contact_id = ?",
                    replacedContacts) &&
           exec("DELETE FROM marvisto_customer_attribute WHERE customer_id = ? AND attribute_fields_id IN "
                "(SELECT attribute_fields_id FROM marvisto_customer_attribute WHERE customer_id = ?)",
                serviceId, localId) &&
           // One default address and contact: the local customer's, when it has one.
           exec("UPDATE marvisto_customer_address SET isDefault = 0 WHERE customer_id = ? AND EXISTS "
                "(SELECT 1 FROM marvisto_customer_address WHERE customer_id = ? AND isDefault = 1)",
                serviceId, localId) &&
           exec("UPDATE marvisto_customer_contact SET isDefault = 0 WHERE customer_id = ? AND EXISTS "
                "(SELECT 1 FROM marvisto_customer_contact WHERE customer_id = ? AND isDefault = 1)",
                serviceId, localId) &&
           exec("DELETE FROM marvisto_customer WHERE customer_id = ?", serviceId);
  });
}

bool CustomerModel::updateCustomerTable(const std::vector<marvisto_customer_Entity>& customers) {
  return inTransaction([&] {
    for (const auto& c : customers) {
      for (const char* sql : {"UPDATE marvisto_customer SET customer_id = ? WHERE customer_id = ?",
                              "UPDATE marvisto_customer_address SET customer_id = ? WHERE customer_id = ?",
                              "UPDATE marvisto_customer_attribute SET customer_id = ? WHERE customer_id = ?",
                              "UPDATE marvisto_customer_contact SET customer_id = ? WHERE customer_id = ?"})
        if (!exec(sql, c.customer_id, c.pid)) return false;
      if (!exec("INSERT INTO marvisto_uploaded_customer (customer_id, local_id) VALUES (?, ?) "
                "ON CONFLICT(customer_id) DO UPDATE SET local_id = excluded.local_id",
                c.customer_id, c.pid))
        return false;
    }
    return true;
  });
}

bool CustomerModel::updateCustomerAddressTable(const std::vector<marvisto_customer_address_Entity>& addresses) {
  return saveRows("UPDATE marvisto_customer_address SET id = ?, customer_id = ? WHERE id = ?", addresses,
                  [](SQLiteStatement& st, const auto& a) { st.bindAll(a.indexId, a.customerId, a.pID); });
}

bool CustomerModel::updateCustomerAttributeTable(const std::vector<marvisto_customer_attribute_Entity>& attributes) {
  return saveRows("UPDATE marvisto_customer_attribute SET attribute_id = ?, customer_id = ? WHERE attribute_id = ?",
                  attributes,
                  [](SQLiteStatement& st, const auto& a) { st.bindAll(a.attribute_id, a.customer_id, a.pID); });
}

bool CustomerModel::updateContactIdAfterUpload(const std::vector<marvisto_customer_contact_entity>& contacts) {
  return saveRows("UPDATE marvisto_customer_contact SET contact_id = ?, customer_id = ? WHERE contact_id = ?",
                  contacts, [](SQLiteStatement& st, const auto& c) { st.bindAll(c.contactID, c.customerID, c.pID); });
}

bool CustomerModel::updateCustomerTableHasNoteWithCustomerId(int customerId, int hasNote) {
  return exec("UPDATE marvisto_customer SET has_note = ?, note = NULL WHERE customer_id = ?", hasNote, customerId);
}

bool CustomerModel::updateCustomerTableHiddenWithCustomerId(int customerId, int hidden) {
  return exec("UPDATE marvisto_customer SET hidden = ? WHERE customer_id = ?", hidden, customerId);
}

bool CustomerModel::updateCustomerTableImportantWithCustomerId(int customerId, int important) {
  return exec("UPDATE marvisto_customer SET important = ? WHERE customer_id = ?", important, customerId);
}

bool CustomerModel::updateCustomerTableNoteWithCustomerId(int customerId, const std::string& note) {
  return exec("UPDATE marvisto_customer SET note = ? WHERE customer_id = ?", note, customerId);
}

}  // namespace mv
