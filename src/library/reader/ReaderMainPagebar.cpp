#include "library/reader/ReaderMainPagebar.hpp"

#include <algorithm>
#include <cmath>

#include "library/reader/ReaderThumbCache.hpp"
#include "library/reader/ReaderThumbRequest.hpp"
#include "library/reader/ReaderToolbarView.hpp"
#include "platform/base/MainThread.hpp"
#include "widgets/BundleStrings.hpp"

namespace mv {

// --- arithmetic ------------------------------------------------------------------

ReaderMainPagebar::Layout ReaderMainPagebar::layoutFor(double barWidth, long pageCount) {
  Layout l;
  const double strip = barWidth - 2 * kInset;
  long fit = strip > 0 ? static_cast<long>(strip / kThumbPitch) : 0;
  l.thumbs = static_cast<int>(std::max(0L, std::min(fit, pageCount)));
  l.trackWidth = l.thumbs > 0 ? l.thumbs * kThumbPitch - 2 : 0;
  l.trackX = std::trunc((barWidth - l.trackWidth) / 2);
  l.stride = pageCount > 0 ? static_cast<double>(pageCount) / std::max(l.thumbs - 1, 1) : 0;
  return l;
}

long ReaderMainPagebar::sampledPage(int index, double stride, long pageCount) {
  return std::min(static_cast<long>(stride * index + 1), pageCount);
}

double ReaderMainPagebar::largeThumbX(long page, double trackWidth, long pageCount) {
  if (pageCount <= 1) return 0;
  return std::trunc((page - 1) * ((trackWidth - ReaderPagebarThumb::kLargeSize.width) / (pageCount - 1)));
}

long ReaderMainPagebar::pageForValue(double value, double controlWidth, long pageCount) {
  if (pageCount <= 0 || !(controlWidth > 0)) return 0;
  double stride = controlWidth / pageCount;
  return std::clamp(static_cast<long>(value / stride) + 1, 1L, pageCount);
}

std::string ReaderMainPagebar::pageNumberText(long page, long pageCount) {
  std::string pattern = BundleStrings::localizedStringForKey("%d of %d", "Localizable");
  std::string out;
  long values[2] = {page, pageCount};
  int used = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'd' && used < 2) {
      out += std::to_string(values[used++]);
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

// --- the bar ---------------------------------------------------------------------

std::shared_ptr<ReaderMainPagebar> ReaderMainPagebar::initWithFrame(const ui::Rect& frame,
                                                                    std::shared_ptr<ReaderDocument> document) {
  MV_ASSERT_MAIN_THREAD();
  std::shared_ptr<ReaderMainPagebar> bar(new ReaderMainPagebar(frame));
  bar->document_ = std::move(document);
  bar->setAutoresizesSubviews(true);
  bar->setUserInteractionEnabled(true);
  bar->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleTopMargin);
  bar->setBackgroundColor(gfx::Color::clear());

  auto shadow = std::make_shared<ReaderPagebarShadow>(ui::Rect{0, -4, frame.width(), 4});
  bar->addSubview(shadow);

  const double w = frame.width();
  bar->pageNumberView_ = std::make_shared<ui::View>(ui::Rect{(w - 96) / 2, -50, 96, 30});
  auto& box = *bar->pageNumberView_;
  box.setAutoresizesSubviews(false);
  box.setUserInteractionEnabled(false);
  box.setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
  box.setBackgroundColor(gfx::Color::rgb(0, 0, 0, 0.4));
  box.layer().setShadowOffset({0, 0});
  box.layer().setShadowColor(gfx::Color::rgb(0, 0, 0, 0.6));
  box.layer().setShadowRadius(2);
  box.layer().setShadowOpacity(1);
  box.layer().setShadowPath(gfx::Path::rect(box.bounds()));
  bar->pageNumberLabel_ = std::make_shared<ui::Label>(box.bounds().inset(4, 2));
  auto& label = *bar->pageNumberLabel_;
  label.setAutoresizesSubviews(false);
  label.setBackgroundColor(gfx::Color::clear());
  label.setTextAlignment(gfx::TextAlignment::Center);
  label.setTextColor(gfx::Color::white());
  label.setFont(gfx::Font::systemFont(16));
  label.setShadowOffset({0, 1});
  label.setShadowColor(gfx::Color::black());
  label.setAdjustsFontSizeToFitWidth(true);
  label.setMinimumFontSize(12);
  box.addSubview(bar->pageNumberLabel_);
  bar->addSubview(bar->pageNumberView_);

  bar->trackControl_ = std::make_shared<ReaderTrackControl>(bar->bounds());
  std::weak_ptr<ReaderMainPagebar> weak = bar;
  auto on = [weak](void (ReaderMainPagebar::*handler)(ReaderTrackControl&)) {
    return [weak, handler](ui::Control& sender, const ui::Event*) {
      if (auto self = weak.lock()) ((*self).*handler)(static_cast<ReaderTrackControl&>(sender));
    };
  };
  bar->trackControl_->addAction(on(&ReaderMainPagebar::trackViewTouchDown), ui::ControlEventTouchDown);
  bar->trackControl_->addAction(on(&ReaderMainPagebar::trackViewValueChanged), ui::ControlEventValueChanged);
  bar->trackControl_->addAction(on(&ReaderMainPagebar::trackViewTouchUp),
                                ui::ControlEventTouchUpInside | ui::ControlEventTouchUpOutside);
  bar->addSubview(bar->trackControl_);
  bar->updatePageNumberText(bar->document_->pageNumber());
  return bar;
}

ReaderMainPagebar::~ReaderMainPagebar() = default;

void ReaderMainPagebar::updatePageNumberText(long page) {
  if (pageNumberLabel_->tag() == page) return;
  pageNumberLabel_->setText(pageNumberText(page, pageCount()));
  pageNumberLabel_->setTag(page);
}

void ReaderMainPagebar::updatePageThumbView(long page) {
  if (!pageThumbView_) return;
  const long count = pageCount();
  if (count > 1) {
    double x = largeThumbX(page, trackControl_->bounds().width(), count);
    ui::Rect f = pageThumbView_->frame();
    if (f.x() != x) {
      f.origin.x = x;
      pageThumbView_->setFrame(f);
    }
  }
  if (pageThumbView_->tag() != page) {
    pageThumbView_->setTag(page);
    pageThumbView_->reuse();
    auto request = ReaderThumbRequest::newForView(pageThumbView_, document_->fileURL(), document_->password(),
                                                  document_->guid(), page, ReaderPagebarThumb::kLargeSize);
    pageThumbView_->showImage(ReaderThumbCache::sharedInstance().thumbRequest(request, true));
  }
}

void ReaderMainPagebar::updatePagebarViews() {
  long page = document_->pageNumber();
  updatePageNumberText(page);
  updatePageThumbView(page);
}

void ReaderMainPagebar::updatePagebar() {
  if (isBarVisible()) updatePagebarViews();
}

void ReaderMainPagebar::layoutSubviews() {
  const ui::Rect strip = bounds().inset(kInset, 0);
  const long count = pageCount();
  Layout l = layoutFor(bounds().width(), count);
  trackControl_->setFrame({l.trackX, strip.y(), l.trackWidth, strip.height()});
  if (!pageThumbView_) {
    const double y = std::trunc((strip.height() - ReaderPagebarThumb::kLargeSize.height) / 2);
    pageThumbView_ = std::make_shared<ReaderPagebarThumb>(
        ui::Rect{{0, y}, ReaderPagebarThumb::kLargeSize}, /*small=*/false);
    pageThumbView_->layer().setZPosition(1);
    trackControl_->addSubview(pageThumbView_);
  }
  updatePageThumbView(document_->pageNumber());

  ui::Rect frame{{0, std::trunc((strip.height() - ReaderPagebarThumb::kSmallSize.height) / 2)},
                 ReaderPagebarThumb::kSmallSize};
  auto hide = miniThumbViews_;
  for (int i = 0; i < l.thumbs; ++i) {
    long page = sampledPage(i, l.stride, count);
    if (auto it = miniThumbViews_.find(page); it != miniThumbViews_.end()) {
      it->second->setHidden(false);
      hide.erase(page);
      if (it->second->frame() != frame) it->second->setFrame(frame);
    } else {
      auto thumb = std::make_shared<ReaderPagebarThumb>(frame, /*small=*/true);
      auto request = ReaderThumbRequest::newForView(thumb, document_->fileURL(), document_->password(),
                                                    document_->guid(), page, ReaderPagebarThumb::kSmallSize);
      if (auto image = ReaderThumbCache::sharedInstance().thumbRequest(request, false)) thumb->showImage(image);
      // Under the large thumbnail, which stays in front.
      trackControl_->insertSubviewBelow(thumb, pageThumbView_.get());
      miniThumbViews_[page] = thumb;
    }
    frame.origin.x += kThumbPitch;
  }
  for (auto& [page, thumb] : hide) thumb->setHidden(true);
}

void ReaderMainPagebar::drawRect(gfx::Context& ctx, const ui::Rect& /*rect*/) {
  gfx::Gradient g{{{0, gfx::Color::rgb(0.5, 0.5, 0.5, 0.8)}, {1, gfx::Color::rgb(0.3, 0.3, 0.3, 0.8)}}};
  ui::Rect b = bounds();
  ctx.drawLinearGradient(g, {b.midX(), b.minY()}, {b.midX(), b.maxY()}, 0);
}

void ReaderMainPagebar::willMoveToSuperview(ui::View* newSuperview) {
  if (!newSuperview) {
    timers_.cancelAll();
    trackTimer_ = enableTimer_ = 0;
  }
  ui::View::willMoveToSuperview(newSuperview);
}

void ReaderMainPagebar::hidePagebar() {
  if (!isHidden()) ReaderToolbarView::fadeOut(*this);
}

void ReaderMainPagebar::showPagebar() {
  if (!isHidden()) return;
  updatePagebarViews();
  ReaderToolbarView::fadeIn(*this);
}

// --- tracking --------------------------------------------------------------------

long ReaderMainPagebar::trackViewPageNumber(const ReaderTrackControl& control) const {
  return pageForValue(control.value(), control.bounds().width(), pageCount());
}

void ReaderMainPagebar::trackViewTouchDown(ReaderTrackControl& control) {
  long page = trackViewPageNumber(control);
  if (page != document_->pageNumber()) {
    updatePageNumberText(page);
    updatePageThumbView(page);
    restartTrackTimer();
  }
  control.setTag(page);
}

void ReaderMainPagebar::trackViewValueChanged(ReaderTrackControl& control) {
  long page = trackViewPageNumber(control);
  if (page != control.tag()) {
    updatePageNumberText(page);
    updatePageThumbView(page);
    control.setTag(page);
    restartTrackTimer();
  }
}

void ReaderMainPagebar::trackViewTouchUp(ReaderTrackControl& control) {
  timers_.cancel(trackTimer_);
  trackTimer_ = 0;
  if (control.tag() != document_->pageNumber() && control.tag() > 0) {
    control.setEnabled(false);
    gotoPage(control.tag());
    startEnableTimer();
  }
  control.setTag(0);
}

void ReaderMainPagebar::gotoPage(long page) {
  if (auto d = delegate()) d->pagebar(*this, page);
}

void ReaderMainPagebar::restartTrackTimer() {
  timers_.cancel(trackTimer_);
  trackTimer_ = timers_.after(kTimerInterval, [this] {
    trackTimer_ = 0;
    long page = trackControl_->tag();
    if (page > 0 && page != document_->pageNumber()) gotoPage(page);
  });
}

void ReaderMainPagebar::startEnableTimer() {
  timers_.cancel(enableTimer_);
  enableTimer_ = timers_.after(kTimerInterval, [this] {
    enableTimer_ = 0;
    trackControl_->setEnabled(true);
  });
}

}  // namespace mv
