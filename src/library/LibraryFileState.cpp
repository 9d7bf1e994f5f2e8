#include "library/LibraryFileState.hpp"

#include "library/SaleslibraryModel.hpp"
#include "store/DataAccessManager.hpp"

namespace mv {

LibraryFileState LibraryFileState::of(const SaleslibraryModel& manager, const marvisto_library_files_Entity& file) {
  LibraryFileState s;
  s.present = manager.isExists(file.file_id);
  s.downloading = manager.isInDownloadList(file.file_name);
  s.paused = manager.isInPauseList(file.file_name);
  s.percent = manager.getDownloadPercentage(file.file_name);
  s.isNew = file.isNew == 1;
  DataAccessManager& store = manager.database();
  s.pendingUpdate = store.getLibFileUpdateByFileID(file.file_id).has_value();
  s.favourite = store.getLibraryFavoriteByFavoriteId(file.file_id).has_value();
  return s;
}

LibraryFileState::Reader LibraryFileState::readerOf(std::shared_ptr<SaleslibraryModel> manager) {
  return [manager = std::move(manager)](const marvisto_library_files_Entity& file) { return of(*manager, file); };
}

}  // namespace mv
