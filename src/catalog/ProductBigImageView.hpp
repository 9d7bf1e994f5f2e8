#pragma once
// One page of the image browser: a picture that zooms from its whole size up
// to twice that by pinching or double tapping at a point; a single tap asks
// the browser to show or hide its controls.
#include <memory>

#include "platform/gfx/Image.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/ScrollView.hpp"

namespace mv {

class ProductBigImageViewScroller {
 public:
  virtual ~ProductBigImageViewScroller() = default;
  // The controls change a moment later, unless a double tap comes first.
  virtual void toggleChromeSoon() = 0;
  virtual void cancelChromeToggle() = 0;
};

class ProductBigImageView : public ui::ScrollView, public ui::ScrollViewDelegate {
 public:
  static std::shared_ptr<ProductBigImageView> create(const ui::Rect& frame, long index,
                                                     std::weak_ptr<ProductBigImageViewScroller> scroller);

  long index() const { return index_; }
  ui::ImageView& imageView() const { return *imageView_; }
  const std::shared_ptr<ui::ImageView>& imageViewPtr() const { return imageView_; }
  // Centred when smaller than the page both ways, else fitted.
  void setImage(const gfx::ImagePtr& image);
  bool isZoomed() const { return zoomScale() != minimumZoomScale(); }
  // Back to the whole picture.
  void resetZoom();
  // A double tap at a point of the page.
  void zoomAt(ui::Point touch);

  ui::View* viewForZoomingInScrollView(ui::ScrollView& scrollView) override;
  void layoutSubviews() override;

 private:
  ProductBigImageView(const ui::Rect& frame, long index, std::weak_ptr<ProductBigImageViewScroller> scroller);
  void init();

  std::shared_ptr<ui::ImageView> imageView_;
  std::weak_ptr<ProductBigImageViewScroller> scroller_;
  long index_;
};

}  // namespace mv
