#pragma once
// Fetches library files straight through the network model, for as long as
// no sales library download manager is installed: a file counts as on the
// device when its file is in the client's folder for its type, and as being
// downloaded while this downloader waits for it. Nothing is ever paused.
#include <map>
#include <memory>
#include <string>

#include "platform/base/CancelTracker.hpp"
#include "sync/LibraryFileDownloader.hpp"

namespace mv {

class NetBaseRst;

class NetworkLibraryFileDownloader : public LibraryFileDownloader {
 public:
  bool isExists(int fileId) override;
  bool isInDownloadList(const std::string& fileName) override;
  bool isInPauseList(const std::string& fileName) override;
  int sendRequest(const std::shared_ptr<RequestDownload>& request) override;

  // Downloads sent and not yet answered.
  std::size_t pendingCount() const { return pending_.size(); }

 private:
  void settle(int downloadId, const NetBaseRst& reply);

  // Download id -> file name.
  std::map<int, std::string> pending_;
  // The downloads on their way; cancelled when the downloader goes.
  base::CancelTracker downloads_;
};

}  // namespace mv
