#pragma once
// Small checked file operations shared by every layer.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace base {

// The whole file, or nothing when it cannot be read or is larger than `maxBytes`.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> readFileBytes(const std::filesystem::path& path,
                                                                     std::size_t maxBytes = std::size_t(1) << 30);

// Writes `bytes` to a new file beside `path` and renames it over `path`, so a
// reader sees either the old file or the whole new one, never a torn one.
// Several threads may write the same path at once; the last rename wins.
// False (and `path` untouched) when any step fails.
[[nodiscard]] bool writeFileAtomically(const std::filesystem::path& path, const void* bytes, std::size_t size,
                                       mode_t mode = 0644);
[[nodiscard]] inline bool writeFileAtomically(const std::filesystem::path& path, std::string_view text,
                                              mode_t mode = 0644) {
  return writeFileAtomically(path, text.data(), text.size(), mode);
}

// Removes from `folder` the files that writeFileAtomically began there and
// never put in place: a process that ended in the middle of a write leaves
// them for good. Those of this process stay, as its writes may be under way.
// Answers how many went.
std::size_t removeUnfinishedWrites(const std::filesystem::path& folder);

// `path` is `folder` or lies inside it, word by word ("/a/b" holds "/a/b/c"
// but not "/a/bc"); both are taken as they are written, so give them in the
// same form.
bool isInside(const std::filesystem::path& path, const std::filesystem::path& folder);

}  // namespace base
