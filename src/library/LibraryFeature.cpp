#include "library/LibraryFeature.hpp"

#include "library/ReaderViewController.hpp"
#include "library/SaleslibraryModel.hpp"
#include "shell/frame/FeatureWiring.hpp"
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
  });  ReaderViewController::installAsLibraryViewer();
}

}  // namespace mv
