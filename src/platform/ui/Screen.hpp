#pragma once
#include "platform/base/Geometry.hpp"

namespace ui {

// The display: 1024 x 768 points in landscape interface coordinates, at a
// scale of 1 or 2 pixels per point.
class Screen {
 public:
  static Screen& mainScreen();
  base::Rect bounds() const { return {0, 0, 1024, 768}; }
  // The area below the 20-point status bar.
  base::Rect applicationFrame() const { return {0, 20, 1024, 748}; }
  double scale() const { return scale_; }
  // Also makes images prefer their "@2x" files at scale 2.
  void setScale(double scale);

 private:
  double scale_ = 1;
};

}  // namespace ui
