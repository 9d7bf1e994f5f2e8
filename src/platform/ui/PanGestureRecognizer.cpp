#include "platform/ui/PanGestureRecognizer.hpp"

#include <cmath>

#include "platform/ui/View.hpp"

namespace ui {

namespace {
// A vector given in window space, expressed in `v`'s space.
base::Point vectorInView(base::Point vec, const View* v) {
  if (!v) return vec;
  base::Point a = v->convertPointFromView({0, 0}, nullptr);
  base::Point b = v->convertPointFromView(vec, nullptr);
  return {b.x - a.x, b.y - a.y};
}
}  // namespace

base::Point PanGestureRecognizer::centroid() const { return GestureRecognizer::locationInView(nullptr); }

base::Point PanGestureRecognizer::translationInView(const View* v) const {
  return vectorInView({current_.x - origin_.x, current_.y - origin_.y}, v);
}

void PanGestureRecognizer::setTranslation(base::Point translation, const View* v) {
  base::Point inWindow = translation;
  if (v) {
    base::Point a = v->convertPointToView({0, 0}, nullptr);
    base::Point b = v->convertPointToView(translation, nullptr);
    inWindow = {b.x - a.x, b.y - a.y};
  }
  origin_ = {current_.x - inWindow.x, current_.y - inWindow.y};
}

base::Point PanGestureRecognizer::velocityInView(const View* v) const {
  if (samples_.size() < 2) return {};
  const Sample& last = samples_.back();
  const Sample& from = samples_.front();
  const double dt = last.time - from.time;
  if (!(dt > 0)) return {};
  return vectorInView({(last.at.x - from.at.x) / dt, (last.at.y - from.at.y) / dt}, v);
}

void PanGestureRecognizer::sample(double time) {
  if (!samples_.empty() && time < samples_.back().time) time = samples_.back().time;
  samples_.push_back({time, current_});
  // The newest sample at least a span old is where the velocity counts from.
  std::size_t keepFrom = 0;
  for (std::size_t i = 0; i + 1 < samples_.size(); ++i)
    if (samples_[i].time <= time - kVelocitySpan) keepFrom = i;
  samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(keepFrom));
}

void PanGestureRecognizer::touchesBegan(const TouchSet&, const Event& event) {
  if (numberOfTouches() > maximumNumberOfTouches) {
    if (state() == GestureState::Possible) setState(GestureState::Failed);
    return;
  }
  base::Point c = centroid();
  if (state() == GestureState::Possible) {
    origin_ = c;
  } else {
    // A finger joining mid-pan keeps the translation continuous.
    origin_ = {origin_.x + (c.x - current_.x), origin_.y + (c.y - current_.y)};
  }
  current_ = c;
  samples_.clear();
  sample(event.timestamp());
}

void PanGestureRecognizer::touchesMoved(const TouchSet&, const Event& event) {
  base::Point c = centroid();
  current_ = c;
  sample(event.timestamp());
  if (state() == GestureState::Possible) {
    if (numberOfTouches() < minimumNumberOfTouches) return;
    if (std::hypot(c.x - origin_.x, c.y - origin_.y) > kHysteresis) setState(GestureState::Began);
    return;
  }
  setState(GestureState::Changed);
}

void PanGestureRecognizer::touchesEnded(const TouchSet&, const Event& event) {
  if (state() == GestureState::Possible) {
    if (numberOfTouches() == 0) setState(GestureState::Failed);
    return;
  }
  if (numberOfTouches() == 0) {
    // The lift is where the fingers last moved to, at its own time: a hand
    // that rested before lifting flicks nothing.
    sample(event.timestamp());
    setState(GestureState::Ended);
    return;
  }
  base::Point c = centroid();
  origin_ = {origin_.x + (c.x - current_.x), origin_.y + (c.y - current_.y)};
  current_ = c;
  samples_.clear();
  sample(event.timestamp());
}

void PanGestureRecognizer::reset() {
  origin_ = current_ = {};
  samples_.clear();
}

}  // namespace ui
