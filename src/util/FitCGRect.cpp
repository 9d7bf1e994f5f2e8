#include "util/FitCGRect.hpp"

#include "util/PublicFunction.hpp"

namespace mv {

FitCGRect& FitCGRect::sharedInstance() {
  static FitCGRect instance;
  return instance;
}

base::Rect FitCGRect::fitCGRectBy(double x, double y, double width, double height) const {
  if (PublicFunction::getDeviceVersion() >= 7.0) return base::Rect{x, y, width, height};
  return base::Rect{x, y - 20, width, height};
}

double FitCGRect::navBarHeight() const { return PublicFunction::getDeviceVersion() >= 7.0 ? 64.0 : 44.0; }

}  // namespace mv
