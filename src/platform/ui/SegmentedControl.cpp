#include "platform/ui/SegmentedControl.hpp"

#include <algorithm>

#include "platform/ui/Touch.hpp"

namespace ui {

SegmentedControl::SegmentedControl(const std::vector<std::string>& items)
    : Control(Rect{0, 0, std::max<double>(1, static_cast<double>(items.size())) * 70, 29}) {
  for (auto& t : items) segments_.push_back({t, nullptr, true, 0});
  setOpaque(false);
  setBackgroundColor(std::nullopt);
}

SegmentedControl::SegmentedControl(const Rect& frame) : Control(frame) {
  setOpaque(false);
  setBackgroundColor(std::nullopt);
}

void SegmentedControl::setSelectedSegmentIndex(long index) {
  if (index != kNoSegment && (index < 0 || index >= static_cast<long>(segments_.size()))) return;
  selected_ = index;
  setNeedsDisplay();
}

std::string SegmentedControl::titleForSegmentAtIndex(std::size_t index) const {
  return index < segments_.size() ? segments_[index].title : std::string();
}

void SegmentedControl::setTitle(const std::string& title, std::size_t index) {
  if (index >= segments_.size()) return;
  segments_[index].title = title;
  segments_[index].image = nullptr;
  setNeedsDisplay();
}

gfx::ImagePtr SegmentedControl::imageForSegmentAtIndex(std::size_t index) const {
  return index < segments_.size() ? segments_[index].image : nullptr;
}

void SegmentedControl::setImage(gfx::ImagePtr image, std::size_t index) {
  if (index >= segments_.size()) return;
  segments_[index].image = std::move(image);
  segments_[index].title.clear();
  setNeedsDisplay();
}

void SegmentedControl::insertSegmentWithTitle(const std::string& title, std::size_t index, bool) {
  index = std::min(index, segments_.size());
  segments_.insert(segments_.begin() + static_cast<std::ptrdiff_t>(index), Segment{title, nullptr, true, 0});
  if (selected_ != kNoSegment && static_cast<std::size_t>(selected_) >= index) ++selected_;
  setNeedsDisplay();
}

void SegmentedControl::insertSegmentWithImage(gfx::ImagePtr image, std::size_t index, bool) {
  index = std::min(index, segments_.size());
  segments_.insert(segments_.begin() + static_cast<std::ptrdiff_t>(index), Segment{{}, std::move(image), true, 0});
  if (selected_ != kNoSegment && static_cast<std::size_t>(selected_) >= index) ++selected_;
  setNeedsDisplay();
}

void SegmentedControl::removeSegmentAtIndex(std::size_t index, bool) {
  if (index >= segments_.size()) return;
  segments_.erase(segments_.begin() + static_cast<std::ptrdiff_t>(index));
  if (selected_ == static_cast<long>(index))
    selected_ = kNoSegment;
  else if (selected_ > static_cast<long>(index))
    --selected_;
  setNeedsDisplay();
}

void SegmentedControl::removeAllSegments() {
  segments_.clear();
  selected_ = kNoSegment;
  setNeedsDisplay();
}

void SegmentedControl::setEnabled(bool enabled, std::size_t index) {
  if (index >= segments_.size()) return;
  segments_[index].enabled = enabled;
  setNeedsDisplay();
}

bool SegmentedControl::isEnabledForSegmentAtIndex(std::size_t index) const {
  return index < segments_.size() && segments_[index].enabled;
}

void SegmentedControl::setWidth(double width, std::size_t index) {
  if (index >= segments_.size()) return;
  segments_[index].width = std::max(0.0, width);
  setNeedsDisplay();
}

double SegmentedControl::widthForSegmentAtIndex(std::size_t index) const {
  return index < segments_.size() ? segments_[index].width : 0;
}

Rect SegmentedControl::rectForSegmentAtIndex(std::size_t index) const {
  if (index >= segments_.size()) return {};
  Rect b = bounds();
  double fixed = 0;
  int automatic = 0;
  for (auto& s : segments_) {
    if (s.width > 0)
      fixed += s.width;
    else
      ++automatic;
  }
  double share = automatic > 0 ? std::max(0.0, b.width() - fixed) / automatic : 0;
  double x = b.x();
  for (std::size_t i = 0; i < index; ++i) x += segments_[i].width > 0 ? segments_[i].width : share;
  double w = segments_[index].width > 0 ? segments_[index].width : share;
  return {x, b.y(), w, b.height()};
}

long SegmentedControl::segmentAtPoint(Point p) const {
  if (!bounds().contains(p)) return kNoSegment;
  for (std::size_t i = 0; i < segments_.size(); ++i)
    if (rectForSegmentAtIndex(i).contains(p)) return static_cast<long>(i);
  return kNoSegment;
}

void SegmentedControl::endTracking(const Touch* touch, const Event* event) {
  if (!touch) return;
  long i = segmentAtPoint(touch->locationInView(this));
  if (i == kNoSegment || !segments_[static_cast<std::size_t>(i)].enabled) return;
  if (i == selected_ && !momentary_) return;
  selected_ = i;
  setNeedsDisplay();
  sendActionsForControlEvents(ControlEventValueChanged, event);
}

void SegmentedControl::drawRect(gfx::Context& ctx, const Rect&) {
  gfx::Color tint = tintColor().value_or(gfx::Color::rgb255(0, 122, 255));
  Rect b = bounds().inset(0.5, 0.5);
  ctx.setStrokeColor(tint);
  ctx.setLineWidth(1);
  for (std::size_t i = 0; i < segments_.size(); ++i) {
    Rect r = rectForSegmentAtIndex(i);
    bool sel = static_cast<long>(i) == selected_ && !momentary_;
    if (sel) {
      ctx.setFillColor(tint);
      ctx.fillRect(r);
    }
    gfx::Color fg = sel ? gfx::Color::white() : tint;
    if (!segments_[i].enabled || !isEnabled()) fg = fg.withAlphaComponent(0.4);
    if (segments_[i].image) {
      Rect ir = rectForContentMode(ContentMode::Center, segments_[i].image->size(), r);
      ctx.drawImage(*segments_[i].image, ir);
    } else if (!segments_[i].title.empty()) {
      double lh = font_.lineHeight();
      ctx.drawText(segments_[i].title, {r.x() + 4, r.midY() - lh / 2, r.width() - 8, lh}, font_, fg,
                   gfx::LineBreakMode::TailTruncation, gfx::TextAlignment::Center, 1);
    }
    if (i > 0) ctx.strokeLine({r.x(), r.y()}, {r.x(), r.maxY()});
  }
  ctx.strokeRoundedRect(b, 4);
}

}  // namespace ui
