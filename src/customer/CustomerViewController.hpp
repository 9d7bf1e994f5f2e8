#pragma once
// The screen of the Customers tab: the customer list panel on the left, the
// customer form on the right and, in a popover, the results of a search. It
// does what the panels ask: shows the chosen customer, stores a customer the
// form confirmed (a new one, or an edit in place), deletes local customers
// no order names, keeps the list in step with the hidden and important
// switches, and asks before a local customer is submitted to the sales
// service. It keeps the list in step with the directory: a customer that
// changed takes its place in the list, and a book read (the first one, or
// one read again after a sync, a restore or a change of the show-all
// switch) is shown once it is read; a search typed before the first book
// has landed runs then. The form shows a customer read whole from the
// store, and after an upload the same customer under the service's id.
// Main thread only.
#include <memory>
#include <optional>

#include "customer/CustomerBookListener.hpp"
#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerInfoView.hpp"
#include "customer/CustomerListView.hpp"
#include "customer/SearchResultTableView.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/PopoverController.hpp"
#include "shell/config/ConfigDelegate.hpp"
#include "shell/frame/BaseViewController.hpp"

namespace mv {

class ConfigManager;
class CustomerDataModel;

class CustomerViewController : public BaseViewController,
                               public CustomerBookListener,
                               public CustomerListViewDelegate,
                               public CustomerInfoViewDelegate,
                               public SearchResultTableDelegate,
                               public ConfigDelegate,
                               public ui::PopoverControllerDelegate,
                               public ui::AlertViewDelegate {
 public:
  static constexpr long kSubmitAlertTag = 1000;
  static constexpr long kDeleteRefusedAlertTag = 1002;
  // The longest the wait box of an upload shows.
  static constexpr double kUploadWaitSeconds = CustomerDataModel::kUploadWaitSeconds;

  // The screen over the session's customer directory and configuration (its
  // screen maker's).
  CustomerViewController(std::shared_ptr<CustomerDataModel> directory, std::shared_ptr<ConfigManager> config);
  ~CustomerViewController() override;

  std::shared_ptr<CustomerListView> customerList() const { return customerList_; }
  std::shared_ptr<CustomerInfoView> customerInfo() const { return customerInfo_; }
  std::shared_ptr<SearchResultTableView> tableResult() const { return tableResult_; }
  std::shared_ptr<ui::PopoverController> popResult() const { return popResult_; }
  const std::optional<PersonInfo>& curPersonInfo() const { return curPersonInfo_; }
  const std::optional<PersonInfo>& submitPerson() const { return submitPerson_; }

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;
  // ConfigDelegate: the order store learns whether customers are shown.
  void loadByConfig() override;

  // CustomerBookListener
  void customerReplaced(const std::shared_ptr<const PersonSummary>& before,
                        const std::shared_ptr<const PersonSummary>& after) override;
  void bookReplaced() override;
  void bookNotRead() override;

  // CustomerListViewDelegate
  void searchTextDidChangeByContact(const std::string& text) override;
  void searchTextDidChange(const std::string& text) override;
  void dismissPopoverController() override;
  void changedCustomer(const PersonSummary* person, const std::optional<std::string>& firstName,
                       const std::optional<std::string>& lastName) override;
  void addNewCustomer(ui::Control* sender) override;
  void deleteLocalCustomer(int customerId) override;
  // CustomerInfoViewDelegate
  void customerInfoViewCancel(ui::Control* sender) override;
  void customerInfoViewDone(ui::Control* sender, const CustomerInfoGroupData& data) override;
  void customerInfoViewHiddenChange(int customerId, bool hidden) override;
  void customerInfoViewImportantChange(int customerId, bool important) override;
  void submitCustomer(const PersonInfo& person) override;
  void customerInfoViewChangePrimary() override;
  // SearchResultTableDelegate
  void didSelectCell(const PersonSummary& person) override;
  void didSelectCellByConatct(const ContactMode& contact) override;
  // ui::AlertViewDelegate
  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;

 private:
  void search(const std::string& text, bool byContact);
  // The search bar's text searched again, once the first book has landed.
  void searchOnceRead();
  // That customer whole from the store (nothing: none, or a failed read,
  // which the user is told of).
  std::optional<PersonInfo> detailsOf(int customerId);
  // After an upload: the customer the form shows, under the id it has now.
  void uploadFinished();
  // The list shows the directory's book anew, unless a customer is being
  // entered: a regrouping re-selects, which would drop it.
  void reloadList();
  void showAlert(const std::string& titleKey, const std::string& messageKey, long tag, const std::string& cancelKey,
                 const std::optional<std::string>& otherKey);

  std::shared_ptr<CustomerDataModel> directory_;
  std::shared_ptr<ConfigManager> config_;
  std::shared_ptr<CustomerListView> customerList_;
  std::shared_ptr<CustomerInfoView> customerInfo_;
  std::shared_ptr<SearchResultTableView> tableResult_;
  std::shared_ptr<ui::PopoverController> popResult_;
  std::optional<PersonInfo> curPersonInfo_;
  std::optional<PersonInfo> submitPerson_;
  // The book was read again while a customer was being entered; the list
  // takes it, and the changes since, when the entry ends.
  bool listBehind_ = false;
  // A search waits for the first book.
  bool searchWaiting_ = false;
  base::Observation settingsObservation_;
  base::Observation uploadObservation_;
};

}  // namespace mv
