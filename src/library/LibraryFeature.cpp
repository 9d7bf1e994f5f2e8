#include "library/LibraryFeature.hpp"

#include "library/epub/EPUBViewController.hpp"
#include "library/LibraryViewers.hpp"
#include "library/PPTLoadingViewController.hpp"
#include "library/reader/ReaderViewController.hpp"
#include "library/SaleslibraryController.hpp"
#include "library/SaleslibraryModel.hpp"
#include "library/VideoViewController.hpp"
#include "library/reader/ReaderDocument.hpp"
#include "platform/base/FolderCopies.hpp"
#include "services/OfficeConverter.hpp"
#include "services/OfficePreviewCache.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "sync/DownloadedFilesModel.hpp"
#include "sync/LibraryFileDownloader.hpp"

namespace mv {
namespace {

class ManagerFileDownloader : public LibraryFileDownloader {
 public:
  explicit ManagerFileDownloader(std::shared_ptr<SaleslibraryModel> manager) : manager_(std::move(manager)) {}
  bool isExists(int fileId) override { return manager_->isExists(fileId); }
  bool isInDownloadList(const std::string& fileName) override { return manager_->isInDownloadList(fileName); }
  bool isInPauseList(const std::string& fileName) override { return manager_->isInPauseList(fileName); }
  int sendRequest(const std::shared_ptr<RequestDownload>& request) override { return manager_->sendRequest(request); }

 private:
  std::shared_ptr<SaleslibraryModel> manager_;
};

class ManagerDownloadedFiles : public DownloadedFilesModel {
 public:
  explicit ManagerDownloadedFiles(std::shared_ptr<SaleslibraryModel> manager) : manager_(std::move(manager)) {}
  std::vector<base::Value> allExsitsFilesDic() override { return manager_->allExsitsFilesDic(); }

 private:
  std::shared_ptr<SaleslibraryModel> manager_;
};

}  // namespace

void LibraryFeature::install(FeatureWiring& wiring) {
  wiring.services.add<SaleslibraryModel>();
  wiring.services.add<LibraryFileDownloader>([](SessionServices& services) -> std::shared_ptr<LibraryFileDownloader> {
    auto manager = services.get<SaleslibraryModel>();
    return manager ? std::make_shared<ManagerFileDownloader>(manager) : nullptr;
  });
  wiring.services.add<DownloadedFilesModel>([](SessionServices& services) -> std::shared_ptr<DownloadedFilesModel> {
    auto manager = services.get<SaleslibraryModel>();
    return manager ? std::make_shared<ManagerDownloadedFiles>(manager) : nullptr;
  });
  wiring.setScreenMaker(MainTabScreens::kSalesLibrary,
                        [](SessionServices& services) {
                          return std::make_shared<SaleslibraryController>(services.get<SaleslibraryModel>(),
                                                                          services.get<ConfigManager>());
                        });
  // Conversions a killed run left half done.
  wiring.onLaunch.push_back([] { svc::OfficePreviewCache(svc::OfficeConverter::defaultCacheFolder()).sweep(); });
  installViewers();
}

void LibraryFeature::installViewers() {
  ReaderViewController::installAsLibraryViewer();
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
  EPUBViewController::installAsViewer();
  // What the viewers keep of a folder's files outside it goes with the folder.
  base::FolderCopies::install("reader", &ReaderDocument::removeRecordsInside);
  base::FolderCopies::install("office", &svc::OfficeConverter::dropPreviews);
}

}  // namespace mv
