#include "sync/DownloadedFilesModel.hpp"

#include "platform/base/MainThread.hpp"
#include "sync/SessionServices.hpp"
#include "sync/StoreDownloadedFilesModel.hpp"

namespace mv {

std::shared_ptr<DownloadedFilesModel> DownloadedFilesModel::current() {
  MV_ASSERT_MAIN_THREAD();
  if (auto services = SessionServices::current()) {
    if (auto registered = services->get<DownloadedFilesModel>()) return registered;
  }
  return std::make_shared<StoreDownloadedFilesModel>();
}

}  // namespace mv
