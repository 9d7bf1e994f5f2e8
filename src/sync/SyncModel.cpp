#include "sync/SyncModel.hpp"

#include <malloc.h>

#include <utility>

#include "platform/base/Date.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/UserDefaults.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/CommandCode.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/ReplyValues.hpp"
#include "sync/SessionServices.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "sync/requests/RequestSyncAllTable.hpp"
#include "sync/requests/RequestSyncCustomerTable.hpp"
#include "sync/requests/RequestSyncDataFinish.hpp"
#include "sync/requests/RequestSyncFileTable.hpp"
#include "transport/Transfer.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {

namespace {

// What the user is told of a failed reply: a server that could not be
// reached is named, as the failure may be the message server's or the file
// server's.
std::string failureText(const NetBaseRst& reply) {
  const auto unreachable = textForKey(kStatusNetworkError);
  if (reply.httpRsp == 0 || reply.server.empty() || !unreachable || reply.message != *unreachable)
    return reply.message;
  return joinSentences(reply.message, messageNamingServer(kServerNotReached, reply.server));
}

}  // namespace

// ---- instance -----------------------------------------------------------------------

std::shared_ptr<SyncModel> SyncModel::sharedInstance() {
  auto services = SessionServices::current();
  return services ? services->get<SyncModel>() : nullptr;
}

SyncModel::SyncModel(SessionServices& services)
    : services_(services.weak_from_this()),
      database_(services.databaseHandle()),
      thumbQueue_(base::WorkQueue::serial()),
      removalQueue_(base::WorkQueue::serial()) {
  MV_ASSERT_MAIN_THREAD();
  // A run tries again and stops with the store error when they still cannot be made.
  if (!createAllDirectorys()) MV_LOG("sync: the client's folders could not be made");
  netUnconnect_ = base::Observation("netUnconnect", nullptr, [this](const base::Notification&) { netUnconnect(); });
}

void SyncModel::sessionEnded() {
  endRun();
  delegate_.reset();
  netUnconnect_.reset();
  // The thumbnail pass stops at its next file and is joined here, so nothing
  // of this session writes into the client folder after logout.
  if (thumbQueue_) {
    thumbQueue_->cancelAll();
    thumbQueue_.reset();
  }
  if (removalQueue_) {
    removalQueue_->cancelAll();
    removalQueue_.reset();
  }
}

SyncModel::~SyncModel() {
  if (thumbQueue_) thumbQueue_->cancelAll();
  if (removalQueue_) removalQueue_->cancelAll();
}

std::uint64_t SyncModel::movement() const { return Transfer::bytesMoved() + moved_->load(); }

std::shared_ptr<SyncLoginSession> SyncModel::currentSession() const { return SyncSession::current(); }

std::shared_ptr<SyncConfigManager> SyncModel::currentConfig() const { return SyncConfigManager::current(); }

std::shared_ptr<SyncCustomerModel> SyncModel::currentCustomerModel() const {
  auto services = services_.lock();
  return services ? services->find<SyncCustomerModel>() : nullptr;
}

// ---- folders, switches and flags ------------------------------------------------------

bool SyncModel::createAllDirectorys() {
  return PublicFunction::createClientFolders(Session::current().clientID);
}

void SyncModel::loadByConfig() {
  auto config = currentConfig();
  isCatalogOnshow_ = config && config->isOnShow(SyncConfigManager::kCatalogIndex);
  isCustomerOnShow_ = config && config->isOnShow(SyncConfigManager::kCustomerIndex);
  isSalesLibraryOnShow_ = config && config->isOnShow(SyncConfigManager::kLibraryIndex);
}

std::string SyncModel::perClientKey(const std::string& name) { return Session::current().clientID + "-" + name; }

std::string SyncModel::needSyncAll(const std::optional<std::string>& flagName) const {
  if (runAsksAll_ || !flagName) return "true";
  auto value = base::UserDefaults::standard().objectForKey(perClientKey(*flagName));
  return value && value->is_string() ? "false" : "true";
}

