#pragma once
// The settings' backup-and-restore page: when the user last backed up, a row
// that starts or cancels a backup and one that starts or cancels a restore,
// with a question before each, the progress of a backup, the outcomes as
// alerts, and after a restore the offer to download again the library files
// the backup listed. The managers are process-wide: leaving the page does
// not stop them, and a page opened again during a run picks it up. Main
// thread only.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/BarButtonItem.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/ProgressView.hpp"
#include "platform/ui/TableViewController.hpp"
#include "store/Entities.hpp"
#include "sync/BackupManager.hpp"
#include "shell/sync-screens/BackupScreenPresenter.hpp"
#include "sync/RestoreManager.hpp"
#include "shell/frame/SettingsViewControllerDelegate.hpp"

namespace mv {

class BackupAndRestoreViewController : public ui::TableViewController,
                                       public BackupManagerDelegate,
                                       public RestoreManagerDelegate,
                                       public ui::AlertViewDelegate {
 public:
  static constexpr double kHeaderHeight = 60;
  static constexpr double kFooterHeight = 80;
  static constexpr const char* kCellIdentifier = "cell";

  // The session's backup and restore managers; a missing one leaves its
  // section without effect.
  BackupAndRestoreViewController(std::shared_ptr<BackupManager> backup, std::shared_ptr<RestoreManager> restore);
  ~BackupAndRestoreViewController() override;

  std::shared_ptr<SettingsViewControllerDelegate> settingDelegate() const { return settingDelegate_.lock(); }
  void setSettingDelegate(std::weak_ptr<SettingsViewControllerDelegate> d) { settingDelegate_ = std::move(d); }

  void viewDidLoad() override;
  // Escape closes the window as Done does (the Settings tab then shows unchosen).
  std::shared_ptr<ui::BarButtonItem> closeButtonItem() override { return doneButton_; }

  // ---- table -----------------------------------------------------------------------
  long numberOfSectionsInTableView(ui::TableView& tableView) override;
  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tableView, long section) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::View> tableViewViewForHeaderInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::View> tableViewViewForFooterInSection(ui::TableView& tableView, long section) override;
  std::optional<ui::IndexPath> tableViewWillSelectRowAtIndexPath(ui::TableView& tableView,
                                                                const ui::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

  // ---- managers --------------------------------------------------------------------
  void didUpdateProgress(BackupManager& manager, float progress) override;
  void didSuccessBackupWithMessage(BackupManager& manager, const std::string& message) override;
  void didFailedWithMessage(BackupManager& manager, const std::string& message) override;
  void didStopBackup(BackupManager& manager) override;
  void didSuccessRestoreWithMessage(RestoreManager& manager, const std::string& message,
                                    const std::vector<marvisto_library_files_Entity>& downloadFileArray) override;
  void didFailedRestoreWithMessage(RestoreManager& manager, const std::string& message) override;
  void didStopRestore(RestoreManager& manager) override;

  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;

  // ---- steps ------------------------------------------------------------------------
  void updateBackupProgress(float progress, bool isBackingUp);
  static std::string friendlyDateTimeStringFrom(double secondsSince1970);
  void startToBackup();
  void startToRestore();
  void finishUpRestore();
  void reloadViews();
  void jumpToHome();
  void jumpToLibrary();
  void downloadFiles();
  // Answers how many downloads were sent.
  int downloadLibFiles(const std::vector<marvisto_library_files_Entity>& files);
  void doneButtonTapped();

  bool isBackingUp() const { return isBackingUp_; }
  bool isRestoring() const { return isRestoring_; }
  const std::vector<marvisto_library_files_Entity>& filesToDownload() const { return filesToDownload_; }
  ui::Label& lastBackupDateLabel() const { return *lastBackupDateLabel_; }
  ui::Label& backupIntroduceLabel() const { return *backupIntroduceLabel_; }
  ui::Label& backupingLabel() const { return *backupingLabel_; }
  ui::ActivityIndicatorView& backupIndicator() const { return *backupIndicator_; }
  ui::ProgressView& backupProgress() const { return *backupProgress_; }
  ui::View& headerView() const { return *headerView_; }
  ui::View& footerView() const { return *footerView_; }
  ui::BarButtonItem& doneButton() const { return *doneButton_; }

 private:
  std::shared_ptr<BackupManager> backup_;
  std::shared_ptr<RestoreManager> restore_;
  void showAlert(const ScreenAlert& alert);
  void refreshLastBackupLabel(double lastBackupDate);
  void layoutHeader(double width);
  void layoutFooter(double width);
  double introHeight(double width) const;
  void reloadTable();

  std::weak_ptr<SettingsViewControllerDelegate> settingDelegate_;
  bool isBackingUp_ = false;
  bool isRestoring_ = false;
  std::shared_ptr<ui::View> headerView_;
  std::shared_ptr<ui::View> footerView_;
  std::shared_ptr<ui::Label> lastBackupDateLabel_;
  std::shared_ptr<ui::Label> backupIntroduceLabel_;
  std::shared_ptr<ui::Label> backupingLabel_;
  std::shared_ptr<ui::ActivityIndicatorView> backupIndicator_;
  std::shared_ptr<ui::ProgressView> backupProgress_;
  std::shared_ptr<ui::BarButtonItem> doneButton_;
  std::vector<marvisto_library_files_Entity> filesToDownload_;
};

}  // namespace mv
