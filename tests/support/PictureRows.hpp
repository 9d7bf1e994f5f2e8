#pragma once
// Pictures written to a file a row at a time, so that whoever writes one of
// tens of megapixels never holds it whole. It needs no test framework: the
// benchmarks write their large pictures with it too.
#include <cstdint>
#include <filesystem>
#include <functional>

struct jpeg_compress_struct;

namespace mv::test {

// Progressive JPEGs in 4:2:0 (what cameras write), in 4:4:4 (every colour
// at full resolution), in CMYK (as print shops keep them, Adobe's way) and
// in CMYK whose black alone is sampled at half.
enum class PictureKind {
  BaselineJpeg,
  ProgressiveJpeg,
  Progressive444Jpeg,
  ProgressiveCmykJpeg,
  ProgressiveCmykBlackAtHalfJpeg,
  InterlacedPng
};

// 7,680 x 5,160: the 39.6 megapixels of a camera's full-size picture.
constexpr int kLargePictureWidth = 7680, kLargePictureHeight = 5160;

// Draws row `y`: `width` RGB pixels, three bytes each.
using PictureRowFill = std::function<void(std::uint8_t* row, int y)>;

// A picture of the kind and size whose rows `fill` draws (an interlaced PNG
// asks for every row once in each of its passes), JPEGs at `jpegQuality`;
// false when the file could not be written.
bool writePictureRows(const std::filesystem::path& file, PictureKind kind, int width, int height, int jpegQuality,
                      const PictureRowFill& fill);

// CMYK's black sampled at half both ways, the inks at full size, in the
// scans such a picture needs (sequential or progressive), on a writer set
// to CMYK and its defaults.
void blackAtHalf(jpeg_compress_struct& cinfo, bool progressive);

}  // namespace mv::test
