#include "customer/CustomerViewController.hpp"

#include <utility>

#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerOrderLinks.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/settings/SwitchTableViewCell.hpp"
#include "store/SessionDatabase.hpp"
#include "util/FitCGRect.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {
CustomerViewController::CustomerViewController(std::shared_ptr<CustomerDataModel> directory,
                                               std::shared_ptr<ConfigManager> config)
    : directory_(std::move(directory)), config_(std::move(config)) {}

CustomerViewController::~CustomerViewController() {
  if (popResult_) popResult_->dismissPopoverAnimated(false);
}

void CustomerViewController::viewDidLoad() {
  MV_ASSERT_MAIN_THREAD();
  BaseViewController::viewDidLoad();
  std::weak_ptr<CustomerViewController> weak = ui::weakAs<CustomerViewController>(this);
  directory_->addListener(ui::weakAs<CustomerBookListener>(this));
  settingsObservation_ =
      base::Observation(SwitchTableViewCell::kChangeNotification, nullptr, [weak](const base::Notification&) {
        auto self = weak.lock();
        if (!self) return;
        const auto& config = self->config_;
        const bool hiddenShown = self->customerInfo_->personInfo() && self->customerInfo_->personInfo()->hidden;
        // A customer being edited stays until DONE or Cancel: its edits are not dropped.
        if (config && !config->isShowAllCustomer() && hiddenShown && !self->customerInfo_->isEditing()) {
          self->curPersonInfo_.reset();
          self->customerInfo_->setPersonInfo(std::nullopt);
        }
        // Every customer may come or go: the book is read beside the window
        // and the list shows it once read.
        self->directory_->reloadCustomerDataBeside();
      });
  uploadObservation_ =
      base::Observation(CustomerDataModel::kUploadCustomerRespond, nullptr, [weak](const base::Notification& n) {
        auto self = weak.lock();
        if (self && n.userInfo.is_boolean() && n.userInfo.get<bool>()) self->uploadFinished();
      });
  if (auto* nav = navigationController()) nav->setNavigationBarHidden(true);
  auto root = view();
  root->setBackgroundColor(gfx::Color::darkGray());
  const FitCGRect& fit = FitCGRect::sharedInstance();
  customerList_ = CustomerListView::create(fit.fitCGRectBy(0, 20, CustomerListView::kWidth, 682), directory_);
  customerList_->setDelegate(ui::weakAs<CustomerListViewDelegate>(this));
  root->addSubview(customerList_);
  customerInfo_ = CustomerInfoView::create(fit.fitCGRectBy(361, 20, CustomerInfoView::kWidth, 692), directory_);
  customerInfo_->setDelegate(ui::weakAs<CustomerInfoViewDelegate>(this));
  root->addSubview(customerInfo_);
  customerList_->showBook();

  tableResult_ = std::make_shared<SearchResultTableView>();
  tableResult_->setDelegate(ui::weakAs<SearchResultTableDelegate>(this));
  popResult_ = std::make_shared<ui::PopoverController>(tableResult_);
  popResult_->setPopoverContentSize({SearchResultTableView::kPopoverWidth, SearchResultTableView::kPopoverHeight});
  popResult_->setDelegate(ui::weakAs<ui::PopoverControllerDelegate>(this));
  finishViewDidLoad();
}

void CustomerViewController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  if (auto* nav = navigationController()) nav->setNavigationBarHidden(true);
  // The list follows the directory as it changes, whether it shows or not:
  // the flag of whoever changed the book asks for nothing more.
  if (config_ && config_->flag(ConfigManager::kReloadCustomer)) config_->setFlag(ConfigManager::kReloadCustomer, false);
  // A first book that could not be read is read again as the tab comes back.
  if (!directory_->isBookRead() && !directory_->isReadingBeside()) {
    directory_->reloadCustomerDataBeside();
    if (customerList_) customerList_->showLoading();
  }
}

void CustomerViewController::viewDidAppear(bool animated) {
  BaseViewController::viewDidAppear(animated);
  if (customerInfo_) customerInfo_->tableCustomerInfo()->flashScrollIndicators();
}

