#include "shell/sync-screens/BackupAndRestoreViewController.hpp"

#include <algorithm>

#include "platform/base/Date.hpp"
#include "platform/base/Log.hpp"
#include "platform/ui/TableViewCell.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/SessionServices.hpp"
#include "sync/CommandCode.hpp"
#include "sync/LibraryFileDownloader.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "sync/SyncConfigManager.hpp"
#include "sync/SyncCustomerModel.hpp"
#include "shell/sync-screens/SyncScreenHost.hpp"
#include "shell/sync-screens/SyncScreenPresenter.hpp"
#include "sync/SyncSession.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {


LoginType loginType() {
  auto session = SyncSession::current();
  return session ? session->loginType() : LoginType::None;
}

bool hostHasBackup() {
  auto host = SyncScreenHost::current();
  return host && host->hasBackup();
}

const gfx::Color kBackground = gfx::Color::white(0.9058823529411765);

// A plain view that places its children for its own width whenever the
// table gives it one.
class LaidOutView : public ui::View {
 public:
  explicit LaidOutView(double height, std::function<void(double width)> layout)
      : ui::View(ui::Rect{0, 0, 0, height}), layout_(std::move(layout)) {
    setBackgroundColor(gfx::Color::clear());
  }
  void layoutSubviews() override {
    ui::View::layoutSubviews();
    if (layout_) layout_(bounds().width());
  }

 private:
  std::function<void(double)> layout_;
};

constexpr double kIntroMargin = 40;

}  // namespace

BackupAndRestoreViewController::BackupAndRestoreViewController(std::shared_ptr<BackupManager> backup,
                                                               std::shared_ptr<RestoreManager> restore)
    : ui::TableViewController(ui::TableViewStyle::Grouped), backup_(std::move(backup)), restore_(std::move(restore)) {}

BackupAndRestoreViewController::~BackupAndRestoreViewController() = default;

void BackupAndRestoreViewController::viewDidLoad() {
  ui::TableViewController::viewDidLoad();
  setTitle(text("BACKANDRESTORE"));
  auto table = tableView();
  table->setBackgroundColor(kBackground);
  auto weak = ui::weakAs<BackupAndRestoreViewController>(this);
  doneButton_ = std::make_shared<ui::BarButtonItem>(text("DONE"), ui::BarButtonItemStyle::Done, [weak](ui::BarButtonItem&) {
    if (auto self = weak.lock()) self->doneButtonTapped();
  });
  navigationItem().setRightBarButtonItem(doneButton_);

  // The table may keep its header and footer a little longer than the page.
  auto pageOf = [weak] { return weak.lock(); };
  headerView_ = std::make_shared<LaidOutView>(kHeaderHeight, [pageOf](double width) {
    if (auto self = pageOf()) self->layoutHeader(width);
  });
  footerView_ = std::make_shared<LaidOutView>(kFooterHeight, [pageOf](double width) {
    if (auto self = pageOf()) self->layoutFooter(width);
  });

  lastBackupDateLabel_ = std::make_shared<ui::Label>();
  lastBackupDateLabel_->setFont(gfx::Font::boldSystemFont(17));
  lastBackupDateLabel_->setTextColor(gfx::Color::darkGray());
  lastBackupDateLabel_->setTextAlignment(gfx::TextAlignment::Center);
  lastBackupDateLabel_->setBackgroundColor(gfx::Color::clear());
  headerView_->addSubview(lastBackupDateLabel_);

  backupingLabel_ = std::make_shared<ui::Label>();
  backupingLabel_->setFont(gfx::Font::systemFont(15));
  backupingLabel_->setTextColor(gfx::Color::darkGray());
  backupingLabel_->setTextAlignment(gfx::TextAlignment::Center);
  backupingLabel_->setBackgroundColor(gfx::Color::clear());
  backupingLabel_->setText(text("BACKUPING"));
  headerView_->addSubview(backupingLabel_);

  backupIndicator_ = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
  backupIndicator_->setHidesWhenStopped(true);
  headerView_->addSubview(backupIndicator_);

  backupProgress_ = std::make_shared<ui::ProgressView>(ui::ProgressViewStyle::Default);
  headerView_->addSubview(backupProgress_);

  backupIntroduceLabel_ = std::make_shared<ui::Label>();
  backupIntroduceLabel_->setFont(gfx::Font::systemFont(16));
  backupIntroduceLabel_->setTextColor(gfx::Color::gray());
  backupIntroduceLabel_->setNumberOfLines(5);
  backupIntroduceLabel_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
  backupIntroduceLabel_->setBackgroundColor(gfx::Color::clear());
  backupIntroduceLabel_->setText(text("BACKUPINTRODUCE"));
  footerView_->addSubview(backupIntroduceLabel_);


  // A page opened again while a backup or a restore goes on follows it.
  if (backup_ && backup_->isBackingUp()) {
    isBackingUp_ = true;
    backup_->setDelegate(ui::weakAs<BackupManagerDelegate>(this));
  }
  if (restore_ && restore_->isRestoring()) {
    isRestoring_ = true;
    restore_->setDelegate(ui::weakAs<RestoreManagerDelegate>(this));
  }
  auto host = SyncScreenHost::current();
  refreshLastBackupLabel(host ? host->lastBackupDate() : 0);
  updateBackupProgress(0, isBackingUp_);
}

