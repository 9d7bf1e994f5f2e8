#include "customer/CustomerInfoGroupData.hpp"

#include <algorithm>
#include <cstdlib>

#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

customer_attribute_cell_Entity makeRow(int fieldId, const std::string& label, const std::string& value) {
  customer_attribute_cell_Entity cell;
  cell.field_id = fieldId;
  cell.fieldName = label;
  cell.attributeValue = value;
  return cell;
}

// The value of the person's attribute of that field name (the last one when
// several have it), "" when none.
std::string valueOf(const PersonInfo& person, const std::string& field) {
  std::string value;
  for (const auto& cell : person.attribute) {
    if (cell.fieldName == field) value = cell.attributeValue.value_or("");
  }
  return value;
}

std::string addressColumn(const marvisto_customer_address_Entity& address, int role) {
  switch (role) {
    case CustomerInfoGroupData::kStreetRow: return address.customerAddress;
    case CustomerInfoGroupData::kCityRow: return address.customerCity;
    case CustomerInfoGroupData::kStateRow: return address.customerState;
    case CustomerInfoGroupData::kZipRow: return address.customerZipCode;
    default: return {};
  }
}

std::string contactColumn(const marvisto_customer_contact_entity& contact, int role) {
  switch (role) {
    case CustomerInfoGroupData::kFirstNameRow: return contact.first_name;
    case CustomerInfoGroupData::kLastNameRow: return contact.last_name;
    case CustomerInfoGroupData::kJobTitleRow: return contact.job_title;
    case CustomerInfoGroupData::kWorkPhoneRow: return contact.work_phone;
    case CustomerInfoGroupData::kMobilePhoneRow: return contact.mobile_phone;
    case CustomerInfoGroupData::kEmailRow: return contact.email;
    case CustomerInfoGroupData::kImRow: return contact.im;
    case CustomerInfoGroupData::kContactNoteRow: return contact.note;
    default: return {};
  }
}

CustomerInfoGroupData::Group contactGroup(const marvisto_customer_contact_entity* contact, int indexId,
                                          bool isDefault) {
  CustomerInfoGroupData::Group group;
  group.groupName = text("ALTERNATECONTACT");
  group.indexId = indexId;
  group.isDefault = isDefault;
  for (const auto& row : CustomerInfoGroupData::contactRows()) {
    group.customerAttributes.push_back(makeRow(row.role, text(row.key), contact ? contactColumn(*contact, row.role) : ""));
  }
  return group;
}

CustomerInfoGroupData::Group addressGroup(const marvisto_customer_address_Entity* address,
                                          const CustomerInfoGroupData::Fields& addressFields, int indexId,
                                          bool isDefault) {
  CustomerInfoGroupData::Group group;
  group.groupName = text("ALTERNATEADDRESS");
  group.indexId = indexId;
  group.isDefault = isDefault;
  for (const auto& field : addressFields) {
    auto row = CustomerInfoGroupData::addressRowOf(field.fieldName);
    if (!row) continue;
    group.customerAttributes.push_back(
        makeRow(row->role, text(row->key), address ? addressColumn(*address, row->role) : ""));
  }
  return group;
}

bool blankValue(const customer_attribute_cell_Entity* cell) {
  return !cell || !cell->attributeValue || isBlank(*cell->attributeValue);
}

}  // namespace

const std::vector<CustomerInfoGroupData::RowKey>& CustomerInfoGroupData::contactRows() {
  static const std::vector<RowKey> rows = {
      {kFirstNameRow, "FIRSTNAME"},     {kLastNameRow, "LASTNAME"}, {kJobTitleRow, "JOBTITLE"},
      {kWorkPhoneRow, "WORKPHONE"},     {kMobilePhoneRow, "MOBILEPHONE"}, {kEmailRow, "EMAILCONTACT"},
      {kImRow, "IM"},                   {kContactNoteRow, "NOTE"},
  };
  return rows;
}

std::optional<CustomerInfoGroupData::RowKey> CustomerInfoGroupData::addressRowOf(const std::string& storeField) {
  if (storeField == kAddressField) return RowKey{kStreetRow, "STREETADDRESS"};
  if (storeField == kCityField) return RowKey{kCityRow, "CITY"};
  if (storeField == kStateField) return RowKey{kStateRow, "STATE"};
  if (storeField == kZipCodeField) return RowKey{kZipRow, "ZIPCODE"};
  return std::nullopt;
}

