// The image phase of a sync run: product images, icons and covers that the
// stored tables name and that are missing on disk, one batch per kind, with
// the progress of each kind, the time left, one retry per failed file and the
// product thumbnails. The lists of a company's pictures are made on the
// removal queue, on a connection of their own.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "platform/base/Log.hpp"
#include "platform/base/OutsideWork.hpp"
#include "platform/base/RunLoop.hpp"
#include "store/DataAccessManager.hpp"
#include "store/WorkerDatabase.hpp"
#include "sync/CommandCode.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/PictureVerdicts.hpp"
#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "sync/SyncModel.hpp"
#include "transport/FormDataRequest.hpp"
#include "transport/Transfer.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {

// The names of the files in `folder`; empty when there is none.
std::unordered_set<std::string> namesIn(const fs::path& folder) {
  std::unordered_set<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    names.insert(it->path().filename().string());
  }
  return names;
}


// Lists of at least this many names are checked against one listing of
// their folder instead of one look at the disk per name.
constexpr std::size_t kListingFrom = 256;

// The set of verdicts on the pictures a sync keeps (see PictureVerdicts).
constexpr std::string_view kVerdictSet = "pictures";

// The folder of a file type for the signed-in client; nothing without one.
std::optional<fs::path> folderOfType(int type) {
  auto sample = PublicFunction::filePathWithName("x", type);
  if (!sample) return std::nullopt;
  return sample->parent_path();
}

// Adds to `list` each name of `names` that is not blank, not yet listed and
// not a whole picture on disk in `folder` (the folder of file type `type`;
// every one, with `everyFile`); answers the number of distinct usable names.
// A name that is not one plain file name is never fetched. A picture on disk
// is kept only when the file check takes it, as `verdicts` remember or as it
// says now: whatever else stands there (a page a network sent in its place,
// bytes cut short) is fetched again.
std::int64_t collectMissing(const std::vector<std::string>& names, const std::optional<fs::path>& folder, int type,
                            std::vector<std::string>& list, bool everyFile, PictureVerdicts& verdicts) {
  // Views of `list`, which is not moved while they are held, and of `names`.
  list.reserve(list.size() + names.size());
  std::unordered_set<std::string_view> seen(list.begin(), list.end());
  std::unordered_set<std::string_view> counted;
  counted.reserve(names.size());
  const bool listed = folder && !everyFile && names.size() >= kListingFrom;
  const std::unordered_set<std::string> present = listed ? namesIn(*folder) : std::unordered_set<std::string>();
  for (const std::string& name : names) {
    if (isBlank(name) || counted.count(name)) continue;
    if (!folder || !PublicFunction::isSafeFileName(name)) {
      MV_LOG("image \"", name, "\" (type ", type, ") skipped: not a plain file name");
      continue;
    }
    counted.insert(name);
    const bool kept = !everyFile && (!listed || present.count(name) > 0) && verdicts.isPictureFile(*folder / name);
    if (kept) continue;
    if (seen.insert(name).second) list.push_back(name);
  }
  return static_cast<std::int64_t>(counted.size());
}

// The picture and thumbnail names of a published image row
// ({"imageFull", "imageThumb"}); nothing when either is missing.
std::optional<std::pair<std::string, std::string>> pictureAndThumb(const base::Value& row) {
  auto full = row.find("imageFull");
  auto thumb = row.find("imageThumb");
  if (full == row.end() || thumb == row.end() || !full->is_string() || !thumb->is_string()) return std::nullopt;
  return std::pair{full->get<std::string>(), thumb->get<std::string>()};
}

// The files of one type to remove for changed rows, except those kept: the
// pictures themselves and any partial download of them. A long list (a full
// sync) is checked against one listing of the folders instead of one look-up
// per name.
std::vector<fs::path> changedFiles(const std::vector<std::string>& names, int type, const std::set<std::string>& keep) {
  std::vector<fs::path> out;
  const auto typeFolder = folderOfType(type);
  const fs::path partialSample = HttpNetworkCtrl::partialPathWithName("x", type);
  if (!typeFolder) return out;
  const fs::path& folder = *typeFolder;
  const fs::path partialFolder = partialSample.empty() ? fs::path() : partialSample.parent_path();
  const bool listed = names.size() >= kListingFrom;
  const std::unordered_set<std::string> present = listed ? namesIn(folder) : std::unordered_set<std::string>();
  const std::unordered_set<std::string> partial =
      listed && !partialFolder.empty() ? namesIn(partialFolder) : std::unordered_set<std::string>();
  for (const auto& name : names) {
    if (isBlank(name) || keep.count(name)) continue;
    if (!PublicFunction::isSafeFileName(name)) {
      MV_LOG("file \"", name, "\" (type ", type, ") not removed: not a plain file name");
      continue;
    }
    if (!listed || present.count(name)) out.push_back(folder / name);
    if (partialFolder.empty() || (listed && !partial.count(name))) continue;
    const fs::path partialPath = partialFolder / name;
    out.push_back(partialPath);
    out.push_back(FormDataRequest::resumeRecordPath(partialPath));
  }
  return out;
}

