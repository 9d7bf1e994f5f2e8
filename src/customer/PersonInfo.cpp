#include "customer/PersonInfo.hpp"

#include <utility>

namespace mv {

PersonInfo PersonInfo::fromEntry(int pid, const CustomerInfoEntry& entry) {
  return fromEntry(pid, CustomerInfoEntry(entry));
}

PersonInfo PersonInfo::fromEntry(int pid, CustomerInfoEntry&& entry) {
  PersonInfo p;
  p.pid = pid;
  p.name = std::move(entry.customer_name);
  p.customer_info_id = std::move(entry.customer_info_id);
  p.discount = entry.discount;
  p.attribute = std::move(entry.attribute);
  p.address = std::move(entry.address);
  p.contact = std::move(entry.contact);
  p.hidden = entry.hidden;
  p.markAsImportant = entry.important != 0;
  p.hasNote = entry.has_note != 0;
  p.note = std::move(entry.note);
  return p;
}

}  // namespace mv
