#include "catalog/ProductBigImageView.hpp"

#include "catalog/ImageBrowserLayout.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/WeakAs.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

std::shared_ptr<ProductBigImageView> ProductBigImageView::create(const ui::Rect& frame, long index,
                                                                 std::weak_ptr<ProductBigImageViewScroller> scroller) {
  std::shared_ptr<ProductBigImageView> view(new ProductBigImageView(frame, index, std::move(scroller)));
  view->init();
  return view;
}

ProductBigImageView::ProductBigImageView(const ui::Rect& frame, long index,
                                         std::weak_ptr<ProductBigImageViewScroller> scroller)
    : ui::ScrollView(frame), scroller_(std::move(scroller)), index_(index) {
  setMinimumZoomScale(1.0);
  setMaximumZoomScale(ImageBrowserLayout::kMaximumZoom);
  setShowsHorizontalScrollIndicator(false);
  setShowsVerticalScrollIndicator(false);
  setBackgroundColor(gfx::Color::white());
  imageView_ = std::make_shared<ui::ImageView>(bounds());
  imageView_->setContentMode(ui::ContentMode::ScaleAspectFit);
  addSubview(imageView_);
}

void ProductBigImageView::init() {
  setDelegate(ui::weakAs<ui::ScrollViewDelegate>(this));
  auto weak = ui::weakAs<ProductBigImageView>(this);
  auto single = std::make_shared<ui::TapGestureRecognizer>([weak](ui::GestureRecognizer& g) {
    if (g.state() != ui::GestureRecognized) return;
    auto self = weak.lock();
    if (!self) return;
    if (auto s = self->scroller_.lock()) s->toggleChromeSoon();
  });
  auto twice = std::make_shared<ui::TapGestureRecognizer>([weak](ui::GestureRecognizer& g) {
    if (g.state() != ui::GestureRecognized) return;
    auto self = weak.lock();
    if (!self) return;
    if (auto s = self->scroller_.lock()) s->cancelChromeToggle();
    self->zoomAt(g.locationInView(self->imageView_.get()));
  });
  twice->numberOfTapsRequired = 2;
  // The first tap of a double tap is no single tap: the controls stay put
  // while the picture zooms.
  single->requireGestureRecognizerToFail(twice);
  addGestureRecognizer(single);
  addGestureRecognizer(twice);
}

void ProductBigImageView::setImage(const gfx::ImagePtr& image) { ViewStyle::ImageViewFitImg(*imageView_, image); }

void ProductBigImageView::resetZoom() {
  if (isZoomed()) setZoomScale(minimumZoomScale(), true);
}

void ProductBigImageView::zoomAt(ui::Point touch) {
  if (isZoomed()) {
    zoomToRect(bounds(), true);
    setZoomScale(minimumZoomScale(), true);
    return;
  }
  const ui::Size imageSize = imageView_->image() ? imageView_->image()->size() : bounds().size;
  zoomToRect(ImageBrowserLayout::zoomRect(frame().size, imageSize, maximumZoomScale(), touch), true);
}

ui::View* ProductBigImageView::viewForZoomingInScrollView(ui::ScrollView&) { return imageView_.get(); }

void ProductBigImageView::layoutSubviews() {
  ui::ScrollView::layoutSubviews();
  if (!isZoomed()) imageView_->setFrame(bounds());
}

}  // namespace mv
