#pragma once
#include <memory>

#include "platform/base/RunLoop.hpp"
#include "platform/ui/View.hpp"

namespace ui {

class ScrollView;
class PanGestureRecognizer;
class PinchGestureRecognizer;

// The optional operations of a scroll view delegate, for `respondsTo`.
enum class ScrollViewDelegateOp {
  DidScroll,
  WillBeginDragging,
  WillEndDragging,
  DidEndDragging,
  WillBeginDecelerating,
  DidEndDecelerating,
  DidEndScrollingAnimation,
  ViewForZooming,
  WillBeginZooming,
  DidZoom,
  DidEndZooming,
  ShouldScrollToTop,
  DidScrollToTop,
};

// Hears what a scroll view does. Every operation is optional: the defaults do
// nothing (or answer what the scroll view would do anyway). `respondsTo`
// says which operations the object takes part in; the default answers yes to
// all, and an object that stands between a scroll view and another delegate
// answers for both. The scroll view asks it before each call.
class ScrollViewDelegate {
 public:
  virtual ~ScrollViewDelegate() = default;
  virtual bool respondsTo(ScrollViewDelegateOp /*op*/) const {
    return true;
  }

  // After every change of the content offset, by the user or by code.
  virtual void scrollViewDidScroll(ScrollView& /*scrollView*/) {}
  virtual void scrollViewWillBeginDragging(ScrollView& /*scrollView*/) {}
  // When the finger lifts: the velocity (points per second of the content)
  // and where the content will come to rest, which the delegate may move.
  virtual void scrollViewWillEndDragging(ScrollView& /*scrollView*/, Point /*velocity*/, Point& /*targetContentOffset*/) {}
  // `willDecelerate`: the content keeps moving (slowing down, bouncing back
  // or settling on a page) and did-end-decelerating follows.
  virtual void scrollViewDidEndDragging(ScrollView& /*scrollView*/, bool /*willDecelerate*/) {}
  virtual void scrollViewWillBeginDecelerating(ScrollView& /*scrollView*/) {}
  virtual void scrollViewDidEndDecelerating(ScrollView& /*scrollView*/) {}
  // When an offset or zoom change made with animation by code has arrived.
  virtual void scrollViewDidEndScrollingAnimation(ScrollView& /*scrollView*/) {}
  // The view that zooming scales; nothing means the content does not zoom.
  virtual View* viewForZoomingInScrollView(ScrollView& /*scrollView*/) {
    return nullptr;
  }
  virtual void scrollViewWillBeginZooming(ScrollView& /*scrollView*/, View* /*view*/) {}
  virtual void scrollViewDidZoom(ScrollView& /*scrollView*/) {}
  virtual void scrollViewDidEndZooming(ScrollView& /*scrollView*/, View* /*view*/, double /*scale*/) {}
  virtual bool scrollViewShouldScrollToTop(ScrollView& /*scrollView*/) {
    return true;
  }
  virtual void scrollViewDidScrollToTop(ScrollView& /*scrollView*/) {}
};

enum class ScrollViewIndicatorStyle { Default = 0, Black = 1, White = 2 };
enum class ScrollViewKeyboardDismissMode { None = 0, OnDrag = 1, Interactive = 2 };

// A view whose bounds' origin, the content offset, moves over a larger
// content. Every change of the offset (by a drag, a deceleration, an
// animation or code, through `setContentOffset` or `setBounds`) tells the
// delegate's did-scroll and marks the view for layout, so subclasses place
// their content in `layoutSubviews`.
//
// The offset may rest anywhere in [-inset.left/top, content size + inset -
// bounds size] (the upper limit never below the lower one). A drag moves the
// content with the finger; beyond the limits it follows at half the distance
// when bouncing is on for that axis, and comes back once the finger lifts.
// A lift while moving fast decelerates; with paging the content settles on
// the nearest page (one bounds size each), or the next one in the direction
// of a flick. A pan that moves the content cancels the touches of the views
// under it (when `canCancelContentTouches`), so a cell that was touched hears
// touches-cancelled rather than a tap. Motion runs in 60 steps a second on
// the main loop's clock.
//
// Subclasses may override `setFrame`, `setBounds`, `setContentSize` and both
// forms of `setContentOffset` (bring the other form in with a using
// declaration); the scroll view itself moves the content only through
// `setContentOffset(Point)`.
class ScrollView : public View {
 public:
  explicit ScrollView(const Rect& frame = {});
  ~ScrollView() override;

  std::shared_ptr<ScrollViewDelegate> delegate() const { return delegate_.lock(); }
  virtual void setDelegate(std::weak_ptr<ScrollViewDelegate> delegate);

