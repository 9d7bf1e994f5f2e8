#include "shell/sync-screens/SyncViewController.hpp"

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "sync/SyncConfigManager.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncModel.hpp"
#include "shell/sync-screens/SyncScreenHost.hpp"
#include "sync/SyncSession.hpp"
#include "util/FitCGRect.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {
namespace {


LoginType loginType() {
  auto session = SyncSession::current();
  return session ? session->loginType() : LoginType::None;
}

}  // namespace

SyncViewController::SyncViewController(std::shared_ptr<SessionServices> services) : services_(std::move(services)) {}

std::shared_ptr<SyncModel> SyncViewController::syncEngine() const {
  return services_ ? services_->get<SyncModel>() : nullptr;
}

SyncViewController::~SyncViewController() = default;

void SyncViewController::viewDidLoad() {
  MV_ASSERT_MAIN_THREAD();
  ui::ViewController::viewDidLoad();
  auto root = view();
  root->setBackgroundColor(gfx::Color::white(0.93));
  const FitCGRect& fit = FitCGRect::sharedInstance();

  topBar_ = std::make_shared<ui::ImageView>(ui::Rect{-5, 0, 1029, fit.navBarHeight()});
  topBar_->setImage(WidgetSkin::skinFromImageName("topbar-bg.png"));
  root->addSubview(topBar_);

  titleLabel_ = std::make_shared<ui::Label>(fit.fitCGRectBy(490, 27, 300, 30));
  titleLabel_->setBackgroundColor(gfx::Color::clear());
  titleLabel_->setText(text("SYNC_"));
  titleLabel_->setTextColor(gfx::Color::white());
  titleLabel_->setFont(gfx::Font::systemFont(17));
  root->addSubview(titleLabel_);

  syncMainView_ = std::make_shared<ui::View>(fit.fitCGRectBy(-2, 64, 1030, 620));
  syncMainView_->setBackgroundColor(gfx::Color::clear());
  resourceUpdateView_ = ResourceUpdateView::create({0, 0, 1030, 300});
  resourceUpdateView_->setTitle(text("DATEUPDATES"));
  resourceUpdateView_->setDelegate(ui::weakAs<ResourceUpdateDelegate>(this));
  syncMainView_->addSubview(resourceUpdateView_);
  root->addSubview(syncMainView_);

  if (!bViewHasLoad_) {
    viewAfterFirstDidLoad();
  } else {
    // A view built again (after a memory warning) shows what the first one did.
    loadByConfig();
    getsyncdate();
  }
}

void SyncViewController::viewAfterFirstDidLoad() {
  bViewHasLoad_ = true;
  loadByConfig();
  getsyncdate();
  if (auto engine = syncEngine()) engine->setDelegate(ui::weakAs<SyncModelDelegate>(this));
  if (auto host = SyncScreenHost::current()) {
    auto weak = ui::weakAs<SyncViewController>(this);
    languageObservation_ = host->observeLanguageChanges([weak] {
      if (auto self = weak.lock()) self->languageChanged();
    });
  }
}

void SyncViewController::viewWillAppear(bool animated) {
  ui::ViewController::viewWillAppear(animated);
  // Coming back during a run keeps the button off.
  auto engine = syncEngine();
  if (resourceUpdateView_ && engine) resourceUpdateView_->setBtnSyncEnabled(!engine->isDownloading());
}

void SyncViewController::loadByConfig() {
  if (!resourceUpdateView_) return;
  auto config = SyncConfigManager::current();
  resourceUpdateView_->setIsCatalogOnshow(config && config->isOnShow(SyncConfigManager::kCatalogIndex));
  resourceUpdateView_->setIsCustomerOnShow(config && config->isOnShow(SyncConfigManager::kCustomerIndex));
  resourceUpdateView_->setIsSalesLibraryOnShow(config && config->isOnShow(SyncConfigManager::kLibraryIndex));
}

void SyncViewController::getsyncdate() {
  if (!resourceUpdateView_) return;
  auto shown = SyncScreenPresenter::lastSyncText(SyncScreenPresenter::storedLastSync(), PublicFunction::getFormateString());
  if (shown) resourceUpdateView_->setSyncDate(*shown);
}

void SyncViewController::updateLanguage() {
  if (titleLabel_) titleLabel_->setText(text("SYNC_"));
  if (resourceUpdateView_) resourceUpdateView_->setTitle(text("DATEUPDATES"));
}

void SyncViewController::languageChanged() {
  updateLanguage();
  if (!resourceUpdateView_) return;
  resourceUpdateView_->notifiChangelanguage();
  // The rows read "NORECORD" after the change; the time of the last sync is
  // still known, in the new language's date format.
  getsyncdate();
}

// ---- runs ---------------------------------------------------------------------------------

void SyncViewController::startSyncData() { syncData(); }

void SyncViewController::syncData() {
  MV_ASSERT_MAIN_THREAD();
  auto engine = syncEngine();
  if (!engine || !engine->needUpdate()) return;
  btnSyncClick(nullptr);
  engine->setNeedUpdate(false);
}