// Removes files; one that is not there is left alone. `removed(share)` is
// told the share done about every per cent, and 1 at the end.
void removeFiles(const std::vector<fs::path>& paths, const base::CancelFlag* flag = nullptr,
                 const std::function<void(float)>& removed = nullptr) {
  std::error_code ec;
  const std::size_t step = std::max<std::size_t>(paths.size() / 100, 1);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (flag && flag->isCancelled()) return;
    fs::remove(paths[i], ec);
    if (removed && (i + 1) % step == 0 && i + 1 < paths.size())
      removed(static_cast<float>(static_cast<double>(i + 1) / static_cast<double>(paths.size())));
  }
  if (removed) removed(1.0f);
}

std::vector<std::string> pictureNames(const std::vector<marvisto_image_Entity>& images) {
  std::vector<std::string> names;
  names.reserve(images.size() * 2);
  for (const auto& image : images) {
    names.push_back(image.image_thumb_address);
    names.push_back(image.image_full_address);
  }
  return names;
}

std::vector<std::string> coverNames(const std::vector<marvisto_library_files_Entity>& files) {
  std::vector<std::string> names;
  names.reserve(files.size());
  for (const auto& file : files) names.push_back(file.cover_image);
  return names;
}

}  // namespace

std::vector<std::string>* SyncModel::listFor(int kind) {
  switch (kind) {
    case kImageTypeProduct:
      return &downloadRemotingPImgList_;
    case kImageTypeIcon:
      return &downloadRemotingPImgListIcon_;
    case kImageTypeCover:
      return &downloadRemotingPImgListLibimg_;
    default:
      return nullptr;
  }
}

float* SyncModel::progressFor(int kind) {
  switch (kind) {
    case kImageTypeProduct:
      return &productProgress_;
    case kImageTypeIcon:
      return &iconProgress_;
    case kImageTypeCover:
      return &libProgress_;
    default:
      return nullptr;
  }
}

std::set<std::string> SyncModel::publishedPictureNames(DataAccessManager& store) {
  std::set<std::string> names;
  auto published = store.getPublishedPictureNames();
  if (!published) return names;
  for (std::string& name : *published) names.insert(std::move(name));
  return names;
}

std::set<std::string> SyncModel::keptCovers() const {
  std::set<std::string> names;
  if (!retryKeepsFiles()) return names;
  if (auto covers = database_->getAllFilesImg()) names.insert(covers->begin(), covers->end());
  return names;
}

SyncModel::ImageListPlan SyncModel::imageListPlan() const {
  ImageListPlan plan;
  plan.productFolder = folderOfType(kImageTypeProduct);
  plan.iconFolder = folderOfType(kImageTypeIcon);
  plan.coverFolder = folderOfType(kImageTypeCover);
  plan.missingIcons = missingIcons();
  plan.everyFile = runRefetchesFiles_;
  if (auto folder = PublicFunction::clientFolder(Session::current().clientID))
    plan.verdicts = PictureVerdicts::storeIn(*folder, kVerdictSet);
  plan.checkBudget = checkBudget_;
  plan.lists.products = downloadRemotingPImgList_;
  plan.lists.icons = downloadRemotingPImgListIcon_;
  plan.lists.covers = downloadRemotingPImgListLibimg_;
  return plan;
}

bool SyncModel::readImageLists(DataAccessManager& store, const ImageListPlan& plan, ImageLists& lists) {
  // A list that could not be read would leave its pictures missing for good
  // behind a sync that said it finished.
  const auto productNames = store.getPublishedPictureNames();
  auto icons = store.getAllIconAddress();
  auto covers = store.getAllFilesImg();
  if (!productNames || !icons || !covers) return false;
  // Every picture the rows name is looked at: the verdicts on any other go.
  PictureVerdicts verdicts(plan.verdicts);
  verdicts.drawOn(plan.checkBudget.get());
  lists.productCount =
      collectMissing(*productNames, plan.productFolder, kImageTypeProduct, lists.products, plan.everyFile, verdicts);
  // Icons the service has answered missing wait for the next full sync.
  std::vector<std::string> iconNames = std::move(*icons);
  std::erase_if(iconNames, [&](const std::string& name) { return plan.missingIcons.count(name) > 0; });
  lists.iconCount = collectMissing(iconNames, plan.iconFolder, kImageTypeIcon, lists.icons, plan.everyFile, verdicts);
  lists.coverCount = collectMissing(*covers, plan.coverFolder, kImageTypeCover, lists.covers, plan.everyFile, verdicts);
  lists.productsAsked = lists.products;
  // Without them, the next sync looks at each picture once more. A sync of
  // every file looked at none: the verdicts kept stay for the pictures that
  // do not come again.
  if (!plan.verdicts.empty() && !plan.everyFile && !verdicts.save(true)) MV_LOG("the verdicts on the pictures could not be kept");
  return true;
}

