#pragma once
// Layout metrics that depend on the system version: screens are laid out for
// systems that draw under the status bar (7.0 and later); older ones measure
// views from below it.
#include "platform/base/Geometry.hpp"

namespace mv {

class FitCGRect {
 public:
  static FitCGRect& sharedInstance();

  // The rectangle as given on 7.0 and later, 20 points higher before.
  base::Rect fitCGRectBy(double x, double y, double width, double height) const;
  // The top bar's height including the status bar: 64 on 7.0 and later, else 44.
  double navBarHeight() const;
};

}  // namespace mv
