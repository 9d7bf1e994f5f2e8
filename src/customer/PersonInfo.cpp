#include "customer/PersonInfo.hpp"

namespace mv {

PersonInfo PersonInfo::fromEntry(int pid, const CustomerInfoEntry& entry) {
  PersonInfo p;
  p.pid = pid;
  p.name = entry.customer_name;
  p.customer_info_id = entry.customer_info_id;
  p.discount = entry.discount;
  p.attribute = entry.attribute;
  p.address = entry.address;
  p.contact = entry.contact;
  p.hidden = entry.hidden;
  p.markAsImportant = entry.important != 0;
  p.note = entry.note;
  return p;
}

}  // namespace mv
