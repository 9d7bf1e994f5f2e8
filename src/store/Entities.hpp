#pragma once
// Entity records: one plain value type per table row, named after its table,
// one field per column under the column's name (a few tables name their fields
// in camel case, as the screens know them). Numbers start at 0 and texts empty.
// Where an absent text must stay apart from an empty one the field is optional.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mv {

// --- catalogue ---------------------------------------------------------------

struct marvisto_product_Entity {
  int product_id = 0;
  std::string product_sku;  // "" when the stored SKU is the generated one
  std::string product_name;
  std::string product_s_desc;
  std::string product_l_desc;
  int product_publish = 0;
  int product_ordering = 0;
  int product_stock = 0;
  int product_sale = 0;
  int product_buy = 0;
  std::string product_tags;
  // Kept by the screens, not stored.
  int count = 0;
  std::string attributes;
  std::uint64_t itemNumberInOrder = 0;
};

struct marvisto_product_attribute_Entity {
  int attribute_id = 0;
  int product_id = 0;
  int attribute_fields_id = 0;
  std::string attribute_value;
  std::string default_value;
};

struct marvisto_fields_product_attribute_Entity {
  int field_id = 0;
  std::string field_name;
  std::string description;
  std::string selection_list;
  int display = 0;
  int published = 0;
};

struct marvisto_product_category_xref_Entity {
  int category_id = 0;
  int product_id = 0;
};

struct marvisto_product_price_Entity {
  int price_id = 0;
  int product_id = 0;
  std::string vendor_group_id_list;
  std::string vendor_state_id_list;
  std::string vendor_id_list;
  std::string customer_id_list;
  double price = 0;  // below 0: the product has no price
  std::string currency;
  double discount_price = 0;
  std::string discount_identifier;
  std::optional<double> discount_start_date;  // seconds since 1970
  std::optional<double> discount_end_date;
  int discount_publish = 0;
  std::optional<double> tier_start_date;
  std::optional<double> tier_end_date;
  std::string tier_quantity_price;
  int tier_publish = 0;
  double discontRat = 0;
  // The discount price applies: set by the store from the time of the read.
  bool discount_flag = false;

  // The discount runs at `now` (both dates known, start <= now <= end) and the
  // product has a price.
  bool discountActiveAt(double now) const;
  // "" when the amount is below 0, else the currency's symbol and the amount.
  std::string strPrice() const;
  std::string strDiscountPrice() const;
  bool isHidden() const { return price < 0; }
};

struct marvisto_product_related_Entity {
  int serial = 0;
  int first_product_id = 0;
  int second_product_id = 0;
};

struct marvisto_image_Entity {
  int image_id = 0;
  int key_id = 0;
  std::string key_type;
  std::string image_thumb_address;
  std::string image_full_address;
  int image_isdault = 0;
  std::string image_s_desc;
  std::string image_l_desc;
  int image_publis = 0;
  int image_ordering = 0;
};

struct marvisto_category_Entity {
  int category_id = 0;
  std::optional<std::string> category_name;  // absent for "no such category"
  std::string category_code;
  std::string category_type;
  int category_publish = 0;
  int category_ordering = 0;
  int category_parent_id = 0;
  // Kept by the catalogue's left panel, not stored.
  int category_numberOfProducts = 0;
};

struct marvisto_product_related_files_Entity {
  int file_id = 0;
  std::string product_sku;
  int product_id = 0;
};

struct marvisto_tag_entity {
  int tag_id = 0;
  std::string tag_name;
  std::vector<int> products;  // ids of published products, ascending
};

struct marvisto_product_related_tag_Entity {
  int tag_id = 0;
  int product_id = 0;
};

struct marvisto_icon_Entity {
  int _id = 0;
  std::string title;
  std::string name;
  int width = 0;
  int height = 0;
  std::string description;
  std::string category;
  int publish = 0;
};

// One attribute of a product, or one row of a form.
struct product_attribute_cell_Entity {
  int field_id = 0;
  std::string fieldName;
  std::string attributeList;                  // comma-separated options
  std::optional<std::string> attributeValue;  // absent while none is chosen
};

// --- lists -----------------------------------------------------------------

// A favourite is a product record without fields of its own.
struct marvisto_favorite_Entity : marvisto_product_Entity {};

