#pragma once
// The sync engine: pulls the company's data from the service into the local
// store in one chain per run. It signs in first when the session is not
// online, refreshes the user information and runtime configuration, then
// asks for the product tables, the library tables, the images those tables
// name (product images, icons, covers, with product thumbnails made on a
// worker), and the customer tables, acknowledges each part to the service and
// stamps the time of the sync. It reports to one delegate, the sync screen.
//
// Every run holds its requests, downloads and delayed steps in one tracker.
// Breaking, finishing and logout end the run: the tracker cancels all of them
// (never anyone else's), so no reply or delayed step of an ended run arrives,
// and code that calls out mid-step checks its mark afterwards; nothing of an
// ended run can store, set a flag, stamp the time or raise a second alert.
//
// Each reply's tables are stored in one transaction; a reply that cannot be
// stored breaks the run before any flag, acknowledgement or stamp. A table the
// reply did not carry is left alone; one it carried, even empty, replaces.
//
// One per session, owned by the session's services; the session's end ends
// any run silently. Main thread only, except the thumbnail pass, which runs on
// its own worker with paths computed beforehand.
#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/CancelTracker.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/Value.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/ReadThroughBudget.hpp"
#include "store/Entities.hpp"
#include "sync/RequestSender.hpp"
#include "sync/SyncConfigManager.hpp"
#include "sync/SyncCustomerModel.hpp"
#include "sync/SyncSession.hpp"
#include "sync/SyncModelDelegate.hpp"

namespace mv {

class DataAccessManager;
class DownloadRst;
class LoginRst;
class RequestInterfaceBase;
class SessionServices;
class SyncAllTableRst;
class SyncCustomerTableRst;
template <typename Rows>
class SyncTableStore;
using SyncAllTableStore = SyncTableStore<SyncAllTableRst>;
using SyncCustomerTableStore = SyncTableStore<SyncCustomerTableRst>;
class SyncDataFinishRst;
class SyncFileTableRst;

class SyncModel : public std::enable_shared_from_this<SyncModel> {
 public:
  // Per-client user-defaults keys ("<client id>-<name>").
  static constexpr const char* kProductSynced = "ProductSynced";
  static constexpr const char* kFileSynced = "FileSynced";
  static constexpr const char* kCustomerSynced = "CustomerSynced";
  static constexpr const char* kLastSync = "lastsync";
  // Posted by the engine when a run starts, and when it ends: userInfo
  // {"finished": true} after a whole run, else false with the reason in
  // "message" (what the screen's alert says, or the words of the status that
  // ended the session).
  static constexpr const char* kSyncStartedNotification = "SyncRunStarted";
  static constexpr const char* kSyncEndedNotification = "SyncRunEnded";
  // The icons the service answered missing: not asked for again until the
  // next full sync.
  static constexpr const char* kMissingIcons = "MissingIcons";
  // Set while a run that stored tables has not finished: the next run keeps
  // the pictures and covers already on disk for rows it was sent again.
  static constexpr const char* kFilesUnsettled = "FilesUnsettled";
  // Set while the last finished run left files it did not take, which the
  // next run fetches again even when the service has nothing new.
  static constexpr const char* kFilesOwed = "FilesOwed";
  static constexpr const char* kSyncedValue = "synced";
  // The text shown when the store refuses a reply's rows.
  static constexpr const char* kStoreErrorKey = "SYNCSTOREERROR";
  static constexpr const char* kNetworkPoorKey = "NETWORKPOOR";
  // The text shown when the service went away in the image phase.
  static constexpr const char* kEndpointGoneKey = "999";
  // Image kinds (file types).
  static constexpr int kImageTypeProduct = 1;
  static constexpr int kImageTypeIcon = 3;
  static constexpr int kImageTypeCover = 4;
  // Pause between a completed image kind and the next.
  static constexpr double kNextKindDelay = 0.1;
  static constexpr int kRemainTimeUnknown = 2147483647;

