#pragma once
// A progressive JPEG read at n eighths of its size (n from 1 to 7), keeping
// only what that size shows. The decoder keeps all 64 coefficients of every
// block until the last scan, 128 bytes a block whatever size it is read at
// (a picture of 40 megapixels in CMYK: over 300 MB). This keeps the n x n
// lowest coefficients of each block, which are all that the scaled inverse
// transform uses, and one bit for each of the others saying whether it has
// turned nonzero (the scans that refine them are read by it); at an eighth
// it keeps the blocks' averages alone (two bytes a block) and skips the
// other scans. It gives what the decoder's scaled decode gives, and takes
// only what it can read so: 8-bit Huffman-coded progressive files of one,
// three or four components (grey; YCbCr or RGB; CMYK or YCCK) of which
// only the colour differences, and black, may be sampled below the
// picture's size; black so sampled keeps as many more coefficients as the
// decoder's transform for it uses, so that its detail shows. Anything else
// is left to the decoder. What it keeps counts against DecoderMemory.
// Untrusted input: a broken stream gives nothing. Any thread.
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string_view>

#include "platform/gfx/ImageData.hpp"

namespace gfx {

class ProgressiveJpegReader {
 public:
  static constexpr int kMaxEighths = 7;

  // The picture in `bytes`, or read from `file` (from its start) when given,
  // decoded at `eighths` of its size and fitted within maxWidth x maxHeight
  // (see ImageData::fittedSize). Its scans are held to JpegScanBound:
  // `bounded`, when given, tells whether it stopped there.
  static std::optional<ImageData> read(std::string_view bytes, std::FILE* file, int eighths, int maxWidth,
                                       int maxHeight, bool* bounded = nullptr);
  // What it keeps for each block of which it keeps `kept` x `kept`
  // coefficients (`eighths` of them, or more of a component sampled below
  // the picture's size).
  static std::size_t bytesPerBlock(int kept);
};

}  // namespace gfx
