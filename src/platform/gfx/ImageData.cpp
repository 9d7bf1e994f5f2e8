#include "platform/gfx/ImageData.hpp"

#include <png.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// jerror.h names the decoder's warnings; it needs jpeglib.h first.
#include <jerror.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/FileIO.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/DecoderMemory.hpp"
#include "platform/gfx/ImageScaler.hpp"
#include "platform/gfx/JpegScanBound.hpp"
#include "platform/gfx/ReadThroughBudget.hpp"
#include "platform/gfx/PictureWalk.hpp"
#include "platform/gfx/ProgressiveJpegReader.hpp"

namespace gfx {
namespace {

// The largest buffer a PNG is written into in one pass (a screen of
// 2048 x 1536 and more fits).
constexpr png_alloc_size_t kOnePassPngBytes = png_alloc_size_t(16) << 20;

bool sizeAllowed(std::uint64_t w, std::uint64_t h) {
  return w > 0 && h > 0 && w <= ImageData::kMaxDimension && h <= ImageData::kMaxDimension &&
         w * h <= ImageData::kMaxPixels;
}

// The largest picture, in the pixels of its file, decoded on the main thread.
std::atomic<std::uint64_t> mainThreadRecord{0};

void noteDecode(std::uint64_t w, std::uint64_t h) {
  const bool onMain = base::RunLoop::main().isMainThread();
  const std::uint64_t pixels = onMain ? w * h : 0;
  std::uint64_t seen = mainThreadRecord.load();
  while (pixels > seen && !mainThreadRecord.compare_exchange_weak(seen, pixels)) {
  }
}

bool looksLikePNG(std::string_view b) { return PictureWalk::kindOf(b) == PictureWalk::Kind::Png; }

bool looksLikeJPEG(std::string_view b) { return PictureWalk::kindOf(b) == PictureWalk::Kind::Jpeg; }

// ---- JPEG ------------------------------------------------------------------
// libjpeg reports fatal errors through longjmp. Every object with a destructor
// lives in the job structures, outside the frames that call setjmp, so the jump
// never skips one.

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

[[noreturn]] void onJpegError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

void onJpegMessage(j_common_ptr) {}

// What every read of a JPEG holds: the decoder, its errors, where its
// bytes come from, and its scans so far.
struct JpegReadJob {
  jpeg_decompress_struct cinfo{};
  JpegError err{};
  const unsigned char* data = nullptr;
  unsigned long size = 0;
  // Read from the file instead when set, a little at a time.
  std::FILE* file = nullptr;
  bool created = false;
  jpeg_progress_mgr progress{};
  JpegScanBound scans;
  int scanSeen = 0;
};

// The decoder asks before each piece of input it takes: each new scan, its
// parameters read and none of its data yet, passes the bound or ends the
// read as a fatal error does.
void onJpegProgress(j_common_ptr common) {
  auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
  auto* job = static_cast<JpegReadJob*>(cinfo->client_data);
  if (cinfo->input_scan_number == job->scanSeen) return;
  job->scanSeen = cinfo->input_scan_number;
  std::array<int, MAX_COMPS_IN_SCAN> members{};
  const int count = std::min(cinfo->comps_in_scan, MAX_COMPS_IN_SCAN);
  for (int i = 0; i < count; ++i) members[static_cast<std::size_t>(i)] = cinfo->cur_comp_info[i]->component_index;
  if (!job->scans.admit(cinfo->progressive_mode, members.data(), count, cinfo->Ss, cinfo->Se, cinfo->Ah, cinfo->Al))
    std::longjmp(job->err.jump, 1);
}

void prepareJpegErrors(JpegReadJob* job) {
  job->cinfo.err = jpeg_std_error(&job->err.mgr);
  job->err.mgr.error_exit = onJpegError;
  job->err.mgr.output_message = onJpegMessage;
}

// The decoder on the job's bytes; called after the caller's setjmp, where
// its errors jump.
void createJpegReader(JpegReadJob* job) {
  jpeg_create_decompress(&job->cinfo);
  job->created = true;
  job->cinfo.client_data = job;
  job->progress.progress_monitor = onJpegProgress;
  job->cinfo.progress = &job->progress;
  if (job->file) {
    jpeg_stdio_src(&job->cinfo, job->file);
  } else {
    jpeg_mem_src(&job->cinfo, job->data, job->size);
  }
}

bool endJpegRead(JpegReadJob* job, bool result) {
  if (job->created) jpeg_destroy_decompress(&job->cinfo);
  job->created = false;
  return result;
}

struct JpegDecodeJob : JpegReadJob {
  ImageData out;
  std::vector<std::uint8_t> row;
  // Stop after the header: only the dimensions are wanted.
  bool headerOnly = false;
  int width = 0, height = 0;
  // Shrunk to fit this box as it is read (0: read whole).
  int maxWidth = 0, maxHeight = 0;
  std::vector<std::uint8_t> rgba;
  std::optional<ImageScaler> scaler;
  // The coefficients a progressive picture keeps while it is read.
  std::optional<DecoderMemory::Hold> coefficients;
  // A progressive picture read smaller than whole stops after its header
  // (with `reducedWanted` set to the eighths it is read at) when
  // ProgressiveJpegReader may read it.
  bool reducedAllowed = false;
  int reducedWanted = 0;
};

// The bytes of the coefficient arrays the decoder keeps for a picture of
// many scans: every block of every component, 64 coefficients of 2 bytes.
std::size_t coefficientBytes(const jpeg_decompress_struct& cinfo) {
  if (!jpeg_has_multiple_scans(const_cast<jpeg_decompress_struct*>(&cinfo))) return 0;
  std::size_t bytes = 0;
  for (int c = 0; c < cinfo.num_components; ++c) {
    const jpeg_component_info& comp = cinfo.comp_info[c];
    const auto roundUp = [](std::size_t n, int to) { return to > 0 ? (n + to - 1) / to * to : n; };
    bytes += roundUp(comp.width_in_blocks, comp.h_samp_factor) * roundUp(comp.height_in_blocks, comp.v_samp_factor) *
             sizeof(JBLOCK);
  }
  return bytes;
}

bool runJpegDecode(JpegDecodeJob* job) {
  prepareJpegErrors(job);
  if (setjmp(job->err.jump)) return endJpegRead(job, false);
  createJpegReader(job);
  if (jpeg_read_header(&job->cinfo, TRUE) != JPEG_HEADER_OK ||
      !sizeAllowed(job->cinfo.image_width, job->cinfo.image_height)) {
    return endJpegRead(job, false);
  }
  if (job->headerOnly) {
    job->width = static_cast<int>(job->cinfo.image_width);
    job->height = static_cast<int>(job->cinfo.image_height);
    return endJpegRead(job, true);
  }
  noteDecode(job->cinfo.image_width, job->cinfo.image_height);
  const bool cmyk = job->cinfo.jpeg_color_space == JCS_CMYK || job->cinfo.jpeg_color_space == JCS_YCCK;
  job->cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
  std::pair<int, int> fitted{0, 0};
  if (job->maxWidth > 0 && job->maxHeight > 0) {
    // The decoder shrinks by eighths for far less work than a whole decode:
    // the smallest eighth that still covers the box, the rest is averaged.
    const double fullW = job->cinfo.image_width, fullH = job->cinfo.image_height;
    fitted = ImageData::fittedSize(static_cast<int>(fullW), static_cast<int>(fullH), job->maxWidth, job->maxHeight);
    job->cinfo.scale_denom = 8;
    job->cinfo.scale_num = 8;
    for (unsigned n = 1; n < 8; ++n) {
      if (std::ceil(fullW * n / 8) >= fitted.first && std::ceil(fullH * n / 8) >= fitted.second) {
        job->cinfo.scale_num = n;
        break;
      }
    }
  }
  if (job->reducedAllowed && job->cinfo.progressive_mode && job->cinfo.scale_denom == 8 &&
      static_cast<int>(job->cinfo.scale_num) <= ProgressiveJpegReader::kMaxEighths) {
    job->reducedWanted = static_cast<int>(job->cinfo.scale_num);
    return endJpegRead(job, true);
  }
  // Reading at an eighth shrinks the rows, not the coefficients of a
  // progressive picture: those wait their turn with the other decodes.
  if (const std::size_t bytes = coefficientBytes(job->cinfo)) job->coefficients.emplace(DecoderMemory::shared(), bytes);
  jpeg_start_decompress(&job->cinfo);
  const int w = static_cast<int>(job->cinfo.output_width), h = static_cast<int>(job->cinfo.output_height);
  if (!sizeAllowed(static_cast<std::uint64_t>(w), static_cast<std::uint64_t>(h))) {
    return endJpegRead(job, false);
  }
  const bool scaling = fitted.first > 0 && (fitted.first != w || fitted.second != h);
  if (scaling) {
    job->scaler.emplace(w, h, fitted.first, fitted.second);
    job->rgba.assign(static_cast<std::size_t>(w) * 4, 0);
  } else {
    job->out = ImageData(w, h);
  }
  job->row.assign(static_cast<std::size_t>(w) * 4, 0);
  // Adobe writes CMYK inverted; the marker says so.
  const bool inverted = cmyk && job->cinfo.saw_Adobe_marker;
  while (job->cinfo.output_scanline < job->cinfo.output_height) {
    std::uint8_t* dst = scaling ? job->rgba.data() : job->out.pixel(0, static_cast<int>(job->cinfo.output_scanline));
    JSAMPROW target = cmyk ? job->row.data() : dst;
    if (jpeg_read_scanlines(&job->cinfo, &target, 1) != 1) break;
    if (cmyk) {
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* s = job->row.data() + x * 4;
        int c = s[0], m = s[1], y = s[2], k = s[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        dst[x * 4 + 0] = static_cast<std::uint8_t>(c * k / 255);
        dst[x * 4 + 1] = static_cast<std::uint8_t>(m * k / 255);
        dst[x * 4 + 2] = static_cast<std::uint8_t>(y * k / 255);
        dst[x * 4 + 3] = 255;
      }
    }
    if (scaling) job->scaler->addRow(dst);
  }
  if (scaling) job->out = job->scaler->finish();
  jpeg_finish_decompress(&job->cinfo);
  return endJpegRead(job, true);
}

struct JpegEncodeJob {
  jpeg_compress_struct cinfo{};
  JpegError err{};
  const ImageData* image = nullptr;
  int quality = 75;
  std::vector<std::uint8_t> row;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  bool created = false;
};

bool runJpegEncode(JpegEncodeJob* job) {
  job->cinfo.err = jpeg_std_error(&job->err.mgr);
  job->err.mgr.error_exit = onJpegError;
  job->err.mgr.output_message = onJpegMessage;
  if (setjmp(job->err.jump)) {
    if (job->created) jpeg_destroy_compress(&job->cinfo);
    job->created = false;
    return false;
  }
  jpeg_create_compress(&job->cinfo);
  job->created = true;
  jpeg_mem_dest(&job->cinfo, &job->buffer, &job->size);
  const ImageData& img = *job->image;
  job->cinfo.image_width = static_cast<JDIMENSION>(img.width);
  job->cinfo.image_height = static_cast<JDIMENSION>(img.height);
  job->cinfo.input_components = 3;
  job->cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&job->cinfo);
  jpeg_set_quality(&job->cinfo, job->quality, TRUE);
  jpeg_start_compress(&job->cinfo, TRUE);
  job->row.assign(static_cast<std::size_t>(img.width) * 3, 0);
  while (job->cinfo.next_scanline < job->cinfo.image_height) {
    const std::uint8_t* src = img.pixel(0, static_cast<int>(job->cinfo.next_scanline));
    for (int x = 0; x < img.width; ++x) {
      const unsigned a = src[x * 4 + 3];
      for (int c = 0; c < 3; ++c)
        job->row[static_cast<std::size_t>(x) * 3 + c] =
            static_cast<std::uint8_t>((src[x * 4 + c] * a + 255 * (255 - a) + 127) / 255);
    }
    JSAMPROW r = job->row.data();
    jpeg_write_scanlines(&job->cinfo, &r, 1);
  }
  jpeg_finish_compress(&job->cinfo);
  jpeg_destroy_compress(&job->cinfo);
  job->created = false;
  return true;
}

// ---- PNG, shrunk as it is read -------------------------------------------------
// libpng reports fatal errors through longjmp too: what has a destructor
// lives in the job, outside the frame that calls setjmp.

// What every read of a PNG holds: the decoder and where its bytes come from.
struct PngReadJob {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::string_view bytes;
  std::size_t at = 0;
  // Read from the file instead when set, a little at a time.
  std::FILE* file = nullptr;
  std::vector<std::uint8_t> row;
  // The bytes ended while libpng wanted more.
  bool ranOut = false;
  ~PngReadJob() { png_destroy_read_struct(&png, &info, nullptr); }
};

struct PngFitJob : PngReadJob {
  int maxWidth = 0, maxHeight = 0;
  std::optional<ImageScaler> scaler;
  ImageData out;
};

[[noreturn]] void onPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onPngWarning(png_structp, png_const_charp) {}

void readPngBytes(png_structp png, png_bytep data, std::size_t length) {
  auto* job = static_cast<PngReadJob*>(png_get_io_ptr(png));
  if (job->file) {
    if (std::fread(data, 1, length, job->file) == length) return;
    job->ranOut = true;
    png_error(png, "the data ends early");
  }
  if (length > job->bytes.size() - job->at) {
    job->ranOut = true;
    png_error(png, "the data ends early");
  }
  std::memcpy(data, job->bytes.data() + job->at, length);
  job->at += length;
}

// The decoder, reading the job's bytes; false when it cannot be made.
bool createPngReader(PngReadJob* job) {
  job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onPngError, onPngWarning);
  if (!job->png) return false;
  job->info = png_create_info_struct(job->png);
  if (!job->info) return false;
  png_set_read_fn(job->png, job, readPngBytes);
  return true;
}

