// libFuzzer harness of the picture decoders' JPEG paths, chiefly the
// progressive reader (ProgressiveJpegReader) that reads untrusted pictures
// at the size they are shown. Not part of the test suite: tests/fuzz/run
// builds it with clang under AddressSanitizer and UndefinedBehaviorSanitizer
// and runs it for a while. The first byte of an input chooses the eighths
// and box it is read at; the rest is the file.
//
//   jpeg-fuzz --make-seeds DIR   writes progressive pictures of every kind to start from
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/ImageData.hpp"
#include "platform/gfx/ProgressiveJpegReader.hpp"

namespace {

// A small progressive picture: `components` 1 (grey), 3 (YCbCr, or 4:4:4
// when `full`) or 4 (CMYK, or YCCK when `full`), with restarts when asked.
std::vector<unsigned char> seed(int width, int height, int components, bool full, int restartRows) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  if (components == 4 && full) jpeg_set_colorspace(&cinfo, JCS_YCCK);
  if (components == 3 && full) cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
  jpeg_set_quality(&cinfo, 75, TRUE);
  cinfo.restart_in_rows = restartRows;
  jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * components);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < components; ++c)
        row[static_cast<std::size_t>(x * components + c)] = static_cast<JSAMPLE>((x * 7 + y * 13 + c * 50) ^ (x * y));
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<unsigned char> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

void makeSeeds(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  int n = 0;
  for (int components : {1, 3, 4}) {
    for (bool full : {false, true}) {
      for (int restartRows : {0, 1}) {
        for (unsigned char choice : {0x00, 0x21, 0x42}) {
          auto bytes = seed(67 + n, 45 + n, components, full, restartRows);
          bytes.insert(bytes.begin(), choice);
          const auto file = folder / ("seed-" + std::to_string(n++) + ".jpg");
          std::FILE* out = std::fopen(file.c_str(), "wb");
          if (!out) continue;
          std::fwrite(bytes.data(), 1, bytes.size(), out);
          std::fclose(out);
        }
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  for (int i = 1; i + 1 < *argc; ++i) {
    if (std::strcmp((*argv)[i], "--make-seeds") == 0) {
      makeSeeds((*argv)[i + 1]);
      std::exit(0);
    }
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int eighths = 1 + (data[0] & 7) % gfx::ProgressiveJpegReader::kMaxEighths;
  const int box = 16 << (data[0] >> 4 & 3);
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  if (auto picture = gfx::ProgressiveJpegReader::read(bytes, nullptr, eighths, box, box)) {
    if (picture->width > box || picture->height > box) std::abort();
  }
  // The way the screens read: the decoder's header first, then this reader or the decoder.
  if (data[0] & 0x80) {
    if (auto picture = gfx::ImageData::decodeFitting(bytes, box * 4, box * 4)) {
      if (picture->width > box * 4 || picture->height > box * 4) std::abort();
    }
  }
  return 0;
}
