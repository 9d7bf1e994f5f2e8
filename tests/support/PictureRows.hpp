#pragma once
// Pictures written to a file a row at a time, so that whoever writes one of
// tens of megapixels never holds it whole. It needs no test framework: the
// benchmarks write their large pictures with it too.
#include <cstdint>
#include <filesystem>
#include <functional>

namespace mv::test {

// Progressive JPEGs in 4:2:0 (what cameras write), in 4:4:4 (every colour
// at full resolution) and in CMYK (as print shops keep them, Adobe's way).
enum class PictureKind { BaselineJpeg, ProgressiveJpeg, Progressive444Jpeg, ProgressiveCmykJpeg, InterlacedPng };

// 7,680 x 5,160: the 39.6 megapixels of a camera's full-size picture.
constexpr int kLargePictureWidth = 7680, kLargePictureHeight = 5160;

// Draws row `y`: `width` RGB pixels, three bytes each.
using PictureRowFill = std::function<void(std::uint8_t* row, int y)>;

// A picture of the kind and size whose rows `fill` draws (an interlaced PNG
// asks for every row once in each of its passes), JPEGs at `jpegQuality`;
// false when the file could not be written.
bool writePictureRows(const std::filesystem::path& file, PictureKind kind, int width, int height, int jpegQuality,
                      const PictureRowFill& fill);

}  // namespace mv::test
