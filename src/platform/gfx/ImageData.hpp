#pragma once
// A decoded bitmap independent of any drawing layer: 8-bit RGBA pixels with
// straight (not premultiplied) alpha, rows top to bottom, no padding. Decoding
// takes untrusted bytes (downloaded images) and fails cleanly on anything it
// cannot read, including images too large to hold.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace gfx {

class ReadThroughBudget;

struct ImageData {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes, R G B A

  // Decoding refuses images beyond these bounds rather than allocating for them.
  static constexpr int kMaxDimension = 16384;
  static constexpr std::uint64_t kMaxPixels = 40'000'000;
  // Files past this size are not read.
  static constexpr std::size_t kMaxFileBytes = std::size_t(256) << 20;

  ImageData() = default;
  // A transparent image of that size (empty when the size is not positive or too large).
  ImageData(int w, int h);

  bool empty() const { return width <= 0 || height <= 0 || pixels.size() != byteCount(width, height); }
  std::uint8_t* pixel(int x, int y) { return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
  const std::uint8_t* pixel(int x, int y) const {
    return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4;
  }

  // PNG or JPEG, told apart by their signatures.
  static std::optional<ImageData> decode(std::string_view bytes);
  static std::optional<ImageData> decode(const std::vector<std::uint8_t>& bytes);
  static std::optional<ImageData> decodeFile(const std::filesystem::path& path);
  static std::optional<ImageData> decodePNG(std::string_view bytes);
  // The width and height a PNG or JPEG declares, read from its header
  // without decoding its pixels; nothing for other or broken data.
  static std::optional<std::pair<int, int>> dimensions(std::string_view bytes);
  static std::optional<std::pair<int, int>> dimensionsOfFile(const std::filesystem::path& path);
  static std::optional<ImageData> decodeJPEG(std::string_view bytes);
  // What a PNG or JPEG holds whatever its size, drawn here or not: the width
  // and height its header declares and whether its bytes ran out while its
  // image data still wanted some. Read through row by row with no picture
  // kept (a JPEG at an eighth of its size; a progressive one holds its
  // coefficients, counted against DecoderMemory), within what an honest
  // picture needs: none of more pixels than any picture drawn, none whose
  // coefficients pass the decoders' budget, no JPEG past JpegScanBound,
  // and none that `budget`, when one is given, cannot pay to the most it
  // may cost (see ReadThroughBudget): that one is left unread, and says so.
  // Damaged data is no cut. Nothing when it is no PNG or JPEG whose header
  // the decoder reads.
  struct Extent {
    int width = 0;
    int height = 0;
    bool cutShort = false;
    // Its data was read through; the read stopped at the scan bound.
    bool readThrough = false;
    bool bounded = false;
    // The budget could not pay for the read: it was left unread.
    bool outOfBudget = false;
    // The JPEG scans and the PNG rows (of every pass) it read.
    int scans = 0;
    std::int64_t rows = 0;
  };
  static std::optional<Extent> extent(std::string_view bytes, ReadThroughBudget* budget = nullptr);
  static std::optional<Extent> extentOfFile(const std::filesystem::path& path, ReadThroughBudget* budget = nullptr);
  // The picture shrunk as it is read to fit within maxWidth x maxHeight
  // pixels, its aspect kept and never enlarged: a JPEG is decoded at the
  // decoder's nearest larger eighth and averaged down row by row, a PNG
  // averaged down row by row (an interlaced one pass by pass into sums of
  // the output's size), so a large picture is never held whole. A
  // progressive JPEG keeps only the coefficients of each block that the
  // size it is read at shows (see ProgressiveJpegReader), counted against a
  // budget shared by every decode (DecoderMemory): such decodes wait for
  // each other rather than add up. One that reader does not take is read by
  // the decoder, whose coefficients count against the same budget.
  static std::optional<ImageData> decodeFitting(std::string_view bytes, int maxWidth, int maxHeight);
  static std::optional<ImageData> decodeFileFitting(const std::filesystem::path& path, int maxWidth, int maxHeight);
  // The size a picture of w x h takes shrunk to fit the box (each side at
  // least one pixel, aspect kept, never enlarged).
  static std::pair<int, int> fittedSize(int w, int h, int maxWidth, int maxHeight);

  // The largest picture, by the pixels its file holds, that any decode read
  // on the main thread since the last reset: screens read their pictures on
  // workers, and this tells whether one did not.
  static std::uint64_t largestDecodeOnMainThread();
  static void resetLargestDecodeOnMainThread();

  // Encoded files; nothing for an empty image. JPEG quality runs from 0 to 1
  // as on the platform; JPEG has no alpha, so pixels are laid over white.
  std::optional<std::vector<std::uint8_t>> encodePNG() const;
  std::optional<std::vector<std::uint8_t>> encodeJPEG(double quality) const;
  // Written atomically (see writeFileAtomically); false on any failure.
  bool writePNG(const std::filesystem::path& path) const;
  bool writeJPEG(const std::filesystem::path& path, double quality) const;

  // Resampled to w x h: area averaging along a shrinking axis, bilinear along
  // a growing one, with alpha weighted so transparent pixels do not darken
  // edges. Empty for an empty image or a size that is not positive.
  ImageData scaled(int w, int h) const;

  static std::size_t byteCount(int w, int h) {
    return w > 0 && h > 0 ? static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4 : 0;
  }
};

}  // namespace gfx
