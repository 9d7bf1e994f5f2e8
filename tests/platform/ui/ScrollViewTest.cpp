#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/ScrollView.hpp"
#include "platform/ui/Window.hpp"

using namespace ui;

namespace {

class ScrollViewTest : public mv::test::UiTestEnvironment {};

// Records the delegate calls, one "scroll" for a run of did-scrolls.
struct Recorder : ScrollViewDelegate {
  std::vector<std::string> log;
  std::vector<Point> offsets;
  std::vector<bool> draggingAtScroll;
  View* zoomView = nullptr;
  void note(const std::string& s) {
    if (s == "scroll" && !log.empty() && log.back() == "scroll") return;
    log.push_back(s);
  }
  void scrollViewDidScroll(ScrollView& sv) override {
    offsets.push_back(sv.contentOffset());
    draggingAtScroll.push_back(sv.isDragging());
    note("scroll");
  }
  void scrollViewWillBeginDragging(ScrollView& sv) override {
    EXPECT_TRUE(sv.isDragging());
    note("willBeginDragging");
  }
  void scrollViewDidEndDragging(ScrollView&, bool decelerate) override {
    note(std::string("didEndDragging:") + (decelerate ? "1" : "0"));
  }
  void scrollViewWillBeginDecelerating(ScrollView& sv) override {
    EXPECT_TRUE(sv.isDecelerating());
    note("willBeginDecelerating");
  }
  void scrollViewDidEndDecelerating(ScrollView& sv) override {
    EXPECT_FALSE(sv.isDecelerating());
    note("didEndDecelerating");
  }
  void scrollViewDidEndScrollingAnimation(ScrollView&) override { note("didEndScrollingAnimation"); }
  View* viewForZoomingInScrollView(ScrollView&) override { return zoomView; }
  void scrollViewWillBeginZooming(ScrollView&, View*) override { note("willBeginZooming"); }
  void scrollViewDidZoom(ScrollView&) override { note("zoom"); }
  void scrollViewDidEndZooming(ScrollView&, View* v, double) override {
    EXPECT_EQ(v, zoomView);
    note("didEndZooming");
  }
};

// Remembers the touches it was given.
struct Tracker : View {
  using View::View;
  std::vector<std::string> log;
  void touchesBegan(const TouchSet&, const Event&) override { log.push_back("began"); }
  void touchesMoved(const TouchSet&, const Event&) override {}
  void touchesEnded(const TouchSet&, const Event&) override { log.push_back("ended"); }
  void touchesCancelled(const TouchSet&, const Event&) override { log.push_back("cancelled"); }
};

std::vector<Point> path(Point from, Point to, int steps, int restAtEnd) {
  std::vector<Point> out;
  for (int i = 0; i <= steps; ++i)
    out.push_back({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
  for (int i = 0; i < restAtEnd; ++i) out.push_back(to);
  return out;
}

}  // namespace

TEST_F(ScrollViewTest, OffsetLimitsAndScrollRectToVisible) {
  auto sv = std::make_shared<ScrollView>(Rect{0, 0, 300, 200});
  auto rec = std::make_shared<Recorder>();
  sv->setDelegate(rec);
  sv->setContentSize({600, 1000});
  EXPECT_EQ(sv->minimumContentOffset(), (Point{0, 0}));
  EXPECT_EQ(sv->maximumContentOffset(), (Point{300, 800}));

  // Below the visible area: the least move that shows it.
  sv->scrollRectToVisible({10, 500, 20, 50}, false);
  EXPECT_EQ(sv->contentOffset(), (Point{0, 350}));
  // Already visible: no move, no did-scroll.
  std::size_t calls = rec->offsets.size();
  sv->scrollRectToVisible({10, 400, 20, 50}, false);
  EXPECT_EQ(sv->contentOffset(), (Point{0, 350}));
  EXPECT_EQ(rec->offsets.size(), calls);
  // Above: its top comes to the top.
  sv->scrollRectToVisible({10, 100, 20, 50}, false);
  EXPECT_EQ(sv->contentOffset(), (Point{0, 100}));
  // Taller than the bounds: its top wins.
  sv->scrollRectToVisible({0, 300, 10, 500}, false);
  EXPECT_EQ(sv->contentOffset().y, 300);
  // Beyond the content: clamped to the limits.
  sv->scrollRectToVisible({550, 2000, 100, 100}, false);
  EXPECT_EQ(sv->contentOffset(), (Point{300, 800}));
  sv->scrollRectToVisible({-50, -50, 10, 10}, false);
  EXPECT_EQ(sv->contentOffset(), (Point{0, 0}));

  // Insets widen the limits on both ends.
  sv->setContentInset({20, 0, 60, 0});
  EXPECT_EQ(sv->minimumContentOffset(), (Point{0, -20}));
  EXPECT_EQ(sv->maximumContentOffset(), (Point{300, 860}));
  sv->scrollRectToVisible({0, -100, 10, 10}, false);
  EXPECT_EQ(sv->contentOffset().y, -20);
  EXPECT_EQ(sv->clampedContentOffset({-5, 5000}), (Point{0, 860}));
  // Content smaller than the bounds: the upper limit never goes below the lower one.
  sv->setContentSize({100, 50});
  EXPECT_EQ(sv->maximumContentOffset(), (Point{0, -20}));
  EXPECT_FALSE(sv->canScrollHorizontally());
  EXPECT_FALSE(sv->canScrollVertically());
  sv->setContentInset({100, 0, 60, 0});  // 100 + 50 + 60 > 200
  EXPECT_TRUE(sv->canScrollVertically());
  sv->setContentInset({20, 0, 60, 0});
  sv->setAlwaysBounceVertical(true);
  EXPECT_TRUE(sv->canScrollVertically());

  // Setting the offset by code is not clamped, and every change is reported and lays out.
  sv->setContentOffset({-40, -70});
  EXPECT_EQ(sv->bounds().origin, (Point{-40, -70}));
  EXPECT_EQ(rec->offsets.back(), (Point{-40, -70}));
  EXPECT_TRUE(sv->needsLayout());
  // The wheel moves within the limits only.
  sv->setContentSize({300, 1000});
  sv->setContentInset({});
  sv->setContentOffset({0, 0});
  sv->scrollByWheel({0, 5000});
  EXPECT_EQ(sv->contentOffset(), (Point{0, 800}));
  sv->scrollByWheel({0, -100});
  EXPECT_EQ(sv->contentOffset(), (Point{0, 700}));
}

TEST_F(ScrollViewTest, AnimatedScrollSteppedWithOneEndCall) {
  HeadlessDriver driver;
  auto sv = std::make_shared<ScrollView>(Rect{0, 0, 300, 200});
  driver.window().addSubview(sv);
  auto rec = std::make_shared<Recorder>();
  sv->setDelegate(rec);
  sv->setContentSize({300, 2000});
  sv->setContentOffset({0, 600}, true);
  EXPECT_EQ(sv->contentOffset(), (Point{0, 0}));  // nothing moves before the first step
  EXPECT_TRUE(sv->isScrollAnimating());
  driver.advance(0.1);
  double mid = sv->contentOffset().y;
  EXPECT_GT(mid, 0);
  EXPECT_LT(mid, 600);
  driver.advance(0.5);
  EXPECT_EQ(sv->contentOffset(), (Point{0, 600}));
  EXPECT_FALSE(sv->isScrollAnimating());
  EXPECT_EQ(rec->log, (std::vector<std::string>{"scroll", "didEndScrollingAnimation"}));
  EXPECT_GT(rec->offsets.size(), 10u);  // stepped, each step a real change
  for (std::size_t i = 1; i < rec->offsets.size(); ++i) EXPECT_GE(rec->offsets[i].y, rec->offsets[i - 1].y);

  // An animation to where it already is does nothing; a new one replaces a running one.
  rec->log.clear();
  sv->setContentOffset({0, 600}, true);
  driver.advance(0.5);
  EXPECT_TRUE(rec->log.empty());
  sv->setContentOffset({0, 0}, true);
  driver.advance(0.1);
  sv->setContentOffset({0, 100}, false);  // stops the animation where it is set
  driver.advance(0.5);
  EXPECT_EQ(sv->contentOffset(), (Point{0, 100}));
  EXPECT_EQ(rec->log, (std::vector<std::string>{"scroll"}));

  // A freed scroll view with an animation running leaves nothing behind.
  sv->setContentOffset({0, 900}, true);
  sv->removeFromSuperview();
  sv.reset();
  driver.advance(0.5);
}

TEST_F(ScrollViewTest, DragDeceleratesAndOverscrollBouncesBack) {
  HeadlessDriver driver;
  auto sv = std::make_shared<ScrollView>(Rect{0, 0, 300, 400});
  driver.window().addSubview(sv);
  auto rec = std::make_shared<Recorder>();
  sv->setDelegate(rec);
  sv->setContentSize({300, 3000});

  // A quick flick upwards: the content follows, then decelerates on.
  driver.drag(path({150, 350}, {150, 150}, 10, 0), 0.01);
  EXPECT_FALSE(sv->isDragging());
  EXPECT_TRUE(sv->isDecelerating());
  double atRelease = sv->contentOffset().y;
  EXPECT_NEAR(atRelease, 200, 0.001);
  driver.advance(5);
  EXPECT_FALSE(sv->isDecelerating());
  EXPECT_GT(sv->contentOffset().y, atRelease + 100);
  EXPECT_LE(sv->contentOffset().y, 2600);
  EXPECT_EQ(rec->log, (std::vector<std::string>{"willBeginDragging", "scroll", "didEndDragging:1", "willBeginDecelerating",
                                                "scroll", "didEndDecelerating"}));

  // A slow drag that rests before lifting does not decelerate.
  rec->log.clear();
  sv->setContentOffset({0, 500});
  rec->log.clear();
  driver.drag(path({150, 300}, {150, 250}, 5, 4), 0.05);
  EXPECT_EQ(sv->contentOffset().y, 550);
  EXPECT_EQ(rec->log, (std::vector<std::string>{"willBeginDragging", "scroll", "didEndDragging:0"}));

  // Pulled past the top: half the finger's travel beyond the limit, back after release.
  sv->setContentOffset({0, 0});
  rec->log.clear();
  rec->offsets.clear();
  rec->draggingAtScroll.clear();
  driver.drag(path({150, 50}, {150, 290}, 8, 4), 0.05);
  double lowest = 0;
  for (std::size_t i = 0; i < rec->offsets.size(); ++i)
    if (rec->draggingAtScroll[i]) lowest = std::min(lowest, rec->offsets[i].y);
  EXPECT_NEAR(lowest, -120, 0.001);
  EXPECT_TRUE(sv->isDecelerating());
  driver.advance(2);
  EXPECT_EQ(sv->contentOffset(), (Point{0, 0}));
  EXPECT_EQ(rec->log, (std::vector<std::string>{"willBeginDragging", "scroll", "didEndDragging:1", "willBeginDecelerating",
                                                "scroll", "didEndDecelerating"}));
  // The inset grown during the bounce is where it comes to rest.
  driver.drag(path({150, 50}, {150, 290}, 8, 4), 0.05);
  sv->setContentInset({60, 0, 0, 0});
  driver.advance(2);
  EXPECT_EQ(sv->contentOffset().y, -60);

  // Without bouncing the drag stops at the limit.
  sv->setContentInset({});
  sv->setContentOffset({0, 0});
  sv->setBounces(false);
  driver.drag(path({150, 50}, {150, 290}, 8, 4), 0.05);
  EXPECT_EQ(sv->contentOffset().y, 0);
  EXPECT_FALSE(sv->isDecelerating());

  // Scrolling switched off: drags do nothing.
  sv->setScrollEnabled(false);
  driver.drag(path({150, 350}, {150, 100}, 8, 4), 0.05);
  EXPECT_EQ(sv->contentOffset().y, 0);
}

TEST_F(ScrollViewTest, PanCancelsTheTouchesOfContentViews) {
  HeadlessDriver driver;
  auto sv = std::make_shared<ScrollView>(Rect{0, 0, 300, 400});
  sv->setContentSize({300, 1200});
  driver.window().addSubview(sv);
  auto cell = std::make_shared<Tracker>(Rect{0, 0, 300, 200});
  sv->addSubview(cell);

  driver.tapAt({100, 100});
  EXPECT_EQ(cell->log, (std::vector<std::string>{"began", "ended"}));
  EXPECT_EQ(sv->contentOffset().y, 0);

  cell->log.clear();
  driver.drag(path({100, 150}, {100, 50}, 5, 3), 0.05);
  EXPECT_EQ(cell->log, (std::vector<std::string>{"began", "cancelled"}));
  EXPECT_EQ(sv->contentOffset().y, 100);

  // A horizontal stroke on a content that only scrolls vertically is not a scroll.
  cell->log.clear();
  sv->setContentOffset({0, 0});
  driver.drag(path({50, 100}, {250, 110}, 5, 3), 0.05);
  EXPECT_EQ(sv->contentOffset().y, 0);
  EXPECT_EQ(cell->log, (std::vector<std::string>{"began", "ended"}));

  // When content touches may not be cancelled, a touch on the content never scrolls.
  cell->log.clear();
  sv->setCanCancelContentTouches(false);
  driver.drag(path({100, 150}, {100, 50}, 5, 3), 0.05);
  EXPECT_EQ(sv->contentOffset().y, 0);
  EXPECT_EQ(cell->log, (std::vector<std::string>{"began", "ended"}));
  // ... but a touch on the scroll view itself still does.
  driver.drag(path({100, 350}, {100, 250}, 5, 3), 0.05);
  EXPECT_EQ(sv->contentOffset().y, 100);
  EXPECT_FALSE(sv->isTracking());
}

TEST_F(ScrollViewTest, PagingSettlesOnTheNearestPageOrTheNextOneOnAFlick) {
  HeadlessDriver driver;
  auto sv = std::make_shared<ScrollView>(Rect{0, 0, 200, 200});
  driver.window().addSubview(sv);
  auto rec = std::make_shared<Recorder>();
  sv->setDelegate(rec);
  sv->setContentSize({1000, 200});
  sv->setPagingEnabled(true);

  // 110 points to the left, slowly: past half a page, so the next page.
  driver.drag(path({160, 100}, {50, 100}, 5, 4), 0.05);
  EXPECT_EQ(sv->contentOffset().x, 110);
  EXPECT_EQ(rec->log, (std::vector<std::string>{"willBeginDragging", "scroll", "didEndDragging:1", "willBeginDecelerating"}));
  driver.advance(1);
  EXPECT_EQ(sv->contentOffset(), (Point{200, 0}));
  EXPECT_EQ(rec->log.back(), "didEndDecelerating");

  // 80 points: less than half, back to where it was.
  driver.drag(path({160, 100}, {80, 100}, 5, 4), 0.05);
  driver.advance(1);
  EXPECT_EQ(sv->contentOffset().x, 200);

  // A short quick flick goes on to the next page.
  driver.drag(path({160, 100}, {120, 100}, 4, 0), 0.01);
  driver.advance(1);
  EXPECT_EQ(sv->contentOffset().x, 400);
  // And back with a flick the other way.
  driver.drag(path({60, 100}, {100, 100}, 4, 0), 0.01);
  driver.advance(1);
  EXPECT_EQ(sv->contentOffset().x, 200);

  // The last page is never passed, even when dragged beyond it.
  sv->setContentOffset({800, 0});
  driver.drag(path({180, 100}, {20, 100}, 5, 4), 0.05);
  driver.advance(1);
  EXPECT_EQ(sv->contentOffset().x, 800);
  // Exactly on a page when the finger lifts: no deceleration at all.
  rec->log.clear();
  driver.drag(path({100, 100}, {150, 100}, 5, 0), 0.05);
  driver.drag(path({150, 100}, {100, 100}, 5, 4), 0.05);
  EXPECT_EQ(sv->contentOffset().x, 800);
  EXPECT_EQ(rec->log.back(), "didEndDragging:0");

  // Scrolling switched off from did-scroll while a drag beyond the last page is under way: the drag ends there.
  struct Guide : Recorder {
    void scrollViewDidScroll(ScrollView& s) override {
      Recorder::scrollViewDidScroll(s);
      if (s.contentOffset().x > 810) s.setScrollEnabled(false);
    }
  };
  auto guide = std::make_shared<Guide>();
  sv->setDelegate(guide);
  driver.drag(path({180, 100}, {20, 100}, 8, 2), 0.05);
  double stopped = sv->contentOffset().x;
  EXPECT_GT(stopped, 810);
  EXPECT_LT(stopped, 830);
  EXPECT_FALSE(sv->isDragging());
  EXPECT_FALSE(sv->isDecelerating());
  EXPECT_EQ(guide->log.back(), "didEndDragging:0");
  driver.advance(1);
  EXPECT_EQ(sv->contentOffset().x, stopped);
}

TEST_F(ScrollViewTest, ZoomStaysWithinItsLimitsAndZoomsToRects) {
  HeadlessDriver driver;
  auto sv = std::make_shared<ScrollView>(Rect{0, 0, 200, 200});
  driver.window().addSubview(sv);
  auto rec = std::make_shared<Recorder>();
  auto image = std::make_shared<ImageView>(Rect{0, 0, 400, 400});
  sv->addSubview(image);
  sv->setContentSize({400, 400});
  sv->setDelegate(rec);

  // No zooming without limits apart.
  sv->setZoomScale(2);
  EXPECT_EQ(sv->zoomScale(), 1);
  rec->zoomView = image.get();
  sv->setMinimumZoomScale(0.5);
  sv->setMaximumZoomScale(3);
  sv->setZoomScale(5);
  EXPECT_EQ(sv->zoomScale(), 3);
  EXPECT_EQ(sv->contentSize(), (Size{1200, 1200}));
  EXPECT_EQ(image->frame(), (Rect{0, 0, 1200, 1200}));
  EXPECT_EQ(image->bounds().size, (Size{400, 400}));
  sv->setZoomScale(0.1);
  EXPECT_EQ(sv->zoomScale(), 0.5);
  EXPECT_EQ(sv->contentSize(), (Size{200, 200}));
  EXPECT_EQ(sv->contentOffset(), (Point{0, 0}));

  // zoomToRect: the rectangle fills the bounds as far as the limits allow, centred.
  sv->zoomToRect({100, 100, 100, 100}, false);
  EXPECT_EQ(sv->zoomScale(), 2);
  EXPECT_EQ(sv->contentOffset(), (Point{200, 200}));
  sv->zoomToRect({100, 100, 50, 50}, false);  // would be 4: stops at 3
  EXPECT_EQ(sv->zoomScale(), 3);
  EXPECT_EQ(sv->contentOffset(), (Point{275, 275}));
  // A rectangle at the far corner keeps the offset within the content.
  sv->zoomToRect({380, 380, 40, 40}, false);
  EXPECT_EQ(sv->contentOffset(), (Point{1000, 1000}));

  // Animated: stepped, then did-end-zooming.
  rec->log.clear();
  sv->zoomToRect({0, 0, 400, 400}, true);
  EXPECT_EQ(sv->zoomScale(), 3);
  driver.advance(0.6);
  EXPECT_EQ(sv->zoomScale(), 0.5);
  EXPECT_EQ(sv->contentOffset(), (Point{0, 0}));
  ASSERT_GE(rec->log.size(), 3u);
  EXPECT_EQ(rec->log.front(), "willBeginZooming");
  EXPECT_NE(std::find(rec->log.begin(), rec->log.end(), "zoom"), rec->log.end());
  EXPECT_EQ(rec->log.back(), "didEndScrollingAnimation");
  EXPECT_NE(std::find(rec->log.begin(), rec->log.end(), "didEndZooming"), rec->log.end());

  // Two fingers moving apart zoom in; past the limit the scale springs back.
  sv->setZoomScale(1);
  sv->setContentOffset({0, 0});
  driver.flush();
  auto& w = driver.window();
  w.touchesDown({{91, {80, 100}}, {92, {120, 100}}});
  for (int i = 1; i <= 10; ++i) {
    driver.advance(0.02);
    w.touchesMove({{91, {80.0 - 6 * i, 100}}, {92, {120.0 + 6 * i, 100}}});
  }
  EXPECT_TRUE(sv->isZooming());
  EXPECT_GT(sv->zoomScale(), 2.0);
  driver.advance(0.02);
  w.touchesUp({{91, {20, 100}}, {92, {180, 100}}});
  driver.advance(1);
  EXPECT_FALSE(sv->isZooming());
  EXPECT_EQ(sv->zoomScale(), 3);
  EXPECT_EQ(sv->clampedContentOffset(sv->contentOffset()), sv->contentOffset());
}
