#pragma once
// What the files below a folder take of the disk, for tests that play a
// disk short of room.
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace mv::test {

// The bytes the regular files below `folder` hold together (0 when it is absent).
inline std::uintmax_t bytesUnder(const std::filesystem::path& folder) {
  std::uintmax_t bytes = 0;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file(ec)) bytes += it->file_size(ec);
  }
  return bytes;
}

}  // namespace mv::test
