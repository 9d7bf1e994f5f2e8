#include "sync/StoreDownloadedFilesModel.hpp"

#include <filesystem>
#include <system_error>

#include "store/DataAccessManager.hpp"
#include "util/PublicFunction.hpp"

namespace mv {
namespace {

bool isFileOnDisk(const std::string& name, const std::string& type) {
  auto path = PublicFunction::filePathWithName(name, PublicFunction::getFileType(type));
  std::error_code ec;
  return path && std::filesystem::is_regular_file(*path, ec);
}

}  // namespace

std::vector<base::Value> StoreDownloadedFilesModel::allExsitsFilesDic() {
  std::vector<base::Value> out;
  DataAccessManager* dam = DataAccessManager::sharedDataModel();
  if (!dam) return out;
  for (const auto& file : dam->getAllLibFiles()) {
    bool present = isFileOnDisk(file.file_name, file.type);
    if (!present) {
      if (auto update = dam->getLibFileUpdateByFileID(file.file_id)) {
        present = isFileOnDisk(update->oldFileName, update->oldFileType);
      }
    }
    if (!present) continue;
    base::Value v = base::Value::object();
    v["id"] = std::to_string(file.file_id);
    v["file_name"] = file.file_name;
    out.push_back(std::move(v));
  }
  return out;
}

}  // namespace mv
