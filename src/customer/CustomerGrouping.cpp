#include "customer/CustomerGrouping.hpp"

#include <algorithm>
#include <atomic>
#include <map>
#include <optional>
#include <ranges>
#include <utility>

#include "platform/base/RunLoop.hpp"
#include "util/Pinyin.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

std::atomic<std::uint64_t> mainThreadRows{0};

// Counts `rows` made here when this is the main thread.
void madeRows(std::size_t rows) {
  if (base::RunLoop::main().isMainThread()) mainThreadRows.fetch_add(rows, std::memory_order_relaxed);
}

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

// The key that orders a customer's name (blank names after all others),
// and its section letter.
struct NameKey {
  std::string key;
  char initial = CustomerGrouping::kOtherKey[0];
};

template <class Person>
NameKey nameKeyOf(const Person& person) {
  const std::string& name = person.name;
  if (isBlank(name)) return {std::string(1, '\x7f'), CustomerGrouping::kOtherKey[0]};
  std::string folded = CustomerGrouping::customerSortKey(person);
  const char initial = initialOf(folded)[0];
  return {std::move(folded) + '\x01' + name, initial};
}

template <class Person>
std::string nameOrderKey(const Person& person) {
  return nameKeyOf(person).key;
}

// Whether the customer is a person rather than a company: its record names
// it after one of its contacts, by that contact's whole name (family name
// first or last) or, in Chinese, by that contact's family name and a given
// name (one renamed since the contact was entered).
template <class Person>
bool namedAfterContact(const Person& person) {
  if (person.contact.empty()) return false;
  const std::string name = withoutUnicodeWhitespace(person.name);
  for (const auto& c : person.contact) {
    const std::string last = withoutUnicodeWhitespace(c.last_name);
    if (last.empty()) continue;
    const std::string first = withoutUnicodeWhitespace(c.first_name);
    if (name == last + first || name == first + last) return true;
    if (name.starts_with(last) && isChineseNameOfFamily(name, last)) return true;
  }
  return false;
}

// The same for a person's name.
std::string personOrderKey(const std::string& name) {
  if (isBlank(name)) return std::string(1, '\x7f');
  return CustomerGrouping::personSortKey(name) + '\x01' + name;
}

// The key that orders a row of the contact mode within its section.
std::string contactRowKey(const ContactMode& row) {
  return personOrderKey(row.lastName) + '\x02' + personOrderKey(row.fristName);
}

// The section of the customer's state: the state, or "#" for none or one
// that leads with a digit. `numbered` keeps whether a state does, read once
// per state.
std::string stateSection(const PersonSummary& p, std::map<std::string, bool>& numbered) {
  std::string key = CustomerGrouping::stateOf(p);
  if (isBlank(key)) return CustomerGrouping::kOtherKey;
  auto [it, added] = numbered.try_emplace(key, false);
  if (added) it->second = digitLeading(CustomerGrouping::sortKey(key));
  return it->second ? std::string(CustomerGrouping::kOtherKey) : key;
}

// What orders sections between the important one and "#": their keys'
// sort keys (then the keys literally) in the name and state modes, the keys
// alone in the contact mode.
std::pair<std::string, std::string> sectionOrder(const std::string& key, bool pinyinKeys) {
  return {pinyinKeys ? CustomerGrouping::sortKey(key) : key, key};
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
  for (const auto& key : sections | std::views::keys) keys.push_back(sectionOrder(key, pinyinKeys));
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
      append(sections, stateSection(*p, numbered), ContactMode{"", "", p});
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
  for (auto& section : sections | std::views::values) sortRows(section.arrayPersons, contactRowKey);
  return inDisplayOrder(std::move(sections), false, std::string());
}


}  // namespace

std::string CustomerGrouping::sortKey(const std::string& text) { return nameSortKey(text, NameReading::Words); }

std::string CustomerGrouping::customerSortKey(const PersonInfo& person) {
  return namedAfterContact(person) ? personSortKey(person.name) : sortKey(person.name);
}

std::string CustomerGrouping::customerSortKey(const PersonSummary& person) {
  return namedAfterContact(person) ? personSortKey(person.name) : sortKey(person.name);
}

std::string CustomerGrouping::personSortKey(const std::string& text) {
  return nameSortKey(text, NameReading::Person);
}

std::string CustomerGrouping::initialKey(const std::string& text) { return initialOf(personSortKey(text)); }

std::string CustomerGrouping::importantTitle() { return text("IMPORTANT"); }

std::vector<CustomerInfoList> CustomerGrouping::groupAndOrder(const PersonRecords& persons, const NameOrder& names,
                                                              int mode, const std::string& importantTitle) {
  std::vector<CustomerInfoList> out;
  if (mode == kByContact) {
    out = byContact(persons);
  } else if (mode == kByState) {
    out = byNameOrState(persons, names, kByState, importantTitle);
  }
  if (out.empty()) out = byNameOrState(persons, names, kByName, importantTitle);
  std::size_t rows = 0;
  for (const auto& section : out) rows += section.arrayPersons.size();
  madeRows(rows);
  return out;
}