// --- building ---------------------------------------------------------------------------------

void CustomerInfoGroupData::updateCustomerInfoData(const PersonInfo& person, const Fields& fields,
                                                   const Fields& addressFields) {
  removeAllObjects();
  Group base;
  base.groupName = text("BASEINFO");
  base.customerAttributes.push_back(makeRow(kNameRow, text("NAME"), person.name));
  Group primary;
  primary.groupName = text("PRIMARYADDRESS");
  primary.indexId = kPrimaryAddressId;

  for (const auto& field : fields) {
    const std::string& name = field.fieldName;
    std::string value = valueOf(person, name);
    if (name == kPhoneField) {
      base.customerAttributes.push_back(makeRow(field.field_id, text("PHONE"), value));
    } else if (name == kBankAccountField) {
      base.customerAttributes.push_back(makeRow(field.field_id, text("BANKACCOUNT"), value));
    } else if (name == kActiveField) {
      if (!activeFieldId_) activeFieldId_ = field.field_id;
      base.customerAttributes.push_back(makeRow(field.field_id, text("ACTIVE"), value.empty() ? "YES" : value));
    } else if (auto row = addressRowOf(name)) {
      primary.customerAttributes.push_back(makeRow(field.field_id, text(row->key), value));
    } else {
      base.customerAttributes.push_back(makeRow(field.field_id, name, value));
    }
  }
  customerCompanyData_.push_back(std::move(base));
  customerCompanyData_.push_back(std::move(primary));

  bool anyDefault = false;
  for (const auto& address : person.address) {
    customerCompanyData_.push_back(addressGroup(&address, addressFields, address.indexId, address.isDefault));
    anyDefault = anyDefault || address.isDefault;
  }
  customerCompanyData_[1].isDefault = !anyDefault;

  for (const auto& contact : person.contact) {
    customerContactData_.push_back(contactGroup(&contact, contact.contactID, contact.isDeful));
  }
  setFirstContactToPromary();
}

void CustomerInfoGroupData::setFirstContactToPromary() {
  if (customerContactData_.empty()) return;
  customerContactData_.front().groupName = text("PRIMARYCONTACT");
  const bool anyDefault =
      std::any_of(customerContactData_.begin(), customerContactData_.end(), [](const Group& g) { return g.isDefault; });
  if (!anyDefault) customerContactData_.front().isDefault = true;
}

void CustomerInfoGroupData::switchActivi(bool on) {
  if (customerCompanyData_.empty()) return;
  for (auto& cell : customerCompanyData_.front().customerAttributes) {
    if (isActiveRow(cell)) cell.attributeValue = on ? "YES" : "NO";
  }
}

void CustomerInfoGroupData::removeAllObjects() {
  customerCompanyData_.clear();
  customerContactData_.clear();
  activeFieldId_ = 0;
}

// --- values -----------------------------------------------------------------------------------

std::string CustomerInfoGroupData::name() const {
  if (customerCompanyData_.empty() || customerCompanyData_.front().customerAttributes.empty()) return {};
  return customerCompanyData_.front().customerAttributes.front().attributeValue.value_or("");
}

const customer_attribute_cell_Entity* CustomerInfoGroupData::rowAt(long formSection, long row) const {
  if (formSection < 0 || row < 0) return nullptr;
  const Group* group = nullptr;
  if (formSection < companyCount()) {
    group = &customerCompanyData_[static_cast<std::size_t>(formSection)];
  } else {
    const long contact = formSection - 1 - companyCount();
    if (contact < 0 || contact >= contactCount()) return nullptr;
    group = &customerContactData_[static_cast<std::size_t>(contact)];
  }
  if (row >= static_cast<long>(group->customerAttributes.size())) return nullptr;
  return &group->customerAttributes[static_cast<std::size_t>(row)];
}

const customer_attribute_cell_Entity* CustomerInfoGroupData::rowOfSection(long section, long row,
                                                                          bool editMode) const {
  const Group* group = groupOfSection(section, editMode);
  if (!group || row < 0 || row >= static_cast<long>(group->customerAttributes.size())) return nullptr;
  return &group->customerAttributes[static_cast<std::size_t>(row)];
}

