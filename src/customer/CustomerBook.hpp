#pragma once
// The customer book as the customer screens hold it: the summary of every
// customer the book shows (what the lists draw, sort and group), in id
// order, the order of their names with each name's index letter, and the
// fields the searches read, in their search form, laid end to end in one
// text. The rest of a customer stays in the store until it is shown. Made
// one customer at a time on any thread, then used on one.
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "customer/ContactMode.hpp"
#include "customer/CustomerGrouping.hpp"
#include "customer/PersonSummary.hpp"
#include "store/Entities.hpp"
#include "util/SearchTextIndex.hpp"

namespace mv {

class CustomerBook {
 public:
  // A book of those entries, made whole.
  static CustomerBook of(std::map<int, CustomerInfoEntry>&& entries);

  // Takes the next customer of a book being made, whose id is above those
  // taken before.
  void append(int id, const CustomerInfoEntry& entry);
  // Orders the names, once every customer is in.
  void finish();

  const PersonRecords& persons() const { return persons_; }
  const NameOrder& names() const { return names_; }
  std::size_t size() const { return persons_.size(); }
  // Where customer `id` is, or would go.
  std::size_t indexOf(int id) const;
  // The record of customer `id`; null when the book holds none.
  std::shared_ptr<const PersonSummary> find(int id) const;

  // Puts `after` in place of customer `id` (null: the customer goes),
  // searched by the fields of `entry` (null: by those of the record it
  // replaces, as for a change of flags). The record it replaced, if any. A
  // record that takes new fields takes a new document at the end of the
  // search text; the old one stays unread until the book is read again.
  std::shared_ptr<const PersonSummary> put(int id, std::shared_ptr<const PersonSummary> after,
                                           const CustomerInfoEntry* entry);

  // Customers whose name, attribute values, address fields or contact fields
  // contain the text, trimmed of Unicode white space, in their search form
  // (`foldForSearch`: NFC, case-folded); each once, by name (blank names
  // last). Blank text finds nothing.
  PersonRecords search(const std::string& text) const;
  // One row per matching contact: a contact matches on its own fields, on its
  // customer's name, attribute values and addresses, and on its first and
  // last name joined either way against the text without white space.
  std::vector<ContactMode> searchByContact(const std::string& text) const;

 private:
  // Indexes the searched fields of `entry` as the next document: its own
  // (name, attribute values, address fields), then each contact's.
  std::size_t appendDocument(const CustomerInfoEntry& entry);

  PersonRecords persons_;
  NameOrder names_;
  // Per record: its document in the index.
  std::vector<std::size_t> documents_;
  // Per document: where its contacts' fields begin in the text.
  std::vector<std::size_t> contactsAt_;
  SearchTextIndex index_;
};

}  // namespace mv
