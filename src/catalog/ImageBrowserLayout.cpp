#include "catalog/ImageBrowserLayout.hpp"

#include <cmath>

namespace mv {

ImageBrowserLayout::LoadPlan ImageBrowserLayout::loadPlan(long current, long count) {
  LoadPlan plan;
  auto exists = [count](long i) { return i >= 0 && i < count; };
  if (exists(current)) plan.now = current;
  for (long i : {current + 1, current - 1}) {
    if (exists(i)) plan.async.push_back(i);
  }
  for (long i : {current + 2, current - 2}) {
    if (exists(i)) plan.unload.push_back(i);
  }
  return plan;
}

long ImageBrowserLayout::pageForOffset(double offset, double pageWidth) {
  if (pageWidth <= 0) return 0;
  return static_cast<long>(std::floor((offset - pageWidth / 2) / pageWidth)) + 1;
}

std::uintmax_t ImageBrowserLayout::immediateSizeLimit(int deviceType) {
  switch (deviceType) {
    case 1:
      return 307200;
    case 2:
      return 512000;
    default:
      return 1048576;
  }
}

std::optional<double> ImageBrowserLayout::enlargementScale(base::Size page, base::Size full, base::Size thumb) {
  if (full.width <= 0 || full.height <= 0 || thumb.width <= 0 || thumb.height <= 0) return std::nullopt;
  const bool fits = page.width > full.width && page.height > full.height;
  const double x = fits ? full.width : page.width;
  const double y = fits ? full.height : page.height;
  const float scale = full.width / full.height > 1.45 ? static_cast<float>(x / thumb.width)
                                                      : static_cast<float>(y / thumb.height);
  if (!std::isfinite(scale) || scale <= 0) return std::nullopt;
  return scale;
}

base::Size ImageBrowserLayout::displayedSize(base::Size frame, base::Size image) {
  if (image.width > image.height && image.width > frame.width && image.width > 0) {
    return {frame.width, std::floor(image.height * frame.width / image.width)};
  }
  if (image.height > image.width && image.height > frame.height && image.height > 0) {
    return {std::floor(image.width * frame.height / image.height), frame.height};
  }
  return image;
}

base::Rect ImageBrowserLayout::zoomRect(base::Size frame, base::Size image, double scale, base::Point touch) {
  const base::Size shown = displayedSize(frame, image);
  auto axis = [scale](double side, double content, double at) {
    if (scale * content <= side) return (side - side / scale) / 2;
    if (content < side) return at < side / 2 ? (side - content) / 2 : (content + side) / 2 - side / scale;
    return at - side / (2 * scale);
  };
  return {axis(frame.width, shown.width, touch.x), axis(frame.height, shown.height, touch.y), frame.width / scale,
          frame.height / scale};
}

ImageBrowserLayout::Tick ImageBrowserLayout::slideShowTick(bool busy, double offset, double contentWidth,
                                                           double pageWidth) {
  if (busy) return Tick::Wait;
  return offset < contentWidth - pageWidth ? Tick::NextPage : Tick::NextProduct;
}

double ImageBrowserLayout::slideOffset(unsigned random, double distance) {
  switch (random % 3) {
    case 1:
      return distance;
    case 2:
      return -distance;
    default:
      return 0;
  }
}

}  // namespace mv
