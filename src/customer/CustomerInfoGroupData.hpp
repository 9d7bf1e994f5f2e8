#pragma once
// The customer form's groups while the form is open: the base information,
// the primary address and one group per further address (the company
// groups), and one group per contact. Rows are shown under the current
// language's texts of their keys; each row also carries what it stands for in
// `field_id`: the store's field id for a row of a customer attribute field, a
// role of its own (below) for the name, the columns of a further address and
// the columns of a contact. The form finds rows by place and the tab maps them
// to the store by what they stand for, never by their texts, so a company
// field named like one of the form's own rows is never taken for it.
//
// It also answers the form's layout questions, which depend only on the
// groups: sections, rows, header heights, where the return key leads.
#include <optional>
#include <string>
#include <vector>

#include "customer/PersonInfo.hpp"
#include "store/Entities.hpp"

namespace mv {

class CustomerInfoGroupData {
 public:
  using Group = marvisto_customer_group_Entity;
  using Fields = std::vector<customer_attribute_cell_Entity>;

  // Group types as the group headers report them.
  static constexpr int kTypeBase = 0;
  static constexpr int kTypeAddress = 1;
  static constexpr int kTypeContact = 2;
  // The primary-address group's indexId: no stored address.
  static constexpr int kPrimaryAddressId = 0;

  // Roles of the form's own rows (store field ids are positive).
  static constexpr int kNameRow = -1;
  static constexpr int kStreetRow = -20, kCityRow = -21, kStateRow = -22, kZipRow = -23;
  static constexpr int kFirstNameRow = -30, kLastNameRow = -31, kJobTitleRow = -32, kWorkPhoneRow = -33,
                       kMobilePhoneRow = -34, kEmailRow = -35, kImRow = -36, kContactNoteRow = -37;

  // The store's field names the form knows.
  static constexpr const char* kPhoneField = "Phone";
  static constexpr const char* kBankAccountField = "Bank Account";
  static constexpr const char* kActiveField = "Active";
  static constexpr const char* kAddressField = "Address";
  static constexpr const char* kCityField = "City";
  static constexpr const char* kStateField = "State/Province/Region";
  static constexpr const char* kZipCodeField = "Zip Code";

  // A contact's rows in order: role and text key.
  struct RowKey {
    int role;
    const char* key;
  };
  static const std::vector<RowKey>& contactRows();
  // The text key of a further address's row standing for that store field,
  // and its role; nothing for a field that is not an address field.
  static std::optional<RowKey> addressRowOf(const std::string& storeField);

  std::vector<Group>& customerCompanyData() { return customerCompanyData_; }
  const std::vector<Group>& customerCompanyData() const { return customerCompanyData_; }
  std::vector<Group>& customerContactData() { return customerContactData_; }
  const std::vector<Group>& customerContactData() const { return customerContactData_; }

  // Builds the groups of the customer: `fields` are the store's published
  // customer attribute fields and `addressFields` its published address
  // fields, both in store order.
  void updateCustomerInfoData(const PersonInfo& person, const Fields& fields, const Fields& addressFields);
  // The first contact is titled the primary one, and becomes the default
  // when no contact is.
  void setFirstContactToPromary();
  // The "Active" row of the base information becomes "YES" or "NO".
  void switchActivi(bool on);
  void removeAllObjects();
  bool empty() const { return customerCompanyData_.empty() && customerContactData_.empty(); }

  // --- values --------------------------------------------------------------------
  // The customer's name: the first row of the base information.
  std::string name() const;
  // The row of a form section (table section - 1 of the edit-mode layout,
  // where the fields report from) by place; null when there is none.
  customer_attribute_cell_Entity* rowAt(long formSection, long row);
  const customer_attribute_cell_Entity* rowAt(long formSection, long row) const;
  // The row shown at a table section and row of either layout; null when
  // there is none.
  const customer_attribute_cell_Entity* rowOfSection(long section, long row, bool editMode) const;
  // Writes a value the user typed; false when the row does not exist.
  bool setValue(long formSection, long row, const std::string& value);
  // The row stands for the store's "Active" field (shown as a switch).
  bool isActiveRow(const customer_attribute_cell_Entity& cell) const;
  // "YES" for "YES" or a value whose number is 1, else "NO".
  static std::string normalizedActive(const std::string& value);
  // The shown "Active" values normalised (view mode).
  void normalizeActive();

  // What DONE refuses: a blank name first, then a contact without a first
  // or a last name.
  enum class Check { Ok, NeedName, NeedContactName };
  Check validate() const { return verdict().check; }
  // The same, with the field to fill (table section and row of the edit
  // layout; -1 when the form has no such row).
  struct Verdict {
    Check check = Check::Ok;
    long section = -1;
    long row = -1;
  };
  Verdict verdict() const;

  // --- groups in edit mode ---------------------------------------------------------
  // A further address with an empty row per published address field.
  void addAddress(const Fields& addressFields);
  // A further contact with its eight empty rows.
  void addContact();
  // Removes the group of that kind with that indexId (the last one when
  // several); a removed default gives the default back to the primary group.
  void deleteGroup(int indexId, int type);
  // The group of that kind with that indexId becomes the default, the others
  // lose it. False when no group has that id.
  bool chooseDefault(int indexId, int type);
  // The indexId of the default group of that kind, if any.
  std::optional<int> defaultIndexId(int type) const;

  // --- layout (table sections) ------------------------------------------------------
  long companyCount() const { return static_cast<long>(customerCompanyData_.size()); }
  long contactCount() const { return static_cast<long>(customerContactData_.size()); }
  enum class SectionKind { None, Switches, Company, AddAddress, Contact, AddContact };
  struct Section {
    SectionKind kind = SectionKind::None;
    long group = -1;  // index in its list for Company and Contact
  };
  long numberOfSections(bool editMode) const;
  Section sectionAt(long section, bool editMode) const;
  long numberOfRowsInSection(long section, bool editMode) const;
  const Group* groupOfSection(long section, bool editMode) const;
  static double headerHeight(long section, bool editMode, bool hasPublishedAddressAttribute, long companyCount);

  // Where the return key on a row leads (edit mode): the next row to edit,
  // or DONE when the form ends there.
  struct ReturnTarget {
    long section = -1;  // table section
    long row = -1;
    bool runsDone = false;
  };
  ReturnTarget returnTarget(long formSection, long row) const;

 private:
  std::vector<Group>* listOf(int type);
  const std::vector<Group>* listOf(int type) const;
  // A new group's indexId: above every one in use, so it never meets a
  // stored one (those are negative) nor another new one.
  static int nextNewIndexId(const std::vector<Group>& groups);

  std::vector<Group> customerCompanyData_;
  std::vector<Group> customerContactData_;
  int activeFieldId_ = 0;
};

}  // namespace mv
