#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/Event.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/LongPressGestureRecognizer.hpp"
#include "platform/ui/PanGestureRecognizer.hpp"
#include "platform/ui/SwipeGestureRecognizer.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/Touch.hpp"
#include "platform/ui/ViewController.hpp"
#include "platform/ui/Window.hpp"

using namespace ui;

namespace {

class TouchTest : public mv::test::UiTestEnvironment {};

// Records the touches it hears; forwards them on unless told to keep them.
struct Recorder : View {
  using View::View;
  std::vector<std::string> log;
  bool keep = false;
  void touchesBegan(const TouchSet& t, const Event& e) override {
    log.push_back("began");
    if (!keep) View::touchesBegan(t, e);
  }
  void touchesMoved(const TouchSet& t, const Event& e) override {
    log.push_back("moved");
    if (!keep) View::touchesMoved(t, e);
  }
  void touchesEnded(const TouchSet& t, const Event& e) override {
    log.push_back("ended");
    if (!keep) View::touchesEnded(t, e);
  }
  void touchesCancelled(const TouchSet& t, const Event& e) override {
    log.push_back("cancelled");
    if (!keep) View::touchesCancelled(t, e);
  }
};

// Claims points outside a hole, as a cover over an alert does.
struct Cover : View {
  using View::View;
  Rect hole;
  bool pointInside(Point p, const Event*) const override { return !hole.contains(p); }
};

}  // namespace

TEST_F(TouchTest, HitTestingSkipsHiddenDisabledAndTransparentViews) {
  auto root = std::make_shared<View>(Rect{0, 0, 300, 300});
  auto back = std::make_shared<View>(Rect{0, 0, 200, 200});
  auto front = std::make_shared<View>(Rect{50, 50, 100, 100});
  root->addSubview(back);
  root->addSubview(front);
  EXPECT_EQ(root->hitTest({60, 60}, nullptr), front.get());  // front-most wins
  EXPECT_EQ(root->hitTest({10, 10}, nullptr), back.get());
  EXPECT_EQ(root->hitTest({250, 250}, nullptr), root.get());
  EXPECT_EQ(root->hitTest({300, 300}, nullptr), nullptr);     // bounds are half-open
  front->setHidden(true);
  EXPECT_EQ(root->hitTest({60, 60}, nullptr), back.get());
  front->setHidden(false);
  front->setUserInteractionEnabled(false);
  EXPECT_EQ(root->hitTest({60, 60}, nullptr), back.get());
  front->setUserInteractionEnabled(true);
  front->setAlpha(0.009);
  EXPECT_EQ(root->hitTest({60, 60}, nullptr), back.get());
  front->setAlpha(0.01);  // 0.01 itself still counts
  EXPECT_EQ(root->hitTest({60, 60}, nullptr), front.get());
  // Disabled controls take no touches either.
  auto button = std::make_shared<Button>(Rect{0, 250, 50, 50});
  root->addSubview(button);
  EXPECT_EQ(root->hitTest({10, 260}, nullptr), button.get());
  button->setEnabled(false);
  EXPECT_EQ(root->hitTest({10, 260}, nullptr), root.get());
  // Subviews outside their parent's bounds are not reached through it.
  auto outside = std::make_shared<View>(Rect{150, 150, 100, 100});
  front->addSubview(outside);
  EXPECT_EQ(root->hitTest({220, 220}, nullptr), root.get());

  // An overridden pointInside lets the base rules run around a hole.
  auto cover = std::make_shared<Cover>(Rect{0, 0, 300, 300});
  cover->hole = {100, 100, 50, 50};
  root->addSubview(cover);
  EXPECT_EQ(root->hitTest({10, 10}, nullptr), cover.get());
  EXPECT_EQ(root->hitTest({110, 110}, nullptr), front.get());
  EXPECT_EQ(cover->basicHitTest({110, 110}, nullptr), nullptr);
}

