#include "sync/StoreDownloadedFilesModel.hpp"

#include <filesystem>
#include <system_error>

#include "store/DataAccessManager.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/SessionServices.hpp"
#include "util/PublicFunction.hpp"

namespace mv {

bool StoreDownloadedFilesModel::isFileOnDisk(const std::string& name, const std::string& type) {
  auto path = PublicFunction::filePathWithName(name, PublicFunction::getFileType(type));
  std::error_code ec;
  return path && std::filesystem::is_regular_file(*path, ec);
}

bool StoreDownloadedFilesModel::isOnDevice(DataAccessManager& dam, const marvisto_library_files_Entity& file) {
  if (isFileOnDisk(file.file_name, file.type)) return true;
  auto update = dam.getLibFileUpdateByFileID(file.file_id);
  return update && isFileOnDisk(update->oldFileName, update->oldFileType);
}

bool StoreDownloadedFilesModel::isPathOfAnotherFile(DataAccessManager& dam, const std::filesystem::path& path,
                                                    int fileId) {
  for (const auto& file : dam.getAllLibFiles()) {
    if (file.file_id == fileId) continue;
    if (PublicFunction::filePathWithName(file.file_name, PublicFunction::getFileType(file.type)) == path) return true;
  }
  return false;
}

void StoreDownloadedFilesModel::discardPartialData(DataAccessManager& dam, const marvisto_library_files_Entity& file) {
  HttpNetworkCtrl::discardPartialWithName(file.file_name, PublicFunction::getFileType(file.type));
  if (auto update = dam.getLibFileUpdateByFileID(file.file_id)) {
    HttpNetworkCtrl::discardPartialWithName(update->oldFileName, PublicFunction::getFileType(update->oldFileType));
  }
}

std::vector<base::Value> StoreDownloadedFilesModel::allExsitsFilesDic() {
  std::vector<base::Value> out;
  auto services = SessionServices::current();
  if (!services) return out;
  DataAccessManager& dam = services->database();
  for (const auto& file : dam.getAllLibFiles()) {
    if (!isOnDevice(dam, file)) continue;
    base::Value v = base::Value::object();
    v["id"] = std::to_string(file.file_id);
    v["file_name"] = file.file_name;
    out.push_back(std::move(v));
  }
  return out;
}

}  // namespace mv
