#include "sync/NetworkLibraryFileDownloader.hpp"

#include <filesystem>

#include "platform/base/Log.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/SessionServices.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "util/PublicFunction.hpp"

namespace mv {

bool NetworkLibraryFileDownloader::isExists(int fileId) {
  auto services = SessionServices::current();
  if (!services) return false;
  auto file = services->database().getFilesByFileId(fileId);
  if (!file) return false;
  auto path = PublicFunction::filePathWithName(file->file_name, PublicFunction::getFileType(file->type));
  std::error_code ec;
  return path && std::filesystem::is_regular_file(*path, ec) && std::filesystem::file_size(*path, ec) > 0 && !ec;
}

bool NetworkLibraryFileDownloader::isInDownloadList(const std::string& fileName) {
  for (const auto& [id, name] : pending_) {
    if (name == fileName) return true;
  }
  return false;
}

bool NetworkLibraryFileDownloader::isInPauseList(const std::string&) { return false; }

int NetworkLibraryFileDownloader::sendRequest(const std::shared_ptr<RequestDownload>& request) {
  if (!request) return 0;
  request->setReceiveDelegete(shared_from_this());
  const int id = NetworkModel::sharedInstance().sendRequest(request);
  pending_[id] = request->fileNameList.empty() ? std::string() : request->fileNameList.front();
  return id;
}

void NetworkLibraryFileDownloader::settle(const std::shared_ptr<NetBaseRst>& result) {
  const auto* download = dynamic_cast<const DownloadRst*>(result.get());
  if (!download) return;
  auto it = pending_.find(download->downloadId);
  if (it == pending_.end()) return;
  if (!download->isSuccess()) MV_LOG("library file ", it->second, " was not downloaded: ", download->status);
  pending_.erase(it);
}

void NetworkLibraryFileDownloader::ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& result) { settle(result); }

void NetworkLibraryFileDownloader::requestEndedBySession(const std::shared_ptr<NetBaseRst>& result) { settle(result); }

}  // namespace mv
