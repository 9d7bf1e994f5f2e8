#include "shell/settings/SettingsViewController.hpp"

#include "platform/base/Log.hpp"
#include "platform/base/Paths.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/settings/AboutViewController.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/settings/SwitchTableViewCell.hpp"
#include "shell/frame/WebViewController.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncModel.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {


constexpr const char* kEnglishName = "English";
constexpr const char* kChineseName = "中文";

}  // namespace

SettingsViewController::SettingsViewController(std::shared_ptr<ShellActions> actions,
                                               std::shared_ptr<SessionServices> services)
    : ui::TableViewController(ui::TableViewStyle::Grouped), actions_(std::move(actions)), services_(std::move(services)) {}

std::shared_ptr<ConfigManager> SettingsViewController::config() const {
  return services_ ? services_->get<ConfigManager>() : nullptr;
}

SettingsViewController::~SettingsViewController() {
  LanguageManager::sharedInstance().unRegisterLanugageNotification(this);
}

// ---- data ----------------------------------------------------------------------------------

const std::map<int, std::vector<SettingsCellEntity>>& SettingsViewController::groups() {
  setTitle(text("SETTINGSTITLE"));
  if (groups_) return *groups_;
  auto lm = LoginMode::sharedInstance();
  std::map<int, std::vector<SettingsCellEntity>> g;

  SettingsCellEntity account(SettingsCellEntity::kAccount, "ACCOUNTMANAGEMENT");
  SettingsCellEntity company(SettingsCellEntity::kCompanyName, "COMPANYNAME");
  company.textValue = lm->companyName();
  SettingsCellEntity user(SettingsCellEntity::kUserName, "USERNAME");
  user.textValue = lm->acountID();
  account.items = {company, user, SettingsCellEntity(SettingsCellEntity::kOpenCms, "OPENCMS")};
  g[0] = {account};

  std::vector<SettingsCellEntity> data;
  auto config = this->config();
  if (config && config->isOnShow(MainTabScreens::kCustomer)) {
    SettingsCellEntity all(SettingsCellEntity::kShowAllCustomer, "SHOWALLCUSTOMER");
    all.boolValue = true;
    data.push_back(all);
  }
  data.emplace_back(SettingsCellEntity::kFullSync, "FULLSYNC");
  data.emplace_back(SettingsCellEntity::kBackupAndRestore, "BACKANDRESTORE");
  g[1] = data;

  SettingsCellEntity language(SettingsCellEntity::kLanguage, "SWITCHLANGUAGES");
  language.texts = {kEnglishName, kChineseName};
  SettingsCellEntity version(SettingsCellEntity::kCheckVersion, "CHECKVERSION");
  version.textValue = actions_ ? actions_->appVersion() : base::Bundle::shortVersion();
  g[2] = {language, version, SettingsCellEntity(SettingsCellEntity::kAbout, "ABOUT")};
  g[3] = {SettingsCellEntity(SettingsCellEntity::kLogout, "LOGOUTSETTINGS")};
  groups_ = std::move(g);
  return *groups_;
}

const SettingsCellEntity* SettingsViewController::entityAt(const ui::IndexPath& indexPath) {
  if (accountInfoItems_) {
    return indexPath.row >= 0 && indexPath.row < static_cast<long>(accountInfoItems_->size())
               ? &(*accountInfoItems_)[static_cast<std::size_t>(indexPath.row)]
               : nullptr;
  }
  const auto& g = groups();
  auto it = g.find(static_cast<int>(indexPath.section));
  if (it == g.end() || indexPath.row < 0 || indexPath.row >= static_cast<long>(it->second.size())) return nullptr;
  return &it->second[static_cast<std::size_t>(indexPath.row)];
}

// ---- view ------------------------------------------------------------------------------------