void SyncModel::setClientFlag(const std::string& name, const std::string& value) {
  // Without a client the key would be shared by every client.
  if (isBlank(Session::current().clientID)) {
    MV_LOG("no client: \"", name, "\" not written");
    return;
  }
  base::UserDefaults::standard().setString(perClientKey(name), value);
}

std::set<std::string> SyncModel::missingIcons() {
  std::set<std::string> names;
  const base::Value list = base::UserDefaults::standard().arrayForKey(perClientKey(kMissingIcons));
  for (const auto& name : list) {
    if (name.is_string()) names.insert(name.get<std::string>());
  }
  return names;
}

void SyncModel::rememberMissingIcon(const std::string& name) {
  if (isBlank(Session::current().clientID)) return;
  std::set<std::string> names = missingIcons();
  if (!names.insert(name).second) return;
  base::Value list = base::Value::array();
  for (const auto& n : names) list.push_back(n);
  base::UserDefaults::standard().setObject(perClientKey(kMissingIcons), std::move(list));
}

bool SyncModel::filesOwed() {
  if (isBlank(Session::current().clientID)) return false;
  auto value = base::UserDefaults::standard().objectForKey(perClientKey(kFilesOwed));
  return value && value->is_string();
}

bool SyncModel::retryKeepsFiles() const {
  if (runAsksAll_ || isBlank(Session::current().clientID)) return false;
  auto value = base::UserDefaults::standard().objectForKey(perClientKey(kFilesUnsettled));
  return value && value->is_string();
}

void SyncModel::setReloadFlag(const std::string& key) {
  if (auto config = currentConfig()) config->flagDic()[key] = "YES";
}

void SyncModel::resetDownloadProgress() {
  productProgress_ = 0;
  iconProgress_ = 0;
  libProgress_ = 0;
  isDownloading_ = false;
  // Tens of thousands of names after a first sync: their memory goes too.
  std::vector<std::string>().swap(downloadRemotingPImgList_);
  productsAsked_.reset();
  std::vector<std::string>().swap(downloadRemotingPImgListIcon_);
  std::vector<std::string>().swap(downloadRemotingPImgListLibimg_);
}

// ---- delegate ------------------------------------------------------------------------

void SyncModel::startSyncData() {
  if (auto d = delegate()) d->startSyncData();
}

void SyncModel::downloadimageFinished(int imageType) {
  if (auto d = delegate()) d->downloadimageFinished(imageType);
}

void SyncModel::getCustomerFinished() {
  if (auto d = delegate()) d->getCustomerFinished();
}

void SyncModel::progressRespond(float progress, int imageType, int remainTime) {
  if (auto d = delegate()) d->setProgress(progress, imageType, remainTime);
}

void SyncModel::imageKindCompleted(int imageType) {
  if (auto d = delegate()) d->imageKindCompleted(imageType);
}

void SyncModel::imageKindPauseEnded(int nextImageType) {
  if (auto d = delegate()) d->imageKindPauseEnded(nextImageType);
}

// ---- the run -------------------------------------------------------------------------

void SyncModel::beginRun() {
  run_.cancelAll();
  running_ = true;
  runAsksAll_ = std::exchange(isSyncAllData_, false);
  runRefetchesFiles_ = std::exchange(refetchesFiles_, false);
  checkBudget_ = std::make_shared<gfx::ReadThroughBudget>();
  stage_ = Stage::Idle;
  isDownloading_ = true;
  needWork_ = 0;
  productSaved_ = librarySaved_ = customerSaved_ = false;
  productFull_ = libraryFull_ = false;
  completedKinds_.clear();
  lastOutcomeDue_.reset();
  pendingRetries_.clear();
  retriesByKind_.clear();
  failedFiles_.clear();
  failedByKind_.clear();
  thumbsMadeOnDevice_.clear();
  failedThumbsOf_.clear();
  arrived_.clear();
  arrivedVersions_.reset();
  refusedFiles_.clear();
  notReceived_.clear();
  noRoom_.clear();
  diskFull_ = false;
  thumbSources_.reset();
  waitingForRetries_ = false;
  thumbPassDue_ = false;
  retryImageArry_.clear();
  // A run starts from nothing, whether or not the screen reset the last one.
  resetDownloadProgress();
  isDownloading_ = true;
  existFilesRat_ = 0;
  imageType_ = 0;
  base::NotificationCenter::defaultCenter().post(kSyncStartedNotification, this);
}