customer_attribute_cell_Entity* CustomerInfoGroupData::rowAt(long formSection, long row) {
  return const_cast<customer_attribute_cell_Entity*>(std::as_const(*this).rowAt(formSection, row));
}

bool CustomerInfoGroupData::setValue(long formSection, long row, const std::string& value) {
  auto* cell = rowAt(formSection, row);
  if (!cell) return false;
  cell->attributeValue = value;
  return true;
}

bool CustomerInfoGroupData::isActiveRow(const customer_attribute_cell_Entity& cell) const {
  return activeFieldId_ != 0 && cell.field_id == activeFieldId_;
}

std::string CustomerInfoGroupData::normalizedActive(const std::string& value) {
  if (value == "YES") return "YES";
  // The number value of the text, as the service may send 1 or "1".
  const std::string trimmed = trimWhitespaceAndNewlines(value);
  char* end = nullptr;
  const double number = std::strtod(trimmed.c_str(), &end);
  const bool numeric = !trimmed.empty() && end && *end == '\0';
  return numeric && number == 1 ? "YES" : "NO";
}

void CustomerInfoGroupData::normalizeActive() {
  if (customerCompanyData_.empty()) return;
  for (auto& cell : customerCompanyData_.front().customerAttributes) {
    if (isActiveRow(cell)) cell.attributeValue = normalizedActive(cell.attributeValue.value_or(""));
  }
}

CustomerInfoGroupData::Verdict CustomerInfoGroupData::verdict() const {
  // The name is the first row of the first company group (table section 1).
  if (isBlank(name())) return {Check::NeedName, companyCount() > 0 ? 1 : -1, companyCount() > 0 ? 0 : -1};
  for (std::size_t g = 0; g < customerContactData_.size(); ++g) {
    const auto& cells = customerContactData_[g].customerAttributes;
    long first = -1, last = -1;
    for (std::size_t r = 0; r < cells.size(); ++r) {
      if (cells[r].field_id == kFirstNameRow) first = static_cast<long>(r);
      if (cells[r].field_id == kLastNameRow) last = static_cast<long>(r);
    }
    auto blank = [&](long r) { return blankValue(r < 0 ? nullptr : &cells[static_cast<std::size_t>(r)]); };
    if (blank(first) || blank(last)) {
      // Contact groups follow the company groups and the add-address section.
      const long section = companyCount() + 2 + static_cast<long>(g);
      const long row = blank(first) ? first : last;
      return {Check::NeedContactName, row < 0 ? -1 : section, row};
    }
  }
  return {};
}

// --- groups in edit mode ------------------------------------------------------------------------

std::vector<CustomerInfoGroupData::Group>* CustomerInfoGroupData::listOf(int type) {
  return const_cast<std::vector<Group>*>(std::as_const(*this).listOf(type));
}

const std::vector<CustomerInfoGroupData::Group>* CustomerInfoGroupData::listOf(int type) const {
  if (type == kTypeAddress) return &customerCompanyData_;
  if (type == kTypeContact) return &customerContactData_;
  return nullptr;
}

int CustomerInfoGroupData::nextNewIndexId(const std::vector<Group>& groups) {
  int next = static_cast<int>(groups.size());
  for (const auto& g : groups) next = std::max(next, g.indexId + 1);
  return next;
}

void CustomerInfoGroupData::addAddress(const Fields& addressFields) {
  customerCompanyData_.push_back(addressGroup(nullptr, addressFields, nextNewIndexId(customerCompanyData_), false));
}

void CustomerInfoGroupData::addContact() {
  customerContactData_.push_back(contactGroup(nullptr, nextNewIndexId(customerContactData_), false));
  setFirstContactToPromary();
}

