#pragma once
// What the customer lists draw, sort and group of one customer: its id, its
// name, its flags, its state and its contacts' names. The book holds this of
// every customer; the rest of a customer (its attribute values, addresses
// and contacts whole, its note) stays in the store until it is shown.
#include <string>
#include <vector>

#include "customer/PersonInfo.hpp"
#include "store/Entities.hpp"

namespace mv {

struct PersonSummary {
  struct ContactName {
    std::string first_name;
    std::string last_name;
  };

  int pid = 0;  // the customer id; negative for a customer made on the device
  std::string name;
  // Its "State/Province/Region" value (the last such cell), which the list
  // groups by.
  std::string state;
  std::vector<ContactName> contact;
  bool hidden = false;
  bool markAsImportant = false;
  // The customer's note mark ("has_note"), which the list shows.
  bool hasNote = false;

  static PersonSummary fromEntry(int pid, const CustomerInfoEntry& entry);
  static PersonSummary of(const PersonInfo& person);
};

}  // namespace mv
