#pragma once
// What the files below a folder take of the disk, for tests that play a
// disk short of room.
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace mv::test {

// The bytes the regular files below `folder` hold together (0 when it is
// absent), but those `skipped` names. A file that goes while it is counted
// counts for nothing; the count goes on.
template <typename Skipped = bool (*)(const std::filesystem::path&)>
std::uintmax_t bytesUnder(const std::filesystem::path& folder,
                          Skipped skipped = [](const std::filesystem::path&) { return false; }) {
  std::uintmax_t bytes = 0;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code gone;
    if (skipped(it->path()) || !it->is_regular_file(gone)) continue;
    const std::uintmax_t size = it->file_size(gone);
    if (!gone) bytes += size;
  }
  return bytes;
}

}  // namespace mv::test
