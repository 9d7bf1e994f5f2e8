#include "library/SaleslibraryModel.hpp"
#include "library/LibraryDownloadObserver.hpp"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "library/epub/EPUBBook.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/RunLoop.hpp"
#include "services/OfficeConverter.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/ReplyValues.hpp"
#include "sync/RequestSender.hpp"
#include "sync/requests/RequestDownloadFinish.hpp"
#include "sync/SessionServices.hpp"
#include "sync/StoreDownloadedFilesModel.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

template <typename T>
bool contains(const std::vector<T>& list, const T& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

template <typename T>
void removeAll(std::vector<T>& list, const T& value) {
  list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

bool isRegularFile(const std::optional<fs::path>& path) {
  std::error_code ec;
  return path && fs::is_regular_file(*path, ec);
}

void removeFile(const fs::path& path) { PublicFunction::removeFileIfPresent(path); }

// The request of one of a download's names, under the same download id.
std::shared_ptr<RequestDownload> requestForName(const RequestDownload& request, const std::string& fileName) {
  auto one = std::make_shared<RequestDownload>();
  one->fileId = request.fileId;
  one->imgType = request.imgType;
  one->progressType = request.progressType;
  one->downloadId = request.downloadId;
  one->listedBytes = request.listedBytes;
  one->mostBytes = request.mostBytes;
  one->fileNameList = {fileName};
  return one;
}

}  // namespace

std::shared_ptr<SaleslibraryModel> SaleslibraryModel::sharedInstance() {
  auto services = SessionServices::current();
  return services ? services->get<SaleslibraryModel>() : nullptr;
}

SaleslibraryModel::SaleslibraryModel(SessionServices& services)
    : database_(services.databaseHandle()), sender_(services.requestSender()) {}

void SaleslibraryModel::sessionEnded() { cancelAllUncompleteFiles(); }

SaleslibraryModel::~SaleslibraryModel() = default;

bool SaleslibraryModel::isExists(int fileId) const { return contains(existsFiles_, fileId); }

bool SaleslibraryModel::isInDownloadList(const std::string& fileName) const {
  return contains(downloadFileNameArray_, fileName);
}

bool SaleslibraryModel::isInPauseList(const std::string& fileName) const { return contains(pauseFileArray_, fileName); }

float SaleslibraryModel::getDownloadPercentage(const std::string& fileName) const {
  auto it = downloadPercentageDic_.find(fileName);
  return it == downloadPercentageDic_.end() ? 0.0f : it->second;
}

std::vector<base::Value> SaleslibraryModel::allExsitsFilesDic() const {
  std::vector<base::Value> out;
  for (int id : existsFiles_) {
    // A file the service withdrew since has no name to restore it by.
    auto name = database_->getFileNameById(id);
    if (!name) continue;
    base::Value v = base::Value::object();
    v["id"] = std::to_string(id);
    v["file_name"] = *name;
    out.push_back(std::move(v));
  }
  return out;
}

void SaleslibraryModel::loadExistsFiles() {
  MV_ASSERT_MAIN_THREAD();
  existsFiles_.clear();
  for (const auto& file : database_->getAllLibFiles()) {
    if (StoreDownloadedFilesModel::isOnDevice(*database_, file) && !isExists(file.file_id)) {
      existsFiles_.push_back(file.file_id);
    }
  }
}

std::shared_ptr<RequestDownload> SaleslibraryModel::requestForFile(const marvisto_library_files_Entity& file) {
  return RequestDownload::forLibraryFile(file);
}

int SaleslibraryModel::downloadFile(const marvisto_library_files_Entity& file) {
  const bool idle = !isExists(file.file_id) && !isInDownloadList(file.file_name);
  if (!idle && !isInPauseList(file.file_name)) return 0;
  return sendRequest(requestForFile(file));
}

int SaleslibraryModel::sendRequest(const std::shared_ptr<RequestDownload>& request) {
  MV_ASSERT_MAIN_THREAD();
  if (!request) return -1;
  // A second transfer of a name would write the same file twice over.
  std::vector<std::string> names;
  int running = 0;
  for (const auto& name : request->fileNameList) {
    if (isInDownloadList(name) || contains(names, name)) {
      if (!running) running = runningIds_[name];
      continue;
    }
    names.push_back(name);
  }
  if (names.empty()) return request->fileNameList.empty() ? -1 : running;
  request->fileNameList = names;
  for (const auto& name : names) {
    downloadFileNameArray_.push_back(name);
    removeAll(pauseFileArray_, name);
    runningIds_[name] = request->downloadId;
    types_[name] = request->imgType;
  }
  if (names.size() == 1) {
    sendOne(request, names.front());
  } else {
    for (const auto& name : names) sendOne(requestForName(*request, name), name);
  }
  return request->downloadId;
}

void SaleslibraryModel::sendOne(const std::shared_ptr<RequestDownload>& request, const std::string& fileName) {
  // A name's earlier transfer has ended or was stopped: its tracker is empty
  // or gone.
  auto& tracker = transfers_[fileName];
  const int id = sender_->sendFor<DownloadRst>(
      request, tracker, [this](const DownloadRst& reply) { downloadEnded(reply); },
      [this, fileName](const NetBaseRst& reply) { downloadEndedBySession(fileName, reply); },
      [this](const DownLoadRequestInfo& info) { downloadProgressed(info); });
  if (id < 0) MV_LOG("the download of ", fileName, " was not sent");
}

void SaleslibraryModel::pauseDownloadFile(const std::string& fileName) {
  MV_ASSERT_MAIN_THREAD();
  if (!isInDownloadList(fileName)) return;
  pauseFileArray_.push_back(fileName);
  removeAll(downloadFileNameArray_, fileName);
  runningIds_.erase(fileName);
  transfers_.erase(fileName);
}

void SaleslibraryModel::cancelDownloadFile(const std::string& fileName) {
  MV_ASSERT_MAIN_THREAD();
  const bool running = isInDownloadList(fileName);
  const bool paused = isInPauseList(fileName);
  if (running) {
    removeAll(downloadFileNameArray_, fileName);
    runningIds_.erase(fileName);
    transfers_.erase(fileName);
  }
  removeAll(pauseFileArray_, fileName);
  // The next download of the name starts afresh: the service may have
  // replaced the file meanwhile.
  if (running || paused) discardPartial(fileName);
}

void SaleslibraryModel::discardPartial(const std::string& fileName) {
  auto type = types_.find(fileName);
  if (type == types_.end()) return;
  HttpNetworkCtrl::discardPartialWithName(fileName, type->second);
}

void SaleslibraryModel::removeExistsFiles(int fileId) { removeAll(existsFiles_, fileId); }

void SaleslibraryModel::cancelAllUncompleteFiles() {
  MV_ASSERT_MAIN_THREAD();
  // In the order they were started.
  for (const auto& name : downloadFileNameArray_) transfers_.erase(name);
  transfers_.clear();
}

void SaleslibraryModel::addObserver(const std::shared_ptr<LibraryDownloadObserver>& observer) {
  MV_ASSERT_MAIN_THREAD();
  if (!observer) return;
  for (const auto& weak : observers_) {
    if (weak.lock() == observer) return;
  }
  observers_.push_back(observer);
}

void SaleslibraryModel::removeObserver(const LibraryDownloadObserver* observer) {
  MV_ASSERT_MAIN_THREAD();
  std::erase_if(observers_, [observer](const std::weak_ptr<LibraryDownloadObserver>& weak) {
    auto strong = weak.lock();
    return !strong || strong.get() == observer;
  });
}

template <typename Call>
void SaleslibraryModel::relay(Call call) {
  // An observer may register or remove observers while it is told.
  auto observers = observers_;
  for (const auto& weak : observers) {
    auto observer = weak.lock();
    if (!observer) continue;
    const bool stillRegistered =
        std::any_of(observers_.begin(), observers_.end(),
                    [&](const std::weak_ptr<LibraryDownloadObserver>& w) { return w.lock() == observer; });
    if (stillRegistered) call(*observer);
  }
}

void SaleslibraryModel::downloadProgressed(const DownLoadRequestInfo& info) {
  MV_ASSERT_MAIN_THREAD();
  downloadPercentageDic_[info.fileName] = info.downloadPercent;
  relay([&](LibraryDownloadObserver& o) { o.progressed(info); });
}

void SaleslibraryModel::downloadEndedBySession(const std::string& fileName, const NetBaseRst& reply) {
  MV_ASSERT_MAIN_THREAD();
  forgetName(fileName);
  relay([&](LibraryDownloadObserver& o) { o.endedBySession(fileName, reply); });
}

void SaleslibraryModel::forgetName(const std::string& fileName) {
  removeAll(downloadFileNameArray_, fileName);
  runningIds_.erase(fileName);
  // Its transfer has ended: nothing of it is left to cancel.
  transfers_.erase(fileName);
}

void SaleslibraryModel::downloadEnded(const DownloadRst& reply) {
  MV_ASSERT_MAIN_THREAD();
  MV_LOG("the download file is ", reply.fileName);
  forgetName(reply.fileName);
  DownloadRst told = reply;
  if (told.isSuccess()) {
    if (auto path = PublicFunction::filePathWithName(told.fileName, told.type); isRegularFile(path)) {
      // A new version may have come in place of the old one.
      svc::OfficeConverter::dropPreviews(*path);
      if (!isExists(told.fileId)) existsFiles_.push_back(told.fileId);
      downloadFileFinish(told.fileName, told.fileId, told.type);
    } else {
      // A success without the file is a missing file: the pending update
      // stays and the service is not told the device holds it.
      MV_LOG("library file ", told.fileName, " reported as downloaded is not on disk");
      told.status = kStatusFileMissing;
      told.message = messageForStatus(kStatusFileMissing);
    }
  }
  relay([&](LibraryDownloadObserver& o) { o.finished(told); });
  if (!told.isSuccess()) {
    base::NotificationCenter::defaultCenter().post(
        kDownloadFailedNotification, this, base::Value{{"file", told.fileName}, {"message", told.message}});
  }
}

void SaleslibraryModel::downloadFileFinish(const std::string& fileName, int fileId, int type) {
  if (auto update = database_->getLibFileUpdateByFileID(fileId)) {
    // The old version is of no more use once the new one is here.
    auto old = PublicFunction::filePathWithName(update->oldFileName, PublicFunction::getFileType(update->oldFileType));
    auto now = PublicFunction::filePathWithName(fileName, type);
    if (old && old != now && !StoreDownloadedFilesModel::isPathOfAnotherFile(*database_, *old, fileId)) {
      removeFile(*old);
      // A book read here was unpacked beside its file.
      EPUBBook::removeUnpackedFolder(*old);
      svc::OfficeConverter::dropPreviews(*old);
    }
    if (!database_->deleteFileUpdateWithFileID(fileId)) MV_LOG("cannot delete the pending update of library file ", fileId);
  }
  auto finish = std::make_shared<RequestDownloadFinish>();
  finish->fileId = fileId;
  forgetName(fileName);
  // The acknowledgement's reply is only logged.
  const int code = sender_->sendFor<NetBaseRst>(finish, acknowledgements_, [](const NetBaseRst& reply) {
    if (reply.isSuccess()) MV_LOG("request download finish success!");
  });
  downloadPercentageDic_.erase(fileName);
  MV_LOG("the rst is ", code);
}

}  // namespace mv
