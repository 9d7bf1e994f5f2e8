#pragma once
// Draws the sample data set's pictures (product images and thumbnails, covers,
// icons, skin images) with cairo and encodes them as PNG or JPEG, so that the
// application decodes real images.
#include <cstdint>
#include <string>

namespace mv::sales {

struct PictureSpec {
  int width = 160;
  int height = 110;
  std::string label;        // drawn in the middle (ASCII; other text is drawn as given)
  uint32_t color = 0x3366AA;  // main colour, 0xRRGGBB
  uint64_t seed = 1;        // varies the shapes
  // A plain piece (skin bars and logos): a light gradient of the colour with
  // the label, without the shapes and frame that make pictures tell apart.
  bool plain = false;
};

class ImageFactory {
 public:
  static std::string png(const PictureSpec& spec);
  // `quality` 1..100.
  static std::string jpeg(const PictureSpec& spec, int quality = 80);
  // Raw 24-bit RGB pixels of the drawn picture, row by row (video frames).
  static std::string rgb(const PictureSpec& spec);

  // Frees the drawing and font libraries' process-wide caches (a leak checker
  // counts them as lost otherwise). Only when nothing in the process draws any
  // more, typically right before it exits.
  static void releaseCaches();
};

}  // namespace mv::sales
