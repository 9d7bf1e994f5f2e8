#include "sync/NetworkLibraryFileDownloader.hpp"

#include <filesystem>

#include "platform/base/Log.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/RequestSender.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "sync/SessionServices.hpp"
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
  const int id = request->downloadId;
  const int sent = SessionServices::currentSender()->sendFor<DownloadRst>(
      request, downloads_, [this](const DownloadRst& reply) { settle(reply.downloadId, reply); },
      [this, id](const NetBaseRst& reply) { settle(id, reply); });
  if (sent < 0) return sent;
  pending_[sent] = request->fileNameList.empty() ? std::string() : request->fileNameList.front();
  return sent;
}

void NetworkLibraryFileDownloader::settle(int downloadId, const NetBaseRst& reply) {
  auto it = pending_.find(downloadId);
  if (it == pending_.end()) return;
  if (!reply.isSuccess()) MV_LOG("library file ", it->second, " was not downloaded: ", reply.status);
  pending_.erase(it);
}

}  // namespace mv