bool runPngFit(PngFitJob* job) {
  if (!createPngReader(job)) return false;
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_read_info(job->png, job->info);
  const png_uint_32 w = png_get_image_width(job->png, job->info), h = png_get_image_height(job->png, job->info);
  if (!sizeAllowed(w, h)) return false;
  noteDecode(w, h);
  // Whatever the file holds comes out as 8-bit RGBA in sRGB, as the whole decode gives it.
  png_set_alpha_mode(job->png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
  png_set_expand(job->png);
  png_set_scale_16(job->png);
  png_set_gray_to_rgb(job->png);
  png_set_add_alpha(job->png, 0xff, PNG_FILLER_AFTER);
  // Interlacing is left to us: libpng would want the whole picture to put
  // each pass's pixels in their places.
  const bool interlaced = png_get_interlace_type(job->png, job->info) == PNG_INTERLACE_ADAM7;
  png_read_update_info(job->png, job->info);
  if (png_get_rowbytes(job->png, job->info) != static_cast<std::size_t>(w) * 4) return false;
  const auto [fw, fh] = ImageData::fittedSize(static_cast<int>(w), static_cast<int>(h), job->maxWidth, job->maxHeight);
  job->row.assign(static_cast<std::size_t>(w) * 4, 0);
  job->scaler.emplace(static_cast<int>(w), static_cast<int>(h), fw, fh);
  if (!interlaced) {
    for (png_uint_32 y = 0; y < h; ++y) {
      png_read_row(job->png, job->row.data(), nullptr);
      job->scaler->addRow(job->row.data());
    }
    job->out = job->scaler->finish();
    return !job->out.empty();
  }
  // Seven passes, each a smaller picture of every so many pixels: each
  // pixel goes straight into the output's sums. libpng skips the passes
  // that hold no pixel, as this does.
  for (int pass = 0; pass < 7; ++pass) {
    const png_uint_32 columns = PNG_PASS_COLS(w, pass), rows = PNG_PASS_ROWS(h, pass);
    if (columns == 0 || rows == 0) continue;
    for (png_uint_32 r = 0; r < rows; ++r) {
      png_read_row(job->png, job->row.data(), nullptr);
      job->scaler->addPixels(static_cast<int>(PNG_ROW_FROM_PASS_ROW(r, pass)),
                             static_cast<int>(PNG_COL_FROM_PASS_COL(0, pass)),
                             static_cast<int>(1u << PNG_PASS_COL_SHIFT(pass)), job->row.data(),
                             static_cast<int>(columns));
    }
  }
  job->out = job->scaler->finishScattered();
  return !job->out.empty();
}

// ---- How much of its image data a picture holds ------------------------------------
// Read through as the decoder reads it to draw, with nothing drawn or kept:
// a file is cut short when its bytes ran out while the decoder still wanted
// image data. A file that lacks only the marker after its data is whole; one
// the decoder stops at for damage is no cut.

// Whether a picture of w x h is read through: none of more pixels than any
// picture drawn, so that none costs more than the largest honest one.
bool readThroughAllowed(std::uint64_t w, std::uint64_t h) { return w * h <= ImageData::kMaxPixels; }

struct JpegScanJob : JpegReadJob {
  bool headerRead = false;
  // The source ran out of bytes (and went on with an end marker of its
  // own); a scan met a marker while it still wanted data.
  bool sourceEnded = false;
  bool hitMarker = false;
  ImageData::Extent extent;
  std::vector<std::uint8_t> row;
  std::optional<DecoderMemory::Hold> coefficients;
  // What the read draws on (none: no bound but the scans'): the most it
  // may cost is taken before it begins, and what it did not use goes back.
  ReadThroughBudget* budget = nullptr;
  std::int64_t reserved = 0;
  std::int64_t pixels = 0;
  bool manyScans = false;
};

void onJpegScanMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  auto* job = static_cast<JpegScanJob*>(static_cast<JpegReadJob*>(cinfo->client_data));
  if (cinfo->err->msg_code == JWRN_JPEG_EOF) job->sourceEnded = true;
  if (cinfo->err->msg_code == JWRN_HIT_MARKER) job->hitMarker = true;
}