void SyncModel::takeImageLists(ImageLists lists) {
  downloadRemotingPImgList_ = std::move(lists.products);
  productsAsked_ = std::move(lists.productsAsked);
  downloadRemotingPImgListIcon_ = std::move(lists.icons);
  downloadRemotingPImgListLibimg_ = std::move(lists.covers);
  productImgCount_ = lists.productCount;
  iconImgCount_ = lists.iconCount;
  libImgCount_ = lists.coverCount;
}

bool SyncModel::addAllImageLists() {
  ImageListPlan plan = imageListPlan();
  if (!readImageLists(*database_, plan, plan.lists)) return false;
  takeImageLists(std::move(plan.lists));
  return true;
}

void SyncModel::startImagePhase(std::optional<ImageLists> lists) {
  stage_ = Stage::Images;
  if (!lists) {
    breakSync(storeFailedText());
    return;
  }
  takeImageLists(std::move(*lists));
  phaseBytes_ = Transfer::bytesMoved();
  phaseFiles_ = 0;
  looks_.assign(1, {base::RunLoop::main().now(), phaseBytes_});
  toldRemain_ = kRemainTimeUnknown;
  fileArrived();
  run_.after(kEstimateInterval, [this] { lookAtTimeLeft(); });
  startDownloadProductImage(kImageTypeProduct);
}

void SyncModel::fileArrived() {
  ++*moved_;
  bytesArrived();
}

void SyncModel::bytesArrived() {
  lastArrival_ = base::RunLoop::main().now();
  if (quietEstimate_) run_.cancel(quietEstimate_);
  quietEstimate_ = run_.after(estimateQuietSeconds(), [this] {
    quietEstimate_ = 0;
    if (!running_ || stage_ != Stage::Images) return;
    toldRemain_ = kRemainTimeUnknown;
    if (auto d = delegate()) d->estimateWithdrawn();
  });
}

void SyncModel::lookAtTimeLeft() {
  if (!running_ || stage_ != Stage::Images) return;
  // Bytes that move keep the estimate, whole files or not: a large file
  // coming slowly is no stalled one.
  const double now = base::RunLoop::main().now();
  const std::uint64_t moved = Transfer::bytesMoved();
  if (looks_.empty() || moved != looks_.back().second) bytesArrived();
  looks_.emplace_back(now, moved);
  // The stretch starts at the last look at least `kRateSeconds` old.
  while (looks_.size() > 1 && now - looks_[1].first >= kRateSeconds) looks_.pop_front();
  const bool quiet = base::RunLoop::main().now() - lastArrival_ > estimateQuietSeconds();
  if (!quiet) {
    const int remain = remainTimeNow();
    if (remain != toldRemain_) {
      toldRemain_ = remain;
      if (auto d = delegate()) d->remainTimeChanged(remain);
    }
  }
  run_.after(kEstimateInterval, [this] { lookAtTimeLeft(); });
}

int SyncModel::continueDownloadImages() {
  auto* list = listFor(imageType_);
  if (!list) return 0;
  const std::int64_t total = imageType_ == kImageTypeProduct ? productImgCount_
                             : imageType_ == kImageTypeIcon  ? iconImgCount_
                                                             : libImgCount_;
  if (!list->empty() && total >= 1) {
    existFilesRat_ = 1.0f - static_cast<float>(static_cast<double>(list->size()) / static_cast<double>(total));
    existFilesRat_ = std::clamp(existFilesRat_, 0.0f, 1.0f);
  }
  return 0;
}

void SyncModel::startDownloadProductImage(int imageType) {
  if (!running_ || stage_ != Stage::Images) return;
  imageType_ = imageType;
  continueDownloadImages();
  auto* list = listFor(imageType);
  if (!list) return;
  if (!list->empty() && noRoom_.empty()) {
    auto request = std::make_shared<RequestDownload>();
    if (imageType == kImageTypeProduct && productsAsked_ && productsAsked_->size() == list->size()) {
      request->fileNameList = std::move(*productsAsked_);
    } else {
      request->fileNameList = *list;
    }
    productsAsked_.reset();
    request->imgType = imageType;
    request->progressType = kProgressTypeBatch;
    request->checkBudget = checkBudget_;
    // The kinds asked for after this one need room too.
    for (int later : {kImageTypeIcon, kImageTypeCover}) {
      const auto* files = later > imageType ? listFor(later) : nullptr;
      if (files && !files->empty()) request->filesToFollow[later] = static_cast<std::int64_t>(files->size());
    }
    const int code = send(request, &SyncModel::downloadFileRespond, [weak = weak_from_this()](float share) {
      if (auto self = weak.lock()) self->setProgress(share);
    });
    MV_LOG("the downloadId is ", code);
    return;
  }
  completedKinds_.insert(imageType);
  const auto run = run_.mark();
  downloadimageFinished(imageType);
  if (!run.isValid()) return;
  if (imageType == kImageTypeProduct) {
    startDownloadProductImage(kImageTypeIcon);
  } else if (imageType == kImageTypeIcon) {
    startDownloadProductImage(kImageTypeCover);
  } else {
    imagePhaseEnded();
  }
}

