#pragma once
// The room the application may take of a disk for what it writes of its own
// accord (archives it unpacks, files it downloads): what is left on the disk,
// less a margin kept free, so that those writes never take the room the
// user's own saves need. Any thread.
#include <chrono>
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

  // What is kept free on any disk: room for the user's own saves, not a
  // share of the disk (a share of a large one would refuse the company's
  // few megabytes of files with hundreds of megabytes free). The database
  // takes a save through its log, which the store cuts back to
  // `kDatabaseLogBytes` once its pages are in the file: the log may grow to
  // that, and the file by as much when it takes the log in. The floor is
  // for the rest the user saves (an order's PDF and signature, notes,
  // preferences).
  static constexpr std::uint64_t kDatabaseLogBytes = std::uint64_t{16} << 20;
  static constexpr std::uint64_t kSavesFloorBytes = std::uint64_t{32} << 20;
  static constexpr std::uint64_t kMarginBytes = kSavesFloorBytes + 2 * kDatabaseLogBytes;

  // The bytes that may still be written on the disk that holds `folder`
  // (asked of its nearest existing parent): what is left on it, less the
  // margin when `keepMargin`; nothing when the disk does not say.
  static std::optional<std::uint64_t> roomFor(std::filesystem::path folder, bool keepMargin = true);

  // Whether `bytes` more fit in roomFor(folder, keepMargin) (they do when the
  // disk does not say). Asked once a file, thousands of times a sync: while
  // a recent reading of the folder's disk leaves far more than is asked
  // beyond what it already granted, that reading answers; a disk nearing the
  // bound is read at every ask.
  static bool hasRoomFor(const std::filesystem::path& folder, std::uint64_t bytes, bool keepMargin = true);
  // The disk readings taken so far, for the tests that bound them.
  static std::uint64_t readingsTaken();
  // A reading answers for at most this long, and only while this much is
  // left beyond what it granted: another program would have to write that
  // much within the reach for a grant to eat into the margin.
  static constexpr auto kReadingReach = std::chrono::milliseconds(100);
  static constexpr std::uint64_t kReadingSlackBytes = std::uint64_t{64} << 20;
};

}  // namespace mv
