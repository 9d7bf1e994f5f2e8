#include "customer/PersonSummary.hpp"

namespace mv {
namespace {

constexpr const char* kStateField = "State/Province/Region";

template <typename Cells, typename Contacts>
PersonSummary summaryOf(int pid, const std::string& name, const Cells& cells, const Contacts& contacts) {
  PersonSummary s;
  s.pid = pid;
  s.name = name;
  for (const auto& cell : cells) {
    if (cell.fieldName == kStateField) s.state = cell.attributeValue.value_or(std::string());
  }
  s.contact.reserve(contacts.size());
  for (const auto& c : contacts) s.contact.push_back({c.first_name, c.last_name});
  return s;
}

}  // namespace

PersonSummary PersonSummary::fromEntry(int pid, const CustomerInfoEntry& entry) {
  PersonSummary s = summaryOf(pid, entry.customer_name, entry.attribute, entry.contact);
  s.hidden = entry.hidden;
  s.markAsImportant = entry.important != 0;
  s.hasNote = entry.has_note != 0;
  return s;
}

PersonSummary PersonSummary::of(const PersonInfo& person) {
  PersonSummary s = summaryOf(person.pid, person.name, person.attribute, person.contact);
  s.hidden = person.hidden;
  s.markAsImportant = person.markAsImportant;
  s.hasNote = person.hasNote;
  return s;
}

}  // namespace mv
