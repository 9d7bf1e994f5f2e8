#include "platform/ui/WindowFit.hpp"

#include <algorithm>
#include <cmath>

namespace ui {

WindowFit WindowFit::of(base::Size points, int pixelWidth, int pixelHeight) {
  WindowFit fit;
  if (!(points.width > 0) || !(points.height > 0)) return fit;
  // A window shrunk to nothing still maps its pixels somewhere.
  const double width = std::max(1, pixelWidth), height = std::max(1, pixelHeight);
  fit.points_ = points;
  fit.scale_ = std::min(width / points.width, height / points.height);
  fit.origin_ = {std::floor((width - points.width * fit.scale_) / 2), std::floor((height - points.height * fit.scale_) / 2)};
  return fit;
}

}  // namespace ui