struct marvisto_compare_Entity {
  int product_id = 0;
  std::string product_sku;
  std::string product_name;
};

// --- library ---------------------------------------------------------------

struct marvisto_library_files_Entity {
  int file_id = 0;
  std::string title;
  std::string file_name;
  int category = 0;  // 0: in no category
  std::string type;  // "PDF", "VEDIO", "EXCEL", "WORD", "EPUB" or another word
  std::string date;  // "yyyy-MM-dd HH:mm:ss"
  std::string description;
  int ordering = 0;
  int published = 0;
  std::string cover_image;
  std::string info;  // format "/" size " M", then optionally "," and a duration
  int isNew = 0;

  // The part of `info` before the first ","; all of it when there is none.
  std::string infoShow() const;
  // The part after the first "," when longer than one character, else "".
  std::string duration() const;
};

struct marvisto_library_category_Entity {
  int categoryID = 0;
  std::string name;
  int ordering = 0;
  int published = 0;
  int parent_id = 0;
  // Working fields of the library screens.
  int count = 0;
  int childCount = 0;
  bool hasChild = false;
};

struct marvisto_library_files_update_Entity {
  int fileID = 0;
  std::string oldFileName;
  std::string oldFileType;
};

struct marvisto_library_favorite_Entity {
  int file_id = 0;
  std::string file_name;
};

struct marvisto_lib_category_cell_entity {
  int category_id = 0;
  int files_count = 0;
};

// --- customers ---------------------------------------------------------------

struct marvisto_customer_Entity {
  int customer_id = 0;  // negative for a customer made on the device
  std::string customer_info_id;
  std::optional<std::string> customer_name;
  int customer_publish = 0;
  int customer_ordering = 0;
  float discount = 0;
  // Kept on the device only; never written by a sync save.
  int hidden = 0;
  int important = 0;
  int has_note = 0;
  std::optional<std::string> note;
  // In an upload reply: the local id that customer_id replaces.
  int pid = 0;
};

struct marvisto_customer_address_Entity {
  int indexId = 0;  // the address id
  int customerId = 0;
  std::string customerAddress;
  std::string customerCity;
  std::string customerState;
  std::string customerZipCode;
  bool isDefault = false;
  // In an upload reply: the local address id.
  int pID = 0;
};

struct marvisto_customer_attribute_Entity {
  int attribute_id = 0;
  int customer_id = 0;
  int attribute_fields_id = 0;
  std::string attribute_value;
  int pID = 0;
};

struct marvisto_customer_contact_entity {
  int contactID = 0;
  int customerID = 0;
  std::string first_name;
  std::string last_name;
  std::string job_title;
  std::string work_phone;
  std::string mobile_phone;
  std::string email;
  std::string im;
  std::string note;
  bool isDeful = false;  // the primary contact; column isDefault
  int pID = 0;
};

struct marvisto_fields_customer_attribute_Entity {
  int field_id = 0;
  std::string field_name;
  std::string description;
  std::string data_type;
  std::string selection_list;
  int display = 0;
  int published = 0;
};

struct customer_attribute_cell_Entity : product_attribute_cell_Entity {};

struct marvisto_customer_group_Entity {
  std::string groupName;
  std::vector<customer_attribute_cell_Entity> customerAttributes;
  int indexId = 0;
  bool isDefault = false;

  // Appends a row; an absent value becomes "".
  void addAttributeVaue(const std::optional<std::string>& value, const std::string& key);
};

// One customer of the directory as `getAllCustomers` builds it.
struct CustomerInfoEntry {
  std::string customer_info_id;
  std::string customer_name;  // "" for NULL
  int customer_publish = 0;
  int customer_ordering = 0;
  bool hidden = false;
  int important = 0;
  int has_note = 0;
  std::string note;  // "" for NULL
  float discount = 0;
  std::vector<customer_attribute_cell_Entity> attribute;
  std::vector<marvisto_customer_address_Entity> address;
  std::vector<marvisto_customer_contact_entity> contact;
};

// --- configuration -------------------------------------------------------------

struct ConfigEntity {
  int _id = 0;
  std::string clientid;
  std::string configType;
  std::string desc;
  std::string update_date;
};

}  // namespace mv