// The extent once the read ended, normally or at an error: cut when the
// bytes ran out while a scan or a row still wanted data.
bool endJpegScan(JpegScanJob* job, bool failed) {
  ImageData::Extent& extent = job->extent;
  extent.scans = job->scans.scans();
  extent.bounded = job->scans.exceeded();
  if (job->reserved > 0) {
    // A pass for each scan read, and one for setting up the coefficients.
    const std::int64_t used = job->pixels * ((job->manyScans ? 1 : 0) + std::max(1, extent.scans));
    if (used < job->reserved) job->budget->giveBack(job->reserved - used);
    job->reserved = 0;
  }
  const bool rowsWanted = job->cinfo.output_scanline < job->cinfo.output_height;
  extent.cutShort = job->sourceEnded && !extent.bounded && (failed || job->hitMarker || rowsWanted);
  return endJpegRead(job, true);
}

bool runJpegScan(JpegScanJob* job) {
  prepareJpegErrors(job);
  job->err.mgr.emit_message = onJpegScanMessage;
  if (setjmp(job->err.jump)) return job->headerRead ? endJpegScan(job, true) : endJpegRead(job, false);
  createJpegReader(job);
  if (jpeg_read_header(&job->cinfo, TRUE) != JPEG_HEADER_OK) return endJpegRead(job, false);
  job->headerRead = true;
  job->extent.width = static_cast<int>(job->cinfo.image_width);
  job->extent.height = static_cast<int>(job->cinfo.image_height);
  if (!readThroughAllowed(job->cinfo.image_width, job->cinfo.image_height)) return endJpegRead(job, true);
  // At an eighth every byte of the data is still decoded, for a fraction
  // of the work and a row of an eighth of the width.
  job->cinfo.scale_num = 1;
  job->cinfo.scale_denom = 8;
  job->cinfo.dct_method = JDCT_IFAST;
  job->cinfo.do_fancy_upsampling = FALSE;
  // One whose coefficients pass what the decoders may hold together is not
  // read through: it would wait for all of them.
  const std::size_t bytes = coefficientBytes(job->cinfo);
  if (bytes > DecoderMemory::kBudget) return endJpegRead(job, true);
  // A read the budget cannot pay to the most it may take (a pass a scan, up
  // to the bound, and one for setting up the coefficients of a picture of
  // many scans) is not begun: one stopped half way would tell nothing.
  job->pixels = static_cast<std::int64_t>(job->cinfo.image_width) * job->cinfo.image_height;
  job->manyScans = jpeg_has_multiple_scans(&job->cinfo);
  if (job->budget) {
    const std::int64_t most = job->pixels * (job->manyScans ? 1 + JpegScanBound::kMostScans : 1);
    if (!job->budget->take(most)) {
      job->extent.outOfBudget = true;
      return endJpegRead(job, true);
    }
    job->reserved = most;
  }
  if (bytes > 0) job->coefficients.emplace(DecoderMemory::shared(), bytes);
  job->extent.readThrough = true;
  jpeg_start_decompress(&job->cinfo);
  job->row.assign(static_cast<std::size_t>(job->cinfo.output_width) * job->cinfo.output_components, 0);
  while (!job->hitMarker && job->cinfo.output_scanline < job->cinfo.output_height) {
    JSAMPROW row = job->row.data();
    if (jpeg_read_scanlines(&job->cinfo, &row, 1) != 1) break;
  }
  return endJpegScan(job, false);
}