void SyncModel::kindCompleted(int kind) {
  completedKinds_.insert(kind);
  if (auto* list = listFor(kind)) std::vector<std::string>().swap(*list);
  // The next step runs outside the report that completed the kind, after the
  // outcome of the batch's last file (which may ask for a retry).
  if (kind == kImageTypeProduct) {
    schedule(kNextKindDelay, [this] {
      if (!pauseEnded(kImageTypeIcon)) return;
      thumbPassDue_ = true;
      makeThumbnailsWhenSettled();
      startDownloadProductImage(kImageTypeIcon);
    });
  } else if (kind == kImageTypeIcon) {
    schedule(kNextKindDelay, [this] {
      if (pauseEnded(kImageTypeCover)) startDownloadProductImage(kImageTypeCover);
    });
  } else {
    schedule(0, [this] { imagePhaseEnded(); });
  }
  imageKindCompleted(kind);
}

bool SyncModel::pauseEnded(int nextKind) {
  const auto run = run_.mark();
  imageKindPauseEnded(nextKind);
  return run.isValid();
}

void SyncModel::makeThumbnailsWhenSettled() {
  if (!thumbPassDue_) return;
  // A thumbnail still being fetched again would be written twice, and a
  // failed fetch removes its destination.
  if (retriesByKind_[kImageTypeProduct] > 0) return;
  thumbPassDue_ = false;
  makeThumbnailsOfStore();
}

void SyncModel::imagePhaseEnded() {
  if (!running_ || stage_ != Stage::Images) return;
  if (!pendingRetries_.empty()) {
    waitingForRetries_ = true;
    return;
  }
  waitingForRetries_ = false;
  if (!arrived_.empty() || arrivedVersions_) {
    rememberArrivals();
    return;
  }
  // Bytes that were not the file are no file: like any file that failed,
  // they do not hold up the rest of the run (a single broken picture on the
  // service would otherwise keep every sync from ever finishing), and the
  // run's end says which they are; the next run asks for them again.
  std::vector<std::string> refused, cutShort;
  for (const auto& [file, httpRsp] : refusedFiles_) {
    if (!failedFiles_.count(file) || madeOnDevice(file)) continue;
    (httpRsp == kHttpRspFileCutShort ? cutShort : refused).push_back(file.second);
  }
  notReceived_.clear();
  if (!noRoom_.empty()) notReceived_ = textFilledWith("SYNCDATAWITHOUTFILES", {noRoom_});
  if (!refused.empty()) {
    if (!notReceived_.empty()) notReceived_ += "\n";
    notReceived_ += textFilledWith("SYNCFILESNOTRECEIVED", {fileNamesText(refused)});
  }
  if (!cutShort.empty()) {
    if (!notReceived_.empty()) notReceived_ += "\n";
    notReceived_ += textFilledWith("SYNCFILESCUTSHORT", {fileNamesText(cutShort)});
  }
  if (isCustomerOnShow_) {
    requestCustomerTables();
  } else {
    sendSyncFinish("product");
  }
}

void SyncModel::noteArrivals() {
  if (arrived_.empty()) return;
  auto folder = PublicFunction::clientFolder(Session::current().clientID);
  if (!folder || !removalQueue_) {
    arrived_.clear();
    return;
  }
  if (!arrivedVersions_) arrivedVersions_ = std::make_shared<std::vector<std::uint64_t>>();
  removalQueue_->async([files = std::exchange(arrived_, {}), folder = std::move(*folder),
                        versions = arrivedVersions_](const base::CancelFlag&) {
    for (const auto& [type, name] : files) {
      const auto path = PublicFunction::filePathIn(folder, name, type);
      if (!path) continue;
      if (const auto version = PictureVerdicts::versionOf(*path)) versions->push_back(*version);
    }
  });
}

void SyncModel::rememberArrivals() {
  noteArrivals();
  auto versions = std::move(arrivedVersions_);
  auto folder = PublicFunction::clientFolder(Session::current().clientID);
  if (!versions || !folder || !removalQueue_) {
    imagePhaseEnded();
    return;
  }
  // Before the run ends, so that a headless sync, whose process ends with
  // it, keeps them too. The queue is serial: every batch handed to it
  // before has been read.
  std::function<bool(const base::CancelFlag&)> work =
      [versions = std::move(versions), store = PictureVerdicts::storeIn(*folder, kVerdictSet)](const base::CancelFlag&) {
        PictureVerdicts verdicts(store);
        for (const std::uint64_t version : *versions) verdicts.noteWhole(version);
        return verdicts.save(false);
      };
  std::function<void(bool)> done = [weak = weak_from_this(), run = run_.mark(),
                                    underWay = base::holdOutsideWork()](bool kept) {
    if (!kept) MV_LOG("the pictures that arrived could not be kept as taken; the next sync looks at them once more");
    auto self = weak.lock();
    if (self && run.isValid()) self->imagePhaseEnded();
  };
  removalQueue_->async(std::move(work), std::move(done));
}