std::uint64_t CustomerGrouping::rowsMadeOnMainThread() { return mainThreadRows.load(); }

NameOrder CustomerGrouping::nameOrder(const PersonRecords& persons) {
  madeRows(persons.size());
  NameOrder out;
  out.initials.reserve(persons.size());
  std::vector<std::string> keys;
  keys.reserve(persons.size());
  // Each name is read once here; its key decides both its place and its letter.
  for (const auto& p : persons) {
    NameKey name = nameKeyOf(*p);
    out.initials.push_back(name.initial);
    keys.push_back(std::move(name.key));
  }
  out.order = orderOfKeys(keys);
  return out;
}

void CustomerGrouping::insertName(NameOrder& names, const PersonRecords& persons, std::size_t index) {
  for (auto& i : names.order) {
    if (i >= index) ++i;
  }
  const NameKey name = nameKeyOf(*persons[index]);
  // Equal names stay in the order of their records, as in a whole sort.
  const auto at = std::partition_point(names.order.begin(), names.order.end(), [&](std::size_t i) {
    const std::string key = nameOrderKey(*persons[i]);
    return key < name.key || (key == name.key && i < index);
  });
  names.order.insert(at, index);
  names.initials.insert(names.initials.begin() + static_cast<std::ptrdiff_t>(index), name.initial);
}

void CustomerGrouping::eraseName(NameOrder& names, std::size_t index) {
  std::erase(names.order, index);
  for (auto& i : names.order) {
    if (i > index) --i;
  }
  names.initials.erase(names.initials.begin() + static_cast<std::ptrdiff_t>(index));
}

namespace {

// A row a whole grouping gives a customer: its section's key, its own key
// within the section, and its names (the contact mode's).
struct PlacedRow {
  std::string section, key, first, last;
};

std::vector<PlacedRow> placedRows(const PersonSummary& p, int mode) {
  std::vector<PlacedRow> out;
  if (mode == CustomerGrouping::kByContact) {
    if (p.contact.empty()) {
      const ContactMode row{"", p.name, nullptr};
      out.push_back({CustomerGrouping::kOtherKey, contactRowKey(row), row.fristName, row.lastName});
    }
    for (const auto& c : p.contact) {
      const ContactMode row{c.first_name, c.last_name, nullptr};
      out.push_back({CustomerGrouping::initialKey(c.last_name), contactRowKey(row), row.fristName, row.lastName});
    }
    return out;
  }
  if (mode == CustomerGrouping::kByState) {
    std::map<std::string, bool> numbered;
    out.push_back({stateSection(p, numbered), nameOrderKey(p), "", ""});
    return out;
  }
  if (isBlank(p.name)) return out;
  NameKey name = nameKeyOf(p);
  out.push_back({p.markAsImportant ? std::string(CustomerGrouping::kImportantKey) : std::string(1, name.initial),
                 std::move(name.key), "", ""});
  return out;
}

// The index of the section of `key` in sections in display order, and
// whether it is there (else it is where the section goes).
std::pair<std::size_t, bool> sectionOf(const std::vector<CustomerInfoList>& sections, const std::string& key, int mode,
                                       const std::string& importantTitle) {
  const bool byName = mode != CustomerGrouping::kByContact && mode != CustomerGrouping::kByState;
  const bool important = byName && !sections.empty() && sections.front().prefex == importantTitle;
  if (key == CustomerGrouping::kImportantKey) return {0, important};
  const bool other = !sections.empty() && sections.back().prefex == CustomerGrouping::kOtherKey;
  if (key == CustomerGrouping::kOtherKey) return {other ? sections.size() - 1 : sections.size(), other};
  const bool pinyinKeys = mode != CustomerGrouping::kByContact;
  const auto wanted = sectionOrder(key, pinyinKeys);
  const auto first = sections.begin() + (important ? 1 : 0);
  const auto last = sections.end() - (other ? 1 : 0);
  const auto at = std::partition_point(
      first, last, [&](const CustomerInfoList& s) { return sectionOrder(s.prefex, pinyinKeys) < wanted; });
  return {static_cast<std::size_t>(at - sections.begin()), at != last && at->prefex == key};
}

// The rows of a section from the first that is not before (key, id) to the
// first that is after it: a whole grouping orders rows by their key, then by
// their customer's id.
std::pair<std::size_t, std::size_t> rowsAt(const std::vector<ContactMode>& rows, const std::string& key, int pid,
                                           int mode) {
  auto keyOf = [mode](const ContactMode& row) {
    return mode == CustomerGrouping::kByContact ? contactRowKey(row) : nameOrderKey(*row.personInfo);
  };
  const auto begin = std::partition_point(rows.begin(), rows.end(), [&](const ContactMode& row) {
    const std::string k = keyOf(row);
    return k < key || (k == key && row.personInfo->pid < pid);
  });
  const auto end = std::partition_point(begin, rows.end(), [&](const ContactMode& row) {
    return row.personInfo->pid == pid && keyOf(row) == key;
  });
  return {static_cast<std::size_t>(begin - rows.begin()), static_cast<std::size_t>(end - rows.begin())};
}

}  // namespace