  explicit SyncModel(SessionServices& services);
  // The current session's engine (made on first use); null while nobody is
  // signed in.
  static std::shared_ptr<SyncModel> sharedInstance();
  // The session ends: any run ends silently and the thumbnail pass stops.
  void sessionEnded();

  ~SyncModel();
  SyncModel(const SyncModel&) = delete;
  SyncModel& operator=(const SyncModel&) = delete;

  std::shared_ptr<SyncModelDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<SyncModelDelegate> delegate) { delegate_ = std::move(delegate); }

  // A run of the engine, or the library screen's own table refresh, is under
  // way. The engine sets it for its runs and clears it when they end.
  bool isDownloading() const { return isDownloading_; }
  void setIsDownloading(bool downloading) { isDownloading_ = downloading; }
  // A run started by this engine is under way.
  bool isRunning() const { return running_; }
  // The run's product or customer reply is being stored, on a worker: the
  // main loop goes on meanwhile.
  bool isStoringTables() const { return storingTables_; }
  bool needUpdate() const { return needUpdate_; }
  // The last finished run of the signed-in client left files to fetch again.
  static bool filesOwed();
  void setNeedUpdate(bool v) { needUpdate_ = v; }
  bool showUpdate() const { return showUpdate_; }
  void setShowUpdate(bool v) { showUpdate_ = v; }
  // The next run to begin asks every part in full. A run takes the request
  // when it begins and keeps to it until it ends, finished or broken; one
  // made while a run is under way waits for the next run.
  bool isSyncAllData() const { return isSyncAllData_; }
  void setIsSyncAllData(bool v) { isSyncAllData_ = v; }
  // The next run to begin downloads every picture again, those already on
  // disk too (the user's "Resync all data"); taken as the request above.
  bool refetchesFiles() const { return refetchesFiles_; }
  void setRefetchesFiles(bool v) { refetchesFiles_ = v; }
  int needWork() const { return needWork_; }
  int imageType() const { return imageType_; }
  const std::vector<std::string>& downloadRemotingPImgList() const { return downloadRemotingPImgList_; }
  const std::vector<std::string>& downloadRemotingPImgListIcon() const { return downloadRemotingPImgListIcon_; }
  const std::vector<std::string>& downloadRemotingPImgListLibimg() const { return downloadRemotingPImgListLibimg_; }
  std::int64_t productImgCount() const { return productImgCount_; }
  std::int64_t iconImgCount() const { return iconImgCount_; }
  std::int64_t libImgCount() const { return libImgCount_; }
  float existFilesRat() const { return existFilesRat_; }
  // Grows whenever the sync moves: a byte any request sent or received, a
  // batch of a reply's rows stored, a file of the image phase taken or
  // removed. A run over a slow link may take hours; one whose movement
  // stands still for long has stopped.
  std::uint64_t movement() const;
  // A file of that image kind could not be fetched in the current (or last)
  // run: the kind is not complete, however far its batch went.
  bool kindFailed(int imageType) const;

  // ---- runs -------------------------------------------------------------------
  // Creates the client's type folders and "tempDownload/" when missing;
  // false when one cannot be made (a run then stops at once).
  [[nodiscard]] bool createAllDirectorys();
  // Starts a run; ignored while one (or the library's refresh) is under way.
  void startSync();
  // The parts of a run after any sign-in; starts a run of its own when none is
  // under way.
  void requestSync();
  void startSyncData();
  // Captures the module switches for the run.
  void loadByConfig();
  // Rows of a table stored at a time while a product or customer reply is read.
  std::size_t rowsPerBatch() const { return rowsPerBatch_; }
  void setRowsPerBatch(std::size_t count) { rowsPerBatch_ = count > 0 ? count : 1; }
  // "true" or "false": the "isFull" of the part whose per-client flag is
  // `flagName` (none, or a run that took a full sync: "true").
  std::string needSyncAll(const std::optional<std::string>& flagName) const;
  // Zeroes the image progress and empties the download lists (the screen, when
  // a run ended).
  void resetDownloadProgress();
  // Ends the run with `message` for the delegate; nothing when none runs.
  void breakSync(const std::string& message);
  // Stamps "lastsync" and ends the run; nothing when none runs.
  void finishedSync();
  void downloadimageFinished(int imageType);
  void getCustomerFinished();
  void progressRespond(float progress, int imageType, int remainTime);
  void imageKindCompleted(int imageType);
  void imageKindPauseEnded(int nextImageType);

