#pragma once
// What the library screens know of one file at the moment they look: whether
// it is on the device, downloading or paused (from the download manager),
// and whether it has a pending update, is new or a favourite (from the store).
#include <functional>
#include <memory>

#include "store/Entities.hpp"

namespace mv {

class SaleslibraryModel;

struct LibraryFileState {
  bool present = false;
  bool downloading = false;
  bool paused = false;
  bool pendingUpdate = false;
  bool isNew = false;
  bool favourite = false;
  // The last reported share of its download.
  float percent = 0;

  using Reader = std::function<LibraryFileState(const marvisto_library_files_Entity&)>;

  // Reads the download manager and its store now.
  static LibraryFileState of(const SaleslibraryModel& manager, const marvisto_library_files_Entity& file);
  // `of` for that manager.
  static Reader readerOf(std::shared_ptr<SaleslibraryModel> manager);
};

}  // namespace mv