void SyncViewController::btnSyncClick(ui::Control* sender) {
  MV_ASSERT_MAIN_THREAD();
  auto engine = syncEngine();
  if (!engine) return;
  auto host = SyncScreenHost::current();
  if (engine->showUpdate()) {
    engine->setShowUpdate(false);
    if (host) host->setSyncBadgeValue(std::nullopt, false);
  }
  const bool notWifi = host && host->isNotWifi();
  switch (SyncScreenPresenter::tapOutcome(sender != nullptr, loginType(), notWifi)) {
    case SyncScreenPresenter::TapOutcome::DemoAlert:
      DemoLimitAlert::show();
      return;
    case SyncScreenPresenter::TapOutcome::CellularAlert:
      SyncScreenPresenter::cellularAlert().show(ui::weakAs<ui::AlertViewDelegate>(this));
      return;
    case SyncScreenPresenter::TapOutcome::Start:
      break;
  }
  startRunIfIdle();
}

void SyncViewController::startRunIfIdle() {
  auto engine = syncEngine();
  if (!engine) return;
  if (engine->isDownloading()) {
    MV_LOG("a sync is under way; no second run");
    return;
  }
  startIndictorView();
  if (auto host = SyncScreenHost::current(); host && host->takeFullSyncRequest()) engine->setIsSyncAllData(true);
  engine->startSync();
}

void SyncViewController::startIndictorView() {
  if (!resourceUpdateView_) return;
  resourceUpdateView_->setBtnSyncEnabled(false);
  resourceUpdateView_->showHelp();
  resourceUpdateView_->resetProgress();
  resourceUpdateView_->showStartCheck();
  if (auto host = SyncScreenHost::current()) host->startSyncIconAnimation();
}

void SyncViewController::stopIndicatorView() {
  auto engine = syncEngine();
  if (engine) engine->resetDownloadProgress();
  if (auto host = SyncScreenHost::current()) host->stopSyncIconAnimation();
  if (resourceUpdateView_) resourceUpdateView_->setBtnSyncEnabled(true);
  if (engine) engine->setIsDownloading(false);
}

void SyncViewController::endOfRun() {
  // The hint says downloads go on; after any end of a run nothing does, and
  // nothing is being checked any more.
  if (resourceUpdateView_) {
    resourceUpdateView_->hideHelp();
    resourceUpdateView_->endStartCheck();
  }
  stopIndicatorView();
}

void SyncViewController::breakSync(const std::string& message) {
  SyncScreenPresenter::breakAlert(loginType(), message).show(ui::weakAs<ui::AlertViewDelegate>(this));
  endOfRun();
}

void SyncViewController::syncEndedBySession() { endOfRun(); }

void SyncViewController::finishedSync() {
  if (resourceUpdateView_) {
    resourceUpdateView_->hideHelp();
    getsyncdate();
    // Sales material whose files failed is not complete.
    auto engine = syncEngine();
    if (!engine->kindFailed(SyncModel::kImageTypeIcon) && !engine->kindFailed(SyncModel::kImageTypeCover))
      resourceUpdateView_->syncInfoIcon().setProgress(1.0f);
  }
  endOfRun();
  // "Resync all data" confirmed while this run went on runs now, once the
  // engine is done telling of this one.
  if (auto engine = syncEngine(); engine && engine->isSyncAllData()) nextRun_.after(0, [this] { startRunIfIdle(); });
}

void SyncViewController::filesNotReceived(const std::string& message) {
  SyncScreenPresenter::notReceivedAlert(message).show(ui::weakAs<ui::AlertViewDelegate>(this));
}

void SyncViewController::apply(const SyncRowUpdate& update) {
  if (!resourceUpdateView_) return;
  SyncInfoItem& row = resourceUpdateView_->row(update.row);
  row.setProgress(update.progress);
  if (update.text) row.setLbprogressTxt(*update.text);
}

void SyncViewController::setProgress(float progress, int imageType, int remainTime) {
  if (resourceUpdateView_) resourceUpdateView_->setRemainTime(remainTime);
  if (auto update = SyncScreenPresenter::progressUpdate(progress, imageType)) apply(*update);
}

void SyncViewController::remainTimeChanged(int seconds) {
  if (resourceUpdateView_) resourceUpdateView_->setRemainTime(seconds);
}

void SyncViewController::estimateWithdrawn() {
  if (resourceUpdateView_) resourceUpdateView_->setRemainTime(SyncModel::kRemainTimeUnknown);
}

void SyncViewController::setRemovalProgress(float share) {
  if (resourceUpdateView_) resourceUpdateView_->showRemovalProgress(share);
}

void SyncViewController::downloadimageFinished(int imageType) {
  if (auto update = SyncScreenPresenter::imagesFinishedUpdate(imageType)) apply(*update);
}

void SyncViewController::getCustomerFinished() {
  if (resourceUpdateView_) resourceUpdateView_->syncInfoCustomer().setProgress(1.0f);
}

// ---- alerts -------------------------------------------------------------------------------

void SyncViewController::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  switch (alert.tag()) {
    case SyncScreenPresenter::kFailedAlertTag:
      // The rows stay as the run left them: what it downloaded is kept on
      // disk, and the next run goes on from there.
      break;
    case SyncScreenPresenter::kRequireLoginAlertTag:
      if (buttonIndex == alert.firstOtherButtonIndex()) {
        if (auto host = SyncScreenHost::current()) host->showLoginPage();
      }
      break;
    case SyncScreenPresenter::kCellularAlertTag:
      if (buttonIndex == 0) startRunIfIdle();
      break;
    default:
      break;
  }
}

}  // namespace mv
