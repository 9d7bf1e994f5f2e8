#include "customer/CustomerFormRecords.hpp"

namespace mv {
namespace {

using Data = CustomerInfoGroupData;

std::string valueOf(const customer_attribute_cell_Entity& cell) { return cell.attributeValue.value_or(""); }

// Sets the address column the row stands for; false for any other row.
bool setAddressColumn(marvisto_customer_address_Entity& address, const customer_attribute_cell_Entity& cell) {
  switch (cell.field_id) {
    case Data::kStreetRow: address.customerAddress = valueOf(cell); return true;
    case Data::kCityRow: address.customerCity = valueOf(cell); return true;
    case Data::kStateRow: address.customerState = valueOf(cell); return true;
    case Data::kZipRow: address.customerZipCode = valueOf(cell); return true;
    default: return false;
  }
}

void setContactColumn(marvisto_customer_contact_entity& contact, const customer_attribute_cell_Entity& cell) {
  switch (cell.field_id) {
    case Data::kFirstNameRow: contact.first_name = valueOf(cell); break;
    case Data::kLastNameRow: contact.last_name = valueOf(cell); break;
    case Data::kJobTitleRow: contact.job_title = valueOf(cell); break;
    case Data::kWorkPhoneRow: contact.work_phone = valueOf(cell); break;
    case Data::kMobilePhoneRow: contact.mobile_phone = valueOf(cell); break;
    case Data::kEmailRow: contact.email = valueOf(cell); break;
    case Data::kImRow: contact.im = valueOf(cell); break;
    case Data::kContactNoteRow: contact.note = valueOf(cell); break;
    default: break;
  }
}

}  // namespace

CustomerFormRecords CustomerFormRecords::fromGroups(const CustomerInfoGroupData& data, const LowestIds& lowest,
                                                    const std::optional<Existing>& existing) {
  CustomerFormRecords out;
  const int customerId = existing ? existing->customerId : lowest.customer - 1;
  out.customer.customer_id = customerId;
  out.customer.customer_info_id = "";
  out.customer.customer_name = data.name();
  out.customer.customer_publish = 1;
  if (existing) {
    out.customer.customer_ordering = existing->ordering;
    out.customer.discount = existing->discount;
  }

  const auto& company = data.customerCompanyData();
  int addressId = lowest.address;
  for (std::size_t g = 2; g < company.size(); ++g) {
    marvisto_customer_address_Entity address;
    address.indexId = --addressId;
    address.customerId = customerId;
    address.isDefault = company[g].isDefault;
    bool anyValue = false;
    for (const auto& cell : company[g].customerAttributes) {
      if (setAddressColumn(address, cell) && !valueOf(cell).empty()) anyValue = true;
    }
    if (anyValue) out.addresses.push_back(std::move(address));
  }

  int attributeId = lowest.attribute;
  for (std::size_t g = 0; g < company.size() && g < 2; ++g) {
    for (const auto& cell : company[g].customerAttributes) {
      const int id = --attributeId;
      // The name is the customer's own column; a row of the form's own that
      // stands for no field has nothing to be stored under.
      if (cell.field_id <= 0) continue;
      marvisto_customer_attribute_Entity row;
      row.attribute_id = id;
      row.customer_id = customerId;
      row.attribute_fields_id = cell.field_id;
      row.attribute_value = valueOf(cell);
      out.attributes.push_back(std::move(row));
    }
  }

  int contactId = lowest.contact;
  for (const auto& group : data.customerContactData()) {
    marvisto_customer_contact_entity contact;
    contact.contactID = --contactId;
    contact.customerID = customerId;
    contact.isDeful = group.isDefault;
    for (const auto& cell : group.customerAttributes) setContactColumn(contact, cell);
    out.contacts.push_back(std::move(contact));
  }
  return out;
}

}  // namespace mv