void CustomerViewController::updateLanguage(ui::ViewController&) {
  if (customerList_) customerList_->notifiChangelanguage();
}

void CustomerViewController::loadByConfig() {
  auto links = CustomerOrderLinks::installed();
  const auto& config = config_;
  if (links && config) links->setIsCustomerOnShow(config->isOnShow(MainTabScreens::kCustomer));
}

void CustomerViewController::reloadList() {
  MV_ASSERT_MAIN_THREAD();
  if (customerInfo_ && customerInfo_->isCreating()) {
    listBehind_ = true;
    return;
  }
  listBehind_ = false;
  if (customerList_) customerList_->showBook();
}

void CustomerViewController::customerReplaced(const std::shared_ptr<const PersonSummary>& before,
                                              const std::shared_ptr<const PersonSummary>& after) {
  MV_ASSERT_MAIN_THREAD();
  // Behind, the list takes the whole book when the entry ends.
  if (!customerList_ || listBehind_) return;
  customerList_->customerReplaced(before, after);
}

void CustomerViewController::bookReplaced() {
  if (customerList_) reloadList();
}

void CustomerViewController::bookNotRead() {
  if (customerList_) customerList_->showLoading();
}

// --- search -----------------------------------------------------------------------------------------

void CustomerViewController::search(const std::string& text, bool byContact) {
  MV_ASSERT_MAIN_THREAD();
  const std::string trimmed = trimWhitespace(text);
  if (trimmed.empty()) {
    popResult_->dismissPopoverAnimated(true);
    return;
  }
  tableResult_->setByContact(byContact);
  if (!directory_->isBookRead()) {
    // Nothing is found in a book not read yet: the text is searched once it is.
    popResult_->dismissPopoverAnimated(true);
    if (!std::exchange(searchWaiting_, true)) {
      directory_->whenBookRead([weak = ui::weakAs<CustomerViewController>(this)] {
        if (auto self = weak.lock()) self->searchOnceRead();
      });
    }
    return;
  }
  if (byContact) {
    tableResult_->setArrResult(directory_->customerSearchByContact(trimmed).value_or(std::vector<ContactMode>()));
  } else {
    tableResult_->setArrResult(directory_->customerSearch(trimmed).value_or(PersonRecords()));
  }
  if (tableResult_->arrResult().empty()) {
    popResult_->dismissPopoverAnimated(true);
    return;
  }
  tableResult_->tableView()->reloadData();
  const FitCGRect& fit = FitCGRect::sharedInstance();
  popResult_->presentPopoverFromRect(fit.fitCGRectBy(150, 100, 10, 45), view().get(), ui::PopoverArrowDirectionAny,
                                     true);
}

void CustomerViewController::searchOnceRead() {
  searchWaiting_ = false;
  if (!customerList_) return;
  ui::SearchBar& bar = customerList_->searchBar();
  // Only what the bar still holds: a search cleared meanwhile stays so.
  if (!isBlank(bar.text())) customerList_->searchBarTextDidChange(bar, bar.text());
}

void CustomerViewController::searchTextDidChange(const std::string& text) { search(text, false); }

void CustomerViewController::searchTextDidChangeByContact(const std::string& text) { search(text, true); }

void CustomerViewController::dismissPopoverController() {
  if (tableResult_->arrResult().size() == 1) {
    const ContactMode row = tableResult_->arrResult().front();
    if (tableResult_->byContact()) {
      didSelectCellByConatct(row);
    } else {
      didSelectCell(*row.personInfo);
    }
  }
  popResult_->dismissPopoverAnimated(false);
}

void CustomerViewController::didSelectCell(const PersonSummary& person) {
  popResult_->dismissPopoverAnimated(false);
  customerInfo_->customerHiddenNewCustomerViews();
  if (customerList_->isEditType()) customerList_->customerListViewCancle();
  if (listBehind_) reloadList();
  customerList_->selectedCustomer(person.pid);
}