  // ---- image phase --------------------------------------------------------------
  // Fills the three lists of missing files (each name once) and their totals,
  // here on the main thread (a run makes them on a worker). False when a list
  // could not be read.
  [[nodiscard]] bool addAllImageLists();
  void startDownloadProductImage(int imageType);
  // The share of the current kind already on disk; answers 0.
  int continueDownloadImages();
  // The share of the kind's batch download whose files have ended (what the
  // batch tells its `onShare`).
  void setProgress(float progress);
  void downloadFileRespond(const DownloadRst& result);
  // A file of the image phase arrived (or the phase began): the estimate
  // holds for another `estimateQuietSeconds`.
  void fileArrived();
  // Bytes of the image phase arrived since the last look: the same, short
  // of a whole file.
  void bytesArrived();
  void downloadimageFaild(const std::string& fileName, int imageType);
  void retryDownloadImage(const std::string& fileName, int imageType);
  // Makes missing product thumbnails from published image rows
  // ({"imageFull", "imageThumb"}) on the thumbnail worker.
  void createImgThumb(const std::vector<base::Value>& images);
  // Remove the local files (and partial downloads) of changed images and
  // covers, except those named in `keep`.
  static void deleteImgThumb(const std::vector<marvisto_image_Entity>& images, const std::set<std::string>& keep = {});
  static void deleteCoverImages(const std::vector<marvisto_library_files_Entity>& files,
                                const std::set<std::string>& keep = {});
  // Blocks until the thumbnail worker is idle (tests).
  void waitForThumbnails();

  // What the time left is worked out from: the bytes moved on the wire
  // (every transfer's) over the last stretch of at least `kRateSeconds`, and
  // its seconds (0 before the image phase has lasted that long); the bytes
  // moved since the phase began; the files of its lists still without an
  // outcome, and those that came whole since it began; the batch files
  // whose transfers run now, of a size their answers told.
  struct TimeLeftReading {
    double seconds = 0;
    double bytes = 0;
    double bytesSinceBegan = 0;
    double filesLeft = 0;
    double filesArrived = 0;
    double underWayFiles = 0;
    double underWayAnnounced = 0;
    double underWayBrought = 0;
  };
  // Seconds left: the bytes still to come (the rest of the files under way,
  // and every other file left at the size the files so far have had) at the
  // rate of the last stretch. Unknown (kRemainTimeUnknown) until that rate
  // has been measured for `kRateSeconds` and some file's size is known: the
  // rate of a moment, one of small files gone by, or a count of files,
  // would promise "less than a minute" with megabytes to go.
  static int remainTimeFor(const TimeLeftReading& reading);
  static constexpr double kRateSeconds = 5;
  // While files come, the time left is worked out again this often.
  static constexpr double kEstimateInterval = 1;
  // Nothing of the image phase has arrived for this long, no file and no
  // byte: the last estimate is withdrawn (`estimateWithdrawn`), and the
  // reports that follow carry none, rather than promising a time that passes
  // while nothing arrives.
  // Half of what a download may go without a byte, so it is withdrawn before
  // a stalled transfer fails.
  static double estimateQuietSeconds();

  // ---- notifications -------------------------------------------------------------
  void netUnconnect();

