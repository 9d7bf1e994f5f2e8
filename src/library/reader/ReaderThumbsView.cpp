#include "library/reader/ReaderThumbsView.hpp"

#include <algorithm>
#include <cmath>

#include "platform/base/MainThread.hpp"
#include "platform/ui/LongPressGestureRecognizer.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/Touch.hpp"

namespace mv {

std::shared_ptr<ReaderThumbsView> ReaderThumbsView::initWithFrame(const ui::Rect& frame) {
  MV_ASSERT_MAIN_THREAD();
  std::shared_ptr<ReaderThumbsView> v(new ReaderThumbsView(frame));
  v->setScrollsToTop(false);
  v->setAutoresizesSubviews(false);
  v->setDelaysContentTouches(false);
  v->setAlwaysBounceVertical(true);
  v->setContentMode(ui::ContentMode::Redraw);
  v->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  v->setBackgroundColor(gfx::Color::clear());
  v->setDelegate(std::shared_ptr<ui::ScrollViewDelegate>(v, v.get()));
  std::weak_ptr<ReaderThumbsView> weak = v;
  auto tap = std::make_shared<ui::TapGestureRecognizer>([weak](ui::GestureRecognizer& g) {
    auto self = weak.lock();
    if (!self || g.state() != ui::GestureState::Ended) return;
    if (ReaderThumbView* cell = self->thumbCellContainingPoint(g.locationInView(self.get()))) {
      if (auto d = self->thumbsDelegate()) d->didSelectThumbWithIndex(*self, cell->tag());
    }
  });
  v->addGestureRecognizer(tap);
  auto press = std::make_shared<ui::LongPressGestureRecognizer>([weak](ui::GestureRecognizer& g) {
    auto self = weak.lock();
    if (!self || g.state() != ui::GestureState::Began) return;
    auto d = self->thumbsDelegate();
    if (!d) return;
    if (ReaderThumbView* cell = self->thumbCellContainingPoint(g.locationInView(self.get())))
      d->didPressThumbWithIndex(*self, cell->tag());
  });
  press->minimumPressDuration = kPressDuration;
  v->addGestureRecognizer(press);
  return v;
}

ReaderThumbsView::~ReaderThumbsView() = default;

void ReaderThumbsView::setThumbSize(ui::Size size) {
  if (thumbSize_ == ui::Size{} && !(size == ui::Size{})) thumbSize_ = size;
}

ui::Point ReaderThumbsView::insetContentOffset() const {
  return {contentOffset().x, contentOffset().y + contentInset().top};
}

void ReaderThumbsView::updateContentSize(std::uint64_t count) {
  canUpdate_ = false;
  if (count > 0 && thumbSize_.width > 0 && thumbSize_.height > 0) {
    const double w = bounds().width();
    thumbsX_ = std::max(1L, static_cast<long>(w / thumbSize_.width));
    const long n = static_cast<long>(count);
    thumbsY_ = n / thumbsX_ + (n % thumbsX_ ? 1 : 0);
    const double gridW = thumbsX_ * thumbSize_.width, gridH = thumbsY_ * thumbSize_.height;
    thumbX_ = gridW < w ? static_cast<long>((w - gridW) * 0.5) : 0;
    setContentSize({std::max(gridW, w), gridH});
  } else {
    setContentSize({});
  }
  canUpdate_ = true;
}

ui::Rect ReaderThumbsView::thumbCellFrameForIndex(long index) const {
  const long cols = std::max(1L, thumbsX_);
  const long row = index / cols, column = index - row * cols;
  return {std::trunc(thumbSize_.width * column + thumbX_), std::trunc(thumbSize_.height * row), thumbSize_.width,
          thumbSize_.height};
}

std::pair<long, long> ReaderThumbsView::visibleIndexRange() const {
  if (thumbCount_ == 0 || !(thumbSize_.height > 0)) return {0, -1};
  const double y = contentOffset().y, h = bounds().height();
  const long cols = std::max(1L, thumbsX_);
  long firstRow = std::max(0L, static_cast<long>(y / thumbSize_.height));
  double lastY = (y + h - 1) / thumbSize_.height;
  if (lastY < 0) return {0, -1};
  long lastRow = static_cast<long>(lastY);
  long first = firstRow * cols;
  long last = std::min(lastRow * cols + cols - 1, static_cast<long>(thumbCount_) - 1);
  return {first, last};
}

ReaderThumbView* ReaderThumbsView::thumbCellContainingPoint(ui::Point point) const {
  for (const auto& cell : thumbCellsVisible_)
    if (cell->frame().contains(point)) return cell.get();
  return nullptr;
}

std::shared_ptr<ReaderThumbView> ReaderThumbsView::dequeueThumbCellWithFrame(const ui::Rect& frame) {
  std::shared_ptr<ReaderThumbView> cell;
  if (!thumbCellsQueue_.empty()) {
    cell = thumbCellsQueue_.front();
    thumbCellsQueue_.pop_front();
    cell->setFrame(frame);
  } else if (auto d = thumbsDelegate()) {
    cell = d->thumbCellWithFrame(*this, frame);
    if (!cell) return nullptr;
    cell->setTag(kRecycledTag);
    cell->setHidden(true);
    insertSubview(cell, 0);
  } else {
    return nullptr;
  }
  thumbCellsVisible_.push_back(cell);
  return cell;
}

void ReaderThumbsView::requeueThumbCell(const std::shared_ptr<ReaderThumbView>& cell) {
  thumbCellsQueue_.push_back(cell);
  thumbCellsVisible_.erase(std::remove(thumbCellsVisible_.begin(), thumbCellsVisible_.end(), cell),
                           thumbCellsVisible_.end());
  cell->setTag(kRecycledTag);
  cell->setHidden(true);
  cell->reuse();
}

void ReaderThumbsView::requeueAllThumbCells() {
  auto placed = thumbCellsVisible_;
  for (const auto& cell : placed) requeueThumbCell(cell);
}

void ReaderThumbsView::placeItem(long index) {
  auto cell = dequeueThumbCellWithFrame(thumbCellFrameForIndex(index));
  if (!cell) return;
  if (auto d = thumbsDelegate()) d->updateThumbCell(*this, *cell, index);
  cell->setTag(index);
  cell->setHidden(false);
}

void ReaderThumbsView::arrange() {
  const ui::Rect visible = bounds();
  std::set<long> shown;
  auto placed = thumbCellsVisible_;
  for (const auto& cell : placed) {
    if (cell->frame().intersects(visible))
      shown.insert(cell->tag());
    else
      requeueThumbCell(cell);
  }
  auto [first, last] = visibleIndexRange();
  for (long i = first; i <= last; ++i)
    if (!shown.count(i)) placeItem(i);
}

void ReaderThumbsView::scrollViewDidScroll(ui::ScrollView& /*scrollView*/) {
  if (!canUpdate_ || thumbCount_ == 0) return;
  if (contentOffset() == lastContentOffset_) return;
  lastContentOffset_ = contentOffset();
  arrange();
}

void ReaderThumbsView::reloadThumbsCenterOnIndex(long index) { reload(true, index, {}); }

void ReaderThumbsView::reloadThumbsContentOffset(ui::Point offset) { reload(false, 0, offset); }

void ReaderThumbsView::reload(bool centred, long index, ui::Point offset) {
  if (isDecelerating()) stopScrolling();
  lastContentOffset_ = {kUnset, kUnset};
  requeueAllThumbCells();
  thumbCount_ = 0;
  std::uint64_t count = 0;
  if (auto d = thumbsDelegate()) count = d->numberOfThumbsInThumbsView(*this);
  updateContentSize(count);
  thumbCount_ = count;
  double y = 0;
  if (count > 0) {
    const long h = static_cast<long>(bounds().height());
    const long highest = std::max(0L, static_cast<long>(contentSize().height - h) - 1);
    if (centred) {
      index = std::clamp(index, 0L, static_cast<long>(count) - 1);
      const long row = index / std::max(1L, thumbsX_);
      y = std::trunc(thumbSize_.height * 0.5 + (static_cast<long>(row * thumbSize_.height) - h / 2));
    } else {
      y = std::trunc(offset.y);
    }
    y = std::clamp(y, 0.0, static_cast<double>(highest));
  }
  y -= contentInset().top;
  ui::Point target{0, y};
  if (contentOffset() == target) {
    lastContentOffset_ = target;
    arrange();
  } else {
    setContentOffset(target);
  }
  flashScrollIndicators();
}

void ReaderThumbsView::refreshThumbWithIndex(long index) {
  auto d = thumbsDelegate();
  if (!d) return;
  for (const auto& cell : thumbCellsVisible_) {
    if (cell->tag() == index) {
      d->refreshThumbCell(*this, *cell, index);
      return;
    }
  }
}

void ReaderThumbsView::refreshVisibleThumbs() {
  auto d = thumbsDelegate();
  if (!d) return;
  for (const auto& cell : thumbCellsVisible_) d->refreshThumbCell(*this, *cell, cell->tag());
}

void ReaderThumbsView::layoutSubviews() {
  ui::ScrollView::layoutSubviews();
  const ui::Size size = bounds().size;
  if (lastViewSize_ == ui::Size{}) {
    lastViewSize_ = size;
    return;
  }
  if (size == lastViewSize_) return;
  lastViewSize_ = size;
  updateContentSize(thumbCount_);
  auto [first, last] = visibleIndexRange();
  std::set<long> wanted;
  for (long i = first; i <= last; ++i) wanted.insert(i);
  auto placed = thumbCellsVisible_;
  for (const auto& cell : placed) {
    if (wanted.count(cell->tag())) {
      cell->setFrame(thumbCellFrameForIndex(cell->tag()));
      wanted.erase(cell->tag());
    } else {
      requeueThumbCell(cell);
    }
  }
  for (long i : wanted) placeItem(i);
}

void ReaderThumbsView::untouch() {
  if (touchedCell_) touchedCell_->showTouched(false);
  touchedCell_.reset();
}

void ReaderThumbsView::touchesBegan(const ui::TouchSet& touches, const ui::Event& event) {
  ui::ScrollView::touchesBegan(touches, event);
  untouch();
  if (touches.size() != 1) return;
  const auto& touch = *touches.begin();
  ui::Point p = touch->locationInView(this);
  for (const auto& cell : thumbCellsVisible_) {
    if (cell->frame().contains(p)) {
      touchedCell_ = cell;
      cell->showTouched(true);
      break;
    }
  }
}

void ReaderThumbsView::touchesEnded(const ui::TouchSet& touches, const ui::Event& event) {
  ui::ScrollView::touchesEnded(touches, event);
  untouch();
}

void ReaderThumbsView::touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) {
  ui::ScrollView::touchesCancelled(touches, event);
  untouch();
}

}  // namespace mv
