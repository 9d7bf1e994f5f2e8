#pragma once
// How the customer list groups and orders its rows: by the initial of the
// name, by the initial of each contact's last name, or by state, in sections
// under a fixed A-Z and "#" index. Sort keys are derived once per item and
// compared literally, so every comparison is a strict weak ordering.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "customer/ContactMode.hpp"
#include "customer/PersonInfo.hpp"
#include "customer/PersonSummary.hpp"
#include "platform/ui/IndexPath.hpp"

namespace mv {

// One section: its key (and title) and its rows. In the name and state modes
// a row carries the customer only; in the contact mode it carries a contact's
// names too.
struct GroupList {
  std::string prefex;
  std::vector<ContactMode> arrayPersons;
};

// A section of the list with its folding state.
struct CustomerInfoList : GroupList {
  bool opened = true;
  // The rows' paths while the section is folded.
  std::vector<ui::IndexPath> indexPaths;
};

// Customers' records as the lists share them.
using PersonRecords = std::vector<std::shared_ptr<const PersonSummary>>;

// The records of a list in name order, with each name's section letter:
// what a regrouping by name or by state needs, read once per set of records.
struct NameOrder {
  // Indices of the records by name (by sort key, then literally, then in
  // their given order; blank names last).
  std::vector<std::size_t> order;
  // Per record (by index): the upper-case initial of its sort key, '#' for
  // a digit, a character with no Latin reading, or a blank name.
  std::vector<char> initials;
};

class CustomerGrouping {
 public:
  static constexpr int kByName = 0;
  static constexpr int kByContact = 1;
  static constexpr int kByState = 2;
  static constexpr long kNotFound = LONG_MAX;
  static constexpr const char* kImportantKey = "important";
  static constexpr const char* kOtherKey = "#";

  // The sections of `persons` in display order: the important section first
  // (name mode only, titled `importantTitle`), then the keys in order, then
  // "#". The contact and state modes fall back to the name grouping when
  // they give no section. `names` is `nameOrder(persons)`, kept by the
  // caller across regroupings; rows share the records.
  static std::vector<CustomerInfoList> groupAndOrder(const PersonRecords& persons, const NameOrder& names, int mode,
                                                     const std::string& importantTitle);
  static std::vector<CustomerInfoList> groupAndOrder(const PersonRecords& persons, int mode,
                                                     const std::string& importantTitle) {
    return groupAndOrder(persons, nameOrder(persons), mode, importantTitle);
  }
  // Reads every name once.
  static NameOrder nameOrder(const PersonRecords& persons);
  // How many names the name orders keyed and rows the groupings made on the
  // main thread since the process began: a book grows with the company, and
  // tests watch this to hold the screens to doing that beside the window.
  static std::uint64_t rowsMadeOnMainThread();

  // --- a book that changes one customer at a time ------------------------------------
  // Sections as groupAndOrder makes them of records in id order stay so
  // while customers come, go and change one by one, without regrouping the
  // book: a customer's rows go where a whole grouping puts them (in a
  // section of their own where it makes one), and come out with a section
  // they leave empty. Each reads the names of only some rows of the
  // sections they go through: a place is found by halving.
  static void insertRows(std::vector<CustomerInfoList>& sections, const std::shared_ptr<const PersonSummary>& person,
                         int mode, const std::string& importantTitle);
  static void removeRows(std::vector<CustomerInfoList>& sections, const PersonSummary& person, int mode,
                         const std::string& importantTitle);
  // Where a row of sections grouped in `mode` is: in the name and state
  // modes the customer's own row (the row's names aside), in the contact
  // mode the row of those names of that customer; nothing when it is not
  // there.
  static std::optional<ui::IndexPath> pathOf(const std::vector<CustomerInfoList>& sections, const ContactMode& row,
                                             int mode, const std::string& importantTitle);
  // `names` of records that have taken a new one at `index` (those from
  // there on moved up one) gives it its place; one that left `index` (those
  // after it moved down one) loses it. The same as `nameOrder` made anew.
  static void insertName(NameOrder& names, const PersonRecords& persons, std::size_t index);
  static void eraseName(NameOrder& names, std::size_t index);

  // "A" to "Z" and "#".
  static const std::vector<std::string>& indexTitles();
  // The first section titled `title`, else kNotFound.
  static long sectionForIndexTitle(const std::vector<CustomerInfoList>& sections, const std::string& title);
  // Where a tap on the index title `title` goes in sections grouped in
  // `mode`: its section, else the nearest one after it in the index, else
  // the nearest one before it; kNotFound when there is none. A state's
  // section stands at the letter its state is read with; the important
  // section at none.
  static long sectionToShowForIndexTitle(const std::vector<CustomerInfoList>& sections, const std::string& title,
                                         int mode);

  // The key a company's name or a state sorts and groups by: its folded
  // form (`nameSortKey`: full-width and accented letters by their ASCII
  // form, Chinese read as words in pinyin, white space dropped).
  static std::string sortKey(const std::string& text);
  // The same for a person's name (a contact's), whose family name is read
  // as a family's.
  static std::string personSortKey(const std::string& text);
  // The key a customer's name sorts and groups by: a person's (the customer
  // is named after one of its contacts, by the contact's whole name or, in
  // Chinese, by its family name and a given name) as a person's name, any
  // other as a company's.
  static std::string customerSortKey(const PersonInfo& person);
  static std::string customerSortKey(const PersonSummary& person);
  // Sorts customers by name: by sort key, then literally, then in their
  // given order; blank names last.
  static void sortByName(std::vector<PersonInfo>& persons);

  // The section key of a contact's last name: the upper-cased first
  // character of its person sort key; "#" when that is a digit (of any
  // width), has no Latin reading, or there is none.
  static std::string initialKey(const std::string& text);
  // The customer's "State/Province/Region" value (the last such cell).
  static const std::string& stateOf(const PersonSummary& person) { return person.state; }
  // The title of the section of important customers in the interface language.
  static std::string importantTitle();
};

}  // namespace mv
