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
};

// The pieces of a company's skin, drawn as a company would ship them.
enum class SkinPiece {
  BrandBar,  // the top bars: the brand colour, deep enough for white titles
  LightBar,  // the tab bar: light, for dark titles, with a line of the brand colour on top
  Logo,      // the brand mark and the company's name on a clear ground
  Backdrop,  // a full-screen ground in the brand colour with soft shapes
};

struct SkinSpec {
  SkinPiece piece = SkinPiece::BrandBar;
  int width = 1024;
  int height = 64;
  uint32_t brand = 0x2A5A8C;  // the company's brand colour (see `brandColor`), 0xRRGGBB
  std::string label;          // the logo's name (ASCII)
};

class ImageFactory {
 public:
  static std::string png(const PictureSpec& spec);
  // A skin piece as PNG (with an alpha channel).
  static std::string skinPng(const SkinSpec& spec);
  // A colour made a brand colour: its hue, saturated, and deep enough that
  // white text on it reaches a contrast of 5:1.
  static uint32_t brandColor(uint32_t color);
  // The contrast ratio (1 to 21) of two 0xRRGGBB colours, from their relative
  // luminance.
  static double contrast(uint32_t a, uint32_t b);
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