void BackupAndRestoreViewController::layoutHeader(double width) {
  lastBackupDateLabel_->setFrame({0, 20, width, 30});
  backupingLabel_->setFrame({0, 8, width, 20});
  const double textWidth = backupingLabel_->sizeThatFits({width, 20}).width;
  backupIndicator_->setFrame({std::max(0.0, (width - textWidth) / 2 - 28), 8, 20, 20});
  backupProgress_->setFrame({width * 0.15, 38, width * 0.7, 9});
}

double BackupAndRestoreViewController::introHeight(double width) const {
  return backupIntroduceLabel_->sizeThatFits({std::max(0.0, width - 2 * kIntroMargin), 1000}).height;
}

void BackupAndRestoreViewController::layoutFooter(double width) {
  backupIntroduceLabel_->setFrame({kIntroMargin, 10, std::max(0.0, width - 2 * kIntroMargin), introHeight(width)});
}

void BackupAndRestoreViewController::reloadTable() {
  if (isViewLoaded()) tableView()->reloadData();
}

void BackupAndRestoreViewController::showAlert(const ScreenAlert& alert) {
  alert.show(ui::weakAs<ui::AlertViewDelegate>(this));
}

std::string BackupAndRestoreViewController::friendlyDateTimeStringFrom(double secondsSince1970) {
  return BackupScreenPresenter::friendlyDateTimeString(secondsSince1970, base::Date::now());
}

void BackupAndRestoreViewController::refreshLastBackupLabel(double lastBackupDate) {
  if (!lastBackupDateLabel_) return;
  lastBackupDateLabel_->setText(BackupScreenPresenter::lastBackupText(hostHasBackup(), lastBackupDate, base::Date::now()));
}

// ---- table ------------------------------------------------------------------------------------

long BackupAndRestoreViewController::numberOfSectionsInTableView(ui::TableView&) { return 2; }

long BackupAndRestoreViewController::tableViewNumberOfRowsInSection(ui::TableView&, long) { return 1; }

std::shared_ptr<ui::TableViewCell> BackupAndRestoreViewController::tableViewCellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kCellIdentifier);
  cell->textLabel().setTextAlignment(gfx::TextAlignment::Center);
  const BackupRowLook look = indexPath.section == BackupScreenPresenter::kBackupSection
                                 ? BackupScreenPresenter::backupRow(isBackingUp_)
                                 : BackupScreenPresenter::restoreRow(isRestoring_, hostHasBackup());
  cell->textLabel().setText(look.text);
  cell->textLabel().setTextColor(look.dimmed ? gfx::Color::lightGray() : gfx::Color::darkGray());
  cell->setSelectionStyle(look.selectable ? ui::TableViewCellSelectionStyle::Default
                                          : ui::TableViewCellSelectionStyle::None);
  return cell;
}

std::optional<double> BackupAndRestoreViewController::tableViewHeightForHeaderInSection(ui::TableView&, long section) {
  if (section == BackupScreenPresenter::kBackupSection && headerView_) return headerView_->frame().height();
  return std::nullopt;
}

std::optional<double> BackupAndRestoreViewController::tableViewHeightForFooterInSection(ui::TableView& tableView,
                                                                                      long section) {
  if (section != BackupScreenPresenter::kBackupSection || !footerView_) return std::nullopt;
  // Tall enough for the introduction at the table's width.
  return std::max(kFooterHeight, introHeight(tableView.bounds().width()) + 20);
}

std::shared_ptr<ui::View> BackupAndRestoreViewController::tableViewViewForHeaderInSection(ui::TableView&, long section) {
  return section == BackupScreenPresenter::kBackupSection ? headerView_ : nullptr;
}

std::shared_ptr<ui::View> BackupAndRestoreViewController::tableViewViewForFooterInSection(ui::TableView&, long section) {
  return section == BackupScreenPresenter::kBackupSection ? footerView_ : nullptr;
}