 private:
  enum class Stage { Idle, SigningIn, Tables, Images, Acknowledging };
  using FileKey = std::pair<int, std::string>;

  std::shared_ptr<SyncLoginSession> currentSession() const;
  std::shared_ptr<SyncConfigManager> currentConfig() const;
  std::shared_ptr<SyncCustomerModel> currentCustomerModel() const;

  void beginRun();
  // What a run that could not store what it received tells the user: the
  // device's room when a write of this run found the disk full.
  std::string storeFailedText() const;
  // Runs `write` on `store`, the session's connection, and notes whether a
  // write of it found the disk full.
  bool noteDiskFull(DataAccessManager& store, const std::function<bool()>& write);
  // Ends the run: cancels its delayed steps and requests and clears the
  // running state; the delegate is not told. A run that did not finish
  // gives the full sync it took back to the next run.
  void endRun(bool finished = false);
  void postEnded(bool finished, const std::string& message);
  // Sends a request of the run under the run's tracker, through the
  // session's sender; `respond` hears its reply while the run lasts, and a
  // batch download tells `onShare` how far it is. Answers the request code
  // (a download: its id).
  template <typename Reply>
  int send(const std::shared_ptr<RequestInterfaceBase>& request, void (SyncModel::*respond)(const Reply&),
           std::function<void(float)> onShare = {}) {
    std::weak_ptr<SyncModel> weak = weak_from_this();
    return sender()->sendFor<Reply>(
        request, run_,
        [weak, respond](const Reply& reply) {
          if (auto self = weak.lock(); self && self->accepts(reply)) (self.get()->*respond)(reply);
        },
        [weak](const NetBaseRst& reply) {
          if (auto self = weak.lock()) self->endedBySession(reply);
        },
        {}, std::move(onShare));
  }
  std::shared_ptr<RequestSender> sender() const;
  // Whether a reply of the run goes on to its step: not once the run ended,
  // nor when its status ended the session (the run ends then).
  bool accepts(const NetBaseRst& reply);
  // The session handler took a reply of the run: the run ends quietly.
  void endedBySession(const NetBaseRst& reply);
  // Runs `step` after `delay` seconds unless the run ended meanwhile.
  void schedule(double delay, std::function<void()> step);

  void requestProductTables();
  void requestFileTables();
  void requestCustomerTables();
  void sendSyncFinish(const std::string& tableType);
  void loginRespond(const LoginRst& result);
  void productTablesRespond(const SyncAllTableRst& reply);
  void fileTablesRespond(const SyncFileTableRst& reply);
  void customerTablesRespond(const SyncCustomerTableRst& reply);
  void syncFinishRespond(const SyncDataFinishRst& reply);

  // Store the product (and customer) replies' rows as the reply is read
  // (see SyncTableStore); the product store names the pictures of changed
  // rows.
  class ProductStore;
  class CustomerStore;
  // Stores one batch of product rows into `store`; the old attribute values
  // and category links are dropped only when the store had some before the
  // reply.
  static bool saveProductRows(DataAccessManager& store, const SyncAllTableRst& rows, bool dropOldAttributes,
                              bool dropOldLinks);
  // Stores one batch of customer rows into `store`.
  static bool saveCustomerRows(DataAccessManager& store, const SyncCustomerTableRst& rows);
  // What a store tells, from its worker, when it begins: the main loop then
  // knows the tables are being stored.
  std::function<void()> storeBeganReporter();
  // The stores the product and customer requests read their replies into.
  std::shared_ptr<SyncAllTableStore> makeProductStore();
  std::shared_ptr<SyncCustomerTableStore> makeCustomerStore();
  // Stops a reply being stored (it keeps nothing) and lets go of the stores.
  void dropTableStores();
  // Settles a product reply: stored while it was read, or (read whole) now.
  // False when its rows could not be stored (none are kept then); else the
  // picture and thumbnail names of its changed image rows are in
  // `changedPictures`.
  bool storeProductReply(const SyncAllTableRst& reply, std::vector<std::string>& changedPictures);
  // The same for a customer reply; `counted` is what its resultCount gives
  // of the rows stored.
  bool storeCustomerReply(const SyncCustomerTableRst& reply, std::size_t& counted);
  // Stores the library reply's tables in one transaction; false when
  // anything failed (nothing of the reply is kept then).
  bool saveLibraryTables(const SyncFileTableRst& reply);

