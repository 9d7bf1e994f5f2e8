#include "LargePicture.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/ui/Screen.hpp"
#include "widgets/ImageLoadQueueManager.hpp"

#if defined(__SANITIZE_ADDRESS__)
#define MV_SEES_ALLOCATIONS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MV_SEES_ALLOCATIONS 1
#endif
#endif

#ifdef MV_SEES_ALLOCATIONS
// The sanitizer's allocator interface (its header is not always installed).
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*, std::size_t),
                                              void (*freeHook)(const volatile void*));
std::size_t __sanitizer_get_allocated_size(const volatile void* p);
}
#endif

namespace mv::test {
namespace {

void pictureRow(std::uint8_t* row, int y, int width) {
  for (int x = 0; x < width; ++x) {
    const unsigned grain = (static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u) >> 28;
    const bool left = x < width / 2;
    std::uint8_t* p = row + static_cast<std::size_t>(x) * 3;
    p[0] = static_cast<std::uint8_t>(left ? 220 + grain : 10 + grain);
    p[1] = static_cast<std::uint8_t>(20 + grain);
    p[2] = static_cast<std::uint8_t>(left ? 10 + grain : 220 + grain);
  }
}

#ifdef MV_SEES_ALLOCATIONS
std::atomic<bool> counting{false};
std::atomic<std::int64_t> current{0}, peak{0};

void onAllocate(const volatile void*, std::size_t size) {
  if (!counting.load(std::memory_order_relaxed)) return;
  const std::int64_t now = current.fetch_add(static_cast<std::int64_t>(size)) + static_cast<std::int64_t>(size);
  std::int64_t seen = peak.load();
  while (now > seen && !peak.compare_exchange_weak(seen, now)) {
  }
}

void onFree(const volatile void* p) {
  if (!counting.load(std::memory_order_relaxed) || !p) return;
  current.fetch_sub(static_cast<std::int64_t>(__sanitizer_get_allocated_size(p)));
}
#endif

}  // namespace

bool writeLargePicture(const std::filesystem::path& file, PictureKind kind, int width, int height) {
  return writePictureRows(file, kind, width, height, 80,
                          [width](std::uint8_t* row, int y) { pictureRow(row, y, width); });
}

void settlePictures() {
  for (int round = 0; round < 200; ++round) {
    base::WorkQueue::global().waitIdle();
    base::RunLoop::main().drain();
    if (ImageLoadQueueManager::sharedInstance().operationCount() == 0) {
      base::WorkQueue::global().waitIdle();
      base::RunLoop::main().drain();
      if (ImageLoadQueueManager::sharedInstance().operationCount() == 0) return;
    }
  }
}

void expectReadAtShownSize(const ui::ImageView& view) {
  const auto shown = view.image();
  ASSERT_TRUE(shown) << "no picture shown";
  const double scale = ui::Screen::mainScreen().scale();
  const ui::Size box = view.bounds().size;
  EXPECT_LE(shown->pixelWidth(), std::ceil(box.width * scale));
  EXPECT_LE(shown->pixelHeight(), std::ceil(box.height * scale));
  EXPECT_LT(gfx::ImageData::largestDecodeOnMainThread(),
            static_cast<std::uint64_t>(kHugePictureWidth) * kHugePictureHeight)
      << "a large picture was decoded on the main thread";
}

std::optional<std::size_t> peakAllocatedBy(const std::function<void()>& work) {
#ifdef MV_SEES_ALLOCATIONS
  static const bool installed = __sanitizer_install_malloc_and_free_hooks(onAllocate, onFree) != 0;
  if (!installed) return std::nullopt;
  current = 0;
  peak = 0;
  counting = true;
  work();
  counting = false;
  return static_cast<std::size_t>(peak.load());
#else
  work();
  return std::nullopt;
#endif
}

}  // namespace mv::test
