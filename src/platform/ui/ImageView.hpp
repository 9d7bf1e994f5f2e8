#pragma once
#include <vector>

#include "platform/gfx/Image.hpp"
#include "platform/ui/View.hpp"

namespace ui {

// Shows an image (or its highlighted variant) placed by the content mode.
class ImageView : public View {
 public:
  explicit ImageView(const Rect& frame = {});
  // Sized to the image.
  explicit ImageView(gfx::ImagePtr image, gfx::ImagePtr highlightedImage = nullptr);

  const gfx::ImagePtr& image() const { return image_; }
  void setImage(gfx::ImagePtr image);
  const gfx::ImagePtr& highlightedImage() const { return highlightedImage_; }
  void setHighlightedImage(gfx::ImagePtr image);
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool on);
  // The image drawn now.
  gfx::ImagePtr currentImage() const;

  const std::vector<gfx::ImagePtr>& animationImages() const { return animationImages_; }
  void setAnimationImages(std::vector<gfx::ImagePtr> images) { animationImages_ = std::move(images); }
  double animationDuration() const { return animationDuration_; }
  void setAnimationDuration(double d) { animationDuration_ = d; }
  void startAnimating() { animating_ = !animationImages_.empty(); }
  void stopAnimating() { animating_ = false; }
  bool isAnimating() const { return animating_; }

  Size sizeThatFits(Size size) const override;
  void drawRect(gfx::Context& ctx, const Rect& rect) override;

 private:
  gfx::ImagePtr image_, highlightedImage_;
  bool highlighted_ = false;
  std::vector<gfx::ImagePtr> animationImages_;
  double animationDuration_ = 0;
  bool animating_ = false;
};

}  // namespace ui