void CustomerGrouping::insertRows(std::vector<CustomerInfoList>& sections,
                                  const std::shared_ptr<const PersonSummary>& person, int mode,
                                  const std::string& importantTitle) {
  for (PlacedRow& placed : placedRows(*person, mode)) {
    auto [s, found] = sectionOf(sections, placed.section, mode, importantTitle);
    if (!found) {
      CustomerInfoList section;
      section.prefex = placed.section == kImportantKey ? importantTitle : placed.section;
      sections.insert(sections.begin() + static_cast<std::ptrdiff_t>(s), std::move(section));
    }
    auto& rows = sections[s].arrayPersons;
    // After the rows of that place already there: a customer's contacts of
    // the same names keep their order.
    const std::size_t at = rowsAt(rows, placed.key, person->pid, mode).second;
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(at),
                ContactMode{std::move(placed.first), std::move(placed.last), person});
  }
}

void CustomerGrouping::removeRows(std::vector<CustomerInfoList>& sections, const PersonSummary& person, int mode,
                                  const std::string& importantTitle) {
  for (const PlacedRow& placed : placedRows(person, mode)) {
    auto [s, found] = sectionOf(sections, placed.section, mode, importantTitle);
    if (!found) continue;
    auto& rows = sections[s].arrayPersons;
    const auto [begin, end] = rowsAt(rows, placed.key, person.pid, mode);
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(begin), rows.begin() + static_cast<std::ptrdiff_t>(end));
    if (rows.empty()) sections.erase(sections.begin() + static_cast<std::ptrdiff_t>(s));
  }
}

std::optional<ui::IndexPath> CustomerGrouping::pathOf(const std::vector<CustomerInfoList>& sections,
                                                      const ContactMode& row, int mode,
                                                      const std::string& importantTitle) {
  if (!row.personInfo) return std::nullopt;
  for (const PlacedRow& placed : placedRows(*row.personInfo, mode)) {
    if (mode == kByContact && (placed.first != row.fristName || placed.last != row.lastName)) continue;
    auto [s, found] = sectionOf(sections, placed.section, mode, importantTitle);
    if (!found) return std::nullopt;
    const auto& rows = sections[s].arrayPersons;
    const auto [begin, end] = rowsAt(rows, placed.key, row.personInfo->pid, mode);
    if (begin == end) return std::nullopt;
    return ui::IndexPath{static_cast<long>(s), static_cast<long>(begin)};
  }
  return std::nullopt;
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

long CustomerGrouping::sectionToShowForIndexTitle(const std::vector<CustomerInfoList>& sections,
                                                  const std::string& title, int mode) {
  if (const long exact = sectionForIndexTitle(sections, title); exact != kNotFound) return exact;
  const auto& titles = indexTitles();
  const auto placeOf = [&](const std::string& t) {
    return static_cast<long>(std::find(titles.begin(), titles.end(), t) - titles.begin());
  };
  const long wanted = placeOf(title);
  if (wanted == static_cast<long>(titles.size())) return kNotFound;
  long after = kNotFound, afterPlace = 0, before = kNotFound, beforePlace = -1;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const std::string& prefex = sections[i].prefex;
    long place = placeOf(prefex);
    if (place == static_cast<long>(titles.size()) && mode == kByState) place = placeOf(initialOf(sortKey(prefex)));
    if (place == static_cast<long>(titles.size())) continue;
    if (place > wanted && (after == kNotFound || place < afterPlace)) {
      after = static_cast<long>(i);
      afterPlace = place;
    }
    if (place < wanted && place > beforePlace) {
      before = static_cast<long>(i);
      beforePlace = place;
    }
  }
  return after != kNotFound ? after : before;
}

void CustomerGrouping::sortByName(std::vector<PersonInfo>& persons) {
  std::vector<std::string> keys;
  keys.reserve(persons.size());
  for (const auto& p : persons) keys.push_back(nameOrderKey(p));
  const auto order = orderOfKeys(keys);
  std::vector<PersonInfo> sorted;
  sorted.reserve(persons.size());
  for (std::size_t i : order) sorted.push_back(std::move(persons[i]));
  persons = std::move(sorted);
}

}  // namespace mv