TEST_F(TouchTest, UnhandledTouchesGoToTheNextResponder) {
  HeadlessDriver driver;
  struct Screen : ViewController {
    std::vector<std::string> heard;
    void touchesEnded(const TouchSet& t, const Event& e) override {
      heard.push_back("controller");
      ViewController::touchesEnded(t, e);
    }
  };
  auto outer = std::make_shared<Recorder>(Rect{0, 0, 1024, 768});
  outer->keep = true;
  driver.window().addSubview(outer);
  auto vc = std::make_shared<Screen>();
  auto content = std::make_shared<Recorder>(Rect{100, 100, 300, 300});
  vc->setView(content);
  outer->addSubview(content);
  auto cell = std::make_shared<Recorder>(Rect{10, 10, 50, 50});
  content->addSubview(cell);

  driver.tapAt({115, 115});
  // cell -> its superview (the controller's view) -> the controller -> outer
  EXPECT_EQ(cell->log, (std::vector<std::string>{"began", "ended"}));
  EXPECT_EQ(content->log, (std::vector<std::string>{"began", "ended"}));
  EXPECT_EQ(vc->heard, (std::vector<std::string>{"controller"}));
  EXPECT_EQ(outer->log, (std::vector<std::string>{"began", "ended"}));
  EXPECT_EQ(cell->nextResponder(), content.get());
  EXPECT_EQ(content->nextResponder(), vc.get());
  EXPECT_EQ(vc->nextResponder(), outer.get());

  // Touches carry their view, tap count and location in any view.
  struct Probe : View {
    using View::View;
    int taps = 0;
    Point local, inWindow;
    std::size_t fingers = 0;
    void touchesEnded(const TouchSet& t, const Event& e) override {
      taps = t.front()->tapCount();
      local = t.front()->locationInView(this);
      inWindow = t.front()->locationInView(nullptr);
      fingers = e.allTouches().size();
    }
  };
  auto probe = std::make_shared<Probe>(Rect{600, 100, 100, 100});
  driver.window().addSubview(probe);
  driver.tapAt({610, 120}, 2);
  EXPECT_EQ(probe->taps, 2);
  EXPECT_EQ(probe->local, (Point{10, 20}));
  EXPECT_EQ(probe->inWindow, (Point{610, 120}));
  driver.multiTap({{610, 120}, {650, 150}});
  EXPECT_EQ(probe->fingers, 2u);

  // A view removed in the middle of a touch is simply not told the end.
  auto gone = std::make_shared<Recorder>(Rect{800, 600, 50, 50});
  gone->keep = true;
  driver.window().addSubview(gone);
  std::weak_ptr<Recorder> weakGone = gone;
  driver.window().touchDown(99, {810, 610});
  gone->removeFromSuperview();
  gone.reset();
  EXPECT_TRUE(weakGone.expired());
  driver.window().touchUp(99, {810, 610});
  EXPECT_EQ(driver.window().activeTouchCount(), 0u);
}

