#pragma once
// What a feature makes from the files of a folder and keeps outside it (the
// thumbnails and records of its documents, their converted pages) would
// outlive the folder: each such keeper installs here how its copies of a
// folder's files go, and whoever deletes the folder has them go first,
// while the files still tell what was made from them. Main thread only.
#include <filesystem>
#include <functional>
#include <string>

namespace base {

class FolderCopies {
 public:
  // True when nothing made from the files inside the folder is left.
  using Remove = std::function<bool(const std::filesystem::path& folder)>;

  // Under the keeper's name; an empty `remove` takes it away.
  static void install(const std::string& keeper, Remove remove);
  // Every keeper's copies of the files inside `folder`; true when all went.
  [[nodiscard]] static bool removeAll(const std::filesystem::path& folder);
};

}  // namespace base