std::optional<ui::IndexPath> BackupAndRestoreViewController::tableViewWillSelectRowAtIndexPath(
    ui::TableView&, const ui::IndexPath& indexPath) {
  if (indexPath.section == BackupScreenPresenter::kRestoreSection &&
      !BackupScreenPresenter::restoreRow(isRestoring_, hostHasBackup()).selectable) {
    return std::nullopt;
  }
  return indexPath;
}

void BackupAndRestoreViewController::tableViewDidSelectRowAtIndexPath(ui::TableView& tableView,
                                                                     const ui::IndexPath& indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  using Action = BackupScreenPresenter::Action;
  const bool synced = BackupScreenPresenter::hasCompletedSync();
  const Action action = indexPath.section == BackupScreenPresenter::kBackupSection
                            ? BackupScreenPresenter::backupTap(isBackingUp_, loginType(), synced)
                            : BackupScreenPresenter::restoreTap(isRestoring_, loginType(), synced);
  switch (action) {
    case Action::CancelBackup:
      updateBackupProgress(1.0f, false);
      if (backup_) {
        backup_->setDelegate(ui::weakAs<BackupManagerDelegate>(this));
        backup_->cancelBackup();
      }
      break;
    case Action::ConfirmBackup:
      startToBackup();
      break;
    case Action::CancelRestore:
      if (restore_) {
        restore_->setDelegate(ui::weakAs<RestoreManagerDelegate>(this));
        restore_->cancelRestore();
      }
      break;
    case Action::ConfirmRestore:
      startToRestore();
      break;
    case Action::DemoAlert:
      DemoLimitAlert::show();
      break;
    case Action::OfflineRestoreAlert:
      showAlert(BackupScreenPresenter::alertFor(BackupScreenPresenter::kOfflineRestoreTag));
      break;
    case Action::NeedSyncAlert:
      showAlert(BackupScreenPresenter::needSyncAlert(indexPath.section == BackupScreenPresenter::kBackupSection));
      break;
  }
}

// ---- steps -------------------------------------------------------------------------------------

void BackupAndRestoreViewController::startToBackup() {
  if (!BackupScreenPresenter::hasCompletedSync()) {
    showAlert(BackupScreenPresenter::needSyncAlert(true));
    return;
  }
  showAlert(BackupScreenPresenter::alertFor(BackupScreenPresenter::kBackupConfirmTag));
}

void BackupAndRestoreViewController::startToRestore() {
  if (!BackupScreenPresenter::hasCompletedSync()) {
    showAlert(BackupScreenPresenter::needSyncAlert(false));
    return;
  }
  showAlert(BackupScreenPresenter::alertFor(BackupScreenPresenter::kRestoreConfirmTag));
}

void BackupAndRestoreViewController::updateBackupProgress(float progress, bool isBackingUp) {
  const BackupRunState s = BackupScreenPresenter::runState(progress, isBackingUp);
  isBackingUp_ = s.isBackingUp;
  if (lastBackupDateLabel_) {
    lastBackupDateLabel_->setHidden(!s.lastBackupLabelShown);
    backupingLabel_->setHidden(!s.backingUpLabelShown);
    backupProgress_->setProgress(s.progress);
    backupProgress_->setHidden(!s.progressShown);
    if (s.indicatorTurning && !backupIndicator_->isAnimating()) backupIndicator_->startAnimating();
    if (!s.indicatorTurning && backupIndicator_->isAnimating()) backupIndicator_->stopAnimating();
  }
  reloadTable();
}

void BackupAndRestoreViewController::finishUpRestore() {
  BackupScreenPresenter::finishedRestoreAlert().show({});
  isRestoring_ = false;
  reloadTable();
  reloadViews();
}

void BackupAndRestoreViewController::reloadViews() {
  if (auto config = SyncConfigManager::current()) {
    auto& flags = config->flagDic();
    flags[SyncConfigManager::kReloadCatalog] = "YES";
    flags[SyncConfigManager::kReloadLibrary] = "YES";
    flags[SyncConfigManager::kReloadCustomer] = "YES";
  }
  // A restored book may be of any size: it is read beside the window.
  if (auto customers = SyncCustomerModel::current()) customers->reloadCustomerDataBeside();
}

void BackupAndRestoreViewController::jumpToHome() {
  if (auto host = SyncScreenHost::current()) host->selectTab(SyncScreenHost::kHomeTab);
}

void BackupAndRestoreViewController::jumpToLibrary() {
  if (auto host = SyncScreenHost::current()) host->selectTab(SyncScreenHost::kSalesLibraryTab);
}

void BackupAndRestoreViewController::downloadFiles() {
  if (!filesToDownload_.empty()) downloadLibFiles(filesToDownload_);
}

