#pragma once
// The search results shown in a popover by every screen that offers
// customers to pick (the customer tab, the quote-order screen): customers by
// name, or contacts as "last  first". A tap reports the row; closing the
// popover is the chooser's work.
#include <memory>
#include <vector>

#include "customer/ContactMode.hpp"
#include "customer/CustomerGrouping.hpp"
#include "customer/PersonSummary.hpp"
#include "platform/ui/TableViewController.hpp"

namespace mv {

class SearchResultTableDelegate {
 public:
  virtual ~SearchResultTableDelegate() = default;
  virtual void didSelectCell(const PersonSummary& /*person*/) {}
  virtual void didSelectCellByConatct(const ContactMode& /*contact*/) {}
};

class SearchResultTableView : public ui::TableViewController {
 public:
  // The popover both choosers put it in.
  static constexpr double kPopoverWidth = 263;
  static constexpr double kPopoverHeight = 200;

  SearchResultTableView();

  bool byContact() const { return byContact_; }
  void setByContact(bool byContact) { byContact_ = byContact; }
  // Customers in the order given (the directory gives them by name); rows
  // read their names.
  void setArrResult(PersonRecords persons);
  // Contacts, in the order given; rows read "last  first".
  void setArrResult(std::vector<ContactMode> contacts);
  // The rows: in name mode each carries its customer only.
  const std::vector<ContactMode>& arrResult() const { return arrResult_; }
  void setDelegate(std::weak_ptr<SearchResultTableDelegate> d) { delegate_ = std::move(d); }
  // The text of row `row`.
  std::string rowText(std::size_t row) const;

  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

 private:
  bool byContact_ = false;
  std::vector<ContactMode> arrResult_;
  std::weak_ptr<SearchResultTableDelegate> delegate_;
};

}  // namespace mv
