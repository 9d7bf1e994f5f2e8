#pragma once
// The screen of the Customers tab: the customer list panel on the left and,
// in a popover, the results of a search. It keeps the list in step with the
// directory (after a sync, an upload, a change of the show-all switch) and
// deletes local customers the list offers for deletion. The customer form
// on the right joins it later. Main thread only.
#include <memory>
#include <optional>

#include "customer/CustomerListView.hpp"
#include "customer/SearchResultTableView.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/PopoverController.hpp"
#include "shell/frame/BaseViewController.hpp"

namespace mv {

class CustomerViewController : public BaseViewController,
                               public CustomerListViewDelegate,
                               public SearchResultTableDelegate,
                               public ui::PopoverControllerDelegate {
 public:
  CustomerViewController();
  ~CustomerViewController() override;

  std::shared_ptr<CustomerListView> customerList() const { return customerList_; }
  std::shared_ptr<SearchResultTableView> tableResult() const { return tableResult_; }
  std::shared_ptr<ui::PopoverController> popResult() const { return popResult_; }
  const std::optional<PersonInfo>& curPersonInfo() const { return curPersonInfo_; }

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  // CustomerListViewDelegate
  void searchTextDidChangeByContact(const std::string& text) override;
  void searchTextDidChange(const std::string& text) override;
  void dismissPopoverController() override;
  void changedCustomer(const PersonInfo* person, const std::optional<std::string>& firstName,
                       const std::optional<std::string>& lastName) override;
  void addNewCustomer(ui::Control* sender) override;
  void deleteLocalCustomer(int customerId) override;
  // SearchResultTableDelegate
  void didSelectCell(const PersonInfo& person) override;
  void didSelectCellByConatct(const ContactMode& contact) override;

 private:
  void search(const std::string& text, bool byContact);
  // The directory read again and handed to the list.
  void reloadList();

  std::shared_ptr<CustomerListView> customerList_;
  std::shared_ptr<SearchResultTableView> tableResult_;
  std::shared_ptr<ui::PopoverController> popResult_;
  std::optional<PersonInfo> curPersonInfo_;
  base::Observation uploadObservation_;
  base::Observation settingsObservation_;
};

}  // namespace mv