struct PngScanJob : PngReadJob {
  bool headerRead = false;
  bool interlaced = false;
  ImageData::Extent extent;
  ReadThroughBudget* budget = nullptr;
};

// Whether libpng, stopped by an error, had taken the last row already: it
// then wanted only what follows the image data (its checksum, the chunks
// after it).
bool pngPastLastRow(const PngScanJob& job) {
  if (job.interlaced) return png_get_current_pass_number(job.png) >= 7;
  return png_get_current_row_number(job.png) >= static_cast<png_uint_32>(job.extent.height);
}

bool runPngScan(PngScanJob* job) {
  if (!createPngReader(job)) return false;
  if (setjmp(png_jmpbuf(job->png))) {
    if (!job->headerRead) return false;
    // Damaged data (a checksum, a filter) stops libpng too: only bytes that
    // ran out are a cut.
    job->extent.cutShort = job->ranOut && !pngPastLastRow(*job);
    return true;
  }
  png_read_info(job->png, job->info);
  const png_uint_32 w = png_get_image_width(job->png, job->info), h = png_get_image_height(job->png, job->info);
  job->extent.width = static_cast<int>(w);
  job->extent.height = static_cast<int>(h);
  job->interlaced = png_get_interlace_type(job->png, job->info) == PNG_INTERLACE_ADAM7;
  job->headerRead = true;
  if (!readThroughAllowed(w, h)) return true;
  // A pass over its pixels, however many passes of rows an interlaced one
  // takes them in.
  if (job->budget && !job->budget->take(static_cast<std::int64_t>(w) * h)) {
    job->extent.outOfBudget = true;
    return true;
  }
  job->extent.readThrough = true;
  // The rows as stored, pass by pass for an interlaced one: nothing is
  // converted, only inflated and unfiltered.
  png_read_update_info(job->png, job->info);
  job->row.assign(png_get_rowbytes(job->png, job->info), 0);
  for (int pass = 0; pass < (job->interlaced ? 7 : 1); ++pass) {
    const png_uint_32 columns = job->interlaced ? PNG_PASS_COLS(w, pass) : w;
    const png_uint_32 rows = job->interlaced ? PNG_PASS_ROWS(h, pass) : h;
    if (columns == 0 || rows == 0) continue;
    for (png_uint_32 r = 0; r < rows; ++r) {
      png_read_row(job->png, job->row.data(), nullptr);
      ++job->extent.rows;
    }
  }
  return true;
}