  // The image phase's lists of missing files, with the distinct names each
  // kind has in all.
  struct ImageLists {
    std::vector<std::string> products;
    // A copy of `products` for the request that asks for them, made where
    // the lists are made: a company's names take the main thread tens of
    // milliseconds to copy.
    std::vector<std::string> productsAsked;
    std::vector<std::string> icons;
    std::vector<std::string> covers;
    std::int64_t productCount = 0;
    std::int64_t iconCount = 0;
    std::int64_t coverCount = 0;
  };
  // What making them takes from the main thread: the folders, the icons not
  // to ask for, the lists so far (a name is listed once), and whether the
  // files no published row names go first (after a full reply).
  struct ImageListPlan {
    std::optional<std::filesystem::path> productFolder;
    std::optional<std::filesystem::path> iconFolder;
    std::optional<std::filesystem::path> coverFolder;
    std::set<std::string> missingIcons;
    ImageLists lists;
    // Every picture is fetched again, whatever stands on disk ("Resync all data").
    bool everyFile = false;
    // Where the verdicts on the company's pictures are kept (see
    // PictureVerdicts); empty without a client.
    std::filesystem::path verdicts;
    // What the checks of the pictures on disk draw on: the run's.
    std::shared_ptr<gfx::ReadThroughBudget> checkBudget;
    bool unlistedPictures = false;
    bool unlistedCovers = false;
  };
  ImageListPlan imageListPlan() const;
  // Adds to `lists` what the rows of `store` name and the folders lack;
  // false when a list could not be read. Any thread, with its own store.
  static bool readImageLists(DataAccessManager& store, const ImageListPlan& plan, ImageLists& lists);
  void takeImageLists(ImageLists lists);
  // Begins the image phase with its lists; nothing (a list unread) breaks the run.
  void startImagePhase(std::optional<ImageLists> lists);
  // The image phase, once the files the tables changed are gone from disk.
  void startImagePhaseAfterRemovals();
  // Removes the files of changed rows off the main thread: a full sync
  // removes tens of thousands.
  void removeChangedPictures(const std::vector<std::string>& names);
  void removeChangedCovers(const std::vector<marvisto_library_files_Entity>& files, const std::set<std::string>& keep);
  void removeInBackground(std::vector<std::filesystem::path> paths);
  // Tells the delegate, from any thread, how far a removal of the run is.
  std::function<void(float)> removalReporter();
  // After a full reply: the pictures (or covers) on disk that no published
  // row of `store` names any more, to remove so the store matches the
  // service. Any thread, with its own store.
  static std::vector<std::filesystem::path> unlistedFiles(DataAccessManager& store, const ImageListPlan& plan);
  // Tells the delegate how far a removal is.
  void removalProgress(float share);
  void kindCompleted(int kind);
  // Tells the delegate that the pause before `nextKind` is over; false when
  // the run ended meanwhile.
  [[nodiscard]] bool pauseEnded(int nextKind);
  // The share of a kind shown to the delegate: a kind with files failed or
  // still asked again stays below whole, at the whole per cent of its files
  // that are done.
  float shownShare(int kind, float share) const;
  // Tells the delegate a kind is whole once its last retry settled it.
  void reportKindIfWhole(int kind);
  // Files of a kind that failed for good, less product thumbnails the device
  // makes itself from their picture on disk.
  std::size_t failedCount(int kind) const;
  // A failed product thumbnail the device makes from its picture, which is on disk.
  bool madeOnDevice(const FileKey& file) const;
  // Counts a file as failed for good in this run.
  void noteFailed(const FileKey& file);
  // A product file's download ended: the failed thumbnails made from it
  // follow whether it is on disk.
  void notePictureEnded(const std::string& name);
  // The picture a product thumbnail is made from; null when none.
  const std::string* thumbSource(const std::string& thumb) const;
  void noteRetryAsked(const FileKey& file);
  // False when the file was not being asked again.
  bool noteRetryAnswered(const FileKey& file);
  void imagePhaseEnded();
  // Keeps the pictures that arrived in this run as taken (their download
  // checked each), on the removal queue, then ends the image phase.
  void rememberArrivals();
  // Hands the pictures arrived since the last call to the removal queue,
  // which reads their versions while the run goes on: the phase's end then
  // only writes the verdicts, and the main thread makes no path per file.
  void noteArrivals();
  // The thumbnail pass of the run, once no product file is being asked again.
  void makeThumbnailsWhenSettled();
  // A thumbnail pass over the published image rows of the store, read on
  // the thumbnail worker.
  void makeThumbnailsOfStore();
  std::vector<std::string>* listFor(int kind);
  float* progressFor(int kind);

