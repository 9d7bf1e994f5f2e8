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

}  // namespace

void DiskRoom::setReading(Reading reading) {
  std::lock_guard<std::mutex> lock(spaceReading().mutex);
  spaceReading().read = std::move(reading);
}

std::optional<std::uint64_t> DiskRoom::roomFor(fs::path folder, bool keepMargin) {
  std::error_code ec;
  folder = fs::absolute(folder, ec);
  if (ec) return std::nullopt;
  while (!fs::exists(folder, ec)) {
    if (!folder.has_relative_path()) return std::nullopt;
    folder = folder.parent_path();
  }
  Reading read;
  {
    std::lock_guard<std::mutex> lock(spaceReading().mutex);
    read = spaceReading().read;
  }
  std::optional<Space> space;
  if (read) {
    space = read(folder);
  } else if (const fs::space_info info = fs::space(folder, ec); !ec) {
    space = Space{info.capacity, info.available};
  }
  if (!space) return std::nullopt;
  const std::uint64_t margin = keepMargin ? kMarginBytes : 0;
  return space->available > margin ? space->available - margin : 0;
}

}  // namespace mv
