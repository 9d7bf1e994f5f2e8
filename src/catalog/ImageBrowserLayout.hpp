#pragma once
// The arithmetic of the image browser without its views: which pages to
// load, show from the thumbnail or drop around the page on display, the page
// under a scroll offset, the pulls that change product, when a large picture
// is first shown from its thumbnail, how a thumbnail is enlarged to stand in
// for its picture, the rectangle a double tap zooms to, and what each tick
// of the slide show does.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/base/Geometry.hpp"

namespace mv {

class ImageBrowserLayout {
 public:
  static constexpr double kPullBeyondEnds = 10;
  static constexpr double kMaximumZoom = 2.0;

  // The pages around page `current` of `count`: loaded at once, loaded
  // from their thumbnails first, and dropped. Only pages that exist.
  struct LoadPlan {
    std::optional<long> now;
    std::vector<long> async;
    std::vector<long> unload;
  };
  static LoadPlan loadPlan(long current, long count);

  // The page an offset shows: the one whose half it has passed.
  static long pageForOffset(double offset, double pageWidth);
  // A pull further than these (left of the first page, right of the last)
  // changes product.
  static double leftTransition() { return -kPullBeyondEnds; }
  static double rightTransition(double pageWidth, long count) {
    return pageWidth * static_cast<double>(count - 1) + kPullBeyondEnds;
  }

  // The largest picture shown at once at a product change on a device of
  // that class; larger ones show their thumbnail first.
  static std::uintmax_t immediateSizeLimit(int deviceType);
  static bool showsThumbnailFirst(std::uintmax_t fileSize, int deviceType) {
    return fileSize > immediateSizeLimit(deviceType);
  }

  // The scale that makes a `thumb` sized thumbnail stand where the `full`
  // sized picture will stand in a page of `page` size; nothing when a size
  // is unknown (0) and no enlargement can be made.
  static std::optional<double> enlargementScale(base::Size page, base::Size full, base::Size thumb);

  // The rectangle a double tap at `touch` zooms to in a page of `frame`
  // size showing a picture of `image` size, at `scale`.
  static base::Rect zoomRect(base::Size frame, base::Size image, double scale, base::Point touch);
  // The picture's size as shown in the frame (reduced to it, aspect kept).
  static base::Size displayedSize(base::Size frame, base::Size image);

  enum class Tick { Wait, NextPage, NextProduct };
  // A slide-show tick: nothing while the browser moves by itself, the next
  // page while there is one, else the next product.
  static Tick slideShowTick(bool busy, double offset, double contentWidth, double pageWidth);
  // The shift of a slide's new picture for a random number: +d, -d or 0 by
  // its remainder 1, 2 or 0.
  static double slideOffset(unsigned random, double distance);
};

}  // namespace mv
