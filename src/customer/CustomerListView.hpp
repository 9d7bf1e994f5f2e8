#pragma once
// The left panel of the customer tab: the title bar with the add button, the
// grouping switch (by name, contact or state), the search bar, the
// new-customer row, the indexed customer list and the popover in which a
// customer's note is read and written. It does not search by itself: every
// change of the search text goes to its delegate, the customer tab.
#include <memory>
#include <optional>
#include <string>

#include "customer/CustomerTable.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/SearchBar.hpp"
#include "platform/ui/SegmentedControl.hpp"
#include "platform/ui/TextView.hpp"
#include "platform/ui/View.hpp"
#include "shell/config/LanguageManager.hpp"

namespace mv {

class CustomerDataModel;

class CustomerListViewDelegate {
 public:
  virtual ~CustomerListViewDelegate() = default;
  virtual void searchTextDidChangeByContact(const std::string& text) = 0;
  virtual void searchTextDidChange(const std::string& text) = 0;
  virtual void dismissPopoverController() = 0;
  virtual void changedCustomer(const PersonSummary* person, const std::optional<std::string>& firstName,
                               const std::optional<std::string>& lastName) = 0;
  virtual void addNewCustomer(ui::Control* sender) = 0;
  virtual void deleteLocalCustomer(int customerId) = 0;
};

class CustomerListView : public ui::View,
                         public LanguageManagerDelegate,
                         public CustomerListControllerDelegate,
                         public ui::SearchBarDelegate,
                         public ui::PopoverControllerDelegate {
 public:
  static constexpr double kWidth = 360;
  static constexpr long kNoteTextViewTag = 82632;
  static constexpr double kNoteWidth = 150;
  static constexpr double kNoteHeight = 200;

  // Builds the panel over the session's customer directory and registers it
  // for language changes.
  static std::shared_ptr<CustomerListView> create(const ui::Rect& frame, std::shared_ptr<CustomerDataModel> directory);
  ~CustomerListView() override;

  void setDelegate(std::weak_ptr<CustomerListViewDelegate> d) { delegate_ = std::move(d); }

  // Shows the directory's book anew in the current grouping (leaving
  // new-customer mode); until the directory has read its first book, the
  // list says that it is reading it.
  void showBook();
  // Over the list, until the directory has read its first book: that it is
  // reading it, or that it could not.
  void showLoading();
  ui::Label& loadingLabel() const { return *loadingLabel_; }
  ui::ActivityIndicatorView& loadingSpinner() const { return *loadingSpinner_; }
  // One customer of the book changed; the others stay as they are.
  void customerReplaced(const std::shared_ptr<const PersonSummary>& before,
                        const std::shared_ptr<const PersonSummary>& after) {
    tableCustomer_->customerReplaced(before, after);
  }
  // The new-customer row is shown.
  bool isEditType() const { return !newCustomerCell_->isHidden(); }
  void selectedCustomer(int customerId);
  void selectedCustomerByConatct(const ContactMode& contact);
  void customerListViewCancle();
  void customerListViewDone();

  // The controls' actions, as the controls call them.
  void addNewCustomer(ui::Control* sender);
  void Selectbutton(long segment);

  long selectedRow() const { return selectedRow_; }
  int currentShowNoteID() const { return currentShowNoteID_; }
  std::shared_ptr<CustomerTable> tableCustomer() const { return tableCustomer_; }
  ui::SearchBar& searchBar() const { return *searchBar_; }
  ui::SegmentedControl& sortSegmentedCtrl() const { return *sortSegmentedCtrl_; }
  ui::Button& addNewCustomerButton() const { return *addNewCustomerButton_; }
  ui::Button& newCustomerCell() const { return *newCustomerCell_; }
  ui::Label& lblCustomer() const { return *lblCustomer_; }
  std::shared_ptr<ui::PopoverController> customerNotePopover() const { return customerNotePopover_; }
  ui::TextView* noteTextView() const;

  // LanguageManagerDelegate
  void notifiChangelanguage() override;
  // CustomerListControllerDelegate
  void resignSearchBar() override;
  void changedCustomer(const PersonSummary* person, const std::optional<std::string>& firstName,
                       const std::optional<std::string>& lastName) override;
  void deleteLocalCustomer(int customerId) override;
  void customerTableSelectCellAtRect(CustomerTable& table, const ui::Rect& rect, const std::string& text,
                                     int customerId, bool editing) override;
  // SearchBarDelegate
  void searchBarTextDidChange(ui::SearchBar& bar, const std::string& searchText) override;
  void searchBarSearchButtonClicked(ui::SearchBar& bar) override;
  // PopoverControllerDelegate: the user closes the note, which is stored
  // first; one that cannot be stored stays open with its text.
  bool popoverControllerShouldDismissPopover(ui::PopoverController& popover) override;

 private:
  CustomerListView(const ui::Rect& frame, std::shared_ptr<CustomerDataModel> directory);
  void build();
  void setNewCustomerHidden(bool hidden, bool animated);
  double stripBottom() const;

  std::shared_ptr<CustomerDataModel> directory_;
  std::shared_ptr<ui::ImageView> titleBar_;
  std::shared_ptr<ui::Label> lblCustomer_;
  std::shared_ptr<ui::Button> addNewCustomerButton_;
  std::shared_ptr<ui::SegmentedControl> sortSegmentedCtrl_;
  std::shared_ptr<ui::View> searchBarBG_;
  std::shared_ptr<ui::SearchBar> searchBar_;
  std::shared_ptr<ui::Button> newCustomerCell_;
  std::shared_ptr<CustomerTable> tableCustomer_;
  std::shared_ptr<ui::Label> loadingLabel_;
  std::shared_ptr<ui::ActivityIndicatorView> loadingSpinner_;
  long selectedRow_ = CustomerGrouping::kByName;
  std::weak_ptr<CustomerListViewDelegate> delegate_;
  std::shared_ptr<ui::PopoverController> customerNotePopover_;
  std::shared_ptr<ui::ViewController> customerNoteContentVC_;
  int currentShowNoteID_ = 0;
};

}  // namespace mv