void SettingsViewController::viewDidLoad() {
  ui::TableViewController::viewDidLoad();
  tableView()->setBackgroundColor(gfx::Color::rgb255(231, 231, 231));
  auto weak = ui::weakAs<SettingsViewController>(this);
  doneButton_ = std::make_shared<ui::BarButtonItem>(text("DONE"), ui::BarButtonItemStyle::Done, [weak](ui::BarButtonItem&) {
    if (auto self = weak.lock()) self->doneButtonTapped();
  });
  navigationItem().setRightBarButtonItem(doneButton_);
  LanguageManager::sharedInstance().registerLanugageNotification(
      std::shared_ptr<LanguageManagerDelegate>(shared_from_this(), static_cast<LanguageManagerDelegate*>(this)));
  if (!isSubPage()) groups();
}

void SettingsViewController::setTitleForPage() {
  static const char* const keys[] = {"SETTINGSTITLE", "ACCOUNTMANAGEMENT", "SWITCHLANGUAGES"};
  setTitle(text(keys[settingPage_ >= 0 && settingPage_ <= 2 ? settingPage_ : 0]));
}

void SettingsViewController::notifiChangelanguage() {
  groups_.reset();
  setTitleForPage();
  if (doneButton_) doneButton_->setTitle(text("DONE"));
  if (isViewLoaded()) tableView()->reloadData();
}

long SettingsViewController::numberOfSectionsInTableView(ui::TableView&) {
  if (isSubPage()) return 1;
  return static_cast<long>(groups().size());
}

long SettingsViewController::tableViewNumberOfRowsInSection(ui::TableView&, long section) {
  if (accountInfoItems_) return static_cast<long>(accountInfoItems_->size());
  if (languageItems_) return static_cast<long>(languageItems_->size());
  const auto& g = groups();
  auto it = g.find(static_cast<int>(section));
  return it == g.end() ? 0 : static_cast<long>(it->second.size());
}

std::shared_ptr<ui::TableViewCell> SettingsViewController::tableViewCellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
  auto plainCell = [&] {
    auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
    if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Value1, kCellIdentifier);
    cell->setBackgroundColor(gfx::Color::white());
    cell->setAccessoryType(ui::TableViewCellAccessoryType::None);
    cell->setAccessoryView(nullptr);
    cell->setSelectionStyle(ui::TableViewCellSelectionStyle::Default);
    if (cell->detailTextLabel()) cell->detailTextLabel()->setText(std::string());
    return cell;
  };
  if (languageItems_) {
    auto cell = plainCell();
    const long row = indexPath.row;
    cell->textLabel().setText(row >= 0 && row < static_cast<long>(languageItems_->size())
                                  ? (*languageItems_)[static_cast<std::size_t>(row)]
                                  : std::string());
    const long checked = LanguageManager::sharedInstance().currentLanguage() == 2 ? 1 : 0;
    cell->setAccessoryType(row == checked ? ui::TableViewCellAccessoryType::Checkmark
                                          : ui::TableViewCellAccessoryType::None);
    return cell;
  }
  const SettingsCellEntity* entity = entityAt(indexPath);
  if (!entity) return plainCell();
  if (accountInfoItems_) {
    auto cell = plainCell();
    cell->textLabel().setText(entity->title());
    if (entity->cellType == SettingsCellEntity::kCompanyName || entity->cellType == SettingsCellEntity::kUserName) {
      cell->detailTextLabel()->setText(entity->textValue);
      cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    }
    if (entity->cellType == SettingsCellEntity::kUserName) {
      auto edit = std::make_shared<ui::Button>(ui::Rect{0, 0, 34, 34});
      edit->setImage(SkinManager::skinFromImageName("btn-edit.png"));
      edit->setAccessibilityLabel(text("EDIT"));
      auto weak = ui::weakAs<SettingsViewController>(this);
      edit->addAction(
          [weak](ui::Control&, const ui::Event*) {
            if (auto self = weak.lock()) self->btnUserEditClick();
          },
          ui::ControlEventTouchUpInside);
      cell->setAccessoryView(edit);
    }
    return cell;
  }
  switch (entity->cellType) {
    case SettingsCellEntity::kShowAllCustomer: {
      auto cell = std::dynamic_pointer_cast<SwitchTableViewCell>(
          tableView.dequeueReusableCellWithIdentifier(SwitchTableViewCell::kIdentifier));
      if (!cell) cell = std::make_shared<SwitchTableViewCell>(config());
      cell->textLabel().setText(entity->title());
      cell->showSwitchState();
      return cell;
    }
    case SettingsCellEntity::kLogout: {
      auto cell = tableView.dequeueReusableCellWithIdentifier(kLogoutCellIdentifier);
      if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kLogoutCellIdentifier);
      cell->setBackgroundColor(gfx::Color::white());
      cell->textLabel().setText(entity->title());
      cell->textLabel().setTextAlignment(gfx::TextAlignment::Center);
      cell->textLabel().setTextColor(gfx::Color::rgb255(57, 120, 235));
      return cell;
    }
    default:
      break;
  }
  auto cell = plainCell();
  cell->textLabel().setText(entity->title());
  switch (entity->cellType) {
    case SettingsCellEntity::kAccount:
    case SettingsCellEntity::kAbout:
    case SettingsCellEntity::kBackupAndRestore:
      cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
      break;
    case SettingsCellEntity::kLanguage:
      cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
      cell->detailTextLabel()->setText(LanguageManager::sharedInstance().currentLanguage() == 2 ? kChineseName
                                                                                                : kEnglishName);
      break;
    case SettingsCellEntity::kCheckVersion:
      cell->detailTextLabel()->setText(entity->textValue);
      break;
    default:
      break;
  }
  return cell;
}

