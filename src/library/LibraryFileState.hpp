#pragma once
// What the library screens know of one file at the moment they look: whether
// it is on the device, downloading or paused (from the download manager),
// and whether it has a pending update, is new or a favourite (from the store).
#include "store/Entities.hpp"

namespace mv {

struct LibraryFileState {
  bool present = false;
  bool downloading = false;
  bool paused = false;
  bool pendingUpdate = false;
  bool isNew = false;
  bool favourite = false;
  // The last reported share of its download.
  float percent = 0;

  // Reads the session's download manager and the store now.
  static LibraryFileState of(const marvisto_library_files_Entity& file);
};

}  // namespace mv
