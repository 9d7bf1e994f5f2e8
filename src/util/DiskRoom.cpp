#include "util/DiskRoom.hpp"

#include <mutex>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace mv {
namespace {

struct SpaceReading {
  std::mutex mutex;
  DiskRoom::Reading read;
};

SpaceReading& spaceReading() {
  static SpaceReading* reading = new SpaceReading();  // never destroyed: read from worker threads
  return *reading;
}

// The room above the margin, when it is kept.
std::uint64_t spaceAbove(const DiskRoom::Space& space, bool keepMargin) {
  const std::uint64_t margin = keepMargin ? DiskRoom::kMarginBytes : 0;
  return space.available > margin ? space.available - margin : 0;
}

}  // namespace

void DiskRoom::setReading(Reading reading) {
  std::lock_guard<std::mutex> lock(spaceReading().mutex);
  spaceReading().read = std::move(reading);
}

std::optional<std::uint64_t> DiskRoom::roomFor(fs::path folder, bool keepMargin) {
  std::error_code ec;
  folder = fs::absolute(folder, ec);
  if (ec) return std::nullopt;
  Reading read;
  {
    std::lock_guard<std::mutex> lock(spaceReading().mutex);
    read = spaceReading().read;
  }
  // Asked once a file, twice a download: the disk is read at once, and the
  // folder's nearest existing parent looked for only when it is not there.
  std::optional<Space> space;
  if (!read) {
    if (const fs::space_info info = fs::space(folder, ec); !ec) return spaceAbove({info.capacity, info.available}, keepMargin);
  }
  while (!fs::exists(folder, ec)) {
    if (!folder.has_relative_path()) return std::nullopt;
    folder = folder.parent_path();
  }
  if (read) {
    space = read(folder);
  } else if (const fs::space_info info = fs::space(folder, ec); !ec) {
    space = Space{info.capacity, info.available};
  }
  if (!space) return std::nullopt;
  return spaceAbove(*space, keepMargin);
}

}  // namespace mv
