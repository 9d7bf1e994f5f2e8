#pragma once
// The settings window (a form sheet over the main tab bar): the account, the
// show-all-customers switch, a full resync, backup and restore, the
// interface language, the version check, About and sign-out. The account and
// language pages are further instances of this controller pushed onto the
// window's navigation.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/AlertView.hpp"
#include "platform/ui/BarButtonItem.hpp"
#include "platform/ui/TableViewController.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/frame/PopControllerDelegate.hpp"
#include "shell/settings/SettingsCellEntity.hpp"
#include "shell/frame/SettingsViewControllerDelegate.hpp"
#include "shell/frame/ShellActions.hpp"

namespace mv {

class ConfigManager;
class SessionServices;

class SettingsViewController : public ui::TableViewController,
                               public LanguageManagerDelegate,
                               public ui::AlertViewDelegate,
                               public PopControllerDelegate {
 public:
  static constexpr int kMainPage = 0;
  static constexpr int kAccountPage = 1;
  static constexpr int kLanguagePage = 2;
  static constexpr long kLogoutAlertTag = 1000;
  static constexpr long kFullSyncAlertTag = 1001;
  static constexpr long kCmsAccessAlertTag = 1002;
  static constexpr long kCellularAlertTag = 1004;
  static constexpr const char* kCellIdentifier = "Cell";
  static constexpr const char* kLogoutCellIdentifier = "LogoutCell";

  // `actions`: what the window asks of the application (the version, the
  // backup page, the logout and the sync); nothing happens for those without.
  // `services`: the session's, whose sync engine a full resync is set on.
  explicit SettingsViewController(std::shared_ptr<ShellActions> actions = nullptr,
                                  std::shared_ptr<SessionServices> services = nullptr);
  ~SettingsViewController() override;

  std::shared_ptr<SettingsViewControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<SettingsViewControllerDelegate> d) { delegate_ = std::move(d); }
  int settingPage() const { return settingPage_; }
  void setSettingPage(int page) { settingPage_ = page; }
  void setAccountInfoItems(std::vector<SettingsCellEntity> items) { accountInfoItems_ = std::move(items); }
  void setLanguageItems(std::vector<std::string> items) { languageItems_ = std::move(items); }
  bool isSubPage() const { return accountInfoItems_.has_value() || languageItems_.has_value(); }

  // The main page's sections, built on first read.
  const std::map<int, std::vector<SettingsCellEntity>>& groups();
  // The address of the web administration.
  static std::string cmsURL();
  // Access levels that may open the web administration without a warning.
  static bool hasCmsAccess(std::int64_t userAccess);

  void viewDidLoad() override;
  bool shouldAutorotate() const override { return false; }
  void notifiChangelanguage() override;

  void doneButtonTapped();
  // Escape closes the window as Done does (the Settings tab then shows unchosen).
  std::shared_ptr<ui::BarButtonItem> closeButtonItem() override { return doneButton_; }
  void syncAllData();
  void openCMSURL();
  void openURLInWebView(const std::string& url);
  void btnUserEditClick();
  void dismissPopController(bool animated) override;
  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;

  long numberOfSectionsInTableView(ui::TableView& tableView) override;
  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  std::optional<ui::IndexPath> tableViewWillSelectRowAtIndexPath(ui::TableView& tableView,
                                                                const ui::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

  ui::BarButtonItem& doneButton() const { return *doneButton_; }

 private:
  const SettingsCellEntity* entityAt(const ui::IndexPath& indexPath);
  void setTitleForPage();
  void showAlert(long tag, const char* title, const char* message, const char* cancel, const char* other);
  void closeWindow(bool animated);
  std::shared_ptr<SettingsViewController> subPage(int page);

  // The session's configuration; null without services.
  std::shared_ptr<ConfigManager> config() const;

  int settingPage_ = kMainPage;
  std::optional<std::map<int, std::vector<SettingsCellEntity>>> groups_;
  std::optional<std::vector<SettingsCellEntity>> accountInfoItems_;
  std::optional<std::vector<std::string>> languageItems_;
  std::weak_ptr<SettingsViewControllerDelegate> delegate_;
  std::shared_ptr<ShellActions> actions_;
  std::shared_ptr<SessionServices> services_;
  std::shared_ptr<ui::BarButtonItem> doneButton_;
};

}  // namespace mv