int SyncModel::remainTimeFor(const TimeLeftReading& r) {
  if (!(r.filesLeft > 0)) return 0;
  if (!(r.seconds >= kRateSeconds) || !(r.bytes > 0)) return kRemainTimeUnknown;
  // The files that came whole brought what moved since the phase began,
  // less what the files under way have brought so far.
  const double sizedFiles = r.filesArrived + r.underWayFiles;
  if (!(sizedFiles > 0)) return kRemainTimeUnknown;
  const double arrivedBytes = std::max(0.0, r.bytesSinceBegan - r.underWayBrought);
  const double perFile = (arrivedBytes + r.underWayAnnounced) / sizedFiles;
  const double left = std::max(0.0, r.underWayAnnounced - r.underWayBrought) +
                      std::max(0.0, r.filesLeft - r.underWayFiles) * perFile;
  const double seconds = left / (r.bytes / r.seconds);
  if (std::isnan(seconds) || seconds >= static_cast<double>(kRemainTimeUnknown)) return kRemainTimeUnknown;
  return static_cast<int>(seconds);
}

int SyncModel::remainTimeNow() {
  TimeLeftReading r;
  const double now = base::RunLoop::main().now();
  const std::uint64_t moved = Transfer::bytesMoved();
  if (!looks_.empty() && now - looks_.front().first >= kRateSeconds) {
    r.seconds = now - looks_.front().first;
    r.bytes = static_cast<double>(moved - looks_.front().second);
  }
  r.bytesSinceBegan = static_cast<double>(moved - phaseBytes_);
  const double total = static_cast<double>(downloadRemotingPImgList_.size() + downloadRemotingPImgListIcon_.size() +
                                           downloadRemotingPImgListLibimg_.size());
  const double done = static_cast<double>(downloadRemotingPImgList_.size()) * productProgress_ +
                      static_cast<double>(downloadRemotingPImgListIcon_.size()) * iconProgress_ +
                      static_cast<double>(downloadRemotingPImgListLibimg_.size()) * libProgress_;
  r.filesLeft = total - done;
  r.filesArrived = static_cast<double>(phaseFiles_);
  const HttpNetworkCtrl::BytesUnderWay underWay = HttpNetworkCtrl::sharedInstance().batchBytesUnderWay();
  r.underWayFiles = static_cast<double>(underWay.files);
  r.underWayAnnounced = static_cast<double>(underWay.announced);
  r.underWayBrought = static_cast<double>(underWay.brought);
  return remainTimeFor(r);
}

void SyncModel::setProgress(float progress) {
  if (!running_ || stage_ != Stage::Images) return;
  if (std::isnan(progress) || progress <= 0) return;
  const float q = std::min(progress, 1.0f);
  const int kind = imageType_;
  if (float* stored = progressFor(kind)) {
    // A kind ends once; later reports of the queue (a retry finishing) belong
    // to no kind any more.
    if (completedKinds_.count(kind) || q == *stored) return;
    *stored = q;
    if (q == 1.0f) {
      const auto run = run_.mark();
      kindCompleted(kind);
      if (!run.isValid()) return;
      // The batch's end comes before its last file's outcome, which may be a
      // failure: the kind is told whole once that outcome is in.
      lastOutcomeDue_ = kind;
    }
  }
  progressRespond(shownShare(kind, existFilesRat_ + (1.0f - existFilesRat_) * q), kind, remainTimeToTell());
}

int SyncModel::remainTimeToTell() {
  // Files that failed end too, and move the share: while none arrives, no
  // time left can be told from it.
  const bool quiet = base::RunLoop::main().now() - lastArrival_ > estimateQuietSeconds();
  toldRemain_ = quiet ? kRemainTimeUnknown : remainTimeNow();
  return toldRemain_;
}

double SyncModel::estimateQuietSeconds() {
  return HttpNetworkCtrl::sharedInstance().settings().downloadTimeOutSeconds / 2;
}

const std::string* SyncModel::thumbSource(const std::string& thumb) const {
  if (!thumbSources_) {
    thumbSources_.emplace();
    if (auto images = database_->getPublishImages(1)) {
      for (const base::Value& row : *images) {
        if (auto names = pictureAndThumb(row)) (*thumbSources_)[names->second] = names->first;
      }
    }
  }
  auto source = thumbSources_->find(thumb);
  if (source == thumbSources_->end() || source->second == thumb) return nullptr;
  return &source->second;
}

bool SyncModel::madeOnDevice(const FileKey& file) const {
  return file.first == kImageTypeProduct && thumbsMadeOnDevice_.count(file.second) > 0;
}

