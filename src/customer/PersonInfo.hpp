#pragma once
// One customer as the customer screens and the order screens handle it.
#include <string>
#include <vector>

#include "store/Entities.hpp"

namespace mv {

struct PersonInfo {
  int pid = 0;  // the customer id; negative for a customer made on the device
  std::string name;
  std::string customer_info_id;
  double discount = 0;
  std::vector<customer_attribute_cell_Entity> attribute;
  std::vector<marvisto_customer_address_Entity> address;
  std::vector<marvisto_customer_contact_entity> contact;
  bool hidden = false;
  bool markAsImportant = false;
  // The customer's note mark ("has_note"), which the list shows.
  bool hasNote = false;
  std::string note;

  // The record of a directory entry; the second takes the entry's rows.
  static PersonInfo fromEntry(int pid, const CustomerInfoEntry& entry);
  static PersonInfo fromEntry(int pid, CustomerInfoEntry&& entry);
};

}  // namespace mv