  // --- Content ---------------------------------------------------------------
  Size contentSize() const { return contentSize_; }
  virtual void setContentSize(Size size);
  Point contentOffset() const { return bounds().origin; }
  virtual void setContentOffset(Point offset);
  // Animated: moves in steps over 0.3 s, each step a real offset change, then
  // tells did-end-scrolling-animation. The offset is taken as given (not
  // clamped). Without animation it is `setContentOffset(offset)`. Either way
  // a running deceleration or animation stops.
  virtual void setContentOffset(Point offset, bool animated);
  EdgeInsets contentInset() const { return contentInset_; }
  // The offset stays where it is; only the limits change.
  virtual void setContentInset(EdgeInsets insets);
  EdgeInsets scrollIndicatorInsets() const { return indicatorInsets_; }
  void setScrollIndicatorInsets(EdgeInsets insets) { indicatorInsets_ = insets; }
  // Moves the least that shows `rect` (content coordinates; its top left
  // wins when it is larger than the bounds), within the offset limits.
  void scrollRectToVisible(const Rect& rect, bool animated);
  // The offset limits and the nearest offset within them.
  Point minimumContentOffset() const;
  Point maximumContentOffset() const;
  Point clampedContentOffset(Point offset) const;
  // Whether a drag can move the content along the axis (the content and
  // insets are larger than the bounds, or bouncing is forced for it).
  bool canScrollHorizontally() const;
  bool canScrollVertically() const;

  // --- Behaviour -------------------------------------------------------------
  bool isScrollEnabled() const { return scrollEnabled_; }
  void setScrollEnabled(bool on);
  bool isPagingEnabled() const { return pagingEnabled_; }
  void setPagingEnabled(bool on) { pagingEnabled_ = on; }
  bool bounces() const { return bounces_; }
  void setBounces(bool on) { bounces_ = on; }
  bool alwaysBounceVertical() const { return alwaysBounceVertical_; }
  void setAlwaysBounceVertical(bool on) { alwaysBounceVertical_ = on; }
  bool alwaysBounceHorizontal() const { return alwaysBounceHorizontal_; }
  void setAlwaysBounceHorizontal(bool on) { alwaysBounceHorizontal_ = on; }
  // A drag that starts mostly along one axis moves only along it.
  bool isDirectionalLockEnabled() const { return directionalLock_; }
  void setDirectionalLockEnabled(bool on) { directionalLock_ = on; }
  bool canCancelContentTouches() const { return canCancelContentTouches_; }
  void setCanCancelContentTouches(bool on) { canCancelContentTouches_ = on; }
  // Touches reach the content at once here; the flag is kept for callers.
  bool delaysContentTouches() const { return delaysContentTouches_; }
  void setDelaysContentTouches(bool on) { delaysContentTouches_ = on; }
  // Whether a pan starting on `view` (under the content) may take its touches
  // over; the default lets it for every view.
  virtual bool touchesShouldCancelInContentView(View* view);
  // Velocity kept per millisecond while decelerating.
  static constexpr double kDecelerationRateNormal = 0.998;
  static constexpr double kDecelerationRateFast = 0.99;
  double decelerationRate() const { return decelerationRate_; }
  void setDecelerationRate(double rate);
  bool showsHorizontalScrollIndicator() const { return showsHorizontal_; }
  void setShowsHorizontalScrollIndicator(bool on) { showsHorizontal_ = on; }
  bool showsVerticalScrollIndicator() const { return showsVertical_; }
  void setShowsVerticalScrollIndicator(bool on) { showsVertical_ = on; }
  ScrollViewIndicatorStyle indicatorStyle() const { return indicatorStyle_; }
  void setIndicatorStyle(ScrollViewIndicatorStyle s) { indicatorStyle_ = s; }
  void flashScrollIndicators() {}
  bool scrollsToTop() const { return scrollsToTop_; }
  void setScrollsToTop(bool on) { scrollsToTop_ = on; }
  // Scrolls to the top (animated) unless the delegate objects; the status
  // bar tap of the platform.
  bool scrollToTop();
  ScrollViewKeyboardDismissMode keyboardDismissMode() const { return keyboardDismissMode_; }
  void setKeyboardDismissMode(ScrollViewKeyboardDismissMode m) { keyboardDismissMode_ = m; }

  // --- State -----------------------------------------------------------------
  // A finger is on the content (from touch-down, before any drag).
  bool isTracking() const { return tracking_; }
  // The content follows a finger (from the pan's start to its end).
  bool isDragging() const { return dragging_; }
  // The content moves on after a drag ended (deceleration, bounce, paging).
  bool isDecelerating() const { return motion_ == Motion::Decelerating || motion_ == Motion::Bouncing ||
                                       motion_ == Motion::Settling; }
  bool isZooming() const { return zooming_; }
  bool isZoomBouncing() const { return motion_ == Motion::ZoomBouncing; }
  // An offset or zoom animation started by code is running.
  bool isScrollAnimating() const { return motion_ == Motion::Animating || motion_ == Motion::Zooming; }
  // Stops any motion where it is, without telling the delegate.
  void stopScrolling();

