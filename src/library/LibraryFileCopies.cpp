#include "library/LibraryFileCopies.hpp"

#include <map>

#include "platform/base/MainThread.hpp"

namespace mv {
namespace {

std::map<LibraryOpenAction, LibraryFileCopies::Drop>& drops() {
  static std::map<LibraryOpenAction, LibraryFileCopies::Drop> table;
  return table;
}

}  // namespace

void LibraryFileCopies::install(LibraryOpenAction viewer, Drop drop) {
  MV_ASSERT_MAIN_THREAD();
  if (drop) {
    drops()[viewer] = std::move(drop);
  } else {
    drops().erase(viewer);
  }
}

void LibraryFileCopies::fileChanged(const std::filesystem::path& file) {
  MV_ASSERT_MAIN_THREAD();
  for (const auto& [viewer, drop] : drops()) drop(file);
}

}  // namespace mv
