#include "store/RowReaders.hpp"

#include <atomic>

#include "platform/base/RunLoop.hpp"
#include "store/BaseDataModel.hpp"

namespace mv::rows {
namespace {
std::atomic<std::uint64_t> mainThreadProducts{0};
}  // namespace

std::uint64_t productsReadOnMainThread() { return mainThreadProducts.load(); }

marvisto_product_Entity product(const SQLiteStatement& r) {
  if (base::RunLoop::main().isMainThread()) mainThreadProducts.fetch_add(1, std::memory_order_relaxed);
  marvisto_product_Entity p;
  p.product_id = r.integer("product_id");
  p.product_sku = BaseDataModel::displaySku(r.text("product_sku"), p.product_id);
  p.product_name = r.text("product_name");
  p.product_s_desc = r.text("product_s_desc");
  p.product_l_desc = r.text("product_l_desc");
  p.product_publish = r.integer("product_publish");
  p.product_ordering = r.integer("product_ordering");
  p.product_stock = r.integer("product_stock");
  p.product_sale = r.integer("product_sale");
  p.product_buy = r.integer("product_buy");
  p.product_tags = r.text("product_tags");
  return p;
}

marvisto_category_Entity category(const SQLiteStatement& r) {
  marvisto_category_Entity c;
  c.category_id = r.integer("category_id");
  c.category_name = r.optText("category_name");
  c.category_code = r.text("category_code");
  c.category_type = r.text("category_type");
  c.category_publish = r.integer("category_publish");
  c.category_ordering = r.integer("category_ordering");
  c.category_parent_id = r.integer("category_parent_id");
  return c;
}

marvisto_image_Entity image(const SQLiteStatement& r) {
  marvisto_image_Entity i;
  i.image_id = r.integer("image_id");
  i.key_id = r.integer("key_id");
  i.key_type = r.text("key_type");
  i.image_thumb_address = r.text("image_thumb_address");
  i.image_full_address = r.text("image_full_address");
  i.image_isdault = r.integer("image_isdault");
  i.image_s_desc = r.text("image_s_desc");
  i.image_l_desc = r.text("image_l_desc");
  i.image_publis = r.integer("image_publis");
  i.image_ordering = r.integer("image_ordering");
  return i;
}

marvisto_product_price_Entity price(const SQLiteStatement& r) {
  marvisto_product_price_Entity p;
  p.price_id = r.integer("price_id");
  p.product_id = r.integer("product_id");
  p.vendor_group_id_list = r.text("vendor_group_id_list");
  p.vendor_state_id_list = r.text("vendor_state_id_list");
  p.vendor_id_list = r.text("vendor_id_list");
  p.customer_id_list = r.text("customer_id_list");
  p.price = r.real("price");
  p.currency = r.text("currency");
  p.discount_price = r.real("discount_price");
  p.discount_identifier = r.text("discount_identifier");
  p.discount_start_date = r.optReal("discount_start_date");
  p.discount_end_date = r.optReal("discount_end_date");
  p.discount_publish = r.integer("discount_publish");
  p.tier_start_date = r.optReal("tier_start_date");
  p.tier_end_date = r.optReal("tier_end_date");
  p.tier_quantity_price = r.text("tier_quantity_price");
  p.tier_publish = r.integer("tier_publish");
  p.discontRat = r.real("discontRat");
  return p;
}

marvisto_library_files_Entity libraryFile(const SQLiteStatement& r) {
  marvisto_library_files_Entity f;
  f.file_id = r.integer("file_id");
  f.title = r.text("title");
  f.file_name = r.text("file_name");
  f.category = r.integer("category");
  f.type = r.text("type");
  f.date = r.text("date");
  f.description = r.text("description");
  f.ordering = r.integer("ordering");
  f.published = r.integer("published");
  f.cover_image = r.text("cover_image");
  f.info = r.text("info");
  f.isNew = r.integer("isNew");
  return f;
}

marvisto_library_category_Entity libraryCategory(const SQLiteStatement& r) {
  marvisto_library_category_Entity c;
  c.categoryID = r.integer("category_id");
  c.name = r.text("name");
  c.ordering = r.integer("ordering");
  c.published = r.integer("published");
  c.parent_id = r.integer("parent_id");
  return c;
}

marvisto_customer_Entity customer(const SQLiteStatement& r) {
  marvisto_customer_Entity c;
  c.customer_id = r.integer("customer_id");
  c.customer_info_id = r.text("customer_info_id");
  c.customer_name = r.optText("customer_name");
  c.customer_publish = r.integer("customer_publish");
  c.customer_ordering = r.integer("customer_ordering");
  c.discount = static_cast<float>(r.real("discount"));
  c.hidden = r.integer("hidden");
  c.important = r.integer("important");
  c.has_note = r.integer("has_note");
  c.note = r.optText("note");
  return c;
}

CustomerInfoEntry customerEntry(const SQLiteStatement& r) {
  CustomerInfoEntry e;
  e.customer_info_id = r.text("customer_info_id");
  e.customer_name = r.text("customer_name");
  e.customer_publish = r.integer("customer_publish");
  e.customer_ordering = r.integer("customer_ordering");
  e.hidden = r.integer("hidden") != 0;
  e.important = r.integer("important");
  e.has_note = r.integer("has_note");
  e.note = r.text("note");
  e.discount = static_cast<float>(r.real("discount"));
  return e;
}

marvisto_customer_address_Entity customerAddress(const SQLiteStatement& r) {
  marvisto_customer_address_Entity a;
  a.indexId = r.integer("id");
  a.customerId = r.integer("customer_id");
  a.customerAddress = r.text("address");
  a.customerCity = r.text("city");
  a.customerState = r.text("state");
  a.customerZipCode = r.text("zip_code");
  a.isDefault = r.integer("isDefault") != 0;
  return a;
}

marvisto_customer_contact_entity customerContact(const SQLiteStatement& r) {
  marvisto_customer_contact_entity c;
  c.contactID = r.integer("contact_id");
  c.customerID = r.integer("customer_id");
  c.first_name = r.text("first_name");
  c.last_name = r.text("last_name");
  c.job_title = r.text("job_title");
  c.work_phone = r.text("work_phone");
  c.mobile_phone = r.text("mobile_phone");
  c.email = r.text("email");
  c.im = r.text("im");
  c.note = r.text("note");
  c.isDeful = r.integer("isDefault") != 0;
  return c;
}

marvisto_customer_attribute_Entity customerAttribute(const SQLiteStatement& r) {
  marvisto_customer_attribute_Entity a;
  a.attribute_id = r.integer("attribute_id");
  a.customer_id = r.integer("customer_id");
  a.attribute_fields_id = r.integer("attribute_fields_id");
  a.attribute_value = r.text("attribute_value");
  return a;
}

ConfigEntity config(const SQLiteStatement& r) {
  ConfigEntity c;
  c._id = r.integer("_id");
  c.clientid = r.text("client_id");
  c.configType = r.text("cfg_type");
  c.desc = r.text("desc");
  c.update_date = r.text("update_date");
  return c;
}

QuoteOrderItemEntity orderItem(const SQLiteStatement& r) {
  QuoteOrderItemEntity i;
  i.serial = r.integer("order_item_id");
  i.orderID = r.integer("order_id");
  i.customerInfoId = r.text("customer_info_id");
  i.vendorId = r.integer("vendor_id");
  i.product.product_id = r.integer("product_id");
  i.sku = r.text("order_item_sku");
  i.name = r.text("order_item_name");
  i.quantity = r.integer("product_quantity");
  i.price = r.real("product_item_price");
  i.finalPrice = r.real("product_final_price");
  i.currency = r.text("order_item_currency");
  i.setSubtotal(r.real("order_item_subtotal"));
  i.status = r.integer("order_status");
  i.cdate = r.text("cdate");
  i.mdate = r.text("mdate");
  i.attributes = r.text("product_attribute");
  i.setDiscontRat(r.real("discount_rat"));
  return i;
}

QuoteOrderEntity order(const SQLiteStatement& r) {
  QuoteOrderEntity o{QuoteOrderEntity::Blank{}};
  o.serial = r.integer("order_id");
  o.customerId = r.integer("customer_id");
  o.customerInfoId = r.text("customer_info_id");
  o.customerName = r.text("customer_name");
  o.vendorId = r.integer("vendor_id");
  o.number = r.text("order_number");
  o.orderTax = r.real("order_tax");
  o.orderTaxDetails = r.text("order_tax_details");
  o.orderShipping = r.real("order_shipping");
  o.orderShippingTax = r.real("order_shipping_tax");
  o.couponDiscount = r.real("coupon_discount");
  o.couponCode = r.text("coupon_code");
  o.setDiscount(r.isNull("order_discount") ? -1.0 : r.real("order_discount"));
  o.currency = r.text("order_currency");
  o.status = r.integer("order_status");
  o.cdate = r.text("cdate");
  o.mdate = r.text("mdate");
  o.shipMethod = r.text("ship_method");
  o.setCustomerNote(r.text("customer_note"));
  o.ipAddress = r.text("ip_address");
  o.setUploaded(r.integer("uploaded") != 0);
  o.discountRat = r.isNull("discount_rat") ? 100.0 : r.real("discount_rat");
  o.signature = r.text("signature");
  o.customerAddress = r.text("address");
  o.city = r.text("city");
  o.state = r.text("state");
  o.zip_code = r.text("zip_code");
  o.phoneNumber = r.text("phone");
  o.bankAccount = r.text("bankAccount");
  o.unsaved = false;
  return o;
}

}  // namespace mv::rows