int BackupAndRestoreViewController::downloadLibFiles(const std::vector<marvisto_library_files_Entity>& files) {
  auto services = SessionServices::current();
  auto downloader = LibraryFileDownloader::current();
  if (!services || !downloader) return 0;
  DataAccessManager* dam = &services->database();
  int sent = 0;
  for (const auto& restored : files) {
    auto published = dam->getFilesByFileId(restored.file_id);
    if (!published) continue;
    if (downloader->isExists(published->file_id)) continue;
    if (downloader->isInDownloadList(published->file_name) && !downloader->isInPauseList(published->file_name)) continue;
    const int downloadId = downloader->sendRequest(RequestDownload::forLibraryFile(*published));
    MV_LOG("the downloadId is ", downloadId);
    ++sent;
  }
  return sent;
}

void BackupAndRestoreViewController::doneButtonTapped() {
  auto d = settingDelegate();
  dismissViewControllerAnimated(true);
  if (d) d->deselectButton();
}

// ---- managers ----------------------------------------------------------------------------------

void BackupAndRestoreViewController::didUpdateProgress(BackupManager&, float progress) {
  updateBackupProgress(progress, true);
}

void BackupAndRestoreViewController::didSuccessBackupWithMessage(BackupManager& manager, const std::string&) {
  updateBackupProgress(1.0f, false);
  // The manager has kept the time where the session and the restore read it.
  if (manager.lastBackupDate() == 0) return;
  refreshLastBackupLabel(manager.lastBackupDate());
  reloadTable();
}

void BackupAndRestoreViewController::didFailedWithMessage(BackupManager&, const std::string& message) {
  updateBackupProgress(0, false);
  showAlert(BackupScreenPresenter::failureAlert(message, loginType(), true));
}

void BackupAndRestoreViewController::didStopBackup(BackupManager&) { updateBackupProgress(0, false); }

void BackupAndRestoreViewController::didSuccessRestoreWithMessage(
    RestoreManager&, const std::string&, const std::vector<marvisto_library_files_Entity>& downloadFileArray) {
  // Only files still published and not on the device are worth the question.
  std::vector<marvisto_library_files_Entity> missing;
  auto services = SessionServices::current();
  auto downloader = LibraryFileDownloader::current();
  for (const auto& file : downloadFileArray) {
    if (!services || !downloader || !services->database().getFilesByFileId(file.file_id)) continue;
    if (downloader->isExists(file.file_id)) continue;
    missing.push_back(file);
  }
  filesToDownload_ = std::move(missing);
  if (!filesToDownload_.empty()) {
    showAlert(BackupScreenPresenter::alertFor(BackupScreenPresenter::kDownloadFilesTag));
    return;
  }
  jumpToHome();
  finishUpRestore();
}

void BackupAndRestoreViewController::didFailedRestoreWithMessage(RestoreManager&, const std::string& message) {
  isRestoring_ = false;
  reloadTable();
  showAlert(BackupScreenPresenter::failureAlert(message, loginType(), false));
}

void BackupAndRestoreViewController::didStopRestore(RestoreManager&) {
  // Nothing was restored: no announcement, nothing to reload.
  isRestoring_ = false;
  reloadTable();
}

// ---- alerts ------------------------------------------------------------------------------------

void BackupAndRestoreViewController::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  using P = BackupScreenPresenter;
  switch (alert.tag()) {
    case P::kRestoreConfirmTag:
      if (buttonIndex == 1 && restore_) {
        isRestoring_ = true;
        reloadTable();
        restore_->setDelegate(ui::weakAs<RestoreManagerDelegate>(this));
        restore_->startToRestore();
      }
      break;
    case P::kDownloadFilesTag:
      if (buttonIndex == 1) {
        auto host = SyncScreenHost::current();
        if (host && host->isNotWifi()) {
          showAlert(P::alertFor(P::kCellularDownloadTag));
        } else {
          jumpToLibrary();
          downloadFiles();
          finishUpRestore();
        }
      } else {
        jumpToHome();
        finishUpRestore();
      }
      break;
    case P::kCellularDownloadTag:
      if (buttonIndex == 0) {
        jumpToLibrary();
        downloadFiles();
      } else {
        jumpToHome();
      }
      finishUpRestore();
      break;
    case P::kBackupConfirmTag:
      if (buttonIndex == 1 && backup_) {
        updateBackupProgress(0, true);
        backup_->setDelegate(ui::weakAs<BackupManagerDelegate>(this));
        backup_->startBackup();
      }
      break;
    case P::kRequireLoginTag:
      if (buttonIndex == alert.firstOtherButtonIndex()) {
        if (auto host = SyncScreenHost::current()) host->showLoginPage();
      }
      break;
    default:
      break;
  }
}

}  // namespace mv
