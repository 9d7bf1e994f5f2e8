#include "library/LibraryServices.hpp"

#include "library/LibraryViewers.hpp"
#include "library/PPTLoadingViewController.hpp"
#include "library/SaleslibraryController.hpp"
#include "library/SaleslibraryModel.hpp"
#include "library/VideoViewController.hpp"
#include "shell/frame/MainTabScreens.hpp"
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
  MainTabScreens::setScreenMaker(MainTabScreens::kSalesLibrary, [] { return std::make_shared<SaleslibraryController>(); });
  installViewers();
}

void LibraryServices::installViewers() {
  LibraryViewers::install(LibraryOpenAction::Video, [](const std::filesystem::path& path, const std::string& title) {
    auto player = std::make_shared<VideoViewController>();
    player->createWithFilename(title, path);
    return player;
  });
  LibraryViewers::install(LibraryOpenAction::OfficeViewer,
                          [](const std::filesystem::path& path, const std::string& title) {
                            auto viewer = std::make_shared<PPTLoadingViewController>();
                            viewer->setFileName(title);
                            viewer->setFilePath(path);
                            return viewer;
                          });
}

void LibraryServices::uninstall() {
  LibraryFileDownloader::install(nullptr);
  DownloadedFilesModel::install(nullptr);
  MainTabScreens::setScreenMaker(MainTabScreens::kSalesLibrary, {});
  LibraryViewers::install(LibraryOpenAction::Video, {});
  LibraryViewers::install(LibraryOpenAction::OfficeViewer, {});
}

}  // namespace mv
