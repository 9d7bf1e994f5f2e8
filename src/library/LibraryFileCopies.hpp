#pragma once
// What a viewer makes from a library file and keeps outside the file's
// folder (an Office file's converted pages) would outlive the file: the
// library's models tell here when a file is deleted or its bytes are
// replaced, and each viewer that keeps such copies installs how they go.
// Main thread only.
#include <filesystem>
#include <functional>

#include "library/LibraryFileOpener.hpp"

namespace mv {

class LibraryFileCopies {
 public:
  using Drop = std::function<void(const std::filesystem::path& file)>;

  // An empty drop removes the viewer's.
  static void install(LibraryOpenAction viewer, Drop drop);
  // The file at `file` was deleted, or has other bytes now.
  static void fileChanged(const std::filesystem::path& file);
};

}  // namespace mv
