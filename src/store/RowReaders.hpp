#pragma once
// Turning a result row into an entity record, by column name. Shared by the
// data models; a column missing from the row reads as NULL.
#include <cstdint>

#include "store/Entities.hpp"
#include "store/QuoteOrderEntity.hpp"
#include "store/SQLiteStatement.hpp"

namespace mv::rows {

// The SKU already follows the display rule.
marvisto_product_Entity product(const SQLiteStatement& row);
// How many product rows have been read on the main thread since the process
// began: the lists that grow with the company are read on a worker, and
// tests watch this to hold the screens to it.
std::uint64_t productsReadOnMainThread();
marvisto_category_Entity category(const SQLiteStatement& row);
marvisto_image_Entity image(const SQLiteStatement& row);
marvisto_product_price_Entity price(const SQLiteStatement& row);
marvisto_library_files_Entity libraryFile(const SQLiteStatement& row);
marvisto_library_category_Entity libraryCategory(const SQLiteStatement& row);
marvisto_customer_Entity customer(const SQLiteStatement& row);
// A customer row as the customer book holds it, without its attributes,
// addresses and contacts.
CustomerInfoEntry customerEntry(const SQLiteStatement& row);
marvisto_customer_address_Entity customerAddress(const SQLiteStatement& row);
marvisto_customer_contact_entity customerContact(const SQLiteStatement& row);
marvisto_customer_attribute_Entity customerAttribute(const SQLiteStatement& row);
ConfigEntity config(const SQLiteStatement& row);
// Lines come without their product record; the order model fills it.
QuoteOrderItemEntity orderItem(const SQLiteStatement& row);
QuoteOrderEntity order(const SQLiteStatement& row);

}  // namespace mv::rows
