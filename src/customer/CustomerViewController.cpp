#include "customer/CustomerViewController.hpp"

#include "customer/CustomerDataModel.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/settings/SwitchTableViewCell.hpp"
#include "shell/frame/UIToast.hpp"
#include "store/DataAccessManager.hpp"
#include "util/FitCGRect.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {

CustomerViewController::CustomerViewController() = default;

CustomerViewController::~CustomerViewController() {
  if (popResult_) popResult_->dismissPopoverAnimated(false);
}

void CustomerViewController::viewDidLoad() {
  MV_ASSERT_MAIN_THREAD();
  BaseViewController::viewDidLoad();
  std::weak_ptr<CustomerViewController> weak = ui::weakAs<CustomerViewController>(this);
  auto reloadOn = [weak](bool onlyAfterSuccess) {
    return [weak, onlyAfterSuccess](const base::Notification& n) {
      auto self = weak.lock();
      // Only a stored upload changes the list; a failed one was alerted.
      if (!self || (onlyAfterSuccess && !(n.userInfo.is_boolean() && n.userInfo.get<bool>()))) return;
      self->reloadList();
    };
  };
  uploadObservation_ = base::Observation(CustomerDataModel::kUploadCustomerRespond, nullptr, reloadOn(true));
  settingsObservation_ = base::Observation(SwitchTableViewCell::kChangeNotification, nullptr, reloadOn(false));
  if (auto* nav = navigationController()) nav->setNavigationBarHidden(true);
  auto root = view();
  root->setBackgroundColor(gfx::Color::darkGray());
  const FitCGRect& fit = FitCGRect::sharedInstance();
  customerList_ = CustomerListView::create(fit.fitCGRectBy(0, 20, CustomerListView::kWidth, 682));
  customerList_->setDelegate(ui::weakAs<CustomerListViewDelegate>(this));
  root->addSubview(customerList_);
  customerList_->setAllCustomerdic(CustomerDataModel::sharedInstance()->customerInfoDic());

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
  auto config = ConfigManager::sharedInstance();
  if (config->flag(ConfigManager::kReloadCustomer)) {
    // Whoever raised the flag reloaded the directory already.
    curPersonInfo_.reset();
    if (customerList_) customerList_->setAllCustomerdic(CustomerDataModel::sharedInstance()->customerInfoDic());
    config->setFlag(ConfigManager::kReloadCustomer, false);
  }
}

void CustomerViewController::updateLanguage(ui::ViewController&) {
  if (customerList_) customerList_->notifiChangelanguage();
}

void CustomerViewController::reloadList() {
  MV_ASSERT_MAIN_THREAD();
  auto directory = CustomerDataModel::sharedInstance();
  directory->reloadCustomerData();
  if (customerList_) customerList_->setAllCustomerdic(directory->customerInfoDic());
}

// --- search -----------------------------------------------------------------------------------------

void CustomerViewController::search(const std::string& text, bool byContact) {
  MV_ASSERT_MAIN_THREAD();
  const std::string trimmed = trimWhitespace(text);
  if (trimmed.empty()) {
    popResult_->dismissPopoverAnimated(true);
    return;
  }
  auto directory = CustomerDataModel::sharedInstance();
  tableResult_->setByContact(byContact);
  if (byContact) {
    tableResult_->setArrResult(directory->customerSearchByContact(trimmed));
  } else {
    tableResult_->setArrResult(directory->customerSearch(trimmed));
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

void CustomerViewController::searchTextDidChange(const std::string& text) { search(text, false); }

void CustomerViewController::searchTextDidChangeByContact(const std::string& text) { search(text, true); }

void CustomerViewController::dismissPopoverController() {
  if (tableResult_->arrResult().size() == 1) {
    const ContactMode row = tableResult_->arrResult().front();
    if (tableResult_->byContact()) {
      didSelectCellByConatct(row);
    } else {
      didSelectCell(row.personInfo);
    }
  }
  popResult_->dismissPopoverAnimated(false);
}

void CustomerViewController::didSelectCell(const PersonInfo& person) {
  popResult_->dismissPopoverAnimated(false);
  const int id = person.pid;
  customerList_->selectedCustomer(id);
  if (customerList_->isEditType()) customerList_->customerListViewCancle();
}

void CustomerViewController::didSelectCellByConatct(const ContactMode& contact) {
  popResult_->dismissPopoverAnimated(false);
  if (customerList_->isEditType()) customerList_->customerListViewCancle();
  customerList_->selectedCustomerByConatct(contact);
}

// --- the list's reports ---------------------------------------------------------------------------

void CustomerViewController::changedCustomer(const PersonInfo* person, const std::optional<std::string>&,
                                             const std::optional<std::string>&) {
  if (person) {
    curPersonInfo_ = *person;
  } else {
    curPersonInfo_.reset();
  }
  if (customerList_ && customerList_->isEditType()) customerList_->customerListViewCancle();
}

void CustomerViewController::addNewCustomer(ui::Control*) { curPersonInfo_.reset(); }

void CustomerViewController::deleteLocalCustomer(int customerId) {
  DataAccessManager* dam = DataAccessManager::sharedDataModel();
  if (!dam || !dam->deleteCustomerTableWithID(customerId)) {
    MV_LOG("customers: local customer ", customerId, " could not be deleted");
    auto toast = std::make_shared<UIToast>();
    toast->show(text("FAILED"));
  }
  if (curPersonInfo_ && curPersonInfo_->pid == customerId) curPersonInfo_.reset();
  // Read again either way: a failed delete brings the row back.
  reloadList();
}

}  // namespace mv
