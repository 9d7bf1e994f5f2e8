#pragma once
// The published library files whose file is in the client's folder for its
// type; a file with a pending update counts while its old file is there.
#include <filesystem>
#include <string>

#include "store/Entities.hpp"
#include "sync/DownloadedFilesModel.hpp"

namespace mv {

class DataAccessManager;

class StoreDownloadedFilesModel : public DownloadedFilesModel {
 public:
  std::vector<base::Value> allExsitsFilesDic() override;

  // A file of that name and type word is in the client's folder for the type.
  static bool isFileOnDisk(const std::string& name, const std::string& type);
  // The library file is on the device: its file, or the old version of its
  // pending update.
  static bool isOnDevice(DataAccessManager& dam, const marvisto_library_files_Entity& file);
  // Another library file than `fileId` is now stored at `path`: an old
  // version's file there is that file's, not one to remove.
  static bool isPathOfAnotherFile(DataAccessManager& dam, const std::filesystem::path& path, int fileId);
  // Drops the partial download data and resume records of the library file,
  // under its current name and type and under its old version's, whichever
  // session or attempt left them.
  static void discardPartialData(DataAccessManager& dam, const marvisto_library_files_Entity& file);
};

}  // namespace mv
