#pragma once
// A progressive JPEG read at an eighth of its size from the first
// coefficient of each block alone (the block's average, which its first
// scans carry), then shrunk to fit a box. The decoder keeps every
// coefficient of a progressive picture until its last scan, 128 bytes a
// block whatever size it is read at; this keeps two bytes a block, so a
// picture of tens of megapixels shown small costs about one megabyte. It
// gives what the decoder gives at an eighth (each block's average), and
// takes only what it can read so: 8-bit Huffman-coded progressive files
// of one or three components; anything else is left to the decoder.
// Untrusted input: a broken stream gives nothing. Any thread.
#include <cstdio>
#include <optional>
#include <string_view>

#include "platform/gfx/ImageData.hpp"

namespace gfx {

class JpegBlockAverages {
 public:
  // The picture in `bytes`, or read from `file` (from its start) when given,
  // fitted within maxWidth x maxHeight (see ImageData::fittedSize).
  static std::optional<ImageData> read(std::string_view bytes, std::FILE* file, int maxWidth, int maxHeight);
};

}  // namespace gfx