void CustomerViewController::didSelectCellByConatct(const ContactMode& contact) {
  popResult_->dismissPopoverAnimated(false);
  customerInfo_->customerHiddenNewCustomerViews();
  if (customerList_->isEditType()) customerList_->customerListViewCancle();
  if (listBehind_) reloadList();
  customerList_->selectedCustomerByConatct(contact);
}

// --- the list's reports ---------------------------------------------------------------------------

std::optional<PersonInfo> CustomerViewController::detailsOf(int customerId) {
  auto details = directory_->details(customerId);
  if (!details) {
    UIToast::showTextOf("CUSTOMERDETAILSNOTREAD");
    return std::nullopt;
  }
  return std::move(*details);
}

void CustomerViewController::changedCustomer(const PersonSummary* person, const std::optional<std::string>& firstName,
                                             const std::optional<std::string>& lastName) {
  MV_ASSERT_MAIN_THREAD();
  const auto& shown = customerInfo_->personInfo();
  if (person && customerInfo_->isEditing() && shown && shown->pid == person->pid) {
    // The list re-selected the customer being edited (a flag changed): the
    // edits stay.
    if (curPersonInfo_ && curPersonInfo_->pid == person->pid) {
      curPersonInfo_->hidden = person->hidden;
      curPersonInfo_->markAsImportant = person->markAsImportant;
      curPersonInfo_->hasNote = person->hasNote;
    }
    return;
  }
  std::optional<PersonInfo> details = person ? detailsOf(person->pid) : std::nullopt;
  if (details) {
    curPersonInfo_ = details;
    const bool byContact = firstName && lastName && !isBlank(*firstName) && !isBlank(*lastName);
    if (byContact) {
      customerInfo_->setPersonInfoFromByContact(*details, *firstName, *lastName);
    } else {
      customerInfo_->setPersonInfo(details);
    }
  } else {
    curPersonInfo_.reset();
    customerInfo_->setPersonInfo(std::nullopt);
  }
  customerInfo_->customerHiddenNewCustomerViews();
  if (customerList_ && customerList_->isEditType()) customerList_->customerListViewCancle();
}

void CustomerViewController::addNewCustomer(ui::Control*) {
  MV_ASSERT_MAIN_THREAD();
  PersonInfo blank;
  blank.attribute = directory_->allAttributes();
  customerInfo_->addNewCustomer();
  customerInfo_->setNewPersonInfo(blank);
}

void CustomerViewController::deleteLocalCustomer(int customerId) {
  MV_ASSERT_MAIN_THREAD();
  const SessionDatabase::UserWrite userWrite;
  switch (directory_->deleteLocalCustomer(customerId)) {
    case CustomerDataModel::DeleteResult::Deleted:
      customerInfo_->deleteLocalCustomer(customerId);
      if (curPersonInfo_ && curPersonInfo_->pid == customerId) curPersonInfo_.reset();
      break;
    case CustomerDataModel::DeleteResult::NamedByOrder:
      showAlert("DELETECUSTOMERFAILED", "CUSTOMERINORDER", kDeleteRefusedAlertTag, "OK", std::nullopt);
      break;
    case CustomerDataModel::DeleteResult::Failed:
      UIToast::showTextOf(SessionDatabase::failedWriteKey());
      break;
  }
  // A customer that stays comes back into the list, whose row the swipe took.
  if (auto kept = directory_->customer(customerId)) customerReplaced(kept, kept);
}

// --- the form's reports ---------------------------------------------------------------------------

void CustomerViewController::customerInfoViewCancel(ui::Control*) {
  MV_ASSERT_MAIN_THREAD();
  if (customerList_->isEditType()) customerList_->customerListViewCancle();
  if (listBehind_) reloadList();
}