// ---- taps ----------------------------------------------------------------------------------------

std::optional<ui::IndexPath> SettingsViewController::tableViewWillSelectRowAtIndexPath(ui::TableView&,
                                                                                       const ui::IndexPath& indexPath) {
  if (accountInfoItems_) {
    const SettingsCellEntity* entity = entityAt(indexPath);
    if (entity && entity->cellType == SettingsCellEntity::kCompanyName) return std::nullopt;
  }
  return indexPath;
}

std::shared_ptr<SettingsViewController> SettingsViewController::subPage(int page) {
  auto next = std::make_shared<SettingsViewController>(actions_, services_);
  next->setDelegate(delegate_);
  next->setSettingPage(page);
  return next;
}

void SettingsViewController::tableViewDidSelectRowAtIndexPath(ui::TableView& tableView,
                                                              const ui::IndexPath& indexPath) {
  auto keep = shared_from_this();
  tableView.deselectRowAtIndexPath(indexPath, true);
  if (languageItems_) {
    LanguageManager& languages = LanguageManager::sharedInstance();
    if (languages.currentLanguage() == 2) {
      if (indexPath.row == 0) languages.setCurrentLanguage(1);
    } else if (indexPath.row == 1) {
      languages.setCurrentLanguage(2);
    }
    return;
  }
  const SettingsCellEntity* entity = entityAt(indexPath);
  if (!entity) return;
  if (accountInfoItems_) {
    if (entity->cellType != SettingsCellEntity::kOpenCms) return;
    if (hasCmsAccess(LoginMode::sharedInstance()->userAccess())) {
      openCMSURL();
    } else {
      showAlert(kCmsAccessAlertTag, "NOCMSACCESS", "NOCMSACCESSNOTE", "CANCEL", "OPENCMS");
    }
    return;
  }
  const SettingsCellEntity row = *entity;
  ui::NavigationController* nav = navigationController();
  switch (row.cellType) {
    case SettingsCellEntity::kAccount: {
      auto page = subPage(kAccountPage);
      page->setAccountInfoItems(row.items);
      page->setTitle(row.title());
      if (nav) nav->pushViewController(page, true);
      break;
    }
    case SettingsCellEntity::kFullSync:
      if (LoginMode::sharedInstance()->loginType() == LoginType::Demo) {
        DemoLimitAlert::show();
      } else {
        showAlert(kFullSyncAlertTag, "FULLRESYNC", "PERFORMFULLSYNC", "CANCEL", "UPDATE");
      }
      break;
    case SettingsCellEntity::kBackupAndRestore: {
      MV_LOG("press backup");
      auto page = actions_ ? actions_->makeBackupAndRestore(delegate_) : nullptr;
      if (nav && page) nav->pushViewController(page, true);
      break;
    }
    case SettingsCellEntity::kLanguage: {
      auto page = subPage(kLanguagePage);
      page->setLanguageItems(row.texts);
      page->setTitle(row.title());
      if (nav) nav->pushViewController(page, true);
      break;
    }
    case SettingsCellEntity::kCheckVersion:
      LoginMode::sharedInstance()->checkAppVersion(false);
      break;
    case SettingsCellEntity::kAbout: {
      auto about = std::make_shared<AboutViewController>(actions_);
      about->setDelegate(delegate_);
      if (nav) about->setViewWidth(nav->view()->bounds().width());
      about->setTitle(row.title());
      if (nav) nav->pushViewController(about, true);
      break;
    }
    case SettingsCellEntity::kLogout:
      showAlert(kLogoutAlertTag, "LOGOUTSETTINGS", "SURELOGOUT", "CANCEL", "SURE");
      break;
    default:
      break;
  }
}

