#pragma once
// The rows tests put in a client's store, made one way: each builder fills
// what a row of that kind needs (published, with its ids and names), and the
// test sets whatever else it is about on the result.
#include <optional>
#include <string>

#include "store/Entities.hpp"

namespace mv::test {

// A published product.
marvisto_product_Entity makeProduct(int id, const std::string& name, const std::string& sku);
// A published category under `parent` (0: at the root).
marvisto_category_Entity makeCategory(int id, std::optional<std::string> name, int parent = 0, int ordering = 0);
// A published library file, dated by its id, ordered by it, with the
// format and size the service sends ("<type>/1.5 M").
marvisto_library_files_Entity libraryFile(int id, const std::string& title, const std::string& fileName,
                                          const std::string& type, int category = 0);
// A published customer; a synced one (positive id) has an info id.
marvisto_customer_Entity makeCustomer(int id, std::optional<std::string> name);
marvisto_customer_address_Entity makeAddress(int id, int customerId, const std::string& street,
                                             bool isDefault = false);
marvisto_customer_contact_entity makeContact(int id, int customerId, const std::string& first,
                                             const std::string& last = "");
// A product's attribute (its option list) and a customer's attribute value.
marvisto_product_attribute_Entity makeProductAttribute(int id, int productId, int fieldId, const std::string& value);
marvisto_customer_attribute_Entity makeCustomerAttribute(int id, int customerId, int fieldId,
                                                         const std::string& value);

}  // namespace mv::test