  static std::string perClientKey(const std::string& name);
  // The files a retry keeps: after a run that did not finish (and unless the
  // user asked for everything again), the names the stored rows give.
  std::set<std::string> keptCovers() const;
  // The picture and thumbnail names of the published image rows of `store`
  // (none when they cannot be read).
  static std::set<std::string> publishedPictureNames(DataAccessManager& store);
  bool retryKeepsFiles() const;
  static std::set<std::string> missingIcons();
  static void rememberMissingIcon(const std::string& name);
  static void setClientFlag(const std::string& name, const std::string& value);
  void setReloadFlag(const std::string& key);

  std::weak_ptr<SessionServices> services_;
  std::shared_ptr<DataAccessManager> database_;
  // Rows stored (counted on the stores' workers), files taken and removed.
  std::shared_ptr<std::atomic<std::uint64_t>> moved_ = std::make_shared<std::atomic<std::uint64_t>>(0);
  // What the run's checks of pictures, on disk and downloaded, may read
  // through together (see gfx::ReadThroughBudget): a run of honest files
  // reads few through, and a run of pictures that each hold a check for
  // seconds is held no longer than this, whatever their count.
  std::shared_ptr<gfx::ReadThroughBudget> checkBudget_;
  std::weak_ptr<SyncModelDelegate> delegate_;

  std::vector<std::string> downloadRemotingPImgList_;
  // The copy of the product list its request takes, when one was made.
  std::optional<std::vector<std::string>> productsAsked_;
  std::vector<std::string> downloadRemotingPImgListIcon_;
  std::vector<std::string> downloadRemotingPImgListLibimg_;
  // Files already asked again in this run, by type and name.
  std::set<FileKey> retryImageArry_;
  std::int64_t productImgCount_ = 0;
  std::int64_t iconImgCount_ = 0;
  std::int64_t libImgCount_ = 0;
  int imageType_ = 0;
  bool isCatalogOnshow_ = false;
  bool isCustomerOnShow_ = false;
  bool isSalesLibraryOnShow_ = false;
  bool isDownloading_ = false;
  float productProgress_ = 0;
  float iconProgress_ = 0;
  float libProgress_ = 0;
  float existFilesRat_ = 0;
  // When the image phase began or a file or bytes of it last arrived (run
  // loop time), and the withdrawal of the estimate due if none arrives
  // meanwhile.
  double lastArrival_ = 0;
  base::CancelTracker::Id quietEstimate_ = 0;
  // Since the image phase began: the bytes every transfer had moved then,
  // the files that came whole, the bytes moved at each look (clock time,
  // bytes; the oldest kept is the start of the last stretch), and the time
  // left last told.
  std::uint64_t phaseBytes_ = 0;
  std::uint64_t phaseFiles_ = 0;
  std::deque<std::pair<double, std::uint64_t>> looks_;
  int toldRemain_ = kRemainTimeUnknown;
  // The time left worked out now.
  int remainTimeNow();
  // The same, or unknown while nothing arrives: what a progress report
  // tells, kept as the time last told.
  int remainTimeToTell();
  // Works the time left out again every `kEstimateInterval` while the image
  // phase lasts, and tells a change of it.
  void lookAtTimeLeft();
  int needWork_ = 0;
  bool needUpdate_ = false;
  bool showUpdate_ = false;
  // Asked for the next run.
  bool isSyncAllData_ = false;
  bool refetchesFiles_ = false;
  // What the run under way took of them when it began.
  bool runAsksAll_ = false;
  bool runRefetchesFiles_ = false;

