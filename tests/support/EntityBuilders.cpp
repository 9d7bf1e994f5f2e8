#include "EntityBuilders.hpp"

#include <utility>

namespace mv::test {

marvisto_product_Entity makeProduct(int id, const std::string& name, const std::string& sku) {
  marvisto_product_Entity p;
  p.product_id = id;
  p.product_name = name;
  p.product_sku = sku;
  p.product_publish = 1;
  return p;
}

marvisto_category_Entity makeCategory(int id, std::optional<std::string> name, int parent, int ordering) {
  marvisto_category_Entity c;
  c.category_id = id;
  c.category_name = std::move(name);
  c.category_parent_id = parent;
  c.category_ordering = ordering;
  c.category_publish = 1;
  return c;
}

marvisto_library_files_Entity libraryFile(int id, const std::string& title, const std::string& fileName,
                                          const std::string& type, int category) {
  marvisto_library_files_Entity f;
  f.file_id = id;
  f.title = title;
  f.file_name = fileName;
  f.type = type;
  f.category = category;
  f.published = 1;
  f.date = "2024-01-0" + std::to_string(id % 9 + 1) + " 10:00:00";
  f.ordering = id;
  f.info = type + "/1.5 M";
  return f;
}

marvisto_customer_Entity makeCustomer(int id, std::optional<std::string> name) {
  marvisto_customer_Entity c;
  c.customer_id = id;
  c.customer_info_id = id < 0 ? "" : "INFO" + std::to_string(id);
  c.customer_name = std::move(name);
  c.customer_publish = 1;
  return c;
}

marvisto_customer_address_Entity makeAddress(int id, int customerId, const std::string& street, bool isDefault) {
  marvisto_customer_address_Entity a;
  a.indexId = id;
  a.customerId = customerId;
  a.customerAddress = street;
  a.isDefault = isDefault;
  return a;
}

marvisto_customer_contact_entity makeContact(int id, int customerId, const std::string& first,
                                             const std::string& last) {
  marvisto_customer_contact_entity c;
  c.contactID = id;
  c.customerID = customerId;
  c.first_name = first;
  c.last_name = last;
  return c;
}

marvisto_product_attribute_Entity makeProductAttribute(int id, int productId, int fieldId, const std::string& value) {
  marvisto_product_attribute_Entity a;
  a.attribute_id = id;
  a.product_id = productId;
  a.attribute_fields_id = fieldId;
  a.attribute_value = value;
  return a;
}

marvisto_customer_attribute_Entity makeCustomerAttribute(int id, int customerId, int fieldId,
                                                         const std::string& value) {
  marvisto_customer_attribute_Entity a;
  a.attribute_id = id;
  a.customer_id = customerId;
  a.attribute_fields_id = fieldId;
  a.attribute_value = value;
  return a;
}

}  // namespace mv::test