void SyncModel::postEnded(bool finished, const std::string& message) {
  base::NotificationCenter::defaultCenter().post(kSyncEndedNotification, this,
                                                 base::Value{{"finished", finished}, {"message", message}});
}

void SyncModel::endRun(bool finished) {
  const bool wasRunning = running_;
  running_ = false;
  stage_ = Stage::Idle;
  // Only the run's own requests: downloads and uploads of other screens go on.
  run_.cancelAll();
  quietEstimate_ = 0;
  pendingRetries_.clear();
  retriesByKind_.clear();
  waitingForRetries_ = false;
  thumbPassDue_ = false;
  dropTableStores();
  if (wasRunning) {
    isDownloading_ = false;
    // A full sync asked while this run went on stays asked, for the next;
    // so does the one this run took, when it broke off before it had all:
    // the service tells of its own only once, and a slow link may break
    // several runs of a large company before one brings everything.
    if (!finished) {
      isSyncAllData_ = isSyncAllData_ || runAsksAll_;
      refetchesFiles_ = refetchesFiles_ || runRefetchesFiles_;
    }
    runAsksAll_ = false;
    runRefetchesFiles_ = false;
    // A first sync decodes tables of tens of megabytes; what it freed goes
    // back to the system rather than staying with an idle application. Going
    // through every page of the heap takes a large company's main loop a
    // few hundred milliseconds: it is done on a worker.
    base::WorkQueue::global().async([](const base::CancelFlag&) { malloc_trim(0); });
  }
}

std::shared_ptr<RequestSender> SyncModel::sender() const {
  auto services = services_.lock();
  return services ? services->requestSender() : NetworkModel::sharedSender();
}

void SyncModel::schedule(double delay, std::function<void()> step) { run_.after(delay, std::move(step)); }

std::string SyncModel::storeFailedText() const {
  const char* key = diskFull_ ? kReplyTooLargeForDevice : kStoreErrorKey;
  return textForKey(key).value_or(key);
}

bool SyncModel::noteDiskFull(DataAccessManager& store, const std::function<bool()>& write) {
  const std::uint64_t before = store.diskFulls();
  const bool written = write();
  if (store.diskFulls() != before) diskFull_ = true;
  return written;
}

void SyncModel::startSync() {
  MV_ASSERT_MAIN_THREAD();
  if (running_ || isDownloading_) {
    MV_LOG("a sync is already under way; start ignored");
    return;
  }
  beginRun();
  if (!createAllDirectorys()) {
    // Nothing downloaded could be kept: the run stops before it asks for anything.
    MV_LOG("sync: the client's folders could not be made; the run stops");
    breakSync(storeFailedText());
    return;
  }
  auto session = currentSession();
  if (!session || session->loginType() != LoginType::Online) {
    needWork_ = 1;
    stage_ = Stage::SigningIn;
    const int code = send(std::make_shared<RequestLogin>(), &SyncModel::loginRespond);
    MV_LOG("the rst is ", code);
    return;
  }
  requestSync();
}

void SyncModel::requestSync() {
  if (!running_) {
    if (isDownloading_) {
      MV_LOG("a sync is already under way; request ignored");
      return;
    }
    beginRun();
  } else if (stage_ != Stage::Idle && stage_ != Stage::SigningIn) {
    return;
  }
  stage_ = Stage::Tables;
  retryImageArry_.clear();
  if (auto session = currentSession()) {
    session->getUserinfo();
    session->getRuntimeConfig();
  }
  loadByConfig();
  isDownloading_ = true;
  existFilesRat_ = 0;
  if (isCatalogOnshow_) {
    requestProductTables();
  } else if (isSalesLibraryOnShow_) {
    requestFileTables();
  } else if (isCustomerOnShow_) {
    requestCustomerTables();
  } else {
    // Nothing to fetch: the run ends as soon as the caller is back, with no
    // stamp, since nothing was synced.
    MV_LOG("no part of the sync is shown; nothing to sync");
    schedule(0, [this] {
      endRun(true);
      if (auto d = delegate()) d->finishedSync();
    });
  }
}

