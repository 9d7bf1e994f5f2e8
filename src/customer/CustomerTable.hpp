#pragma once
// The customer list of the customer tab's left panel: the customers of the
// session's directory in folding sections under a fixed A-Z and "#" index,
// by name, by contact or by state. It shares the directory's records, takes
// a customer that changed into its place without regrouping the others,
// keeps the selected customer across changes and regrouping, marks local
// customers and customers with a note, lets local customers be deleted by
// swiping, and opens the add-note / remove-note popover on a long press. It
// reports to the panel. Main thread only.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "customer/CustomerEditPopViewController.hpp"
#include "customer/CustomerGrouping.hpp"
#include "customer/CustomerListCell.hpp"
#include "customer/SectionHeaderView.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/TableViewController.hpp"

namespace mv {

class CustomerDataModel;
class CustomerTable;

class CustomerListControllerDelegate {
 public:
  virtual ~CustomerListControllerDelegate() = default;
  virtual void resignSearchBar() = 0;
  // The chosen customer (none: null) and, grouped by contact, the contact's names.
  virtual void changedCustomer(const PersonSummary* person, const std::optional<std::string>& firstName,
                               const std::optional<std::string>& lastName) = 0;
  virtual void deleteLocalCustomer(int customerId) = 0;
  // Open the note of the customer beside `rect` (in the table's coordinates
  // less its scroll offset), for editing when `editing`.
  virtual void customerTableSelectCellAtRect(CustomerTable& table, const ui::Rect& rect, const std::string& text,
                                             int customerId, bool editing) = 0;
};

class CustomerTable : public ui::TableViewController,
                      public CustomerListCellDelegate,
                      public SectionHeaderViewDelegate,
                      public CustomerEditPopViewControllerDelegate {
 public:
  static constexpr double kHeaderHeight = 22;
  static constexpr double kRowHeight = 44;

  // Note marks are stored through the session's customer directory.
  explicit CustomerTable(std::shared_ptr<CustomerDataModel> directory);
  ~CustomerTable() override;

  void setDelegate(std::weak_ptr<CustomerListControllerDelegate> d) { delegate_ = std::move(d); }

  // Drops the selection and regroups the directory's book in that mode.
  void RefrashByType(int mode);
  void groupPersonsBy(int mode);
  // The directory put `after` in place of `before` (either null: a customer
  // came or went): the rows move, come or go, and the selection stays on its
  // customer (the selected customer changed: its new record is reported).
  void customerReplaced(const std::shared_ptr<const PersonSummary>& before,
                        const std::shared_ptr<const PersonSummary>& after);
  void refreshFocus();
  // Opens the customer's section(s) and selects its row, reporting it.
  void focuseCustomerName(int customerId);
  // Grouped by contact: selects the first row of those names.
  void selectedCustomerByConatct(const ContactMode& contact);
  void desSelected();

  // The row at the path; null out of range.
  const ContactMode* personOfIndexPath(const ui::IndexPath& path) const;
  void showNotePopoverAtIndexPath(const ui::IndexPath& path);
  void showNoteContentAtIndexPath(const ui::IndexPath& path, bool aNewNote);

  int currentSoryByType() const { return currentSoryByType_; }
  int selectedPID() const { return selectedPID_; }
  const std::vector<CustomerInfoList>& customerlist() const { return customerlist_; }
  std::optional<ui::IndexPath> selectedRow() const;
  std::shared_ptr<ui::PopoverController> notePopover() const { return notePopover_; }
  std::shared_ptr<CustomerEditPopViewController> notePopoverVC() const { return notePopoverVC_; }

  // --- table ---------------------------------------------------------------------------
  void viewDidLoad() override;
  long numberOfSectionsInTableView(ui::TableView& tableView) override;
  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  std::vector<std::string> sectionIndexTitlesForTableView(ui::TableView& tableView) override;
  long tableViewSectionForSectionIndexTitle(ui::TableView& tableView, const std::string& title, long index) override;
  bool respondsTo(ui::TableViewDataSourceOp /*op*/) const override { return true; }
  // Every row is as high: the table does not ask row by row.
  bool respondsTo(ui::TableViewDelegateOp op) const override;
  bool tableViewCanEditRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;
  void tableViewCommitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                                   const ui::IndexPath& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& path) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::View> tableViewViewForHeaderInSection(ui::TableView& tableView, long section) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;
  void tableViewDidDeselectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

  void customerListCellDidLongPress(CustomerListCell& cell) override;
  void customerListCellDidClick(CustomerListCell& cell) override;
  void sectionHeaderViewSectionOpened(SectionHeaderView& header, long section) override;
  void sectionHeaderViewSectionClosed(SectionHeaderView& header, long section) override;
  void popViewControllerDidPressButton(CustomerEditPopViewController& controller) override;

 private:
  // `byPerson`: a tap on the row, which ends the search being typed; the
  // table following the search or a choice made elsewhere leaves the focus
  // where it is.
  void selectRow(const ui::IndexPath& path, bool byPerson = true);
  void restoreColor(const ui::IndexPath& path);
  // A store write that failed: the user is told, nothing in memory changes.
  static void reportFailure();
  // The selected row (either mode's), if any.
  std::optional<ContactMode> selectedContactMode() const;
  // Rows' paths of the folded sections, after rows moved.
  void refoldSections();
  // Scrolls to the row's section, its header at the top, and on until the
  // row shows whole below that header.
  void showWhole(const ui::IndexPath& path);

  std::shared_ptr<CustomerDataModel> directory_;
  std::vector<CustomerInfoList> customerlist_;
  int currentSoryByType_ = CustomerGrouping::kByName;
  int selectedPID_ = 0;
  long m_section_ = -1, m_row_ = -1;
  long selectContactSection_ = -1, selectContactRow_ = -1;
  std::weak_ptr<CustomerListControllerDelegate> delegate_;
  std::shared_ptr<CustomerEditPopViewController> notePopoverVC_;
  std::shared_ptr<ui::PopoverController> notePopover_;
};

}  // namespace mv
