#pragma once
// The right part of the customer tab: one customer's base information and
// company attributes, primary address, further addresses and contacts in a
// grouped table, under a bar with Cancel, DONE and Edit. View mode shows the
// values as text; edit mode, for a new customer or one made on the device,
// makes every value a field and lets groups be added and removed. Nothing is
// stored while editing: DONE checks the groups and hands them to the tab,
// which stores them. Outside editing the header's switches (hidden,
// important) and the primary-address and primary-contact check boxes write
// at once. Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "customer/CustomerAttributeCell.hpp"
#include "customer/CustomerInfoGroupData.hpp"
#include "customer/CustomerInfoGroupView.hpp"
#include "customer/CustomerInfoViewHiddenCell.hpp"
#include "customer/PersonInfo.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TableView.hpp"
#include "shell/config/LanguageManager.hpp"

namespace mv {

class CustomerDataModel;

class CustomerInfoViewDelegate {
 public:
  virtual ~CustomerInfoViewDelegate() = default;
  virtual void customerInfoViewCancel(ui::Control* sender) = 0;
  // The checked groups of the form; `sender` is null when the return key on
  // the last field confirmed them.
  virtual void customerInfoViewDone(ui::Control* sender, const CustomerInfoGroupData& data) = 0;
  // The stored flag of the form's customer changed.
  virtual void customerInfoViewHiddenChange(int customerId, bool hidden) = 0;
  virtual void customerInfoViewImportantChange(int customerId, bool important) = 0;
  virtual void submitCustomer(const PersonInfo& person) = 0;
  // A primary address or contact was stored (view mode).
  virtual void customerInfoViewChangePrimary() = 0;
};

class CustomerInfoView : public ui::View,
                         public ui::TableViewDataSource,
                         public ui::TableViewDelegate,
                         public CustomerInfoGroupViewDelegate,
                         public CustomerAttributeCellDelegate,
                         public CustomerInfoViewHiddenCellDelegate,
                         public LanguageManagerDelegate {
 public:
  static constexpr double kWidth = 663;
  static constexpr int kViewMode = 0;
  static constexpr int kEditMode = 1;
  // The table's height while the keyboard is up.
  static constexpr double kKeyboardTableHeight = 370;
  // Before the next row's field takes the keyboard on return.
  static constexpr double kFocusDelay = 0.3;

  // The form over the session's customer directory, which stores what its
  // switches and check boxes change.
  static std::shared_ptr<CustomerInfoView> create(const ui::Rect& frame, std::shared_ptr<CustomerDataModel> directory);
  ~CustomerInfoView() override;

  void setDelegate(std::weak_ptr<CustomerInfoViewDelegate> d) { delegate_ = std::move(d); }

  // Shows the customer in view mode (nothing for none).
  void setPersonInfo(const std::optional<PersonInfo>& person);
  // The same, scrolled to the contact of those names (else the first one).
  void setPersonInfoFromByContact(const PersonInfo& person, const std::string& firstName,
                                  const std::string& lastName);
  // A blank customer in edit mode, with a row for each of its attribute fields.
  void setNewPersonInfo(const PersonInfo& person);
  // Cancel and DONE shown / hidden (entering a new customer / another one chosen).
  void addNewCustomer();
  void customerHiddenNewCustomerViews();
  // The hide switch's state waiting for DONE, if it was turned while editing.
  std::optional<bool> pendingHidden() const { return pendingHidden_; }
  // The form forgets the customer when it shows that one.
  void deleteLocalCustomer(int customerId);

  const std::optional<PersonInfo>& personInfo() const { return personInfo_; }
  int customerType() const { return customerType_; }
  bool isEditing() const { return customerType_ == kEditMode; }
  // A customer not stored yet is being entered.
  bool isCreating() const { return isEditing() && (!personInfo_ || personInfo_->pid == 0); }
  bool hasPublishedAddressAttribute() const { return hasPublishedAddressAttribute_; }
  const CustomerInfoGroupData& customerInfoGroupData() const { return customerInfoGroupData_; }
  std::shared_ptr<ui::TableView> tableCustomerInfo() const { return tableCustomerInfo_; }
  ui::Label& titleLabel() const { return *titleLabel_; }
  ui::Button& cancelButton() const { return *cancelButton_; }
  ui::Button& doneButton() const { return *doneButton_; }
  ui::Button& editButton() const { return *editButton_; }
  // The header with the switches, once the table has built it.
  CustomerInfoViewHiddenCell* hiddenCell() const;
  // A group's header, once the table has built it.
  CustomerInfoGroupView* groupView(long section) const;

  // The bar's and the add buttons' actions, as they send them.
  void customerInfoViewCancel(ui::Control* sender);
  void customerInfoViewDone(ui::Control* sender);
  void customerInfoViewEdit(ui::Control* sender);
  void addAddress();
  void addConctact();

  // ui::TableViewDataSource
  long numberOfSectionsInTableView(ui::TableView& tableView) override;
  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  // ui::TableViewDelegate
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tableView,
                                                         const ui::IndexPath& indexPath) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tableView, long section) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::View> tableViewViewForHeaderInSection(ui::TableView& tableView, long section) override;
  // CustomerInfoGroupViewDelegate
  void groupViewClick(int indexId, int type) override;
  void deleteSection(int indexId, int type) override;
  // CustomerAttributeCellDelegate
  void customerAttributeCellTextFieldBegin(CustomerAttributeCell& cell) override;
  void customerAttributeCellTextFieldcEnd(const std::string& value, long section, long row,
                                          const std::string& label) override;
  void customerAttributeCellSwitchViewAction(bool on) override;
  void customerAttributeCellShouldReturn(long section, long row) override;
  // CustomerInfoViewHiddenCellDelegate
  void switchViewAction(bool on) override;
  void switchViewImportant(bool on) override;
  void submitAction(ui::Control* sender) override;
  // LanguageManagerDelegate: the texts again, the groups rebuilt from the
  // stored customer (edits are dropped).
  void notifiChangelanguage() override;

 private:
  CustomerInfoView(const ui::Rect& frame, std::shared_ptr<CustomerDataModel> directory);
  void build();
  void observe();
  // The groups of `person` in the current language.
  void rebuildGroups(const PersonInfo& person);
  void refreshAddressFields();
  // The field with the keyboard gives it up, writing its last text back.
  void resignEditing();
  // Scrolls the row of the edit layout into sight and gives its field the
  // focus once it is there.
  void focusRow(const ui::IndexPath& path);
  void reload();
  void setMode(int mode);
  ui::Rect tableFrame() const;
  // Where a row whose field takes the keyboard is scrolled to.
  ui::TableViewScrollPosition editingRowPosition() const;
  void keyboardWasShown();
  void keyboardWasHidden();
  // A row's height for its label and value texts.
  double rowHeight(const customer_attribute_cell_Entity& cell) const;
  void configure(CustomerAttributeCell& cell, const ui::IndexPath& indexPath);
  // The id of the stored customer the form shows, 0 for none.
  int customerId() const { return personInfo_ ? personInfo_->pid : 0; }
  void showFailure();
  // Stores the hidden flag and tells the tab; false when it was not stored.
  bool applyHidden(int id, bool on);

  std::shared_ptr<ui::ImageView> titleBar_;
  std::shared_ptr<ui::Label> titleLabel_;
  std::shared_ptr<ui::Button> cancelButton_;
  std::shared_ptr<ui::Button> doneButton_;
  std::shared_ptr<ui::Button> editButton_;
  std::shared_ptr<ui::TableView> tableCustomerInfo_;
  CustomerInfoGroupData customerInfoGroupData_;
  CustomerInfoGroupData::Fields addressFields_;
  bool hasPublishedAddressAttribute_ = false;
  std::optional<PersonInfo> personInfo_;
  // The hide switch turned while a stored customer is edited: applied at
  // DONE, with the edits, and dropped by Cancel, so hiding never throws the
  // typed changes away.
  std::optional<bool> pendingHidden_;
  int customerType_ = kViewMode;
  bool tableInputViewFocus_ = false;
  // The row whose field began editing last, until the keyboard is up.
  std::optional<ui::IndexPath> curCell_;
  std::shared_ptr<CustomerDataModel> directory_;
  std::weak_ptr<CustomerInfoViewDelegate> delegate_;
  base::Observation keyboardShownObservation_;
  base::Observation keyboardHidingObservation_;
  // The delayed moves of the keyboard to the next row.
  base::CancelTracker timers_;
};

}  // namespace mv
