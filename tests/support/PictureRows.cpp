#include "PictureRows.hpp"

#include <png.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <vector>

namespace mv::test {
namespace {

}  // namespace

void blackAtHalf(jpeg_compress_struct& cinfo, bool progressive) {
  // Four components of which three are sampled at twice the fourth both
  // ways are more blocks than a scan of them all holds: one scan each, its
  // averages first and the rest after when progressive.
  static const jpeg_scan_info kProgressive[] = {{1, {0}, 0, 0, 0, 0},  {1, {1}, 0, 0, 0, 0},  {1, {2}, 0, 0, 0, 0},
                                                {1, {3}, 0, 0, 0, 0},  {1, {0}, 1, 63, 0, 0}, {1, {1}, 1, 63, 0, 0},
                                                {1, {2}, 1, 63, 0, 0}, {1, {3}, 1, 63, 0, 0}};
  static const jpeg_scan_info kSequential[] = {
      {1, {0}, 0, 63, 0, 0}, {1, {1}, 0, 63, 0, 0}, {1, {2}, 0, 63, 0, 0}, {1, {3}, 0, 63, 0, 0}};
  for (int c = 0; c < 4; ++c) cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = c < 3 ? 2 : 1;
  cinfo.scan_info = progressive ? kProgressive : kSequential;
  cinfo.num_scans = progressive ? 8 : 4;
}

namespace {

bool writeJpeg(std::FILE* out, PictureKind kind, int width, int height, int quality, const PictureRowFill& fill) {
  const bool cmyk = kind == PictureKind::ProgressiveCmykJpeg || kind == PictureKind::ProgressiveCmykBlackAtHalfJpeg;
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, out);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = cmyk ? 4 : 3;
  cinfo.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (kind == PictureKind::Progressive444Jpeg) cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
  if (kind != PictureKind::BaselineJpeg) jpeg_simple_progression(&cinfo);
  if (kind == PictureKind::ProgressiveCmykBlackAtHalfJpeg) blackAtHalf(cinfo, true);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
  std::vector<std::uint8_t> inks(cmyk ? static_cast<std::size_t>(width) * 4 : 0);
  for (int y = 0; y < height; ++y) {
    fill(row.data(), y);
    // The Adobe marker the writer adds says the inks are inverted (255: none):
    // the colour itself, with no black.
    for (int x = 0; cmyk && x < width; ++x) {
      const std::size_t at = static_cast<std::size_t>(x);
      inks[at * 4] = row[at * 3], inks[at * 4 + 1] = row[at * 3 + 1], inks[at * 4 + 2] = row[at * 3 + 2];
      inks[at * 4 + 3] = 255;
    }
    JSAMPROW r = cmyk ? inks.data() : row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

// Outside the function that sets the jump: what it holds is freed however
// the writer leaves.
struct PngWrite {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t> row;
  ~PngWrite() { png_destroy_write_struct(&png, &info); }
};

bool writeInterlacedPng(std::FILE* out, PngWrite& job, int width, int height, const PictureRowFill& fill) {
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
      fill(job.row.data(), y);
      png_write_row(job.png, job.row.data());
    }
  }
  png_write_end(job.png, nullptr);
  return true;
}

}  // namespace

bool writePictureRows(const std::filesystem::path& file, PictureKind kind, int width, int height, int jpegQuality,
                      const PictureRowFill& fill) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return false;
  bool written = false;
  if (kind == PictureKind::InterlacedPng) {
    PngWrite job;
    written = writeInterlacedPng(out, job, width, height, fill);
  } else {
    written = writeJpeg(out, kind, width, height, jpegQuality, fill);
  }
  return std::fclose(out) == 0 && written;
}

}  // namespace mv::test