void SyncModel::requestProductTables() {
  auto request = std::make_shared<RequestSyncAllTable>();
  request->isFull = needSyncAll(std::string(kProductSynced));
  productFull_ = request->isFull == "true";
  request->store = makeProductStore();
  request->productsPerBatch = rowsPerBatch_;
  // A full sync asks once more for every icon.
  if (request->isFull == "true" && !isBlank(Session::current().clientID)) {
    base::UserDefaults::standard().removeObject(perClientKey(kMissingIcons));
  }
  const int code = send(request, &SyncModel::productTablesRespond);
  MV_LOG("the rst is ", code);
}

void SyncModel::requestFileTables() {
  auto request = std::make_shared<RequestSyncFileTable>();
  request->isFull = needSyncAll(std::string(kFileSynced));
  const int code = send(request, &SyncModel::fileTablesRespond);
  MV_LOG("the rst is ", code);
}

void SyncModel::requestCustomerTables() {
  stage_ = Stage::Tables;
  auto request = std::make_shared<RequestSyncCustomerTable>();
  request->isFull = needSyncAll(std::string(kCustomerSynced));
  request->store = makeCustomerStore();
  request->rowsPerBatch = rowsPerBatch_;
  const int code = send(request, &SyncModel::customerTablesRespond);
  MV_LOG("the rst is ", code);
}

void SyncModel::sendSyncFinish(const std::string& tableType) {
  stage_ = Stage::Acknowledging;
  auto request = std::make_shared<RequestSyncDataFinish>();
  request->tableType = tableType;
  const int code = send(request, &SyncModel::syncFinishRespond);
  MV_LOG("the request is ", code);
}

void SyncModel::breakSync(const std::string& message) {
  if (!running_) return;
  endRun();
  postEnded(false, message);
  if (auto d = delegate()) d->breakSync(message);
}

void SyncModel::finishedSync() {
  if (!running_) return;
  const std::string now = PublicFunction::stringFromDate(base::Date::now(), kLastSyncFormat);
  setClientFlag(kLastSync, now);
  if (!isBlank(Session::current().clientID)) {
    base::UserDefaults::standard().removeObject(perClientKey(kFilesUnsettled));
    if (notReceived_.empty()) base::UserDefaults::standard().removeObject(perClientKey(kFilesOwed));
  }
  if (!notReceived_.empty()) setClientFlag(kFilesOwed, kSyncedValue);
  if (!base::UserDefaults::standard().synchronize()) MV_LOG("the sync time could not be written to the user defaults");
  const std::string notice = std::exchange(notReceived_, {});
  endRun(true);
  postEnded(true, notice);
  if (auto d = delegate()) d->finishedSync();
  if (auto d = delegate(); d && !notice.empty()) d->filesNotReceived(notice);
}

void SyncModel::netUnconnect() {
  // Only a run of this engine: the library screen's own refresh also sets
  // isDownloading and handles the loss itself.
  if (running_) breakSync(textForKey(kNetworkPoorKey).value_or(kNetworkPoorKey));
}

// ---- replies ---------------------------------------------------------------------------

bool SyncModel::accepts(const NetBaseRst& reply) {
  MV_ASSERT_MAIN_THREAD();
  // Only replies to requests of the current run arrive: the run's tracker
  // cancelled every other.
  if (!running_) return false;
  if (isSessionExpiredStatus(reply.status) || isLockedStatus(reply.status)) {
    // The session handler deals with these; the run only ends.
    endRun();
    postEnded(false, messageForStatus(reply.status));
    if (auto d = delegate()) d->syncEndedBySession();
    return false;
  }
  return true;
}

void SyncModel::endedBySession(const NetBaseRst& reply) {
  if (!running_) return;
  MV_LOG("the session ended request ", reply.requestCode, " (", reply.status, "); the sync stops");
  endRun();
  postEnded(false, messageForStatus(reply.status));
  if (auto d = delegate()) d->syncEndedBySession();
}

