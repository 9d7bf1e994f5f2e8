#pragma once
// The zoom arithmetic of a page view: the page fits the view less a border of
// 4 points at the minimum, the maximum is three times that, and a double tap
// steps up by a third of the range three times, then back to the minimum.
#include <algorithm>

#include "platform/base/Geometry.hpp"

namespace mv {

struct ReaderZoom {
  static constexpr double kInset = 4;
  static constexpr double kMaximumFactor = 3;
  static constexpr double kSteps = 3;
  static constexpr double kTolerance = 0.000001;

  double minimum = 1;
  double maximum = 1;
  // One step: (maximum - minimum) / 3.
  double amount = 0;

  // For a page of `page` points in a view of `view` points; all 1 for an
  // empty page.
  static ReaderZoom forSizes(base::Size view, base::Size page) {
    ReaderZoom z;
    if (!(page.width > 0) || !(page.height > 0)) return z;
    double fit = std::min((view.width - 2 * kInset) / page.width, (view.height - 2 * kInset) / page.height);
    if (!(fit > 0)) return z;
    z.minimum = fit;
    z.maximum = kMaximumFactor * fit;
    z.amount = (z.maximum - z.minimum) / kSteps;
    return z;
  }

  // The scale a step up leads to (the current one when at the maximum).
  double increment(double current) const { return current < maximum ? std::min(current + amount, maximum) : current; }
  double decrement(double current) const { return current > minimum ? std::max(current - amount, minimum) : current; }
  // A double tap: a step up while below the maximum, else back to the minimum.
  double loop(double current) const { return current + kTolerance < maximum ? increment(current) : minimum; }
  // After the view's size changed: a page shown at the old minimum, or now
  // below the new minimum, goes to the new minimum; one above the new maximum
  // comes down to it; any other keeps its scale.
  double afterResize(double current, double oldMinimum) const {
    if (current == oldMinimum || current < minimum) return minimum;
    if (current > maximum) return maximum;
    return current;
  }
};

}  // namespace mv
