#pragma once
// Resamples an image to another size from its rows, taken top to bottom one
// at a time: area averaging along a shrinking axis, bilinear along a growing
// one, with alpha weighted so transparent pixels do not darken edges. Only
// the few output rows a source row still adds to are held, so a decoder can
// shrink a picture as it reads it without ever holding it whole.
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/gfx/ImageData.hpp"

namespace gfx {

class ImageScaler {
 public:
  // Empty output when either size is not positive or the output is too large.
  ImageScaler(int sourceWidth, int sourceHeight, int width, int height);

  // The next source row: sourceWidth pixels of R G B A, straight alpha.
  void addRow(const std::uint8_t* rgba);
  // The output once every source row was added (rows never reached stay clear).
  ImageData finish() { return std::move(out_); }

  // Pixels in any order rather than rows top to bottom (an interlaced
  // picture comes in passes over the whole of it): `count` pixels of source
  // row `sourceRow`, from column `firstColumn` every `columnStep` columns.
  // They add up in sums of the output's size, so only the output is held
  // whatever the source's size; finishScattered gives what the rows would.
  void addPixels(int sourceRow, int firstColumn, int columnStep, const std::uint8_t* rgba, int count);
  ImageData finishScattered();

 private:
  struct Tap {
    int index;
    float weight;
  };
  // For every output index along one axis, the source indices and weights, ascending.
  static std::vector<std::vector<Tap>> axisTaps(int source, int output);
  void emitRow(const std::vector<float>& sums);

  int sourceWidth_ = 0;
  int sourceHeight_ = 0;
  ImageData out_;
  std::vector<std::vector<Tap>> columns_, rows_;
  int nextSourceRow_ = 0;
  // The first output row not yet written, and the sums of it and the rows after it begun so far.
  int nextRow_ = 0;
  std::deque<std::vector<float>> open_;
  std::vector<float> across_;
  // For scattered pixels: the output indices and weights of every source
  // column and row, and premultiplied sums for the whole output.
  std::vector<std::vector<Tap>> sourceColumns_, sourceRows_;
  std::vector<float> scattered_;
};

}  // namespace gfx