  // --- Zooming ---------------------------------------------------------------
  // The delegate's view for zooming is scaled by `zoomScale` about its top
  // left, and the content size follows its scaled size.
  double minimumZoomScale() const { return minimumZoomScale_; }
  void setMinimumZoomScale(double s);
  double maximumZoomScale() const { return maximumZoomScale_; }
  void setMaximumZoomScale(double s);
  double zoomScale() const { return zoomScale_; }
  // Clamped to the limits; the point at the centre of the bounds stays put
  // (as far as the offset limits allow). Tells did-zoom.
  void setZoomScale(double scale, bool animated = false);
  // Zooms so that `rect` (in the zooming view's coordinates) fills the bounds
  // as far as the scale limits allow, centred.
  void zoomToRect(const Rect& rect, bool animated);
  bool bouncesZoom() const { return bouncesZoom_; }
  void setBouncesZoom(bool on) { bouncesZoom_ = on; }
  // The delegate's view for zooming, or nothing.
  View* viewForZooming() const;

  // --- Gestures ----------------------------------------------------------------
  PanGestureRecognizer& panGestureRecognizer() const;
  // Two-finger pinch; enabled only while the content can zoom.
  PinchGestureRecognizer& pinchGestureRecognizer() const;

  // Desktop wheel: moves the content by `delta` within the offset limits,
  // without dragging or bouncing.
  void scrollByWheel(Point delta);
  // The wheel over the content: taken when the content can move along the
  // wheel's axis (a view that moves only sideways takes the up and down of
  // the wheel as left and right) or, with Ctrl, when it can zoom. It scrolls
  // by the wheel's distance; with paging, a notch's worth turns one page
  // (further turns while that page settles are part of the same one); with
  // Ctrl, each notch zooms by `kWheelZoomStep` about the pointer.
  bool wheelTurned(const WheelEvent& event) override;

  void setBounds(const Rect& bounds) override;

  static constexpr double kAnimationDuration = 0.3;
  static constexpr double kFrameInterval = 1.0 / 60;
  // Beyond its limits the content follows the finger at this share of its travel.
  static constexpr double kRubberBandFactor = 0.5;
  static constexpr double kWheelZoomStep = 1.25;

 private:
  class ScrollPan;
  class ScrollPinch;
  enum class Motion { None, Animating, Decelerating, Bouncing, Settling, Zooming, ZoomBouncing };

  void handlePan(PanGestureRecognizer& pan);
  void handlePinch(PinchGestureRecognizer& pinch);
  bool panShouldBegin(PanGestureRecognizer& pan);
  void touchDown();
  void touchUp();
  void endDrag(Point velocity);
  Point rubberBanded(Point raw) const;
  Point pageTarget(Point velocity) const;
  void startMotion(Motion m);
  void tick();
  void finishMotion(bool notify);
  void applyZoom(double scale, Point anchorInZoomView, Point anchorOnScreen);
  void turnPageByWheel(Point delta, double time);
  bool zoomByWheel(const WheelEvent& event);
  void updateZoomGestureEnabled();
  void notifyDidScroll();

  std::weak_ptr<ScrollViewDelegate> delegate_;
  Size contentSize_;
  EdgeInsets contentInset_, indicatorInsets_;
  bool scrollEnabled_ = true;
  bool pagingEnabled_ = false;
  bool bounces_ = true;
  bool alwaysBounceVertical_ = false;
  bool alwaysBounceHorizontal_ = false;
  bool directionalLock_ = false;
  bool canCancelContentTouches_ = true;
  bool delaysContentTouches_ = true;
  double decelerationRate_ = kDecelerationRateNormal;
  bool showsHorizontal_ = true;
  bool showsVertical_ = true;
  ScrollViewIndicatorStyle indicatorStyle_ = ScrollViewIndicatorStyle::Default;
  bool scrollsToTop_ = true;
  ScrollViewKeyboardDismissMode keyboardDismissMode_ = ScrollViewKeyboardDismissMode::None;
  double minimumZoomScale_ = 1;
  double maximumZoomScale_ = 1;
  double zoomScale_ = 1;
  bool bouncesZoom_ = true;

  bool tracking_ = false;
  bool dragging_ = false;
  bool zooming_ = false;
  int lockedAxis_ = 0;  // 0 free, 1 horizontal, 2 vertical
  bool scrollingToTop_ = false;
  Point dragStartOffset_;

  std::shared_ptr<ScrollPan> pan_;
  std::shared_ptr<ScrollPinch> pinch_;
  double pinchStartScale_ = 1;
  Point pinchAnchor_;  // in the zooming view's unscaled coordinates

  Motion motion_ = Motion::None;
  base::TimerId timer_ = 0;
  double lastTick_ = 0;
  Point velocity_;        // content points per second while decelerating
  Point animFrom_, animTo_;
  double animStart_ = 0, animDuration_ = 0;
  double zoomFrom_ = 1, zoomTo_ = 1;
  bool animatingZoom_ = false;
  // The wheel's travel towards the next page turn.
  WheelPages wheelPages_;
  bool wheelTurning_ = false;
};

}  // namespace ui