// A JPEG in memory, or read from `file` from its start, fitted to the box.
std::optional<ImageData> fitJpeg(std::string_view bytes, std::FILE* file, int maxWidth, int maxHeight) {
  const auto decode = [&](bool reducedAllowed) {
    auto job = std::make_unique<JpegDecodeJob>();
    job->data = reinterpret_cast<const unsigned char*>(bytes.data());
    job->size = static_cast<unsigned long>(bytes.size());
    job->file = file;
    job->maxWidth = maxWidth;
    job->maxHeight = maxHeight;
    job->reducedAllowed = reducedAllowed;
    return job;
  };
  auto job = decode(true);
  if (!runJpegDecode(job.get())) return std::nullopt;
  if (job->reducedWanted > 0) {
    if (file && std::fseek(file, 0, SEEK_SET) != 0) return std::nullopt;
    bool bounded = false;
    if (auto reduced = ProgressiveJpegReader::read(bytes, file, job->reducedWanted, maxWidth, maxHeight, &bounded))
      return reduced;
    // Past the scans an honest picture has: no decoder reads it further.
    if (bounded) return std::nullopt;
    // Not a file the reader takes: the decoder reads it, coefficients and all.
    if (file && std::fseek(file, 0, SEEK_SET) != 0) return std::nullopt;
    job = decode(false);
    if (!runJpegDecode(job.get())) return std::nullopt;
  }
  if (job->out.empty()) return std::nullopt;
  return std::move(job->out);
}

using FileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// The file opened for a decoder to stream from its start (it holds a
// buffer of it, never all of it), with its first bytes, which tell its
// format, in `signature`; null when it cannot be read.
FileHandle openToStream(const std::filesystem::path& path, std::string& signature) {
  FileHandle file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return file;
  signature.assign(8, '\0');
  signature.resize(std::fread(signature.data(), 1, signature.size(), file.get()));
  if (std::fseek(file.get(), 0, SEEK_SET) != 0) file.reset();
  return file;
}

}  // namespace

std::uint64_t ImageData::largestDecodeOnMainThread() { return mainThreadRecord.load(); }

void ImageData::resetLargestDecodeOnMainThread() { mainThreadRecord.store(0); }

ImageData::ImageData(int w, int h) {
  if (w > 0 && h > 0 && static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h) <= kMaxPixels) {
    width = w;
    height = h;
    pixels.assign(byteCount(w, h), 0);
  }
}

std::optional<ImageData> ImageData::decode(std::string_view bytes) {
  if (looksLikePNG(bytes)) return decodePNG(bytes);
  if (looksLikeJPEG(bytes)) return decodeJPEG(bytes);
  return std::nullopt;
}

std::optional<ImageData> ImageData::decode(const std::vector<std::uint8_t>& bytes) {
  return decode(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::optional<ImageData> ImageData::decodeFile(const std::filesystem::path& path) {
  auto bytes = base::readFileBytes(path, kMaxFileBytes);
  if (!bytes) return std::nullopt;
  return decode(*bytes);
}

std::pair<int, int> ImageData::fittedSize(int w, int h, int maxWidth, int maxHeight) {
  if (w <= 0 || h <= 0) return {0, 0};
  maxWidth = std::max(1, maxWidth);
  maxHeight = std::max(1, maxHeight);
  const double factor = std::min({1.0, static_cast<double>(maxWidth) / w, static_cast<double>(maxHeight) / h});
  return {std::clamp(static_cast<int>(std::lround(w * factor)), 1, maxWidth),
          std::clamp(static_cast<int>(std::lround(h * factor)), 1, maxHeight)};
}

std::optional<ImageData> ImageData::decodeFitting(std::string_view bytes, int maxWidth, int maxHeight) {
  if (maxWidth <= 0 || maxHeight <= 0) return std::nullopt;
  if (looksLikeJPEG(bytes)) return fitJpeg(bytes, nullptr, maxWidth, maxHeight);
  if (!looksLikePNG(bytes)) return std::nullopt;
  auto job = std::make_unique<PngFitJob>();
  job->bytes = bytes;
  job->maxWidth = maxWidth;
  job->maxHeight = maxHeight;
  if (runPngFit(job.get())) return std::move(job->out);
  return std::nullopt;
}

std::optional<ImageData> ImageData::decodeFileFitting(const std::filesystem::path& path, int maxWidth,
                                                      int maxHeight) {
  if (maxWidth <= 0 || maxHeight <= 0) return std::nullopt;
  std::error_code ec;
  const auto fileSize = std::filesystem::file_size(path, ec);
  if (ec || fileSize > kMaxFileBytes) return std::nullopt;
  std::string signature;
  const FileHandle file = openToStream(path, signature);
  if (!file) return std::nullopt;
  if (looksLikeJPEG(signature)) return fitJpeg({}, file.get(), maxWidth, maxHeight);
  if (!looksLikePNG(signature)) return std::nullopt;
  auto job = std::make_unique<PngFitJob>();
  job->file = file.get();
  job->maxWidth = maxWidth;
  job->maxHeight = maxHeight;
  if (runPngFit(job.get())) return std::move(job->out);
  return std::nullopt;
}

std::optional<std::pair<int, int>> ImageData::dimensions(std::string_view bytes) {
  if (looksLikePNG(bytes)) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    const bool read = png_image_begin_read_from_memory(&img, bytes.data(), bytes.size()) != 0;
    const std::pair<int, int> size{static_cast<int>(img.width), static_cast<int>(img.height)};
    png_image_free(&img);
    if (read && sizeAllowed(img.width, img.height)) return size;
    return std::nullopt;
  }
  if (looksLikeJPEG(bytes)) {
    auto job = std::make_unique<JpegDecodeJob>();
    job->data = reinterpret_cast<const unsigned char*>(bytes.data());
    job->size = static_cast<unsigned long>(bytes.size());
    job->headerOnly = true;
    if (runJpegDecode(job.get())) return std::pair<int, int>{job->width, job->height};
  }
  return std::nullopt;
}

std::optional<std::pair<int, int>> ImageData::dimensionsOfFile(const std::filesystem::path& path) {
  // The header lies near the start; a JPEG with large metadata before it is read whole.
  constexpr std::size_t kHead = std::size_t(256) << 10;
  std::error_code ec;
  const auto fileSize = std::filesystem::file_size(path, ec);
  if (ec) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  std::string head(static_cast<std::size_t>(std::min<std::uintmax_t>(fileSize, kHead)), '\0');
  if (!in.read(head.data(), static_cast<std::streamsize>(head.size()))) return std::nullopt;
  if (auto size = dimensions(head)) return size;
  if (fileSize <= kHead) return std::nullopt;
  auto bytes = base::readFileBytes(path, kMaxFileBytes);
  if (!bytes) return std::nullopt;
  return dimensions(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

std::optional<ImageData::Extent> ImageData::extent(std::string_view bytes, ReadThroughBudget* budget) {
  if (looksLikePNG(bytes)) {
    auto job = std::make_unique<PngScanJob>();
    job->bytes = bytes;
    job->budget = budget;
    if (runPngScan(job.get())) return job->extent;
  } else if (looksLikeJPEG(bytes)) {
    auto job = std::make_unique<JpegScanJob>();
    job->data = reinterpret_cast<const unsigned char*>(bytes.data());
    job->size = static_cast<unsigned long>(bytes.size());
    job->budget = budget;
    if (runJpegScan(job.get())) return job->extent;
  }
  return std::nullopt;
}

std::optional<ImageData::Extent> ImageData::extentOfFile(const std::filesystem::path& path,
                                                         ReadThroughBudget* budget) {
  std::string signature;
  const FileHandle file = openToStream(path, signature);
  if (!file) return std::nullopt;
  if (looksLikePNG(signature)) {
    auto job = std::make_unique<PngScanJob>();
    job->file = file.get();
    job->budget = budget;
    if (runPngScan(job.get())) return job->extent;
  } else if (looksLikeJPEG(signature)) {
    auto job = std::make_unique<JpegScanJob>();
    job->file = file.get();
    job->budget = budget;
    if (runJpegScan(job.get())) return job->extent;
  }
  return std::nullopt;
}

std::optional<ImageData> ImageData::decodePNG(std::string_view bytes) {
  if (!looksLikePNG(bytes)) return std::nullopt;
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&img, bytes.data(), bytes.size())) {
    png_image_free(&img);
    return std::nullopt;
  }
  if (!sizeAllowed(img.width, img.height)) {
    png_image_free(&img);
    return std::nullopt;
  }
  noteDecode(img.width, img.height);
  img.format = PNG_FORMAT_RGBA;
  ImageData out(static_cast<int>(img.width), static_cast<int>(img.height));
  if (out.empty() || !png_image_finish_read(&img, nullptr, out.pixels.data(), 0, nullptr)) {
    png_image_free(&img);
    return std::nullopt;
  }
  png_image_free(&img);
  return out;
}

std::optional<ImageData> ImageData::decodeJPEG(std::string_view bytes) {
  if (!looksLikeJPEG(bytes)) return std::nullopt;
  auto job = std::make_unique<JpegDecodeJob>();
  job->data = reinterpret_cast<const unsigned char*>(bytes.data());
  job->size = static_cast<unsigned long>(bytes.size());
  if (!runJpegDecode(job.get()) || job->out.empty()) return std::nullopt;
  return std::move(job->out);
}

std::optional<std::vector<std::uint8_t>> ImageData::encodePNG() const {
  if (empty()) return std::nullopt;
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  img.width = static_cast<png_uint_32>(width);
  img.height = static_cast<png_uint_32>(height);
  img.format = PNG_FORMAT_RGBA;
  // Asking the library for the size compresses the whole picture once more:
  // a buffer that surely holds it is written at once, unless the picture is
  // so large that such a buffer would take far more than what it compresses to.
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(img);
  if (size > kOnePassPngBytes) {
    size = 0;
    if (!png_image_write_to_memory(&img, nullptr, &size, 0, pixels.data(), 0, nullptr) || size == 0) {
      png_image_free(&img);
      return std::nullopt;
    }
  }
  std::vector<std::uint8_t> out(size);
  if (!png_image_write_to_memory(&img, out.data(), &size, 0, pixels.data(), 0, nullptr)) {
    png_image_free(&img);
    return std::nullopt;
  }
  png_image_free(&img);
  out.resize(size);
  return out;
}

std::optional<std::vector<std::uint8_t>> ImageData::encodeJPEG(double quality) const {
  if (empty()) return std::nullopt;
  auto job = std::make_unique<JpegEncodeJob>();
  job->image = this;
  if (!(quality >= 0)) quality = 0;  // also NaN
  job->quality = std::clamp(static_cast<int>(std::lround(std::min(quality, 1.0) * 100)), 1, 100);
  bool ok = runJpegEncode(job.get());
  std::optional<std::vector<std::uint8_t>> out;
  if (ok && job->buffer && job->size > 0) out.emplace(job->buffer, job->buffer + job->size);
  std::free(job->buffer);
  return out;
}

bool ImageData::writePNG(const std::filesystem::path& path) const {
  auto bytes = encodePNG();
  return bytes && base::writeFileAtomically(path, bytes->data(), bytes->size());
}

bool ImageData::writeJPEG(const std::filesystem::path& path, double quality) const {
  auto bytes = encodeJPEG(quality);
  return bytes && base::writeFileAtomically(path, bytes->data(), bytes->size());
}

ImageData ImageData::scaled(int w, int h) const {
  if (empty() || w <= 0 || h <= 0) return ImageData();
  if (w == width && h == height) return *this;
  ImageScaler scaler(width, height, w, h);
  for (int y = 0; y < height; ++y) scaler.addRow(pixel(0, y));
  return scaler.finish();
}

}  // namespace gfx
