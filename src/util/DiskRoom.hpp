#pragma once
// The room the application may take of a disk for what it writes of its own
// accord (archives it unpacks, files it downloads): what is left on the disk,
// less a margin kept free, so that those writes never take the room the
// user's own saves need. Any thread.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace mv {

class DiskRoom {
 public:
  // The size of the disk that holds a folder, and the room left on it.
  struct Space {
    std::uint64_t capacity = 0;
    std::uint64_t available = 0;
  };
  using Reading = std::function<std::optional<Space>(const std::filesystem::path& folder)>;
  // Reads the disk with `reading` instead of the file system's own word
  // (nothing: the file system's again).
  static void setReading(Reading reading);

  // What is kept free on a disk of `capacity` bytes: a share of it, never
  // less than a floor nor more than a ceiling (a share of a large disk would
  // refuse a small file with many gigabytes free).
  static constexpr std::uint64_t kMarginShareDivisor = 50;
  static constexpr std::uint64_t kMarginFloorBytes = std::uint64_t{256} << 20;
  static constexpr std::uint64_t kMarginCeilingBytes = std::uint64_t{1} << 30;
  static constexpr std::uint64_t marginFor(std::uint64_t capacity) {
    const std::uint64_t share = capacity / kMarginShareDivisor;
    return share < kMarginFloorBytes ? kMarginFloorBytes : share > kMarginCeilingBytes ? kMarginCeilingBytes : share;
  }

  // The bytes that may still be written on the disk that holds `folder`
  // (asked of its nearest existing parent): what is left on it, less the
  // margin when `keepMargin`; nothing when the disk does not say.
  static std::optional<std::uint64_t> roomFor(std::filesystem::path folder, bool keepMargin = true);
};

}  // namespace mv
