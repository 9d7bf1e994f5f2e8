#include "library/reader/ReaderContentView.hpp"

#include "library/reader/ReaderThumbCache.hpp"
#include "library/reader/ReaderThumbRequest.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/Device.hpp"
#include "platform/ui/GestureRecognizer.hpp"
#include "util/TextLookup.hpp"

namespace mv {

ReaderContentThumb::ReaderContentThumb(const ui::Rect& frame) : ReaderThumbView(frame) {
  imageView()->setContentMode(ui::ContentMode::ScaleAspectFill);
  imageView()->setClipsToBounds(true);
}

std::shared_ptr<ReaderContentView> ReaderContentView::initWithFrame(const ui::Rect& frame,
                                                                    const std::filesystem::path& fileURL, long page,
                                                                    const std::string& password) {
  MV_ASSERT_MAIN_THREAD();
  std::shared_ptr<ReaderContentView> v(new ReaderContentView(frame));
  v->setScrollsToTop(false);
  v->setDelaysContentTouches(false);
  v->setShowsVerticalScrollIndicator(false);
  v->setShowsHorizontalScrollIndicator(false);
  v->setContentMode(ui::ContentMode::Redraw);
  v->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  v->setBackgroundColor(gfx::Color::clear());
  v->setUserInteractionEnabled(true);
  v->setAutoresizesSubviews(false);
  v->setBouncesZoom(true);
  v->setDelegate(std::shared_ptr<ui::ScrollViewDelegate>(v, v.get()));

  v->page_ = ReaderContentPage::initWithURL(fileURL, page, password);
  if (v->page_) {
    ui::Rect bounds = v->page_->bounds();
    auto container = std::make_shared<ui::View>(bounds);
    container->setAutoresizesSubviews(false);
    container->setUserInteractionEnabled(false);
    container->setContentMode(ui::ContentMode::Redraw);
    container->setBackgroundColor(gfx::Color::white());
    container->layer().setShadowOffset({0, 0});
    container->layer().setShadowRadius(kShadowRadius);
    container->layer().setShadowOpacity(1);
    container->layer().setShadowPath(gfx::Path::rect(bounds));
    v->setContentSize(bounds.size);
    v->setContentOffset(ui::Point{-kContainerInset, -kContainerInset});
    v->setContentInset({kContainerInset, kContainerInset, kContainerInset, kContainerInset});
    v->thumb_ = std::make_shared<ReaderContentThumb>(bounds);
    container->addSubview(v->thumb_);
    container->addSubview(v->page_);
    v->container_ = container;
    v->addSubview(container);
    v->updateMinimumMaximumZoom();
    v->setZoomScale(v->zoom_.minimum);
  } else {
    // A page without a size (or that does not open) would be an empty grey
    // screen: it says so instead.
    v->notice_ = std::make_shared<ui::Label>(v->bounds().inset(kNoticeInset, 0));
    v->notice_->setText(text("PAGECANNOTBESHOWN"));
    v->notice_->setFont(gfx::Font::systemFont(kNoticeFontSize));
    v->notice_->setTextColor(gfx::Color::white());
    v->notice_->setBackgroundColor(gfx::Color::clear());
    v->notice_->setTextAlignment(gfx::TextAlignment::Center);
    v->notice_->setNumberOfLines(0);
    v->notice_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    // Taps go through to the page, which turns or shows the bars.
    v->notice_->setUserInteractionEnabled(false);
    v->addSubview(v->notice_);
  }
  v->setTag(page);
  return v;
}

ReaderContentView::~ReaderContentView() = default;

void ReaderContentView::updateMinimumMaximumZoom() {
  if (!page_) return;
  zoom_ = ReaderZoom::forSizes(bounds().size, page_->bounds().size);
  setMinimumZoomScale(zoom_.minimum);
  setMaximumZoomScale(zoom_.maximum);
}

void ReaderContentView::setFrame(const ui::Rect& frame) {
  const double oldMinimum = zoom_.minimum;
  ui::ScrollView::setFrame(frame);
  if (notice_) notice_->setFrame(bounds().inset(kNoticeInset, 0));
  if (!page_) return;
  updateMinimumMaximumZoom();
  double next = zoom_.afterResize(zoomScale(), oldMinimum);
  if (next != zoomScale()) setZoomScale(next);
}

void ReaderContentView::layoutSubviews() {
  ui::ScrollView::layoutSubviews();
  if (!container_) return;
  // The container stays centred while it is smaller than the view.
  ui::Size view = bounds().size;
  ui::Rect f = container_->frame();
  f.origin.x = f.width() < view.width ? (view.width - f.width()) / 2 + contentOffset().x : 0;
  f.origin.y = f.height() < view.height ? (view.height - f.height()) / 2 + contentOffset().y : 0;
  if (f != container_->frame()) container_->setFrame(f);
}

ui::View* ReaderContentView::viewForZoomingInScrollView(ui::ScrollView& /*scrollView*/) { return container_.get(); }

void ReaderContentView::touchesBegan(const ui::TouchSet& touches, const ui::Event& event) {
  ui::ScrollView::touchesBegan(touches, event);
  if (auto m = message()) m->contentView(*this, touches);
}

void ReaderContentView::zoomIncrement() {
  if (zoomScale() < zoom_.maximum) setZoomScale(zoom_.increment(zoomScale()), true);
}

void ReaderContentView::zoomDecrement() {
  if (zoomScale() > zoom_.minimum) setZoomScale(zoom_.decrement(zoomScale()), true);
}

void ReaderContentView::loopZoom() {
  if (zoomScale() + ReaderZoom::kTolerance < zoom_.maximum)
    zoomIncrement();
  else
    setZoomScale(zoom_.minimum, true);
}

void ReaderContentView::zoomReset() {
  if (zoomScale() > zoom_.minimum) setZoomScale(zoom_.minimum);
}

void ReaderContentView::showPageThumb(const std::filesystem::path& fileURL, long page, const std::string& password,
                                      const std::string& guid) {
  if (!thumb_) return;
  const bool pad = ui::Device::currentDevice().userInterfaceIdiom() == ui::UserInterfaceIdiom::Pad;
  const double side = pad ? 240 : 144;
  auto request = ReaderThumbRequest::newForView(thumb_, fileURL, password, guid, page, {side, side});
  if (auto image = ReaderThumbCache::sharedInstance().thumbRequest(request, true)) thumb_->showImage(image);
}

ReaderLinkTarget ReaderContentView::processSingleTap(const ui::GestureRecognizer& recognizer) const {
  if (!page_) return {};
  return page_->processSingleTap(recognizer.locationInView(page_.get()));
}

}  // namespace mv
