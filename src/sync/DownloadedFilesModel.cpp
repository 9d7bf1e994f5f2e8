#include "sync/DownloadedFilesModel.hpp"

#include "sync/StoreDownloadedFilesModel.hpp"

namespace mv {
namespace {

std::shared_ptr<DownloadedFilesModel>& slot() {
  static std::shared_ptr<DownloadedFilesModel> model;
  return model;
}

}  // namespace

std::shared_ptr<DownloadedFilesModel> DownloadedFilesModel::current() {
  if (auto model = slot()) return model;
  return std::make_shared<StoreDownloadedFilesModel>();
}

void DownloadedFilesModel::install(std::shared_ptr<DownloadedFilesModel> model) { slot() = std::move(model); }

}  // namespace mv
