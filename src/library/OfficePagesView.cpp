#include "library/OfficePagesView.hpp"

#include <algorithm>

#include "library/reader/ReaderDocument.hpp"
#include "platform/base/MainThread.hpp"

namespace mv {

std::shared_ptr<OfficePagesView> OfficePagesView::make(const ui::Rect& frame) {
  MV_ASSERT_MAIN_THREAD();
  std::shared_ptr<OfficePagesView> v(new OfficePagesView(frame));
  v->setBackgroundColor(gfx::Color::rgb(0.82, 0.83, 0.85));
  v->setAutoresizesSubviews(false);
  v->setBouncesZoom(true);
  v->setShowsHorizontalScrollIndicator(false);
  v->setDelegate(std::shared_ptr<ui::ScrollViewDelegate>(v, v.get()));
  return v;
}

OfficePagesView::~OfficePagesView() = default;

void OfficePagesView::clear() {
  for (auto& [number, page] : live_) page->removeFromSuperview();
  live_.clear();
  frames_.clear();
  if (container_) container_->removeFromSuperview();
  container_.reset();
  pdf_.clear();
  contentWidth_ = 0;
  setZoomScale(1);
  setContentSize({});
  setContentOffset(ui::Point{0, 0});
}

bool OfficePagesView::showPdf(const std::filesystem::path& pdf) {
  MV_ASSERT_MAIN_THREAD();
  clear();
  auto document = ReaderOpenPDFDocument(pdf, "");
  if (!document || document->pageCount() < 1) return false;
  // The page views' own sizes (even points), so each fills its slot exactly.
  std::vector<base::Size> sizes;
  double widest = 0;
  for (int i = 0; i < document->pageCount(); ++i) {
    const base::Size drawn = document->pageSize(i);
    const base::Size size = ReaderContentPage::viewSizeFor({{0, 0, drawn.width, drawn.height},
                                                            {0, 0, drawn.width, drawn.height}, 0});
    sizes.push_back(size);
    widest = std::max(widest, size.width);
  }
  // A document none of whose pages has an area shows nothing and is not
  // taken as shown.
  if (widest <= 0) return false;
  double y = kPageGap;
  for (const auto& size : sizes) {
    frames_.push_back({(widest + 2 * kPageGap - size.width) / 2, y, size.width, size.height});
    y += size.height + kPageGap;
  }
  contentWidth_ = widest + 2 * kPageGap;
  pdf_ = pdf;
  container_ = std::make_shared<ui::View>(ui::Rect{0, 0, contentWidth_, y});
  container_->setAutoresizesSubviews(false);
  container_->setUserInteractionEnabled(false);
  container_->setBackgroundColor(gfx::Color::clear());
  addSubview(container_);
  setContentSize(container_->bounds().size);
  updateZoomLimits();
  setZoomScale(fitScale_);
  setContentOffset(ui::Point{0, 0});
  updateLivePages();
  return true;
}

void OfficePagesView::updateZoomLimits() {
  if (contentWidth_ <= 0 || bounds().width() <= 0) return;
  fitScale_ = bounds().width() / contentWidth_;
  setMinimumZoomScale(fitScale_);
  setMaximumZoomScale(fitScale_ * kMaximumZoom);
}

void OfficePagesView::setFrame(const ui::Rect& frame) {
  const bool fitted = container_ && zoomScale() <= fitScale_ + 1e-6;
  ui::ScrollView::setFrame(frame);
  if (!container_) return;
  updateZoomLimits();
  if (fitted || zoomScale() < fitScale_) setZoomScale(fitScale_);
  updateLivePages();
}

void OfficePagesView::layoutSubviews() {
  ui::ScrollView::layoutSubviews();
  updateLivePages();
}

bool OfficePagesView::tilesPending() const {
  for (const auto& [number, page] : live_) {
    if (page->tiles() && page->tiles()->pendingCount() > 0) return true;
  }
  return false;
}

int OfficePagesView::currentPage() const {
  if (frames_.empty()) return 0;
  const double scale = zoomScale() > 0 ? zoomScale() : 1;
  // The gap above a page belongs to it.
  const double top = contentOffset().y / scale + kPageGap + 0.5;
  auto after = std::upper_bound(frames_.begin(), frames_.end(), top,
                                [](double y, const ui::Rect& f) { return y < f.y(); });
  return std::max(1, static_cast<int>(after - frames_.begin()));
}

void OfficePagesView::showPage(int number) {
  if (frames_.empty()) return;
  const auto index = static_cast<std::size_t>(std::clamp(number, 1, pageCount()) - 1);
  const double scale = zoomScale() > 0 ? zoomScale() : 1;
  const double lowest = std::max(0.0, contentSize().height - bounds().height());
  const double y = std::clamp((frames_[index].y() - kPageGap) * scale, 0.0, lowest);
  setContentOffset(ui::Point{contentOffset().x, y});
  updateLivePages();
}

void OfficePagesView::showEnd() {
  if (frames_.empty()) return;
  setContentOffset(ui::Point{contentOffset().x, std::max(0.0, contentSize().height - bounds().height())});
  updateLivePages();
}

ui::View* OfficePagesView::viewForZoomingInScrollView(ui::ScrollView&) { return container_.get(); }

void OfficePagesView::scrollViewDidScroll(ui::ScrollView&) { updateLivePages(); }

void OfficePagesView::scrollViewDidZoom(ui::ScrollView&) { updateLivePages(); }

void OfficePagesView::updateLivePages() {
  if (!container_ || frames_.empty()) return;
  const double scale = zoomScale() > 0 ? zoomScale() : 1;
  const double screen = bounds().height() / scale;
  const double top = contentOffset().y / scale - screen;
  const double bottom = contentOffset().y / scale + 2 * screen;
  // The pages are in order down the column: the first that reaches the band,
  // then on while they start above its end.
  auto first = std::lower_bound(frames_.begin(), frames_.end(), top,
                                [](const ui::Rect& f, double y) { return f.maxY() < y; });
  std::map<int, std::shared_ptr<ReaderContentPage>> keep;
  for (auto it = first; it != frames_.end() && it->y() <= bottom; ++it) {
    const int number = static_cast<int>(it - frames_.begin()) + 1;
    if (auto alive = live_.find(number); alive != live_.end()) {
      keep[number] = alive->second;
      live_.erase(alive);
      continue;
    }
    auto page = ReaderContentPage::initWithURL(pdf_, number, "");
    if (!page) continue;
    page->setBackgroundColor(gfx::Color::white());
    container_->addSubview(page);
    page->setFrame(*it);
    keep[number] = page;
  }
  // Pages off the band go, and their tiles with them.
  for (auto& [number, page] : live_) page->removeFromSuperview();
  live_ = std::move(keep);
}

}  // namespace mv
