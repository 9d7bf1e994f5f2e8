#include "library/LibraryFileState.hpp"

#include "library/SaleslibraryModel.hpp"
#include "store/DataAccessManager.hpp"

namespace mv {

LibraryFileState LibraryFileState::of(const marvisto_library_files_Entity& file) {
  LibraryFileState s;
  if (auto manager = SaleslibraryModel::sharedInstance()) {
    s.present = manager->isExists(file.file_id);
    s.downloading = manager->isInDownloadList(file.file_name);
    s.paused = manager->isInPauseList(file.file_name);
    s.percent = manager->getDownloadPercentage(file.file_name);
  }
  s.isNew = file.isNew == 1;
  if (DataAccessManager* dam = DataAccessManager::sharedDataModel()) {
    s.pendingUpdate = dam->getLibFileUpdateByFileID(file.file_id).has_value();
    s.favourite = dam->getLibraryFavoriteByFavoriteId(file.file_id).has_value();
  }
  return s;
}

}  // namespace mv
