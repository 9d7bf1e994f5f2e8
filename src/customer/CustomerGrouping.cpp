#include "customer/CustomerGrouping.hpp"

#include <algorithm>
#include <map>
#include <ranges>
#include <utility>

#include "util/Pinyin.hpp"
#include "util/Text.hpp"

namespace mv {
namespace {

// Keys are folded, so a digit of any width that has an ASCII form leads
// with it.
bool digitLeading(const std::string& key) { return !key.empty() && key[0] >= '0' && key[0] <= '9'; }

// Sections keyed while they fill.
using Sections = std::map<std::string, CustomerInfoList>;

void append(Sections& sections, const std::string& key, ContactMode row) {
  CustomerInfoList& section = sections[key];
  section.prefex = key;
  section.arrayPersons.push_back(std::move(row));
}

// Indices of the keys in their order, equal keys in their given order.
std::vector<std::size_t> orderOfKeys(const std::vector<std::string>& keys) {
  std::vector<std::size_t> order(keys.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  return order;
}

// Orders rows by their keys (one per row, in the same order), literally,
// keeping the given order between equal keys.
void sortRowsByKeys(std::vector<ContactMode>& rows, const std::vector<std::string>& rowKeys) {
  const std::vector<std::size_t> order = orderOfKeys(rowKeys);
  std::vector<ContactMode> sorted;
  sorted.reserve(rows.size());
  for (std::size_t i : order) sorted.push_back(std::move(rows[i]));
  rows = std::move(sorted);
}

// The same with a key derived once per row.
template <typename KeyOf>
void sortRows(std::vector<ContactMode>& rows, KeyOf keyOf) {
  std::vector<std::string> keys;
  keys.reserve(rows.size());
  for (const ContactMode& row : rows) keys.push_back(keyOf(row));
  sortRowsByKeys(rows, keys);
}

// The section letter of a folded key: its first character upper-cased; "#"
// for a digit, a character with no Latin reading, or no character.
std::string initialOf(const std::string& key) {
  if (key.empty() || digitLeading(key) || static_cast<unsigned char>(key[0]) >= 0x80) return CustomerGrouping::kOtherKey;
  char c = key[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return std::string(1, c);
}

// The key that orders a customer's name: blank names after all others.
std::string nameOrderKey(const std::string& name) {
  if (isBlank(name)) return std::string(1, '\x7f');
  return CustomerGrouping::sortKey(name) + '\x01' + name;
}

// The same for a person's name.
std::string personOrderKey(const std::string& name) {
  if (isBlank(name)) return std::string(1, '\x7f');
  return CustomerGrouping::personSortKey(name) + '\x01' + name;
}

std::vector<CustomerInfoList> inDisplayOrder(Sections sections, bool pinyinKeys, const std::string& importantTitle) {
  std::vector<CustomerInfoList> out;
  if (auto it = sections.find(CustomerGrouping::kImportantKey); it != sections.end()) {
    it->second.prefex = importantTitle;
    out.push_back(std::move(it->second));
    sections.erase(it);
  }
  std::optional<CustomerInfoList> other;
  if (auto it = sections.find(CustomerGrouping::kOtherKey); it != sections.end()) {
    other = std::move(it->second);
    sections.erase(it);
  }
  // One key per section, compared literally; the section key itself breaks
  // ties, and keys are unique.
  std::vector<std::pair<std::string, std::string>> keys;
  for (const auto& key : sections | std::views::keys) {
    keys.emplace_back(pinyinKeys ? CustomerGrouping::sortKey(key) : key, key);
  }
  std::sort(keys.begin(), keys.end());
  for (const auto& k : keys) out.push_back(std::move(sections[k.second]));
  if (other) out.push_back(std::move(*other));
  return out;
}

std::vector<CustomerInfoList> byNameOrState(const PersonRecords& persons, const NameOrder& names, int mode,
                                            const std::string& importantTitle) {
  Sections sections;
  // The rows go in by name order, so each section is in order as it fills.
  if (mode == CustomerGrouping::kByState) {
    // Whether a state leads with a digit, read once per state.
    std::map<std::string, bool> numbered;
    for (std::size_t i : names.order) {
      const auto& p = persons[i];
      std::string key = CustomerGrouping::stateOf(*p);
      if (!isBlank(key)) {
        auto [it, added] = numbered.try_emplace(key, false);
        if (added) it->second = digitLeading(CustomerGrouping::sortKey(key));
        if (it->second) key = CustomerGrouping::kOtherKey;
      } else {
        key = CustomerGrouping::kOtherKey;
      }
      append(sections, key, ContactMode{"", "", p});
    }
  } else {
    // One section per letter; the rows seldom need a look-up by key.
    CustomerInfoList* last = nullptr;
    char lastInitial = 0;
    for (std::size_t i : names.order) {
      const auto& p = persons[i];
      if (isBlank(p->name)) continue;
      if (p->markAsImportant) {
        append(sections, CustomerGrouping::kImportantKey, ContactMode{"", "", p});
        continue;
      }
      const char initial = names.initials[i];
      if (!last || initial != lastInitial) {
        const std::string key(1, initial);
        last = &sections[key];
        last->prefex = key;
        lastInitial = initial;
      }
      last->arrayPersons.push_back(ContactMode{"", "", p});
    }
  }
  return inDisplayOrder(std::move(sections), true, importantTitle);
}

std::vector<CustomerInfoList> byContact(const PersonRecords& persons) {
  Sections sections;
  for (const auto& p : persons) {
    if (p->contact.empty()) {
      append(sections, CustomerGrouping::kOtherKey, ContactMode{"", p->name, p});
      continue;
    }
    for (const auto& c : p->contact) {
      append(sections, CustomerGrouping::initialKey(c.last_name), ContactMode{c.first_name, c.last_name, p});
    }
  }
  for (auto& section : sections | std::views::values) {
    sortRows(section.arrayPersons,
             [](const ContactMode& row) { return personOrderKey(row.lastName) + '\x02' + personOrderKey(row.fristName); });
  }
  return inDisplayOrder(std::move(sections), false, std::string());
}


}  // namespace

std::string CustomerGrouping::sortKey(const std::string& text) { return nameSortKey(text, NameReading::Words); }

std::string CustomerGrouping::personSortKey(const std::string& text) {
  return nameSortKey(text, NameReading::Person);
}

std::string CustomerGrouping::initialKey(const std::string& text) { return initialOf(personSortKey(text)); }

std::string CustomerGrouping::stateOf(const PersonInfo& person) {
  std::string state;
  for (const auto& cell : person.attribute) {
    if (cell.fieldName == "State/Province/Region") state = cell.attributeValue.value_or(std::string());
  }
  return state;
}

std::vector<CustomerInfoList> CustomerGrouping::groupAndOrder(const PersonRecords& persons, const NameOrder& names,
                                                              int mode, const std::string& importantTitle) {
  std::vector<CustomerInfoList> out;
  if (mode == kByContact) {
    out = byContact(persons);
  } else if (mode == kByState) {
    out = byNameOrState(persons, names, kByState, importantTitle);
  }
  if (out.empty()) out = byNameOrState(persons, names, kByName, importantTitle);
  return out;
}

NameOrder CustomerGrouping::nameOrder(const PersonRecords& persons) {
  NameOrder out;
  out.initials.reserve(persons.size());
  std::vector<std::string> keys;
  keys.reserve(persons.size());
  // Each name is read once here; its key decides both its place and its letter.
  for (const auto& p : persons) {
    if (isBlank(p->name)) {
      keys.push_back(nameOrderKey(p->name));
      out.initials.push_back(kOtherKey[0]);
      continue;
    }
    std::string folded = sortKey(p->name);
    out.initials.push_back(initialOf(folded)[0]);
    keys.push_back(std::move(folded) + '\x01' + p->name);
  }
  out.order = orderOfKeys(keys);
  return out;
}

const std::vector<std::string>& CustomerGrouping::indexTitles() {
  static const std::vector<std::string> titles = [] {
    std::vector<std::string> t;
    for (char c = 'A'; c <= 'Z'; ++c) t.emplace_back(1, c);
    t.emplace_back(kOtherKey);
    return t;
  }();
  return titles;
}

long CustomerGrouping::sectionForIndexTitle(const std::vector<CustomerInfoList>& sections, const std::string& title) {
  for (std::size_t i = 0; i < sections.size(); ++i) {
    if (sections[i].prefex == title) return static_cast<long>(i);
  }
  return kNotFound;
}

void CustomerGrouping::sortByName(std::vector<PersonInfo>& persons) {
  std::vector<std::string> keys;
  keys.reserve(persons.size());
  for (const auto& p : persons) keys.push_back(nameOrderKey(p.name));
  const auto order = orderOfKeys(keys);
  std::vector<PersonInfo> sorted;
  sorted.reserve(persons.size());
  for (std::size_t i : order) sorted.push_back(std::move(persons[i]));
  persons = std::move(sorted);
}

}  // namespace mv
