#include "util/DiskRoom.hpp"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace mv {
namespace {

// A disk reading that still answers, and the bytes granted on its word.
struct Granting {
  std::string folder;
  std::chrono::steady_clock::time_point at;
  std::uint64_t available = 0;
  std::uint64_t granted = 0;
};

struct SpaceReading {
  std::mutex mutex;
  DiskRoom::Reading read;
  // The few folders a process writes to (its downloads, its spill files),
  // newest first.
  std::vector<Granting> granting;
};

SpaceReading& spaceReading() {
  static SpaceReading* reading = new SpaceReading();  // never destroyed: read from worker threads
  return *reading;
}

std::atomic<std::uint64_t> gReadingsTaken{0};
constexpr std::size_t kFoldersGranting = 4;

std::uint64_t marginOf(bool keepMargin) { return keepMargin ? DiskRoom::kMarginBytes : 0; }

// The room above the margin, when it is kept.
std::uint64_t spaceAbove(const DiskRoom::Space& space, bool keepMargin) {
  const std::uint64_t margin = marginOf(keepMargin);
  return space.available > margin ? space.available - margin : 0;
}

// The disk that holds `folder`, asked of its nearest existing parent.
std::optional<DiskRoom::Space> readSpace(fs::path folder) {
  std::error_code ec;
  folder = fs::absolute(folder, ec);
  if (ec) return std::nullopt;
  DiskRoom::Reading read;
  {
    std::lock_guard<std::mutex> lock(spaceReading().mutex);
    read = spaceReading().read;
  }
  gReadingsTaken.fetch_add(1, std::memory_order_relaxed);
  // The disk is read at once, and the folder's nearest existing parent
  // looked for only when it is not there.
  if (!read) {
    if (const fs::space_info info = fs::space(folder, ec); !ec) return DiskRoom::Space{info.capacity, info.available};
  }
  while (!fs::exists(folder, ec)) {
    if (!folder.has_relative_path()) return std::nullopt;
    folder = folder.parent_path();
  }
  if (read) return read(folder);
  if (const fs::space_info info = fs::space(folder, ec); !ec) return DiskRoom::Space{info.capacity, info.available};
  return std::nullopt;
}

}  // namespace

void DiskRoom::setReading(Reading reading) {
  std::lock_guard<std::mutex> lock(spaceReading().mutex);
  spaceReading().read = std::move(reading);
  spaceReading().granting.clear();
}

std::optional<std::uint64_t> DiskRoom::roomFor(fs::path folder, bool keepMargin) {
  const auto space = readSpace(std::move(folder));
  if (!space) return std::nullopt;
  return spaceAbove(*space, keepMargin);
}

bool DiskRoom::hasRoomFor(const fs::path& folder, std::uint64_t bytes, bool keepMargin) {
  if (bytes == 0) return true;
  const auto now = std::chrono::steady_clock::now();
  const std::uint64_t margin = marginOf(keepMargin);
  {
    std::lock_guard<std::mutex> lock(spaceReading().mutex);
    auto& granting = spaceReading().granting;
    auto it = std::find_if(granting.begin(), granting.end(), [&](const Granting& g) { return g.folder == folder.native(); });
    // A reading made for a test is asked every time: the test may change it.
    if (it != granting.end() && !spaceReading().read && now - it->at < kReadingReach &&
        it->available >= margin + kReadingSlackBytes && bytes <= it->available - margin - kReadingSlackBytes &&
        it->granted <= it->available - margin - kReadingSlackBytes - bytes) {
      it->granted += bytes;
      return true;
    }
  }
  const auto space = readSpace(folder);
  if (!space) return true;
  const bool fits = bytes <= spaceAbove(*space, keepMargin);
  std::lock_guard<std::mutex> lock(spaceReading().mutex);
  auto& granting = spaceReading().granting;
  std::erase_if(granting, [&](const Granting& g) { return g.folder == folder.native(); });
  granting.insert(granting.begin(), Granting{folder.native(), now, space->available, fits ? bytes : 0});
  if (granting.size() > kFoldersGranting) granting.pop_back();
  return fits;
}

std::uint64_t DiskRoom::readingsTaken() { return gReadingsTaken.load(std::memory_order_relaxed); }

}  // namespace mv