void CustomerViewController::customerInfoViewDone(ui::Control*, const CustomerInfoGroupData& data) {
  MV_ASSERT_MAIN_THREAD();
  const auto& shown = customerInfo_->personInfo();
  const int editedId = shown ? shown->pid : 0;
  const SessionDatabase::UserWrite userWrite;
  const int storedId = directory_->storeCustomer(data, editedId);
  if (storedId == 0) {
    // Nothing was stored; the form keeps everything entered.
    UIToast::showTextOf(SessionDatabase::failedWriteKey());
    return;
  }
  customerList_->customerListViewDone();
  customerInfo_->customerHiddenNewCustomerViews();
  // The stored customer in view mode first: the list's re-selection then
  // shows it instead of keeping an edit that has ended. None while hidden
  // customers are not listed.
  curPersonInfo_ = detailsOf(storedId);
  customerInfo_->setPersonInfo(curPersonInfo_);
  if (listBehind_) reloadList();
  customerList_->selectedCustomer(storedId);
}

void CustomerViewController::customerInfoViewHiddenChange(int customerId, bool hidden) {
  MV_ASSERT_MAIN_THREAD();
  if (curPersonInfo_ && curPersonInfo_->pid == customerId) curPersonInfo_->hidden = hidden;
  if (config_ && !config_->isShowAllCustomer()) {
    // The customer has left the list, and leaves the form too.
    curPersonInfo_.reset();
    customerInfo_->setPersonInfo(std::nullopt);
  }
}

void CustomerViewController::customerInfoViewImportantChange(int customerId, bool important) {
  MV_ASSERT_MAIN_THREAD();
  if (curPersonInfo_ && curPersonInfo_->pid == customerId) curPersonInfo_->markAsImportant = important;
}

// The directory took the stored choice into the customer's record, and the
// list its row.
void CustomerViewController::customerInfoViewChangePrimary() {}

void CustomerViewController::submitCustomer(const PersonInfo& person) {
  MV_ASSERT_MAIN_THREAD();
  if (Session::current().loginType == LoginType::Demo) {
    DemoLimitAlert::show();
    return;
  }
  submitPerson_ = person;
  showAlert("SUBMITCUSTOMER", "CUSTOMERSUBMIT", kSubmitAlertTag, "CANCEL", std::string("SUBMIT"));
}

void CustomerViewController::uploadFinished() {
  MV_ASSERT_MAIN_THREAD();
  const auto& shown = customerInfo_->personInfo();
  // A customer being entered or edited is never dropped by an upload.
  if (!shown || customerInfo_->isEditing()) return;
  const int id = directory_->idAfterUpload(shown->pid);
  if (directory_->customer(id)) {
    // The list chooses it under its id now, and the form shows it as stored.
    customerList_->selectedCustomer(id);
    if (customerInfo_->personInfo() && customerInfo_->personInfo()->pid == id) return;
  }
  curPersonInfo_ = detailsOf(id);
  customerInfo_->setPersonInfo(curPersonInfo_);
}

void CustomerViewController::showAlert(const std::string& titleKey, const std::string& messageKey, long tag,
                                       const std::string& cancelKey, const std::optional<std::string>& otherKey) {
  std::vector<std::string> others;
  if (otherKey) others.push_back(text(*otherKey));
  auto alert = std::make_shared<ui::AlertView>(text(titleKey), text(messageKey), ui::weakAs<ui::AlertViewDelegate>(this),
                                               text(cancelKey), others);
  alert->setTag(tag);
  alert->show();
}

void CustomerViewController::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  MV_ASSERT_MAIN_THREAD();
  if (alert.tag() == kSubmitAlertTag) {
    const std::optional<PersonInfo> person = std::move(submitPerson_);
    submitPerson_.reset();
    if (buttonIndex != alert.firstOtherButtonIndex() || !person) return;
    // Nothing is written before the reply, so the wait may be left: the
    // customer then stays local and unsubmitted.
    MessageBox::sharedInstance().BeginBlockWait(
        text("UPLOADCUSTOMER"), kUploadWaitSeconds,
        [directory = std::weak_ptr<CustomerDataModel>(directory_), pid = person->pid] {
          if (auto model = directory.lock()) model->abandonUpload(pid);
        });
    // Nothing sent while the customer is on its way already: that reply
    // closes the wait box. Anything else that sent nothing closed it and
    // told the user why.
    directory_->submitCustomer(person->pid);
  }
}

}  // namespace mv
