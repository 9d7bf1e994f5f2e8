#include "platform/base/FolderCopies.hpp"

#include <map>

#include "platform/base/MainThread.hpp"

namespace base {
namespace {

std::map<std::string, FolderCopies::Remove>& keepers() {
  static std::map<std::string, FolderCopies::Remove> table;
  return table;
}

}  // namespace

void FolderCopies::install(const std::string& keeper, Remove remove) {
  MV_ASSERT_MAIN_THREAD();
  if (remove) {
    keepers()[keeper] = std::move(remove);
  } else {
    keepers().erase(keeper);
  }
}

bool FolderCopies::removeAll(const std::filesystem::path& folder) {
  MV_ASSERT_MAIN_THREAD();
  bool all = true;
  // Every keeper is asked, whichever failed before it.
  for (const auto& [keeper, remove] : keepers()) all = remove(folder) && all;
  return all;
}

}  // namespace base