void SyncModel::noteFailed(const FileKey& file) {
  if (!failedFiles_.insert(file).second) return;
  ++failedByKind_[file.first];
  if (file.first != kImageTypeProduct) return;
  const std::string* picture = thumbSource(file.second);
  if (!picture) return;
  failedThumbsOf_[*picture].push_back(file.second);
  // Its picture's own end moves it from then on.
  auto path = PublicFunction::filePathWithName(*picture, kImageTypeProduct);
  std::error_code ec;
  if (path && fs::exists(*path, ec)) thumbsMadeOnDevice_.insert(file.second);
}

void SyncModel::notePictureEnded(const std::string& name) {
  const auto thumbs = failedThumbsOf_.find(name);
  if (thumbs == failedThumbsOf_.end()) return;
  // A picture that arrived is on disk, and one the service answered missing
  // is gone; one that failed otherwise keeps what was there.
  auto path = PublicFunction::filePathWithName(name, kImageTypeProduct);
  std::error_code ec;
  const bool onDisk = path && fs::exists(*path, ec);
  for (const std::string& thumb : thumbs->second) {
    if (onDisk) {
      thumbsMadeOnDevice_.insert(thumb);
    } else {
      thumbsMadeOnDevice_.erase(thumb);
    }
  }
}

void SyncModel::noteRetryAsked(const FileKey& file) {
  if (pendingRetries_.insert(file).second) ++retriesByKind_[file.first];
}

bool SyncModel::noteRetryAnswered(const FileKey& file) {
  if (pendingRetries_.erase(file) == 0) return false;
  --retriesByKind_[file.first];
  return true;
}

std::size_t SyncModel::failedCount(int kind) const {
  const auto failed = failedByKind_.find(kind);
  if (failed == failedByKind_.end()) return 0;
  return failed->second - (kind == kImageTypeProduct ? thumbsMadeOnDevice_.size() : 0);
}

bool SyncModel::kindFailed(int imageType) const { return failedCount(imageType) > 0; }

float SyncModel::shownShare(int kind, float share) const {
  const auto pending = retriesByKind_.find(kind);
  const auto unsettled = static_cast<std::int64_t>(failedCount(kind)) +
                         static_cast<std::int64_t>(pending != retriesByKind_.end() ? pending->second : 0);
  if (unsettled == 0) return lastOutcomeDue_ == kind ? std::min(share, 0.99f) : share;
  const std::int64_t total = kind == kImageTypeProduct ? productImgCount_
                             : kind == kImageTypeIcon  ? iconImgCount_
                                                       : libImgCount_;
  const double done = total > 0 ? static_cast<double>(std::max<std::int64_t>(total - unsettled, 0)) / total : 0;
  return static_cast<float>(std::min({static_cast<double>(share), std::floor(done * 100.0) / 100.0, 0.99}));
}

void SyncModel::reportKindIfWhole(int kind) {
  if (!completedKinds_.count(kind) || shownShare(kind, 1.0f) < 1.0f) return;
  // One kind whole leaves the others' files to come: the time left is theirs.
  progressRespond(1.0f, kind, remainTimeToTell());
}

void SyncModel::downloadFileRespond(const DownloadRst& result) {
  const bool noRoom = result.httpRsp == kHttpRspNoRoom;
  if (stopsEveryDownload(result.httpRsp) && !noRoom) {
    // The service went away, or something answers in its place: nothing
    // more of the run can arrive. The reply says which server, and why.
    breakSync(!result.message.empty() ? result.message : textForKey(kEndpointGoneKey).value_or(kEndpointGoneKey));
    return;
  }
  const FileKey key{result.type, result.fileName};
  if (result.isSuccess() && running_ && stage_ == Stage::Images) {
    ++phaseFiles_;
    fileArrived();
    arrived_.push_back(key);
    if (arrived_.size() >= kArrivalsNotedAt) noteArrivals();
  }
  const bool wasRetry = noteRetryAnswered(key);
  if (result.type == kImageTypeProduct) notePictureEnded(result.fileName);
  if (refusedTheFile(result.httpRsp)) {
    refusedFiles_[key] = result.httpRsp;
  } else {
    refusedFiles_.erase(key);
  }
  if (noRoom) {
    // No file fits above the disk's margin: none is asked for again in this
    // run. The tables are stored all the same, and the run ends saying how
    // much room the files need; the next run fetches them.
    if (noRoom_.empty()) noRoom_ = result.message;
    noteFailed(key);
  } else if (!result.isSuccess() && result.type == kImageTypeIcon && result.status == kStatusFileMissing) {
    // Asking again would only hear the same answer.
    MV_LOG("icon \"", result.fileName, "\" is missing on the service; asked again at the next full sync");
    rememberMissingIcon(result.fileName);
  } else if (!result.isSuccess()) {
    downloadimageFaild(result.fileName, result.type);
  }
  if (!wasRetry) {
    if (lastOutcomeDue_ == result.type) {
      lastOutcomeDue_.reset();
      reportKindIfWhole(result.type);
    }
    return;
  }
  const auto run = run_.mark();
  reportKindIfWhole(result.type);
  if (!run.isValid()) return;
  makeThumbnailsWhenSettled();
  if (waitingForRetries_ && pendingRetries_.empty()) imagePhaseEnded();
}

