#include "BenchPictures.hpp"

#include <cstdint>
#include <system_error>

#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "store/DataAccessManager.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/ImageLoadQueueManager.hpp"

namespace fs = std::filesystem;

namespace bench {

bool writeLargePicture(const fs::path& file, mv::test::PictureKind kind) {
  constexpr int width = mv::test::kLargePictureWidth, height = mv::test::kLargePictureHeight;
  return mv::test::writePictureRows(file, kind, width, height, 85, [](std::uint8_t* row, int y) {
    for (int x = 0; x < width; ++x) {
      const unsigned grain = (static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u) >> 27;
      row[static_cast<std::size_t>(x) * 3] = static_cast<std::uint8_t>(x * 255 / width ^ grain);
      row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<std::uint8_t>(y * 255 / height ^ grain);
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<std::uint8_t>((x + y) % 256);
    }
  });
}

std::size_t placePictures(mv::DataAccessManager& store, const std::function<bool(const fs::path&)>& writeFirst) {
  const auto images = store.getImageOfEveryProduct();
  if (!images) return 0;
  fs::path first;
  std::error_code ec;
  std::size_t placed = 0;
  for (const auto& [product, image] : *images) {
    auto path = mv::PublicFunction::filePathWithName(image.image_thumb_address, mv::kFileTypeProductImage);
    if (!path) continue;
    fs::create_directories(path->parent_path(), ec);
    fs::remove(*path, ec);
    if (first.empty()) {
      if (!writeFirst(*path)) return 0;
      first = *path;
    } else {
      fs::create_hard_link(first, *path, ec);
      if (ec) return 0;
    }
    ++placed;
  }
  return placed;
}

void waitForPictures() {
  for (int round = 0; round < 1000; ++round) {
    base::WorkQueue::global().waitIdle();
    base::RunLoop::main().drain();
    if (mv::ImageLoadQueueManager::sharedInstance().operationCount() == 0) break;
  }
}

}  // namespace bench
