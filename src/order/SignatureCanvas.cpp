#include "order/SignatureCanvas.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gfx/Context.hpp"
#include "platform/gfx/ImageData.hpp"

namespace mv {

void SignatureCanvas::drawLine(base::Point from, base::Point to) {
  auto context = gfx::Context::bitmap(size_, 1.0);
  if (!context) return;
  // The drawing so far goes back where it was drawn: at the canvas's own
  // origin, whatever the pad's place on the screen.
  if (image_) context->drawImage(*image_, base::Rect{0, 0, size_.width, size_.height});
  context->setStrokeColor(gfx::Color::black());
  context->setLineWidth(kLineWidth);
  context->setLineCap(gfx::LineCap::Round);
  context->strokeLine(from, to);
  image_ = context->makeImage();
}

gfx::ImagePtr SignatureCanvas::decompressedImage(const base::Rect& rect) const {
  if (!image_) return nullptr;
  const gfx::ImageData data = image_->toImageData();
  const int x0 = std::max(0, static_cast<int>(std::floor(rect.minX())));
  const int y0 = std::max(0, static_cast<int>(std::floor(rect.minY())));
  const int x1 = std::min(data.width, static_cast<int>(std::ceil(rect.maxX())));
  const int y1 = std::min(data.height, static_cast<int>(std::ceil(rect.maxY())));
  if (x1 <= x0 || y1 <= y0) return nullptr;
  gfx::ImageData cut(x1 - x0, y1 - y0);
  if (cut.empty()) return nullptr;
  bool ink = false;
  for (int y = y0; y < y1; ++y) {
    const std::uint8_t* src = data.pixel(x0, y);
    std::memcpy(cut.pixel(0, y - y0), src, static_cast<std::size_t>(x1 - x0) * 4);
    for (int x = 0; x < x1 - x0 && !ink; ++x) ink = src[x * 4 + 3] != 0;
  }
  // Strokes only outside the signing area are no signature.
  if (!ink) return nullptr;
  return gfx::Image::fromImageData(cut);
}

}  // namespace mv
