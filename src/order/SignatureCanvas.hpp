#pragma once
// The drawing on the signature pad: round-capped black strokes, 10 points
// wide, on a transparent bitmap of the pad's size (one pixel per point), and
// the signature cut out of it.
#include "platform/base/Geometry.hpp"
#include "platform/gfx/Image.hpp"

namespace mv {

class SignatureCanvas {
 public:
  static constexpr double kLineWidth = 10;

  explicit SignatureCanvas(base::Size size) : size_(size) {}

  base::Size size() const { return size_; }
  // The drawing so far; nothing before the first stroke.
  const gfx::ImagePtr& image() const { return image_; }
  // One stroke; from a point to itself it leaves a round dot.
  void drawLine(base::Point from, base::Point to);
  // The part of the drawing inside `rect` (canvas coordinates, cut to the
  // canvas); nothing when that part holds no ink.
  gfx::ImagePtr decompressedImage(const base::Rect& rect) const;
  void clear() { image_.reset(); }

 private:
  base::Size size_;
  gfx::ImagePtr image_;
};

}  // namespace mv
