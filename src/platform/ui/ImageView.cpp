#include "platform/ui/ImageView.hpp"

namespace ui {

ImageView::ImageView(const Rect& frame) : View(frame) {
  setUserInteractionEnabled(false);
  setOpaque(false);
}

ImageView::ImageView(gfx::ImagePtr image, gfx::ImagePtr highlightedImage)
    : View(image ? Rect{{0, 0}, image->size()} : Rect{}),
      image_(std::move(image)),
      highlightedImage_(std::move(highlightedImage)) {
  setUserInteractionEnabled(false);
  setOpaque(false);
}

void ImageView::setImage(gfx::ImagePtr image) {
  if (image == image_) return;
  image_ = std::move(image);
  setNeedsDisplay();
}

void ImageView::setHighlightedImage(gfx::ImagePtr image) {
  highlightedImage_ = std::move(image);
  setNeedsDisplay();
}

void ImageView::setHighlighted(bool on) {
  if (on == highlighted_) return;
  highlighted_ = on;
  setNeedsDisplay();
}

gfx::ImagePtr ImageView::currentImage() const {
  if (highlighted_ && highlightedImage_) return highlightedImage_;
  return image_;
}

Size ImageView::sizeThatFits(Size) const {
  auto img = currentImage();
  return img ? img->size() : Size{};
}

void ImageView::drawRect(gfx::Context& ctx, const Rect&) {
  auto img = currentImage();
  if (!img) return;
  // A stretchable image fills the view whatever the mode.
  Rect r = img->isResizable() ? bounds() : rectForContentMode(contentMode(), img->size(), bounds());
  ctx.drawImage(*img, r);
}

}  // namespace ui
