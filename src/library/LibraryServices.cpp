#include "library/LibraryServices.hpp"

#include "library/LibraryViewers.hpp"
#include "library/ReaderViewController.hpp"
#include "library/SaleslibraryModel.hpp"
#include "sync/DownloadedFilesModel.hpp"
#include "sync/LibraryFileDownloader.hpp"

namespace mv {
namespace {

// Both ask the session's manager at the moment of use, never a cached one.
class ManagerFileDownloader : public LibraryFileDownloader {
 public:
  bool isExists(int fileId) override { return SaleslibraryModel::sharedInstance()->isExists(fileId); }
  bool isInDownloadList(const std::string& fileName) override {
    return SaleslibraryModel::sharedInstance()->isInDownloadList(fileName);
  }
  bool isInPauseList(const std::string& fileName) override {
    return SaleslibraryModel::sharedInstance()->isInPauseList(fileName);
  }
  int sendRequest(const std::shared_ptr<RequestDownload>& request) override {
    return SaleslibraryModel::sharedInstance()->sendRequest(request);
  }
};

class ManagerDownloadedFiles : public DownloadedFilesModel {
 public:
  std::vector<base::Value> allExsitsFilesDic() override {
    return SaleslibraryModel::sharedInstance()->allExsitsFilesDic();
  }
};

}  // namespace

void LibraryServices::install(SessionHooks& hooks) {
  LibraryFileDownloader::install(std::make_shared<ManagerFileDownloader>());
  DownloadedFilesModel::install(std::make_shared<ManagerDownloadedFiles>());
  hooks.freeSaleslibraryModel = [] { SaleslibraryModel::freeInstance(); };
  ReaderViewController::installAsLibraryViewer();
}

void LibraryServices::uninstall() {
  LibraryFileDownloader::install(nullptr);
  DownloadedFilesModel::install(nullptr);
  LibraryViewers::install(LibraryOpenAction::PdfReader, {});
}

}  // namespace mv