  // The current run: its requests, downloads and delayed steps.
  base::CancelTracker run_;
  bool running_ = false;
  Stage stage_ = Stage::Idle;
  // Parts whose tables this run stored.
  std::shared_ptr<ProductStore> productStore_;
  std::shared_ptr<CustomerStore> customerStore_;
  bool storingTables_ = false;
  // The product tables were asked in full: the reply lists every picture, so
  // none of those on disk is taken for a changed one.
  bool productFull_ = false;
  // This run stored a full library reply, which lists every cover.
  bool libraryFull_ = false;
  std::size_t rowsPerBatch_ = 500;
  bool productSaved_ = false;
  bool librarySaved_ = false;
  bool customerSaved_ = false;
  std::set<int> completedKinds_;
  // The kind whose batch has ended while its last file's outcome is still
  // to be told: it reads whole only once that outcome is known.
  std::optional<int> lastOutcomeDue_;
  // Retries asked and not yet answered; the image phase ends after them.
  std::set<FileKey> pendingRetries_;
  // Files that failed for good in this run.
  std::set<FileKey> failedFiles_;
  // What a kind's share reads at every step of a batch of tens of thousands,
  // counted as files end rather than looked up: the retries under way and
  // the files failed of each kind, and the failed product thumbnails whose
  // picture is on disk, with those failed by the picture each is made from.
  std::map<int, std::size_t> retriesByKind_;
  std::map<int, std::size_t> failedByKind_;
  std::set<std::string> thumbsMadeOnDevice_;
  std::map<std::string, std::vector<std::string>> failedThumbsOf_;
  // Pictures this run brought, not yet handed to the removal queue (see
  // noteArrivals), at most this many.
  std::vector<FileKey> arrived_;
  static constexpr std::size_t kArrivalsNotedAt = 256;
  // The versions of the pictures this run brought, read on the removal
  // queue and touched only there; none before the first picture arrives.
  std::shared_ptr<std::vector<std::uint64_t>> arrivedVersions_;
  // Files whose last download brought bytes that were not taken (not the
  // file, cut short, too large), with that reason (`httpRsp`): the run
  // names them at its end if they are not fetched after all.
  std::map<FileKey, int> refusedFiles_;
  // What the end of a finished run tells of them; empty when nothing.
  std::string notReceived_;
  // Why the run's downloads stopped for want of room (empty: they did not).
  std::string noRoom_;
  // A write of this run, on the session's connection or a connection of
  // the run's own, found the disk full.
  bool diskFull_ = false;
  // Product thumbnails by name, with the picture each is made from; read
  // once a run needs it.
  mutable std::optional<std::map<std::string, std::string>> thumbSources_;
  bool waitingForRetries_ = false;
  bool thumbPassDue_ = false;

  std::unique_ptr<base::WorkQueue> thumbQueue_;
  // Removals of changed files, in the order asked.
  std::unique_ptr<base::WorkQueue> removalQueue_;
  base::CancelFlag thumbPass_;
  base::Observation netUnconnect_;
};

}  // namespace mv
