#pragma once
// Where library files are fetched again after a restore: the sales library's
// download manager, which the library registers with the session services;
// without it, a plain downloader over the network model serves
// (NetworkLibraryFileDownloader). Main thread only.
#include <memory>
#include <string>

namespace mv {

class RequestDownload;

class LibraryFileDownloader {
 public:
  // The current session's downloader, else the plain one.
  static std::shared_ptr<LibraryFileDownloader> current();

  virtual ~LibraryFileDownloader() = default;
  // The published library file with that id is on the device.
  virtual bool isExists(int fileId) = 0;
  // A download of that file name is under way, or paused.
  virtual bool isInDownloadList(const std::string& fileName) = 0;
  virtual bool isInPauseList(const std::string& fileName) = 0;
  // Sends the download and receives its outcome; answers the download id.
  virtual int sendRequest(const std::shared_ptr<RequestDownload>& request) = 0;
};

}  // namespace mv
