#include "customer/CustomerBook.hpp"

#include <algorithm>
#include <string_view>
#include <utility>

#include "util/Text.hpp"

namespace mv {
namespace {

// The fields of a contact in the search text, in this order: first name,
// last name, job title, work phone, mobile phone, e-mail, IM, note.
constexpr int kContactFields = 8;

}  // namespace

CustomerBook CustomerBook::of(std::map<int, CustomerInfoEntry>&& entries) {
  CustomerBook book;
  book.persons_.reserve(entries.size());
  book.documents_.reserve(entries.size());
  // Each entry goes as it is taken in, so the entries and the book are not
  // held whole side by side.
  while (!entries.empty()) {
    auto node = entries.extract(entries.begin());
    book.append(node.key(), node.mapped());
  }
  book.finish();
  return book;
}

void CustomerBook::append(int id, const CustomerInfoEntry& entry) {
  persons_.push_back(std::make_shared<const PersonSummary>(PersonSummary::fromEntry(id, entry)));
  documents_.push_back(appendDocument(entry));
}

void CustomerBook::finish() {
  persons_.shrink_to_fit();
  documents_.shrink_to_fit();
  contactsAt_.shrink_to_fit();
  names_ = CustomerGrouping::nameOrder(persons_);
}

std::size_t CustomerBook::appendDocument(const CustomerInfoEntry& e) {
  auto field = [this](const std::string& value) { index_.addField(foldForSearch(value)); };
  index_.beginDocument();
  field(e.customer_name);
  for (const auto& cell : e.attribute) {
    if (cell.attributeValue) field(*cell.attributeValue);
  }
  for (const auto& a : e.address) {
    for (const std::string* text : {&a.customerAddress, &a.customerCity, &a.customerState, &a.customerZipCode}) {
      field(*text);
    }
  }
  contactsAt_.push_back(index_.text().size());
  for (const auto& c : e.contact) {
    const std::string* fields[kContactFields] = {&c.first_name, &c.last_name, &c.job_title, &c.work_phone,
                                                 &c.mobile_phone, &c.email, &c.im, &c.note};
    for (const std::string* text : fields) field(*text);
  }
  return index_.documentCount() - 1;
}

std::size_t CustomerBook::indexOf(int id) const {
  const auto at = std::partition_point(persons_.begin(), persons_.end(), [id](const auto& p) { return p->pid < id; });
  return static_cast<std::size_t>(at - persons_.begin());
}

std::shared_ptr<const PersonSummary> CustomerBook::find(int id) const {
  const std::size_t at = indexOf(id);
  return at < persons_.size() && persons_[at]->pid == id ? persons_[at] : nullptr;
}

std::shared_ptr<const PersonSummary> CustomerBook::put(int id, std::shared_ptr<const PersonSummary> after,
                                                       const CustomerInfoEntry* entry) {
  const std::size_t at = indexOf(id);
  const auto place = static_cast<std::ptrdiff_t>(at);
  std::shared_ptr<const PersonSummary> before;
  std::size_t document = 0;
  if (at < persons_.size() && persons_[at]->pid == id) {
    before = persons_[at];
    document = documents_[at];
    CustomerGrouping::eraseName(names_, at);
    persons_.erase(persons_.begin() + place);
    documents_.erase(documents_.begin() + place);
  }
  if (after) {
    // A record without fields of its own to search and none before it is
    // found by nothing it holds but its name.
    if (entry) {
      document = appendDocument(*entry);
    } else if (!before) {
      CustomerInfoEntry named;
      named.customer_name = after->name;
      document = appendDocument(named);
    }
    persons_.insert(persons_.begin() + place, std::move(after));
    documents_.insert(documents_.begin() + place, document);
    CustomerGrouping::insertName(names_, persons_, at);
  }
  return before;
}

PersonRecords CustomerBook::search(const std::string& text) const {
  PersonRecords out;
  if (isBlank(text)) return out;
  const std::string folded = foldForSearch(trimUnicodeWhitespace(text));
  // The hits are marked, then read out in name order.
  const std::vector<bool> hit = index_.documentsHolding(folded);
  for (std::size_t i : names_.order) {
    if (hit[documents_[i]]) out.push_back(persons_[i]);
  }
  return out;
}

std::vector<ContactMode> CustomerBook::searchByContact(const std::string& text) const {
  std::vector<ContactMode> out;
  if (isBlank(text)) return out;
  const std::string folded = foldForSearch(trimUnicodeWhitespace(text));
  if (folded.find(SearchTextIndex::kFieldEnd) != std::string::npos) return out;
  const std::string compact = withoutUnicodeWhitespace(folded);
  const std::string_view all = index_.text();
  auto holds = [&](std::size_t begin, std::size_t end) {
    return SearchTextIndex::find(all.substr(begin, end - begin), folded) != std::string_view::npos;
  };
  auto joinedHolds = [&](const std::string& one, const std::string& other) {
    return (one + other).find(compact) != std::string::npos;
  };
  for (std::size_t i = 0; i < persons_.size(); ++i) {
    const auto& p = persons_[i];
    if (p->contact.empty()) continue;
    const std::size_t document = documents_[i];
    const std::size_t contacts = contactsAt_[document];
    const bool customerMatches = holds(index_.beginOf(document), contacts);
    std::size_t at = contacts;
    for (const auto& contact : p->contact) {
      const std::size_t begin = at;
      std::string_view first, last;
      for (int f = 0; f < kContactFields; ++f) {
        const std::size_t end = all.find(SearchTextIndex::kFieldEnd, at);
        if (f == 0) first = all.substr(at, end - at);
        if (f == 1) last = all.substr(at, end - at);
        at = end + 1;
      }
      bool found = customerMatches || holds(begin, at);
      if (!found) {
        // First and last name joined, when the contact has both.
        const std::string firstName = trimUnicodeWhitespace(first);
        const std::string lastName = trimUnicodeWhitespace(last);
        found = !firstName.empty() && !lastName.empty() &&
                (joinedHolds(firstName, lastName) || joinedHolds(lastName, firstName));
      }
      if (found) out.push_back(ContactMode{contact.first_name, contact.last_name, p});
    }
  }
  return out;
}

}  // namespace mv