bool SettingsViewController::hasCmsAccess(std::int64_t userAccess) {
  return userAccess == 0 || (userAccess >= 2 && userAccess <= 6);
}

void SettingsViewController::showAlert(long tag, const char* title, const char* message, const char* cancel,
                                       const char* other) {
  auto alert = std::make_shared<ui::AlertView>(text(title), text(message), ui::weakAs<ui::AlertViewDelegate>(this),
                                               text(cancel), std::vector<std::string>{text(other)});
  alert->setTag(tag);
  alert->show();
}

void SettingsViewController::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  auto keep = shared_from_this();
  switch (alert.tag()) {
    case kLogoutAlertTag:
      if (buttonIndex == 1) {
        closeWindow(false);
        // The logout frees the window's pages; it runs after this call.
        if (auto actions = actions_) actions->logOutLater();
      }
      break;
    case kFullSyncAlertTag:
      if (buttonIndex == 1) {
        if (LoginMode::sharedInstance()->isNotWifi()) {
          showAlert(kCellularAlertTag, "NONWIFINETWORKUSING", "WIFIALERT", "OK", "CANCEL");
        } else {
          syncAllData();
        }
      }
      break;
    case kCmsAccessAlertTag:
      if (buttonIndex == 1) openCMSURL();
      break;
    case kCellularAlertTag:
      if (buttonIndex == 0) syncAllData();
      break;
    default:
      break;
  }
}

// ---- actions -----------------------------------------------------------------------------------

void SettingsViewController::closeWindow(bool animated) {
  auto d = delegate();
  dismissViewControllerAnimated(animated);
  if (d) d->deselectButton();
}

void SettingsViewController::doneButtonTapped() { closeWindow(true); }

void SettingsViewController::syncAllData() {
  closeWindow(true);
  if (auto sync = services_ ? services_->get<SyncModel>() : nullptr) {
    sync->setIsSyncAllData(true);
    // "All data will be downloaded again": the pictures on the device too.
    sync->setRefetchesFiles(true);
    sync->setNeedUpdate(true);
  }
  if (auto actions = actions_) actions->showSyncAndStart();
}

std::string SettingsViewController::cmsURL() {
  auto lm = LoginMode::sharedInstance();
  const bool chinese = LanguageManager::sharedInstance().currentLanguage() == 2;
  // Each value is escaped: a name with "&", "#" or a space stays one value.
  return "http://" + percentEscapeURL(PublicFunction::GetServer().imageUrlStr()) +
         "/administrator/index.php?option=com_login&username=" + percentEscapeQueryValue(lm->acountID()) +
         "&client_id=" + percentEscapeQueryValue(lm->clientID()) + "&lang=" + (chinese ? "zh-CN" : "en-GB");
}

void SettingsViewController::openCMSURL() { openURLInWebView(cmsURL()); }

void SettingsViewController::btnUserEditClick() { openURLInWebView(PublicFunction::editUserUrl()); }

void SettingsViewController::openURLInWebView(const std::string& url) {
  auto page = std::make_shared<WebViewController>();
  page->setUrl(url);
  page->setDelegate(ui::weakAs<PopControllerDelegate>(this));
  presentViewController(page, true);
}

void SettingsViewController::dismissPopController(bool animated) { dismissViewControllerAnimated(animated); }

}  // namespace mv
