#include "LargePicture.hpp"

#include <png.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <cstdio>
#include <jpeglib.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <vector>

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

void pictureRow(std::vector<std::uint8_t>& row, int y, int width, int channels) {
  for (int x = 0; x < width; ++x) {
    const unsigned grain = (static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u) >> 28;
    const bool left = x < width / 2;
    std::uint8_t* p = row.data() + static_cast<std::size_t>(x) * channels;
    p[0] = static_cast<std::uint8_t>(left ? 220 + grain : 10 + grain);
    p[1] = static_cast<std::uint8_t>(20 + grain);
    p[2] = static_cast<std::uint8_t>(left ? 10 + grain : 220 + grain);
  }
}

bool writeJpeg(std::FILE* out, bool progressive, int width, int height) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, out);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 80, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    pictureRow(row, y, width, 3);
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

struct PngWrite {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t> row;
  ~PngWrite() { png_destroy_write_struct(&png, &info); }
};

bool writePng(std::FILE* out, PngWrite& job, int width, int height) {
  job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!job.png) return false;
  job.info = png_create_info_struct(job.png);
  if (!job.info) return false;
  if (setjmp(png_jmpbuf(job.png))) return false;
  png_init_io(job.png, out);
  png_set_compression_level(job.png, 1);
  png_set_IHDR(job.png, job.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(job.png, job.info);
  // libpng's writer takes whole rows and picks each pass's pixels from them.
  const int passes = png_set_interlace_handling(job.png);
  job.row.resize(static_cast<std::size_t>(width) * 3);
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < height; ++y) {
      pictureRow(job.row, y, width, 3);
      png_write_row(job.png, job.row.data());
    }
  }
  png_write_end(job.png, nullptr);
  return true;
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
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return false;
  bool written = false;
  if (kind == PictureKind::InterlacedPng) {
    PngWrite job;
    written = writePng(out, job, width, height);
  } else {
    written = writeJpeg(out, kind == PictureKind::ProgressiveJpeg, width, height);
  }
  return std::fclose(out) == 0 && written;
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
            static_cast<std::uint64_t>(kLargePictureWidth) * kLargePictureHeight)
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