void SyncModel::downloadimageFaild(const std::string& fileName, int imageType) {
  if (!running_) return;
  if (!retryImageArry_.insert(FileKey{imageType, fileName}).second) {
    noteFailed(FileKey{imageType, fileName});
    return;
  }
  MV_LOG("the the file ", fileName, " can't be down!");
  retryDownloadImage(fileName, imageType);
}

void SyncModel::retryDownloadImage(const std::string& fileName, int imageType) {
  if (!running_) return;
  auto request = std::make_shared<RequestDownload>();
  request->fileNameList = {fileName};
  // The failed file's own type: the run may have moved on to the next kind.
  request->imgType = imageType;
  request->progressType = kProgressTypeBatch;
  request->checkBudget = checkBudget_;
  noteRetryAsked(FileKey{imageType, fileName});
  // A retry is a batch of its own: its share and its end say nothing of the
  // kind under way, so only its outcome comes back.
  const int code = send(request, &SyncModel::downloadFileRespond);
  MV_LOG("the downloadId is ", code);
}

namespace {

// The picture and thumbnail of each published image row ({"imageFull",
// "imageThumb"}) that names a thumbnail of its own. Names only: a path object
// per file would hold tens of megabytes for a big catalogue.
std::vector<std::pair<std::string, std::string>> thumbnailPairs(const std::vector<base::Value>& images) {
  std::vector<std::pair<std::string, std::string>> names;
  for (const base::Value& row : images) {
    auto pair = pictureAndThumb(row);
    if (!pair) continue;
    auto& [fullName, thumbName] = *pair;
    if (isBlank(fullName) || isBlank(thumbName) || fullName == thumbName) continue;
    if (!PublicFunction::isSafeFileName(fullName) || !PublicFunction::isSafeFileName(thumbName)) continue;
    names.emplace_back(std::move(fullName), std::move(thumbName));
  }
  names.shrink_to_fit();
  return names;
}

// Makes each missing thumbnail in `folder` from its picture there.
void makeThumbnails(const fs::path& folder, const std::vector<std::pair<std::string, std::string>>& names,
                    const base::CancelFlag& flag) {
  for (const auto& [fullName, thumbName] : names) {
    if (flag.isCancelled()) return;
    const fs::path fullPath = folder / fullName;
    const fs::path thumbPath = folder / thumbName;
    std::error_code ec;
    if (fs::exists(thumbPath, ec) || !fs::exists(fullPath, ec)) continue;
    // A thumbnail that cannot be made is made again by the next pass.
    if (!PublicFunction::createImgThumbWithImgName(fullPath, thumbPath)) MV_LOG("no thumbnail for ", fullPath);
  }
}

}  // namespace

void SyncModel::createImgThumb(const std::vector<base::Value>& images) {
  if (!thumbQueue_) return;
  // The folder is found here, on the main thread, from the session of now;
  // the worker touches nothing but the files in it.
  auto found = folderOfType(kImageTypeProduct);
  if (!found) return;
  auto names = thumbnailPairs(images);
  if (names.empty()) return;
  // One pass at a time: a new pass supersedes one not yet done.
  thumbPass_.cancel();
  thumbPass_ = thumbQueue_->async([folder = std::move(*found), names = std::move(names)](const base::CancelFlag& flag) {
    makeThumbnails(folder, names, flag);
  });
}

void SyncModel::makeThumbnailsOfStore() {
  if (!thumbQueue_) return;
  auto found = folderOfType(kImageTypeProduct);
  if (!found) return;
  thumbPass_.cancel();
  // A company's image rows are read on the thumbnail worker too, on a
  // connection of its own.
  thumbPass_ = thumbQueue_->async(
      [folder = std::move(*found), database = database_->databasePath()](const base::CancelFlag& flag) {
        auto worker = WorkerDatabase::open(database);
        if (!worker) return;
        // Without the list the thumbnails wait for the next sync.
        auto images = worker->store().getPublishImages(1);
        if (!images || flag.isCancelled()) return;
        const auto names = thumbnailPairs(*images);
        images.reset();
        makeThumbnails(folder, names, flag);
      });
}

void SyncModel::waitForThumbnails() {
  if (thumbQueue_) thumbQueue_->waitIdle();
}

void SyncModel::deleteImgThumb(const std::vector<marvisto_image_Entity>& images, const std::set<std::string>& keep) {
  removeFiles(changedFiles(pictureNames(images), kImageTypeProduct, keep));
}