TEST_F(TouchTest, TapLongPressAndSwipeResolveToOneRecognizer) {
  HeadlessDriver driver;
  auto view = std::make_shared<Recorder>(Rect{100, 100, 400, 300});
  view->keep = true;
  driver.window().addSubview(view);
  std::vector<std::string> fired;
  auto tap = std::make_shared<TapGestureRecognizer>([&](GestureRecognizer& g) {
    if (g.state() == GestureRecognized) fired.push_back("tap");
  });
  auto press = std::make_shared<LongPressGestureRecognizer>([&](GestureRecognizer& g) {
    if (g.state() == GestureState::Began) fired.push_back("press");
  });
  auto swipe = std::make_shared<SwipeGestureRecognizer>([&](GestureRecognizer& g) {
    if (g.state() == GestureRecognized) fired.push_back("swipe");
  });
  swipe->direction = SwipeLeft | SwipeRight;
  view->addGestureRecognizer(tap);
  view->addGestureRecognizer(press);
  view->addGestureRecognizer(swipe);

  driver.tapAt({200, 200});
  EXPECT_EQ(fired, (std::vector<std::string>{"tap"}));
  // The recognised tap cancels the touch for the view.
  EXPECT_EQ(view->log, (std::vector<std::string>{"began", "cancelled"}));

  fired.clear();
  driver.longPress({200, 200}, 0.8);
  EXPECT_EQ(fired, (std::vector<std::string>{"press"}));
  EXPECT_EQ(press->state(), GestureState::Possible);  // reset after the lift

  fired.clear();
  driver.swipe({150, 200}, {350, 205}, 0.15);
  EXPECT_EQ(fired, (std::vector<std::string>{"swipe"}));

  // A held press shorter than the minimum is still a tap; a slow drag is none of them.
  fired.clear();
  driver.longPress({200, 200}, 0.3);
  EXPECT_EQ(fired, (std::vector<std::string>{"tap"}));
  fired.clear();
  driver.swipe({150, 200}, {390, 200}, 8.0, 40);  // 6 points every 0.2 s
  EXPECT_TRUE(fired.empty());

  // A swipe the wrong way fails; a delegate can refuse touches.
  swipe->direction = SwipeUp;
  fired.clear();
  driver.swipe({150, 200}, {350, 200}, 0.15);
  EXPECT_TRUE(fired.empty());
  tap->shouldReceiveTouch = [](GestureRecognizer&, const Touch& t) { return t.windowLocation().x > 300; };
  fired.clear();
  driver.tapAt({200, 200});
  EXPECT_TRUE(fired.empty());
  driver.tapAt({400, 200});
  EXPECT_EQ(fired, (std::vector<std::string>{"tap"}));
}

TEST_F(TouchTest, DoubleTapPanAndControlsOverTaps) {
  HeadlessDriver driver;
  auto view = std::make_shared<View>(Rect{0, 0, 600, 600});
  driver.window().addSubview(view);
  int singles = 0, doubles = 0;
  auto single = std::make_shared<TapGestureRecognizer>([&](GestureRecognizer&) { ++singles; });
  auto twice = std::make_shared<TapGestureRecognizer>([&](GestureRecognizer&) { ++doubles; });
  twice->numberOfTapsRequired = 2;
  single->requireGestureRecognizerToFail(twice);
  view->addGestureRecognizer(single);
  view->addGestureRecognizer(twice);

  driver.tapAt({100, 100}, 2);
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(singles, 0);
  driver.advance(1);
  driver.tapAt({100, 100});
  EXPECT_EQ(singles, 0);  // waits until the double tap cannot happen any more
  driver.advance(0.4);
  EXPECT_EQ(singles, 1);
  EXPECT_EQ(doubles, 1);

  // A pan reports its translation in the view's coordinates.
  std::vector<Point> translations;
  GestureState last = GestureState::Possible;
  auto pan = std::make_shared<PanGestureRecognizer>();
  pan->addTarget([&](GestureRecognizer& g) {
    last = g.state();
    translations.push_back(static_cast<PanGestureRecognizer&>(g).translationInView(view.get()));
  });
  view->addGestureRecognizer(pan);
  driver.drag({{100, 100}, {105, 100}, {130, 110}, {160, 140}});
  ASSERT_GE(translations.size(), 2u);
  EXPECT_EQ(translations.front(), (Point{30, 10}));  // began past the 10-point threshold
  EXPECT_EQ(translations.back(), (Point{60, 40}));
  EXPECT_EQ(last, GestureState::Ended);

  // A button inside takes its taps from the superview's tap recogniser.
  auto button = std::make_shared<Button>(Rect{300, 300, 100, 40});
  int pressed = 0;
  button->addAction([&](Control&, const Event*) { ++pressed; }, ControlEventTouchUpInside);
  view->addSubview(button);
  singles = 0;
  driver.tap(*button);
  driver.advance(1);
  EXPECT_EQ(pressed, 1);
  EXPECT_EQ(singles, 0);

  // A recogniser removed from its view hears nothing more.
  view->removeGestureRecognizer(twice.get());
  view->removeGestureRecognizer(single.get());
  EXPECT_EQ(single->view(), nullptr);
  driver.tapAt({100, 100});
  driver.advance(1);
  EXPECT_EQ(singles, 0);
}
