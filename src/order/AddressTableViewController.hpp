#pragma once
// The popover table in which the address of a customer not yet in the
// customer book is typed: one row per address part the service defines
// (street, city, state, zip code). The typed texts live here, not in the
// rows' fields, so every part can be read back whether its row is on screen
// or not. Main thread only.
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/TableViewController.hpp"
#include "platform/ui/TextField.hpp"
#include "store/Entities.hpp"

namespace mv {

class DataAccessManager;

class AddressTableViewController : public ui::TableViewController {
 public:
  static constexpr const char* kReuseIdentifier = "AddressTabelCell";
  static constexpr long kLabelTag = 1;
  static constexpr long kFieldTag = 2;
  static constexpr double kRowHeight = 44;
  static constexpr double kPopoverWidth = 550;

  // The address fields are read from `database`; rows start empty.
  explicit AddressTableViewController(DataAccessManager& database);
  // Rows start with these parts.
  AddressTableViewController(DataAccessManager& database, std::optional<std::string> street,
                             std::optional<std::string> city, std::optional<std::string> state,
                             std::optional<std::string> zipCode);

  const std::vector<customer_attribute_cell_Entity>& addressArray() const { return addressArray_; }
  long streetIndex() const { return streetIndex_; }
  long cityIndex() const { return cityIndex_; }
  long stateIndex() const { return stateIndex_; }
  long zipcodeIndex() const { return zipcodeIndex_; }

  // The text of each part; nothing for a part the service does not offer.
  std::optional<std::string> getStreetAddress() const { return getAddressValue(streetIndex_); }
  std::optional<std::string> getCity() const { return getAddressValue(cityIndex_); }
  std::optional<std::string> getState() const { return getAddressValue(stateIndex_); }
  std::optional<std::string> getZipCode() const { return getAddressValue(zipcodeIndex_); }
  // The text of row `row`; nothing out of range.
  std::optional<std::string> getAddressValue(long row) const;
  // The popover's size: every row on screen.
  ui::Size popoverSize() const;

  void viewDidLoad() override;
  void viewDidAppear(bool animated) override;
  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;

 private:
  void load(DataAccessManager& database);

  std::optional<std::string> initStreet_, initCity_, initState_, initZipCode_;
  std::vector<customer_attribute_cell_Entity> addressArray_;
  std::vector<std::string> values_;
  long streetIndex_ = -1, cityIndex_ = -1, stateIndex_ = -1, zipcodeIndex_ = -1;
};

}  // namespace mv