void SyncModel::deleteCoverImages(const std::vector<marvisto_library_files_Entity>& files,
                                  const std::set<std::string>& keep) {
  removeFiles(changedFiles(coverNames(files), kImageTypeCover, keep));
}

void SyncModel::removeChangedPictures(const std::vector<std::string>& names) {
  removeInBackground(changedFiles(names, kImageTypeProduct, {}));
}

void SyncModel::removeChangedCovers(const std::vector<marvisto_library_files_Entity>& files,
                                    const std::set<std::string>& keep) {
  removeInBackground(changedFiles(coverNames(files), kImageTypeCover, keep));
}

std::function<void(float)> SyncModel::removalReporter() {
  // A full sync removes tens of thousands of files: the screen shows how far
  // the removal is, on the main thread and only while the run lasts.
  return [weak = weak_from_this(), run = run_.mark()](float share) {
    base::RunLoop::main().post([weak, run, share] {
      auto self = weak.lock();
      if (self && run.isValid()) self->removalProgress(share);
    });
  };
}

void SyncModel::removeInBackground(std::vector<fs::path> paths) {
  if (paths.empty()) return;
  if (!removalQueue_) {
    removeFiles(paths);
    return;
  }
  removalQueue_->async([paths = std::move(paths), told = removalReporter()](const base::CancelFlag& flag) {
    removeFiles(paths, &flag, told);
  });
}

void SyncModel::removalProgress(float share) {
  ++*moved_;
  if (auto d = delegate()) d->setRemovalProgress(share);
}

std::vector<fs::path> SyncModel::unlistedFiles(DataAccessManager& store, const ImageListPlan& plan) {
  // Only a full reply lists everything: after an incremental one a file the
  // store does not name may still be one of a row it has not been sent yet.
  std::vector<fs::path> paths;
  // `names` is read only when the folder holds anything (a first sync finds
  // it empty); a list that cannot be read removes nothing.
  const auto unlisted = [&](const std::optional<fs::path>& folder,
                            const std::function<std::optional<std::vector<std::string>>()>& names) {
    if (!folder) return;
    const std::unordered_set<std::string> present = namesIn(*folder);
    if (present.empty()) return;
    const auto read = names();
    if (!read) return;
    const std::unordered_set<std::string> listed(read->begin(), read->end());
    for (const std::string& name : present) {
      if (!listed.count(name)) paths.push_back(*folder / name);
    }
  };
  if (plan.unlistedPictures) {
    unlisted(plan.productFolder, [&] { return store.getPublishedPictureNames(); });
  }
  if (plan.unlistedCovers) unlisted(plan.coverFolder, [&] { return store.getAllFilesImg(); });
  if (!paths.empty()) MV_LOG(paths.size(), " pictures the service no longer lists are removed");
  return paths;
}

void SyncModel::startImagePhaseAfterRemovals() {
  stage_ = Stage::Images;
  ImageListPlan plan = imageListPlan();
  plan.unlistedPictures = productFull_;
  plan.unlistedCovers = libraryFull_;
  if (!removalQueue_) {
    removeFiles(unlistedFiles(*database_, plan));
    std::optional<ImageLists> lists = std::move(plan.lists);
    if (!noteDiskFull(*database_, [&] { return readImageLists(*database_, plan, *lists); })) lists.reset();
    startImagePhase(std::move(lists));
    return;
  }
  // What the reading's own connection finds of the disk is the run's.
  auto diskFull = std::make_shared<std::atomic<bool>>(false);
  // Every name the store gives and every file on disk, a company's worth:
  // read and compared on the removal queue, on a connection of its own. The
  // queue is serial: this runs once every removal asked before it, of this
  // run or an earlier one, is done.
  std::function<std::optional<ImageLists>(const base::CancelFlag&)> work =
      [plan = std::move(plan), database = database_->databasePath(), told = removalReporter(),
       diskFull](const base::CancelFlag& flag) mutable -> std::optional<ImageLists> {
    auto worker = WorkerDatabase::open(database);
    if (!worker) return std::nullopt;
    const std::vector<fs::path> unlisted = unlistedFiles(worker->store(), plan);
    if (!unlisted.empty()) removeFiles(unlisted, &flag, told);
    ImageLists lists = std::move(plan.lists);
    const bool read = readImageLists(worker->store(), plan, lists);
    *diskFull = worker->store().diskFulls() > 0;
    if (!read) return std::nullopt;
    return lists;
  };
  // A wait on the virtual clock gives the reading the real time it takes.
  std::function<void(std::optional<ImageLists>)> done =
      [weak = weak_from_this(), run = run_.mark(), underWay = base::holdOutsideWork(),
       diskFull](std::optional<ImageLists> lists) {
    auto self = weak.lock();
    if (!self || !run.isValid()) return;
    if (*diskFull) self->diskFull_ = true;
    self->startImagePhase(std::move(lists));
  };
  removalQueue_->async(std::move(work), std::move(done));
}

}  // namespace mv
