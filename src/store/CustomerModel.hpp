#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "store/BaseDataModel.hpp"
#include "store/Entities.hpp"

namespace mv {

// Customers with their attribute values, addresses and contacts, and the
// customer attribute fields. Rows made on the device carry negative ids until
// an upload gives them the service's ids.
class CustomerModel : public BaseDataModel {
 public:
  using BaseDataModel::BaseDataModel;
  [[nodiscard]] bool updateVersion() override;

  // Writes the service's columns of each customer (the device's own hidden,
  // important, note and has_note stay) and drops its attribute, address and
  // contact rows, which the next saves write again.
  [[nodiscard]] bool saveToDatabaseCustomer(const std::vector<marvisto_customer_Entity>& customers);
  [[nodiscard]] bool saveToDatabaseCustomerAttribute(const std::vector<marvisto_customer_attribute_Entity>& rows);
  // Replaces every field row.
  [[nodiscard]] bool saveToDatabaseFieldsCustomerAttribute(
      const std::vector<marvisto_fields_customer_attribute_Entity>& rows);
  [[nodiscard]] bool saveToDatabaseCustomerAddress(const std::vector<marvisto_customer_address_Entity>& rows);
  [[nodiscard]] bool saveToDatabaseCustomerContact(const std::vector<marvisto_customer_contact_entity>& rows);

  // Published customers (hidden ones only when asked), keyed by id.
  std::map<int, CustomerInfoEntry> getAllCustomers(bool showHidden);
  // The same; nothing when the read failed.
  [[nodiscard]] std::optional<std::map<int, CustomerInfoEntry>> readAllCustomers(bool showHidden);
  // The same customers one at a time, in id order, each whole with its rows,
  // handed to `each`, which answers false to end the read there (a read so
  // ended answers true): a reader holds one customer at a time, not the
  // book. The four tables are read side by side. False when the read failed.
  [[nodiscard]] bool readEachCustomer(bool showHidden, const std::function<bool(int, CustomerInfoEntry&&)>& each);
  // The same of one customer: an empty inner value when it is not one of
  // them; nothing when the read failed.
  [[nodiscard]] std::optional<std::optional<CustomerInfoEntry>> getCustomer(int customerId, bool showHidden);
  // The ids of the published customers made on the device, hidden ones
  // too, in id order; nothing when the read failed.
  [[nodiscard]] std::optional<std::vector<int>> getLocalCustomerIds();
  // How many published customers there are, hidden ones too; nothing when
  // the count failed.
  [[nodiscard]] std::optional<std::int64_t> countCustomers();
  // One cell (fieldName, field_id) per published field, in store order.
  std::vector<customer_attribute_cell_Entity> getAllAttributes();
  // The same for "Address", "City", "State/Province/Region" and "Zip Code".
  std::vector<customer_attribute_cell_Entity> getAllAddressAttributes();
  // The published fields the company shows on a customer, in store order.
  std::vector<customer_attribute_cell_Entity> getAllDisplayedAttributes();
  std::vector<marvisto_customer_attribute_Entity> getCustomerAttributes(int customerId);
  std::optional<marvisto_customer_Entity> getCustomerByCustomerName(const std::string& name);

  // The lowest id below 0 in use or ever given out on this device (uploads
  // and deletions do not give an id back), else 0; the next local id is one
  // less. Customer ids count those that stored orders name too.
  [[nodiscard]] int getLastLocalCustomerId();
  [[nodiscard]] int getLastLocalCustomerAddressId();
  [[nodiscard]] int getLastLocalCustomerAttributesId();
  [[nodiscard]] int getLastLocalCustomerContactsId();

  [[nodiscard]] bool deleteCustomerTableWithID(int customerId);
  // Marks one address / contact of the customer as its default, clearing the
  // others (none stays marked when the id is not the customer's).
  [[nodiscard]] bool updateAddressToDefault(int customerId, int addressId);
  [[nodiscard]] bool updateContactToDefault(int customerId, int contactId);

  // The tables an upload's reply gives ids in.
  enum class UploadedRow { Customer, Address, Attribute, Contact };
  // The customer of the row with `id` in that table (a customer row is its
  // own): an empty inner value when no row has the id; nothing when the read
  // failed.
  [[nodiscard]] std::optional<std::optional<int>> customerOfRow(UploadedRow table, int id);
  // Whether `customerId` is the service's id of a customer this device
  // uploaded (whatever a sync wrote into its row since): the local id it had
  // here, 0 when that is not known (it may have been any local customer);
  // an empty inner value when it is not noted; nothing when the read failed.
  [[nodiscard]] std::optional<std::optional<int>> uploadedFrom(int customerId);
  // Notes every customer the service gave an id as one this device may
  // have uploaded, when what it uploaded before cannot be told (a backup
  // restored in place of its local customers): a reply reusing one of their
  // ids is then refused rather than taken for the service's copy.
  [[nodiscard]] bool noteStoredCustomersUploaded();

  // Before an upload's ids are taken: the service's copy `serviceId` of the
  // local customer `localId` (a sync brought it after the reply to an earlier
  // upload was lost) makes way for it. Its rows the reply gives to the local
  // customer's (`replaced...`) and its attribute values of fields the local
  // customer has go, as does its customer row, after lending the local one
  // what the device kept of it (hidden only when both were, important or
  // noted when either was, both notes); its other rows and its orders stay
  // under `serviceId`, which the local customer then takes.
  [[nodiscard]] bool makeWayForLocalCopy(int localId, int serviceId, const std::vector<int>& replacedAddresses,
                                         const std::vector<int>& replacedAttributes,
                                         const std::vector<int>& replacedContacts);
  // After an upload: local ids (pid / pID) become the service's ids, and a
  // customer's rows and orders follow it to its new id; the customer's new
  // id is noted as one this device uploaded, from its local id. Nothing is deleted: the caller
  // takes only ids that no other row holds.
  [[nodiscard]] bool updateCustomerTable(const std::vector<marvisto_customer_Entity>& customers);
  [[nodiscard]] bool updateCustomerAddressTable(const std::vector<marvisto_customer_address_Entity>& addresses);
  [[nodiscard]] bool updateCustomerAttributeTable(const std::vector<marvisto_customer_attribute_Entity>& attributes);
  [[nodiscard]] bool updateContactIdAfterUpload(const std::vector<marvisto_customer_contact_entity>& contacts);

  // Sets has_note and clears the note.
  [[nodiscard]] bool updateCustomerTableHasNoteWithCustomerId(int customerId, int hasNote);
  [[nodiscard]] bool updateCustomerTableHiddenWithCustomerId(int customerId, int hidden);
  [[nodiscard]] bool updateCustomerTableImportantWithCustomerId(int customerId, int important);
  [[nodiscard]] bool updateCustomerTableNoteWithCustomerId(int customerId, const std::string& note);

 private:
  // The customers that `customers` (a condition on their table) selects,
  // with their rows, which `theirRows` (a condition on a row's customer_id;
  // empty: every row) narrows; both bind `args`. Nothing when any part of
  // the read failed.
  template <typename... Args>
  std::optional<std::map<int, CustomerInfoEntry>> readCustomers(const std::string& customers,
                                                                const std::string& theirRows, const Args&... args);
  std::vector<customer_attribute_cell_Entity> fieldCells(bool addressOnly, bool displayedOnly = false);
  [[nodiscard]] int lowestLocalId(const char* kind, const char* sql);
};

}  // namespace mv
