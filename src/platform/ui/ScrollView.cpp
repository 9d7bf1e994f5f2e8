#include "platform/ui/ScrollView.hpp"

#include <algorithm>
#include <cmath>

#include "platform/ui/PanGestureRecognizer.hpp"
#include "platform/ui/PinchGestureRecognizer.hpp"
#include "platform/ui/Window.hpp"

namespace ui {

namespace {

constexpr double kMinimumFlickVelocity = 20;     // points per second that still decelerate
constexpr double kStopVelocity = 10;             // deceleration ends below this
constexpr double kPagingFlickVelocity = 200;     // a flick this fast turns to the next page
constexpr double kBounceTimeConstant = 0.08;     // seconds; the spring back after overscrolling
constexpr double kZoomRubberBand = 0.5;

double clampTo(double v, double lo, double hi) { return std::max(lo, std::min(v, hi)); }

double easeOut(double f) { return 1 - std::pow(1 - f, 3); }

}  // namespace

// The scroll view's own pan: it tells the scroll view when a finger comes
// down and when the last one is gone.
class ScrollView::ScrollPan : public PanGestureRecognizer {
 public:
  const TouchSet& currentTouches() const { return touches(); }

 protected:
  void touchesBegan(const TouchSet& touches, const Event& event) override {
    if (auto* sv = dynamic_cast<ScrollView*>(view())) sv->touchDown();
    PanGestureRecognizer::touchesBegan(touches, event);
  }
  void reset() override {
    PanGestureRecognizer::reset();
    if (auto* sv = dynamic_cast<ScrollView*>(view())) sv->touchUp();
  }
};

class ScrollView::ScrollPinch : public PinchGestureRecognizer {};

ScrollView::ScrollView(const Rect& frame) : View(frame) {
  setClipsToBounds(true);
  pan_ = std::make_shared<ScrollPan>();
  pan_->shouldBegin = [](GestureRecognizer& g) {
    auto* sv = dynamic_cast<ScrollView*>(g.view());
    return sv && sv->panShouldBegin(static_cast<PanGestureRecognizer&>(g));
  };
  pan_->shouldRecognizeSimultaneously = [](GestureRecognizer& g, GestureRecognizer& other) {
    return dynamic_cast<ScrollPinch*>(&other) != nullptr && other.view() == g.view();
  };
  pan_->addTarget([](GestureRecognizer& g) {
    if (auto* sv = dynamic_cast<ScrollView*>(g.view())) sv->handlePan(static_cast<PanGestureRecognizer&>(g));
  });
  addGestureRecognizer(pan_);
  pinch_ = std::make_shared<ScrollPinch>();
  pinch_->shouldBegin = [](GestureRecognizer& g) {
    auto* sv = dynamic_cast<ScrollView*>(g.view());
    return sv && sv->scrollEnabled_ && sv->maximumZoomScale_ > sv->minimumZoomScale_ && sv->viewForZooming();
  };
  pinch_->addTarget([](GestureRecognizer& g) {
    if (auto* sv = dynamic_cast<ScrollView*>(g.view())) sv->handlePinch(static_cast<PinchGestureRecognizer&>(g));
  });
  addGestureRecognizer(pinch_);
  updateZoomGestureEnabled();
}

ScrollView::~ScrollView() {
  if (timer_) base::RunLoop::main().cancel(timer_);
}

void ScrollView::setDelegate(std::weak_ptr<ScrollViewDelegate> delegate) { delegate_ = std::move(delegate); }

PanGestureRecognizer& ScrollView::panGestureRecognizer() const { return *pan_; }

PinchGestureRecognizer& ScrollView::pinchGestureRecognizer() const { return *pinch_; }

// --- content ------------------------------------------------------------------

void ScrollView::setContentSize(Size size) {
  if (std::isnan(size.width) || std::isnan(size.height)) return;
  contentSize_ = {std::max(0.0, size.width), std::max(0.0, size.height)};
}

void ScrollView::setContentOffset(Point offset) {
  if (std::isnan(offset.x) || std::isnan(offset.y)) return;
  Rect b = bounds();
  setBounds({offset, b.size});
}

void ScrollView::setContentOffset(Point offset, bool animated) {
  stopScrolling();
  if (!animated) {
    setContentOffset(offset);
    return;
  }
  if (offset == contentOffset()) return;
  animFrom_ = contentOffset();
  animTo_ = offset;
  animDuration_ = kAnimationDuration;
  startMotion(Motion::Animating);
}

void ScrollView::setContentInset(EdgeInsets insets) { contentInset_ = insets; }

void ScrollView::setBounds(const Rect& b) {
  Point old = bounds().origin;
  View::setBounds(b);
  if (bounds().origin != old) notifyDidScroll();
}

void ScrollView::notifyDidScroll() {
  auto keep = self();
  if (auto d = delegate(); d && d->respondsTo(ScrollViewDelegateOp::DidScroll)) d->scrollViewDidScroll(*this);
}

Point ScrollView::minimumContentOffset() const { return {-contentInset_.left, -contentInset_.top}; }

Point ScrollView::maximumContentOffset() const {
  Size b = bounds().size;
  Point lo = minimumContentOffset();
  return {std::max(lo.x, contentSize_.width + contentInset_.right - b.width),
          std::max(lo.y, contentSize_.height + contentInset_.bottom - b.height)};
}

Point ScrollView::clampedContentOffset(Point p) const {
  Point lo = minimumContentOffset(), hi = maximumContentOffset();
  return {clampTo(p.x, lo.x, hi.x), clampTo(p.y, lo.y, hi.y)};
}

bool ScrollView::canScrollHorizontally() const {
  return alwaysBounceHorizontal_ ||
         contentSize_.width + contentInset_.left + contentInset_.right > bounds().width();
}

bool ScrollView::canScrollVertically() const {
  return alwaysBounceVertical_ ||
         contentSize_.height + contentInset_.top + contentInset_.bottom > bounds().height();
}

void ScrollView::scrollRectToVisible(const Rect& r, bool animated) {
  Rect b = bounds();
  Point o = b.origin;
  if (r.maxX() > o.x + b.width()) o.x = r.maxX() - b.width();
  if (r.minX() < o.x) o.x = r.minX();
  if (r.maxY() > o.y + b.height()) o.y = r.maxY() - b.height();
  if (r.minY() < o.y) o.y = r.minY();
  setContentOffset(clampedContentOffset(o), animated);
}

void ScrollView::scrollByWheel(Point delta) {
  if (!scrollEnabled_) return;
  stopScrolling();
  Point o = contentOffset();
  if (canScrollHorizontally()) o.x += delta.x;
  if (canScrollVertically()) o.y += delta.y;
  setContentOffset(clampedContentOffset(o));
}

bool ScrollView::wheelTurned(const WheelEvent& event) {
  if (!scrollEnabled_ || dragging_ || zooming_) return false;
  if (event.zoom != 0) return zoomByWheel(event);
  Point d = event.delta;
  const bool h = canScrollHorizontally(), v = canScrollVertically();
  if (h && !v && d.x == 0) d = {d.y, 0};
  if (!(h && d.x != 0) && !(v && d.y != 0)) return false;
  if (pagingEnabled_)
    turnPageByWheel(d, event.timestamp);
  else
    scrollByWheel(d);
  return true;
}

void ScrollView::turnPageByWheel(Point delta, double time) {
  const WheelPages::Turn turn =
      wheelPages_.add({canScrollHorizontally() ? delta.x : 0, canScrollVertically() ? delta.y : 0}, time);
  const int sx = turn.x, sy = turn.y;
  if (!turn.any()) return;
  const bool turning = wheelTurning_ && motion_ == Motion::Settling;
  if (turning) {
    // A wheel or touchpad keeps giving notches while the page settles: they
    // belong to the turn under way unless they go the other way.
    auto along = [](double from, double to, int step) { return step != 0 && (to - from) * step > 0; };
    if (along(animFrom_.x, animTo_.x, sx) || along(animFrom_.y, animTo_.y, sy)) return;
  }
  const Size page = bounds().size;
  const Point from = turning ? animTo_ : pageTarget({});
  const Point hi{std::max(0.0, contentSize_.width - page.width), std::max(0.0, contentSize_.height - page.height)};
  const Point target{clampTo(from.x + sx * page.width, 0, hi.x), clampTo(from.y + sy * page.height, 0, hi.y)};
  if (target == contentOffset()) return;
  animFrom_ = contentOffset();
  animTo_ = target;
  animDuration_ = kAnimationDuration;
  startMotion(Motion::Settling);
  wheelTurning_ = motion_ == Motion::Settling;
}

bool ScrollView::zoomByWheel(const WheelEvent& event) {
  View* zv = viewForZooming();
  if (!zv || !(maximumZoomScale_ > minimumZoomScale_)) return false;
  const double scale =
      clampTo(zoomScale_ * std::pow(kWheelZoomStep, event.zoom), minimumZoomScale_, maximumZoomScale_);
  if (scale == zoomScale_) return true;
  stopScrolling();
  auto keep = self();
  // The point under the pointer stays under it.
  const Point anchor = zv->convertPointFromView(event.location, nullptr);
  const Point inBounds = convertPointFromView(event.location, nullptr);
  const Point onScreen{inBounds.x - contentOffset().x, inBounds.y - contentOffset().y};
  auto d = delegate();
  if (d && d->respondsTo(ScrollViewDelegateOp::WillBeginZooming)) d->scrollViewWillBeginZooming(*this, zv);
  applyZoom(scale, anchor, onScreen);
  setContentOffset(clampedContentOffset(contentOffset()));
  if (d && d->respondsTo(ScrollViewDelegateOp::DidEndZooming)) d->scrollViewDidEndZooming(*this, zv, zoomScale_);
  return true;
}

bool ScrollView::scrollToTop() {
  if (!scrollsToTop_) return false;
  if (auto d = delegate(); d && d->respondsTo(ScrollViewDelegateOp::ShouldScrollToTop) &&
                           !d->scrollViewShouldScrollToTop(*this))
    return false;
  Point target{contentOffset().x, -contentInset_.top};
  setContentOffset(target, true);
  if (motion_ == Motion::Animating) {
    scrollingToTop_ = true;  // told when the animation arrives
  } else if (auto d = delegate(); d && d->respondsTo(ScrollViewDelegateOp::DidScrollToTop)) {
    d->scrollViewDidScrollToTop(*this);
  }
  return true;
}

// --- behaviour ------------------------------------------------------------------

void ScrollView::setScrollEnabled(bool on) {
  scrollEnabled_ = on;
  if (on) return;
  stopScrolling();
  // A drag under way ends where it is.
  if (dragging_ && pan_) {
    pan_->setEnabled(false);
    pan_->setEnabled(true);
  }
}

void ScrollView::setDecelerationRate(double rate) {
  if (rate > 0 && rate < 1) decelerationRate_ = rate;
}

bool ScrollView::touchesShouldCancelInContentView(View* /*view*/) {
  return true;
}

// --- dragging -------------------------------------------------------------------

bool ScrollView::panShouldBegin(PanGestureRecognizer& pan) {
  if (!scrollEnabled_) return false;
  bool h = canScrollHorizontally(), v = canScrollVertically();
  if (!h && !v) return false;
  Point t = pan.translationInView(this);
  // A stroke along an axis the content cannot move on is left to others
  // (a swipe on a row, an outer scroll view).
  if (h && !v && std::fabs(t.y) > std::fabs(t.x)) return false;
  if (v && !h && std::fabs(t.x) > std::fabs(t.y)) return false;
  for (auto& touch : pan_->currentTouches()) {
    View* under = touch->view();
    // A drag in the text being edited selects it rather than scrolling.
    if (under && under->isFirstResponder() && under->acceptsTextInput()) return false;
    if (!under || under == this) continue;
    if (!canCancelContentTouches_) return false;
    if (!touchesShouldCancelInContentView(under)) return false;
  }
  return true;
}

void ScrollView::touchDown() {
  tracking_ = true;
  if (motion_ != Motion::None && motion_ != Motion::Zooming) stopScrolling();
}

void ScrollView::touchUp() {
  if (!tracking_) return;
  tracking_ = false;
  if (dragging_ || zooming_ || motion_ != Motion::None || !scrollEnabled_) return;
  // A touch that stopped a motion and lifted without a drag lets the content settle.
  Point o = contentOffset();
  if (pagingEnabled_) {
    Point t = pageTarget({});
    if (t != o) {
      animFrom_ = o;
      animTo_ = t;
      animDuration_ = kAnimationDuration;
      startMotion(Motion::Settling);
    }
  } else if (clampedContentOffset(o) != o) {
    startMotion(Motion::Bouncing);
  }
}

Point ScrollView::rubberBanded(Point raw) const {
  Point lo = minimumContentOffset(), hi = maximumContentOffset();
  auto axis = [&](double v, double l, double h, bool canBounce) {
    if (v < l) return canBounce ? l - (l - v) * kRubberBandFactor : l;
    if (v > h) return canBounce ? h + (v - h) * kRubberBandFactor : h;
    return v;
  };
  return {axis(raw.x, lo.x, hi.x, bounces_ && canScrollHorizontally()),
          axis(raw.y, lo.y, hi.y, bounces_ && canScrollVertically())};
}

void ScrollView::handlePan(PanGestureRecognizer& pan) {
  auto keep = self();
  switch (pan.state()) {
    case GestureState::Began: {
      stopScrolling();
      dragging_ = true;
      dragStartOffset_ = contentOffset();
      lockedAxis_ = 0;
      if (directionalLock_) {
        Point t = pan.translationInView(this);
        lockedAxis_ = std::fabs(t.x) >= std::fabs(t.y) ? 1 : 2;
      }
      if (keyboardDismissMode_ != ScrollViewKeyboardDismissMode::None) endEditing(true);
      if (auto d = delegate(); d && d->respondsTo(ScrollViewDelegateOp::WillBeginDragging))
        d->scrollViewWillBeginDragging(*this);
      [[fallthrough]];
    }
    case GestureState::Changed: {
      if (!dragging_ || zooming_) return;
      Point t = pan.translationInView(this);
      Point raw = contentOffset();
      if (canScrollHorizontally() && lockedAxis_ != 2) raw.x = dragStartOffset_.x - t.x;
      if (canScrollVertically() && lockedAxis_ != 1) raw.y = dragStartOffset_.y - t.y;
      setContentOffset(rubberBanded(raw));
      return;
    }
    case GestureState::Ended: {
      Point v = pan.velocityInView(this);
      endDrag({-v.x, -v.y});
      return;
    }
    case GestureState::Cancelled:
      endDrag({});
      return;
    default:
      return;
  }
}

Point ScrollView::pageTarget(Point velocity) const {
  Size page = bounds().size;
  Point o = contentOffset();
  auto axis = [](double offset, double size, double v) {
    if (size <= 0) return offset;
    double p = offset / size;
    double n;
    if (v > kPagingFlickVelocity)
      n = std::floor(p) + 1;
    else if (v < -kPagingFlickVelocity)
      n = std::ceil(p) - 1;
    else
      n = std::round(p);
    return n * size;
  };
  Point t = o;
  if (canScrollHorizontally()) t.x = axis(o.x, page.width, velocity.x);
  if (canScrollVertically()) t.y = axis(o.y, page.height, velocity.y);
  // Pages never start beyond the content.
  Point lo = {0, 0};
  Point hi = {std::max(0.0, contentSize_.width - page.width), std::max(0.0, contentSize_.height - page.height)};
  return {clampTo(t.x, lo.x, hi.x), clampTo(t.y, lo.y, hi.y)};
}

void ScrollView::endDrag(Point v) {
  auto keep = self();
  if (!dragging_) return;
  if (zooming_ || !scrollEnabled_) {
    dragging_ = false;
    if (auto d = delegate(); d && d->respondsTo(ScrollViewDelegateOp::DidEndDragging))
      d->scrollViewDidEndDragging(*this, false);
    return;
  }
  if (!canScrollHorizontally() || lockedAxis_ == 2) v.x = 0;
  if (!canScrollVertically() || lockedAxis_ == 1) v.y = 0;
  Point o = contentOffset();
  Point clamped = clampedContentOffset(o);
  Motion next = Motion::None;
  Point target = o;
  if (pagingEnabled_) {
    target = pageTarget(v);
    if (target != o) next = Motion::Settling;
  } else if (clamped != o) {
    target = clamped;
    next = Motion::Bouncing;
  } else if (std::hypot(v.x, v.y) >= kMinimumFlickVelocity) {
    // Where an undisturbed deceleration comes to rest.
    double reach = decelerationRate_ / (1000 * (1 - decelerationRate_));
    target = clampedContentOffset({o.x + v.x * reach, o.y + v.y * reach});
    next = Motion::Decelerating;
  }
  Point proposed = target;
  if (auto d = delegate(); d && d->respondsTo(ScrollViewDelegateOp::WillEndDragging)) {
    d->scrollViewWillEndDragging(*this, v, target);
    if (target != proposed && !std::isnan(target.x) && !std::isnan(target.y)) next = target != o ? Motion::Settling : Motion::None;
  }
  dragging_ = false;
  bool willDecelerate = next != Motion::None;
  if (auto d = delegate(); d && d->respondsTo(ScrollViewDelegateOp::DidEndDragging))
    d->scrollViewDidEndDragging(*this, willDecelerate);
  if (!willDecelerate) return;
  if (motion_ != Motion::None) return;  // the delegate started a motion of its own
  velocity_ = v;
  animFrom_ = contentOffset();
  animTo_ = target;
  animDuration_ = kAnimationDuration;
  startMotion(next);
  if (auto d = delegate(); d && d->respondsTo(ScrollViewDelegateOp::WillBeginDecelerating))
    d->scrollViewWillBeginDecelerating(*this);
}

// --- motion ---------------------------------------------------------------------------

void ScrollView::startMotion(Motion m) {
  auto& loop = base::RunLoop::main();
  motion_ = m;
  animStart_ = lastTick_ = loop.now();
  std::weak_ptr<View> weak = weak_from_this();
  if (weak.expired()) {
    // Not held by a shared pointer: nothing can step it; arrive at once.
    if (m == Motion::Animating || m == Motion::Settling) setContentOffset(animTo_);
    if (m == Motion::Bouncing || m == Motion::Decelerating) setContentOffset(clampedContentOffset(animTo_));
    if (m == Motion::Zooming || m == Motion::ZoomBouncing) {
      zoomScale_ = zoomTo_;
      setContentOffset(animTo_);
    }
    finishMotion(true);
    return;
  }
  if (!timer_)
    timer_ = loop.every(kFrameInterval, [weak] {
      if (auto v = weak.lock()) static_cast<ScrollView*>(v.get())->tick();
    });
}

void ScrollView::stopScrolling() {
  motion_ = Motion::None;
  wheelTurning_ = false;
  scrollingToTop_ = false;
  animatingZoom_ = false;
  if (timer_) {
    base::RunLoop::main().cancel(timer_);
    timer_ = 0;
  }
}

void ScrollView::finishMotion(bool notify) {
  Motion m = motion_;
  bool toTop = scrollingToTop_;
  stopScrolling();
  if (!notify) return;
  auto keep = self();
  auto d = delegate();
  if (!d) return;
  switch (m) {
    case Motion::Animating:
      if (toTop) {
        if (d->respondsTo(ScrollViewDelegateOp::DidScrollToTop)) d->scrollViewDidScrollToTop(*this);
      } else if (d->respondsTo(ScrollViewDelegateOp::DidEndScrollingAnimation)) {
        d->scrollViewDidEndScrollingAnimation(*this);
      }
      break;
    case Motion::Decelerating:
    case Motion::Bouncing:
    case Motion::Settling:
      if (d->respondsTo(ScrollViewDelegateOp::DidEndDecelerating)) d->scrollViewDidEndDecelerating(*this);
      break;
    case Motion::Zooming:
    case Motion::ZoomBouncing:
      if (d->respondsTo(ScrollViewDelegateOp::DidEndZooming))
        d->scrollViewDidEndZooming(*this, viewForZooming(), zoomScale_);
      if (m == Motion::Zooming && d->respondsTo(ScrollViewDelegateOp::DidEndScrollingAnimation))
        d->scrollViewDidEndScrollingAnimation(*this);
      break;
    case Motion::None:
      break;
  }
}

void ScrollView::tick() {
  auto keep = self();
  double now = base::RunLoop::main().now();
  double dt = now - lastTick_;
  lastTick_ = now;
  switch (motion_) {
    case Motion::None:
      stopScrolling();
      return;
    case Motion::Animating:
    case Motion::Settling: {
      double f = animDuration_ > 0 ? clampTo((now - animStart_) / animDuration_, 0, 1) : 1;
      double e = easeOut(f);
      setContentOffset(f >= 1 ? animTo_ : Point{animFrom_.x + (animTo_.x - animFrom_.x) * e,
                                                animFrom_.y + (animTo_.y - animFrom_.y) * e});
      if (f >= 1 && motion_ != Motion::None) finishMotion(true);
      return;
    }
    case Motion::Decelerating: {
      if (dt <= 0) return;
      double decay = std::pow(decelerationRate_, dt * 1000);
      velocity_ = {velocity_.x * decay, velocity_.y * decay};
      Point o = contentOffset();
      Point p{o.x + velocity_.x * dt, o.y + velocity_.y * dt};
      Point c = clampedContentOffset(p);
      if (c.x != p.x) velocity_.x = 0;
      if (c.y != p.y) velocity_.y = 0;
      setContentOffset(c);
      if (motion_ != Motion::Decelerating) return;
      if (std::hypot(velocity_.x, velocity_.y) < kStopVelocity) {
        // The limits may have moved under it (an inset changed): bounce home.
        if (clampedContentOffset(contentOffset()) != contentOffset())
          motion_ = Motion::Bouncing;
        else
          finishMotion(true);
      }
      return;
    }
    case Motion::Bouncing: {
      Point o = contentOffset();
      Point target = clampedContentOffset(o);
      double k = dt > 0 ? 1 - std::exp(-dt / kBounceTimeConstant) : 0;
      Point p{o.x + (target.x - o.x) * k, o.y + (target.y - o.y) * k};
      bool done = std::hypot(target.x - p.x, target.y - p.y) < 0.5;
      setContentOffset(done ? target : p);
      if (done && motion_ == Motion::Bouncing) finishMotion(true);
      return;
    }
    case Motion::Zooming:
    case Motion::ZoomBouncing: {
      double f = animDuration_ > 0 ? clampTo((now - animStart_) / animDuration_, 0, 1) : 1;
      double e = easeOut(f);
      double s = f >= 1 ? zoomTo_ : zoomFrom_ + (zoomTo_ - zoomFrom_) * e;
      Point p = f >= 1 ? animTo_ : Point{animFrom_.x + (animTo_.x - animFrom_.x) * e,
                                         animFrom_.y + (animTo_.y - animFrom_.y) * e};
      View* zv = viewForZooming();
      if (zv) {
        Size base = zv->bounds().size;
        zoomScale_ = s;
        zv->setTransform(AffineTransform::scale(s, s));
        zv->setCenter({base.width * s / 2, base.height * s / 2});
        setContentSize({base.width * s, base.height * s});
        setContentOffset(p);
        if (auto d = delegate(); d && d->respondsTo(ScrollViewDelegateOp::DidZoom)) d->scrollViewDidZoom(*this);
      } else {
        zoomScale_ = s;
        setContentOffset(p);
      }
      if (f >= 1 && (motion_ == Motion::Zooming || motion_ == Motion::ZoomBouncing)) finishMotion(true);
      return;
    }
  }
}

// --- zooming -------------------------------------------------------------------------------

View* ScrollView::viewForZooming() const {
  auto d = delegate();
  if (!d || !d->respondsTo(ScrollViewDelegateOp::ViewForZooming)) return nullptr;
  View* v = d->viewForZoomingInScrollView(*const_cast<ScrollView*>(this));
  return v && v->superview() == this ? v : nullptr;
}

void ScrollView::setMinimumZoomScale(double s) {
  if (s > 0) minimumZoomScale_ = s;
  updateZoomGestureEnabled();
}

void ScrollView::setMaximumZoomScale(double s) {
  if (s > 0) maximumZoomScale_ = s;
  updateZoomGestureEnabled();
}

void ScrollView::updateZoomGestureEnabled() {
  if (pinch_) pinch_->setEnabled(maximumZoomScale_ > minimumZoomScale_);
}

void ScrollView::applyZoom(double scale, Point anchorInZoomView, Point anchorOnScreen) {
  View* zv = viewForZooming();
  zoomScale_ = scale;
  if (!zv) return;
  Size base = zv->bounds().size;
  zv->setTransform(AffineTransform::scale(scale, scale));
  zv->setCenter({base.width * scale / 2, base.height * scale / 2});
  setContentSize({base.width * scale, base.height * scale});
  setContentOffset({anchorInZoomView.x * scale - anchorOnScreen.x, anchorInZoomView.y * scale - anchorOnScreen.y});
  if (auto d = delegate(); d && d->respondsTo(ScrollViewDelegateOp::DidZoom)) d->scrollViewDidZoom(*this);
}

void ScrollView::setZoomScale(double scale, bool animated) {
  if (!(scale > 0)) return;
  scale = clampTo(scale, minimumZoomScale_, std::max(minimumZoomScale_, maximumZoomScale_));
  View* zv = viewForZooming();
  if (!zv) {
    zoomScale_ = scale;
    return;
  }
  Size b = bounds().size;
  Point o = contentOffset();
  Point anchor{(o.x + b.width / 2) / zoomScale_, (o.y + b.height / 2) / zoomScale_};
  Size base = zv->bounds().size;
  // The offset that keeps the anchor centred, within the limits of the new size.
  Point wanted{anchor.x * scale - b.width / 2, anchor.y * scale - b.height / 2};
  Point lo = minimumContentOffset();
  Point hi{std::max(lo.x, base.width * scale + contentInset_.right - b.width),
           std::max(lo.y, base.height * scale + contentInset_.bottom - b.height)};
  Point target{clampTo(wanted.x, lo.x, hi.x), clampTo(wanted.y, lo.y, hi.y)};
  stopScrolling();
  if (!animated || scale == zoomScale_) {
    applyZoom(scale, anchor, {b.width / 2, b.height / 2});
    setContentOffset(target);
    return;
  }
  zoomFrom_ = zoomScale_;
  zoomTo_ = scale;
  animFrom_ = o;
  animTo_ = target;
  animDuration_ = kAnimationDuration;
  if (auto d = delegate(); d && d->respondsTo(ScrollViewDelegateOp::WillBeginZooming))
    d->scrollViewWillBeginZooming(*this, zv);
  startMotion(Motion::Zooming);
}

void ScrollView::zoomToRect(const Rect& rect, bool animated) {
  View* zv = viewForZooming();
  if (!zv || rect.isEmpty()) return;
  Size b = bounds().size;
  double scale = std::min(b.width / rect.width(), b.height / rect.height());
  scale = clampTo(scale, minimumZoomScale_, std::max(minimumZoomScale_, maximumZoomScale_));
  Size base = zv->bounds().size;
  Point wanted{rect.midX() * scale - b.width / 2, rect.midY() * scale - b.height / 2};
  Point lo = minimumContentOffset();
  Point hi{std::max(lo.x, base.width * scale + contentInset_.right - b.width),
           std::max(lo.y, base.height * scale + contentInset_.bottom - b.height)};
  Point target{clampTo(wanted.x, lo.x, hi.x), clampTo(wanted.y, lo.y, hi.y)};
  stopScrolling();
  if (!animated) {
    applyZoom(scale, {0, 0}, {0, 0});
    setContentOffset(target);
    return;
  }
  zoomFrom_ = zoomScale_;
  zoomTo_ = scale;
  animFrom_ = contentOffset();
  animTo_ = target;
  animDuration_ = kAnimationDuration;
  if (auto d = delegate(); d && d->respondsTo(ScrollViewDelegateOp::WillBeginZooming))
    d->scrollViewWillBeginZooming(*this, zv);
  startMotion(Motion::Zooming);
}

void ScrollView::handlePinch(PinchGestureRecognizer& pinch) {
  auto keep = self();
  View* zv = viewForZooming();
  switch (pinch.state()) {
    case GestureState::Began: {
      if (!zv) return;
      stopScrolling();
      zooming_ = true;
      pinchStartScale_ = zoomScale_;
      Point c = pinch.locationInView(this);
      pinchAnchor_ = {c.x / zoomScale_, c.y / zoomScale_};
      if (auto d = delegate(); d && d->respondsTo(ScrollViewDelegateOp::WillBeginZooming))
        d->scrollViewWillBeginZooming(*this, zv);
      [[fallthrough]];
    }
    case GestureState::Changed: {
      if (!zooming_ || !zv) return;
      double s = pinchStartScale_ * pinch.scale();
      double lo = minimumZoomScale_, hi = std::max(minimumZoomScale_, maximumZoomScale_);
      if (!bouncesZoom_)
        s = clampTo(s, lo, hi);
      else if (s > hi)
        s = hi * std::pow(s / hi, kZoomRubberBand);
      else if (s < lo)
        s = lo * std::pow(s / lo, kZoomRubberBand);
      Point c = pinch.locationInView(this);
      Point o = contentOffset();
      applyZoom(s, pinchAnchor_, {c.x - o.x, c.y - o.y});
      return;
    }
    case GestureState::Ended:
    case GestureState::Cancelled: {
      if (!zooming_) return;
      zooming_ = false;
      double target = clampTo(zoomScale_, minimumZoomScale_, std::max(minimumZoomScale_, maximumZoomScale_));
      Size b = bounds().size;
      Point o = contentOffset();
      Point wantedOffset = o;
      if (zv) {
        Point anchor{(o.x + b.width / 2) / zoomScale_, (o.y + b.height / 2) / zoomScale_};
        wantedOffset = {anchor.x * target - b.width / 2, anchor.y * target - b.height / 2};
        Size base = zv->bounds().size;
        Point lo = minimumContentOffset();
        Point hi{std::max(lo.x, base.width * target + contentInset_.right - b.width),
                 std::max(lo.y, base.height * target + contentInset_.bottom - b.height)};
        wantedOffset = {clampTo(wantedOffset.x, lo.x, hi.x), clampTo(wantedOffset.y, lo.y, hi.y)};
      }
      if (target != zoomScale_ || wantedOffset != o) {
        zoomFrom_ = zoomScale_;
        zoomTo_ = target;
        animFrom_ = o;
        animTo_ = wantedOffset;
        animDuration_ = kAnimationDuration;
        startMotion(Motion::ZoomBouncing);
      } else if (auto d = delegate(); d && d->respondsTo(ScrollViewDelegateOp::DidEndZooming)) {
        d->scrollViewDidEndZooming(*this, zv, zoomScale_);
      }
      return;
    }
    default:
      return;
  }
}

}  // namespace ui