void CustomerInfoGroupData::deleteGroup(int indexId, int type) {
  auto* list = listOf(type);
  if (!list) return;
  // The base information and the primary address are never removed.
  const std::size_t first = type == kTypeAddress ? 2 : 0;
  std::optional<std::size_t> found;
  for (std::size_t i = first; i < list->size(); ++i) {
    if ((*list)[i].indexId == indexId) found = i;
  }
  if (!found) return;
  const bool wasDefault = (*list)[*found].isDefault;
  list->erase(list->begin() + static_cast<std::ptrdiff_t>(*found));
  if (type == kTypeContact) {
    // The next contact becomes the primary one, and the default when none is.
    setFirstContactToPromary();
  } else if (wasDefault) {
    (*list)[1].isDefault = true;
  }
}

bool CustomerInfoGroupData::chooseDefault(int indexId, int type) {
  auto* list = listOf(type);
  if (!list) return false;
  const std::size_t first = type == kTypeAddress ? 1 : 0;
  const bool known = std::any_of(list->begin() + static_cast<std::ptrdiff_t>(std::min(first, list->size())),
                                 list->end(), [&](const Group& g) { return g.indexId == indexId; });
  if (!known) return false;
  for (std::size_t i = first; i < list->size(); ++i) (*list)[i].isDefault = (*list)[i].indexId == indexId;
  return true;
}

std::optional<int> CustomerInfoGroupData::defaultIndexId(int type) const {
  const auto* list = listOf(type);
  if (!list) return std::nullopt;
  const std::size_t first = type == kTypeAddress ? 1 : 0;
  for (std::size_t i = first; i < list->size(); ++i) {
    if ((*list)[i].isDefault) return (*list)[i].indexId;
  }
  return std::nullopt;
}

// --- layout ---------------------------------------------------------------------------------------

long CustomerInfoGroupData::numberOfSections(bool editMode) const {
  if (empty()) return 0;
  return companyCount() + contactCount() + (editMode ? 3 : 1);
}

CustomerInfoGroupData::Section CustomerInfoGroupData::sectionAt(long section, bool editMode) const {
  const long c = companyCount();
  const long k = contactCount();
  if (section < 0 || section >= numberOfSections(editMode)) return {};
  if (section == 0) return {SectionKind::Switches, -1};
  if (section <= c) return {SectionKind::Company, section - 1};
  if (!editMode) return {SectionKind::Contact, section - c - 1};
  if (section == c + 1) return {SectionKind::AddAddress, -1};
  if (section <= c + k + 1) return {SectionKind::Contact, section - c - 2};
  return {SectionKind::AddContact, -1};
}

const CustomerInfoGroupData::Group* CustomerInfoGroupData::groupOfSection(long section, bool editMode) const {
  const Section s = sectionAt(section, editMode);
  if (s.kind == SectionKind::Company) return &customerCompanyData_[static_cast<std::size_t>(s.group)];
  if (s.kind == SectionKind::Contact) return &customerContactData_[static_cast<std::size_t>(s.group)];
  return nullptr;
}

long CustomerInfoGroupData::numberOfRowsInSection(long section, bool editMode) const {
  const Group* group = groupOfSection(section, editMode);
  return group ? static_cast<long>(group->customerAttributes.size()) : 0;
}

double CustomerInfoGroupData::headerHeight(long section, bool editMode, bool hasPublishedAddressAttribute,
                                           long companyCount) {
  if (section == 0) return 90;
  if (hasPublishedAddressAttribute) return 50;
  const bool furtherCompanyGroup = section >= 2 && section <= companyCount;
  const bool addAddressSection = editMode && section == companyCount + 1;
  return furtherCompanyGroup || addAddressSection ? 0 : 50;
}

CustomerInfoGroupData::ReturnTarget CustomerInfoGroupData::returnTarget(long formSection, long row) const {
  const long s = formSection + 1;
  const long n = numberOfRowsInSection(s, true);
  const Group* group = groupOfSection(s, true);
  auto hidesField = [&](long r) { return group && isActiveRow(group->customerAttributes[static_cast<std::size_t>(r)]); };
  if (row + 1 < n) {
    if (!hidesField(row + 1)) return {s, row + 1, false};
    if (row + 2 < n) return {s, row + 2, false};
  }
  // On from the group's last row; the add-address section is passed over.
  long next = s + 1;
  if (next == companyCount() + 1) ++next;
  if (numberOfRowsInSection(next, true) == 0) return {-1, -1, true};
  return {next, 0, false};
}

}  // namespace mv
