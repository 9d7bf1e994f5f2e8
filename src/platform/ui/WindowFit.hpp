#pragma once
// How the window's layout of points stands in a desktop window of any pixel
// size: scaled to fit it whole, keeping its proportions, and centred; what
// is left on either side is background.
#include "platform/base/Geometry.hpp"

namespace ui {

class WindowFit {
 public:
  WindowFit() = default;
  // The layout of `points` in a desktop window of `pixelWidth` x `pixelHeight`.
  static WindowFit of(base::Size points, int pixelWidth, int pixelHeight);

  // Pixels per point.
  double scale() const { return scale_; }
  // The layout's top left corner, in pixels (whole ones, so that the lines
  // of the layout fall where they would unscaled).
  base::Point origin() const { return origin_; }
  // The layout's rectangle in pixels.
  base::Rect layoutRect() const { return {origin_.x, origin_.y, points_.width * scale_, points_.height * scale_}; }

  // A pixel of the desktop window as a point of the layout (outside it in
  // the background).
  base::Point toPoints(double x, double y) const { return {(x - origin_.x) / scale_, (y - origin_.y) / scale_}; }
  base::Point toPixels(base::Point p) const { return {origin_.x + p.x * scale_, origin_.y + p.y * scale_}; }

 private:
  base::Size points_{1, 1};
  double scale_ = 1;
  base::Point origin_;
};

}  // namespace ui