void SyncModel::loginRespond(const LoginRst& result) {
  auto session = currentSession();
  if (result.isSuccess()) {
    if (session) SyncSession::acceptSilentLogin(*session, result);
    // The service wants a full resync: this run, about to ask for the
    // tables, asks for every part in full, into the store as it is.
    if (result.needSyncAll) runAsksAll_ = true;
    if (needWork_ == 1 && stage_ == Stage::SigningIn) requestSync();
    return;
  }
  if (session) SyncSession::refuseSilentLogin(*session, result.status);
  if (needWork_ == 1) breakSync(failureText(result));
}

void SyncModel::productTablesRespond(const SyncAllTableRst& reply) {
  if (!reply.isSuccess()) {
    dropTableStores();
    breakSync(failureText(reply));
    return;
  }
  std::vector<std::string> changedPictures;
  if (!storeProductReply(reply, changedPictures)) {
    breakSync(storeFailedText());
    return;
  }
  // The image phase fetches the changed images again.
  removeChangedPictures(changedPictures);
  productSaved_ = true;
  setClientFlag(kProductSynced, kSyncedValue);
  setClientFlag(kFilesUnsettled, kSyncedValue);
  setReloadFlag(SyncConfigManager::kReloadCatalog);
  if (!base::UserDefaults::standard().synchronize()) MV_LOG("the product sync flag could not be written");
  requestFileTables();
}

void SyncModel::fileTablesRespond(const SyncFileTableRst& reply) {
  if (!reply.isSuccess()) {
    breakSync(failureText(reply));
    return;
  }
  // A full reply lists every cover: those of its published files already on
  // disk stay, and only the others go.
  const bool full = reply.isFull != "false";
  std::set<std::string> kept = reply.libFileTable && !full ? keptCovers() : std::set<std::string>();
  std::vector<marvisto_library_files_Entity> changed;
  if (reply.libFileTable) {
    for (const auto& file : *reply.libFileTable) {
      if (full && file.published == 1) {
        kept.insert(file.cover_image);
      } else {
        changed.push_back(file);
      }
    }
  }
  if (!saveLibraryTables(reply)) {
    breakSync(storeFailedText());
    return;
  }
  removeChangedCovers(changed, kept);
  libraryFull_ = full && reply.libFileTable;
  librarySaved_ = true;
  setReloadFlag(SyncConfigManager::kReloadLibrary);
  startImagePhaseAfterRemovals();
}

void SyncModel::customerTablesRespond(const SyncCustomerTableRst& reply) {
  if (!reply.isSuccess()) {
    dropTableStores();
    breakSync(failureText(reply));
    return;
  }
  std::size_t counted = 0;
  if (!storeCustomerReply(reply, counted)) {
    breakSync(storeFailedText());
    return;
  }
  customerSaved_ = true;
  if (counted > 0) {
    setReloadFlag(SyncConfigManager::kReloadCustomer);
    // A book of a hundred thousand customers is read beside the main loop.
    if (auto customers = currentCustomerModel()) customers->reloadCustomerDataBeside();
  }
  const auto run = run_.mark();
  getCustomerFinished();
  // The delegate may have ended the run (logout) meanwhile.
  if (run.isValid()) sendSyncFinish("product");
}

void SyncModel::syncFinishRespond(const SyncDataFinishRst& reply) {
  // The acknowledgements move on whatever the service answered; a flag only
  // follows when this run stored that part.
  const std::string& tableType = reply.tableType;
  if (tableType == "product") {
    if (productSaved_) setReloadFlag(SyncConfigManager::kReloadCatalog);
    sendSyncFinish("file");
  } else if (tableType == "file") {
    if (librarySaved_) {
      setClientFlag(kFileSynced, kSyncedValue);
      setReloadFlag(SyncConfigManager::kReloadLibrary);
      if (!base::UserDefaults::standard().synchronize()) MV_LOG("the file sync flag could not be written");
    }
    if (isCustomerOnShow_) {
      sendSyncFinish("customer");
    } else {
      finishedSync();
    }
  } else if (tableType == "customer") {
    if (customerSaved_) setClientFlag(kCustomerSynced, kSyncedValue);
    finishedSync();
  } else {
    MV_LOG("acknowledgement of an unknown part \"", tableType, "\" ignored");
  }
}

}  // namespace mv
