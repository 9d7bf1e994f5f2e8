#include "widgets/PageControl.hpp"

#include <algorithm>
#include <cmath>

#include "platform/ui/ScrollView.hpp"
#include "platform/ui/Touch.hpp"

namespace mv {

PageControl::PageControl(const ui::Rect& frame) : ui::Control(frame) {
  setBackgroundColor(gfx::Color::clear());
  setOpaque(false);
}

std::int64_t PageControl::clampedPage(std::int64_t page) const {
  if (numberOfPages_ <= 0) return 0;
  return std::clamp<std::int64_t>(page, 0, numberOfPages_ - 1);
}

void PageControl::setNumberOfPages(std::int64_t count) {
  count = std::max<std::int64_t>(count, 0);
  if (count == numberOfPages_) return;
  numberOfPages_ = count;
  // A shrunk row keeps a highlighted dot and working taps.
  currentPage_ = clampedPage(currentPage_);
  displayedPage_ = clampedPage(displayedPage_);
  setNeedsDisplay();
}

void PageControl::setCurrentPage(std::int64_t page, bool sendEvent, bool canDefer) {
  if (page < 0 || page >= numberOfPages_) return;
  currentPage_ = page;
  if (!(defersCurrentPageDisplay_ && canDefer)) {
    displayedPage_ = currentPage_;
    setNeedsDisplay();
  }
  if (sendEvent) sendActionsForControlEvents(ui::ControlEventValueChanged);
}

void PageControl::updateCurrentPageDisplay() {
  displayedPage_ = currentPage_;
  setNeedsDisplay();
}

void PageControl::setIndicatorMargin(double margin) {
  if (margin == indicatorMargin_) return;
  indicatorMargin_ = margin;
  setNeedsDisplay();
}

void PageControl::setIndicatorDiameter(double diameter) {
  if (diameter == indicatorDiameter_) return;
  indicatorDiameter_ = diameter;
  updateMeasuredIndicatorSizes();
  setNeedsDisplay();
}

void PageControl::setPageIndicatorImage(gfx::ImagePtr image) {
  if (image == pageIndicatorImage_) return;
  pageIndicatorImage_ = std::move(image);
  updateMeasuredIndicatorSizes();
  setNeedsDisplay();
}

void PageControl::setCurrentPageIndicatorImage(gfx::ImagePtr image) {
  if (image == currentPageIndicatorImage_) return;
  currentPageIndicatorImage_ = std::move(image);
  updateMeasuredIndicatorSizes();
  setNeedsDisplay();
}

void PageControl::setImage(gfx::ImagePtr image, std::int64_t page) {
  if (page < 0 || page >= numberOfPages_) return;
  if (image)
    pageImages_[page] = std::move(image);
  else
    pageImages_.erase(page);
}

void PageControl::setCurrentImage(gfx::ImagePtr image, std::int64_t page) {
  if (page < 0 || page >= numberOfPages_) return;
  if (image)
    currentPageImages_[page] = std::move(image);
  else
    currentPageImages_.erase(page);
}

gfx::ImagePtr PageControl::imageForPage(std::int64_t page) const {
  if (page < 0 || page >= numberOfPages_) return nullptr;
  auto it = pageImages_.find(page);
  return it == pageImages_.end() ? nullptr : it->second;
}

gfx::ImagePtr PageControl::currentImageForPage(std::int64_t page) const {
  if (page < 0 || page >= numberOfPages_) return nullptr;
  auto it = currentPageImages_.find(page);
  return it == currentPageImages_.end() ? nullptr : it->second;
}

void PageControl::updateMeasuredIndicatorSizes() {
  double w = indicatorDiameter_, h = indicatorDiameter_;
  if (pageIndicatorImage_ && currentPageIndicatorImage_) w = h = 0;
  if (pageIndicatorImage_) {
    ui::Size s = pageIndicatorImage_->size();
    w = std::max(indicatorDiameter_, s.width);
    h = std::max(indicatorDiameter_, s.height);
  }
  if (currentPageIndicatorImage_) {
    ui::Size s = currentPageIndicatorImage_->size();
    w = std::max(indicatorDiameter_, s.width);
    h = std::max(indicatorDiameter_, s.height);
  }
  measuredIndicatorWidth_ = w;
  measuredIndicatorHeight_ = h;
}

ui::Size PageControl::sizeForNumberOfPages(std::int64_t count) const {
  count = std::max<std::int64_t>(count, 0);
  double n = static_cast<double>(count);
  double gaps = static_cast<double>(std::max<std::int64_t>(count - 1, 0));
  return {n * measuredIndicatorWidth_ + gaps * indicatorMargin_, measuredIndicatorHeight_};
}

void PageControl::sizeToFit() {
  ui::Size s = sizeForNumberOfPages(numberOfPages_);
  s.height = std::max(s.height, kMinHeight);
  ui::Rect f = frame();
  setFrame({f.origin, s});
}

double PageControl::leftOffset() const {
  const ui::Rect b = bounds();
  const double total = sizeForNumberOfPages(numberOfPages_).width;
  switch (alignment_) {
    case PageControlAlignmentCenter: return b.midX() - total / 2;
    case PageControlAlignmentRight: return b.maxX() - total - kRightInset;
    default: return 0;
  }
}

double PageControl::topOffset() const {
  const ui::Rect b = bounds();
  switch (verticalAlignment_) {
    case PageControlVerticalAlignmentMiddle: return b.midY() - measuredIndicatorHeight_ / 2;
    case PageControlVerticalAlignmentBottom: return b.maxY() - sizeForNumberOfPages(numberOfPages_).height;
    default: return 0;
  }
}

ui::Rect PageControl::rectForPageIndicator(std::int64_t page) const {
  if (page < 0 || page >= numberOfPages_) return {};
  double x = leftOffset() + sizeForNumberOfPages(page + 1).width - measuredIndicatorWidth_;
  return {x, topOffset(), measuredIndicatorWidth_, measuredIndicatorHeight_};
}

void PageControl::updatePageNumberForOffset(double offsetX, double pageWidth) {
  if (!(pageWidth > 0) || std::isnan(offsetX)) return;
  // Single precision, as the page arithmetic of paging scroll views is done.
  float page = std::floor(static_cast<float>(offsetX) / static_cast<float>(pageWidth));
  if (!std::isfinite(page)) return;
  if (page < static_cast<float>(-1) || page > static_cast<float>(numberOfPages_)) return;
  setCurrentPage(static_cast<std::int64_t>(page));
}

void PageControl::updatePageNumberForScrollView(const ui::ScrollView& scrollView) {
  updatePageNumberForOffset(scrollView.contentOffset().x, scrollView.frame().width());
}

void PageControl::setFrame(const ui::Rect& frame) {
  ui::Control::setFrame(frame);
  setNeedsDisplay();
}

void PageControl::touchesEnded(const ui::TouchSet& touches, const ui::Event& event) {
  if (!touches.empty() && touches.front()) {
    double x = touches.front()->locationInView(this).x;
    double half = leftOffset() + sizeForNumberOfPages(numberOfPages_).width / 2;
    std::int64_t target = x < half ? currentPage_ - 1 : currentPage_ + 1;
    setCurrentPage(target, true, true);
  }
  ui::Control::touchesEnded(touches, event);
}

void PageControl::drawRect(gfx::Context& ctx, const ui::Rect&) {
  if (numberOfPages_ <= 1 && hidesForSinglePage_) return;
  double x = leftOffset();
  const double y = topOffset();
  for (std::int64_t i = 0; i < numberOfPages_; ++i) {
    gfx::Color fill;
    gfx::ImagePtr image;
    if (i == displayedPage_) {
      fill = currentPageIndicatorTintColor_.value_or(gfx::Color::white());
      image = currentImageForPage(i);
      if (!image) image = currentPageIndicatorImage_;
    } else {
      fill = pageIndicatorTintColor_.value_or(gfx::Color::white(1.0, 0.3));
      image = imageForPage(i);
      if (!image) image = pageIndicatorImage_;
    }
    ctx.setFillColor(fill);
    if (image)
      ctx.drawImage(*image, ui::Point{x, y});
    else
      ctx.fillEllipse({x, y, measuredIndicatorWidth_, measuredIndicatorHeight_});
    x += measuredIndicatorWidth_ + indicatorMargin_;
  }
}

}  // namespace mv
