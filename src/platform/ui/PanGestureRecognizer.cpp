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

base::Point PanGestureRecognizer::velocityInView(const View* v) const { return vectorInView(velocity_, v); }

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
  lastTime_ = event.timestamp();
}

void PanGestureRecognizer::touchesMoved(const TouchSet&, const Event& event) {
  base::Point c = centroid();
  double dt = event.timestamp() - lastTime_;
  if (dt > 0) velocity_ = {(c.x - current_.x) / dt, (c.y - current_.y) / dt};
  lastTime_ = event.timestamp();
  current_ = c;
  if (state() == GestureState::Possible) {
    if (numberOfTouches() < minimumNumberOfTouches) return;
    if (std::hypot(c.x - origin_.x, c.y - origin_.y) > kHysteresis) setState(GestureState::Began);
    return;
  }
  setState(GestureState::Changed);
}

void PanGestureRecognizer::touchesEnded(const TouchSet&, const Event&) {
  if (state() == GestureState::Possible) {
    if (numberOfTouches() == 0) setState(GestureState::Failed);
    return;
  }
  if (numberOfTouches() == 0) {
    setState(GestureState::Ended);
    return;
  }
  base::Point c = centroid();
  origin_ = {origin_.x + (c.x - current_.x), origin_.y + (c.y - current_.y)};
  current_ = c;
}

void PanGestureRecognizer::reset() {
  origin_ = current_ = velocity_ = {};
  lastTime_ = 0;
}

}  // namespace ui
