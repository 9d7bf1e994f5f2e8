#include <gtest/gtest.h>

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "DemoFlow.hpp"
#include "DesktopTestWindow.hpp"
#include "UiTestEnvironment.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/BarButtonItem.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/DesktopWindow.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Keyboard.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/ScrollView.hpp"
#include "platform/ui/TextField.hpp"
#include "platform/ui/ViewController.hpp"
#include "platform/ui/Window.hpp"
#include "platform/ui/WindowFit.hpp"

namespace {

using DesktopWindowTest = mv::test::DesktopFixture<mv::test::UiTestEnvironment>;

// The walk's input given as desktop events: mouse presses and typed text.
class DesktopInput : public mv::test::FlowInput {
 public:
  explicit DesktopInput(ui::DesktopWindow& w) : w_(w) {}
  void tap(ui::Point p) override {
    w_.pushMouseDown(p);
    w_.runFrame();
    advance(0.05);
    w_.pushMouseUp(p);
    w_.runFrame();
  }
  void type(const std::string& text) override {
    w_.pushText(text);
    w_.runFrame();
  }
  void pressReturn() override {
    w_.pushKey(ui::DesktopWindow::Key::Return);
    w_.runFrame();
  }
  void advance(double seconds) override {
    base::RunLoop::main().advance(seconds);
    w_.runFrame();
  }

 private:
  ui::DesktopWindow& w_;
};

}  // namespace

TEST_F(DesktopWindowTest, TheSameFlowRunsInTheDesktopWindow) {
  runDesktop([] {
  auto window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  mv::test::DemoApp app;
  app.build(*window);
  std::string error;
  ui::DesktopWindow::Options options;
  options.softwareRendering = true;
  auto desktop = ui::DesktopWindow::open(window, options, &error);
  ASSERT_TRUE(desktop) << error;
  EXPECT_EQ(desktop->pixelSize(), (base::Size{1024, 768}));

  // One frame drawn: the navigation bar's light grey is on screen.
  EXPECT_TRUE(desktop->runFrame(true));
  EXPECT_EQ(desktop->framesRendered(), 1);
  auto frame = desktop->lastFrame();
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->pixelAt(5, 30), gfx::Color::rgb255(247, 247, 247));

  // Typing on the desktop's own keyboard: no on-screen keyboard is said to
  // show, so no screen makes room for one.
  EXPECT_FALSE(window->hasOnScreenKeyboard());
  int keyboardNotes = 0;
  base::Observation shown(ui::Keyboard::WillShowNotification, nullptr,
                          [&](const base::Notification&) { ++keyboardNotes; });
  DesktopInput input(*desktop);
  app.walk(input);
  EXPECT_GT(desktop->framesRendered(), 10);
  EXPECT_EQ(keyboardNotes, 0);
  EXPECT_FALSE(window->isKeyboardVisible());

  desktop->pushQuit();
  EXPECT_FALSE(desktop->runFrame());
  EXPECT_TRUE(desktop->isClosed());
  });
}

TEST_F(DesktopWindowTest, DoubledScaleWheelAndTwoFingerDrag) {
  runDesktop([] {
  auto window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  auto sv = std::make_shared<ui::ScrollView>(ui::Rect{0, 0, 400, 400});
  sv->setContentSize({400, 2000});
  window->addSubview(sv);
  struct Zoom : ui::ScrollViewDelegate {
    ui::View* target = nullptr;
    ui::View* viewForZoomingInScrollView(ui::ScrollView&) override { return target; }
  };
  auto zoom = std::make_shared<Zoom>();
  auto page = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 400, 2000});
  sv->addSubview(page);
  zoom->target = page.get();
  sv->setDelegate(zoom);
  sv->setMaximumZoomScale(4);

  std::string error;
  ui::DesktopWindow::Options options;
  options.scale = 2;
  options.softwareRendering = true;
  auto desktop = ui::DesktopWindow::open(window, options, &error);
  ASSERT_TRUE(desktop) << error;
  EXPECT_EQ(desktop->pixelSize(), (base::Size{2048, 1536}));
  desktop->runFrame(true);
  ASSERT_TRUE(desktop->lastFrame());
  EXPECT_EQ(desktop->lastFrame()->pixelWidth(), 2048);

  // The wheel scrolls the scroll view under the pointer, and only that one.
  desktop->pushWheel({200, 200}, 0, -3);
  desktop->runFrame();
  EXPECT_EQ(sv->contentOffset().y, 3 * ui::DesktopWindow::kWheelStep);
  desktop->pushWheel({700, 200}, 0, -3);
  desktop->runFrame();
  EXPECT_EQ(sv->contentOffset().y, 3 * ui::DesktopWindow::kWheelStep);

  // Alt-drag to the right: two fingers moving apart, a pinch that zooms in.
  desktop->pushMouseDown({200, 200}, ui::DesktopWindow::Alt);
  desktop->runFrame();
  for (int i = 1; i <= 8; ++i) {
    base::RunLoop::main().advance(0.02);
    desktop->pushMouseMove({200.0 + 10 * i, 200});
    desktop->runFrame();
  }
  EXPECT_TRUE(sv->isZooming());
  desktop->pushMouseUp({280, 200});
  desktop->runFrame();
  base::RunLoop::main().advance(0.5);
  desktop->runFrame();
  EXPECT_GT(sv->zoomScale(), 1.5);

  // Ctrl-drag pinches too (for a desktop that moves windows with Alt-drag):
  // to the left the fingers come together, zooming out.
  const double zoomed = sv->zoomScale();
  desktop->pushMouseDown({200, 200}, ui::DesktopWindow::Ctrl);
  desktop->runFrame();
  for (int i = 1; i <= 3; ++i) {
    base::RunLoop::main().advance(0.02);
    desktop->pushMouseMove({200.0 - 10 * i, 200});
    desktop->runFrame();
  }
  EXPECT_TRUE(sv->isZooming());
  desktop->pushMouseUp({170, 200});
  desktop->runFrame();
  base::RunLoop::main().advance(0.5);
  desktop->runFrame();
  EXPECT_LT(sv->zoomScale(), zoomed - 0.3);

  // A plain drag is one finger: it scrolls.
  double before = sv->contentOffset().y;
  desktop->pushMouseDown({100, 300});
  desktop->runFrame();
  for (int i = 1; i <= 5; ++i) {
    base::RunLoop::main().advance(0.05);
    desktop->pushMouseMove({100, 300.0 - 20 * i});
    desktop->runFrame();
  }
  desktop->pushMouseMove({100, 200});
  base::RunLoop::main().advance(0.2);
  desktop->runFrame();
  desktop->pushMouseUp({100, 200});
  desktop->runFrame();
  EXPECT_NEAR(sv->contentOffset().y, before + 100, 0.5);
  });
}

TEST_F(DesktopWindowTest, PostedWorkWakesTheWindowAndRunsBeforeItWaitsAgain) {
  runDesktop([] {
  auto window = std::make_shared<ui::Window>();
  auto desktop = mv::test::openDesktop(window);
  ASSERT_TRUE(desktop);
  desktop->runFrame(true);
  auto& loop = base::RunLoop::main();

  // A chain of hand-offs, each posting the next, all run in one frame.
  int ran = 0;
  std::function<void()> step = [&] {
    if (++ran < 200) loop.post(step);
  };
  loop.post(step);
  desktop->runFrame();
  EXPECT_EQ(ran, 200);
  desktop->waitForWork(0);

  // Posts from another thread put one wake event in the desktop's queue,
  // however many there are.
  auto wakeEvents = [] {
    SDL_PumpEvents();
    return SDL_PeepEvents(nullptr, 64, SDL_PEEKEVENT, SDL_USEREVENT, SDL_LASTEVENT);
  };
  EXPECT_EQ(wakeEvents(), 0);
  std::atomic<int> handedBack{0};
  std::thread([&] {
    for (int i = 0; i < 50; ++i) loop.post([&] { ++handedBack; });
  }).join();
  EXPECT_EQ(wakeEvents(), 1);
  desktop->runFrame();
  EXPECT_EQ(handedBack.load(), 50);
  EXPECT_EQ(wakeEvents(), 0);

  // The window's wait ends when another thread posts, not at its time-out.
  std::atomic<bool> waiting{false};
  std::thread poster([&] {
    while (!waiting) std::this_thread::yield();
    loop.post([&] { ++handedBack; });
  });
  const auto begin = std::chrono::steady_clock::now();
  waiting = true;
  desktop->waitForWork(5.0);
  const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  poster.join();
  EXPECT_LT(waited, 2.0);
  desktop->runFrame();
  EXPECT_EQ(handedBack.load(), 51);
  });
}

// The first picture goes to the display whole; afterwards only the tiles
// that changed do, and a picture that changed nothing sends nothing.
TEST_F(DesktopWindowTest, OnlyWhatChangedGoesToTheDisplay) {
  runDesktop([] {
  auto window = std::make_shared<ui::Window>();
  window->setBackgroundColor(gfx::Color::white());
  auto box = std::make_shared<ui::View>(ui::Rect{100, 100, 40, 20});
  box->setBackgroundColor(gfx::Color::rgb255(200, 0, 0));
  window->addSubview(box);
  auto desktop = mv::test::openDesktop(window);
  ASSERT_TRUE(desktop);
  const std::int64_t whole = static_cast<std::int64_t>(desktop->pixelSize().width * desktop->pixelSize().height);
  desktop->runFrame(true);
  EXPECT_EQ(desktop->pixelsPresented(), whole);
  EXPECT_EQ(desktop->shownPixelAt(110, 110), gfx::Color::rgb255(200, 0, 0));
  EXPECT_EQ(desktop->shownPixelAt(500, 500), gfx::Color::white());

  desktop->runFrame(true);
  EXPECT_EQ(desktop->framesRendered(), 2);
  EXPECT_EQ(desktop->pixelsPresented(), whole) << "an unchanged picture sends nothing";

  box->setBackgroundColor(gfx::Color::rgb255(0, 0, 200));
  desktop->runFrame(true);
  const std::int64_t sent = desktop->pixelsPresented() - whole;
  EXPECT_GT(sent, 0);
  EXPECT_LE(sent, 2 * 64 * 2 * 64) << "the box's tiles only";
  EXPECT_EQ(desktop->shownPixelAt(110, 110), gfx::Color::rgb255(0, 0, 200));
  EXPECT_EQ(desktop->shownPixelAt(139, 119), gfx::Color::rgb255(0, 0, 200));
  EXPECT_EQ(desktop->shownPixelAt(141, 110), gfx::Color::white());

  // Shown again by the desktop, the window is sent whole once more.
  desktop->pushWindowEvent(ui::WindowEvent::Shown);
  desktop->runFrame(true);
  EXPECT_EQ(desktop->pixelsPresented(), 2 * whole + sent);
  EXPECT_EQ(desktop->shownPixelAt(110, 110), gfx::Color::rgb255(0, 0, 200));
  });
}

TEST_F(DesktopWindowTest, FramesAreDrawnAtMostOncePerDisplayRefresh) {
  runDesktop([] {
  auto window = std::make_shared<ui::Window>();
  auto desktop = mv::test::openDesktop(window);
  ASSERT_TRUE(desktop);
  ASSERT_GT(desktop->refreshInterval(), 0);
  auto& loop = base::RunLoop::main();
  desktop->runFrame(true);
  EXPECT_EQ(desktop->framesRendered(), 1);
  // Many turns of work within one refresh: no new picture yet.
  for (int i = 0; i < 20; ++i) {
    loop.post([] {});
    desktop->runFrame();
  }
  EXPECT_EQ(desktop->framesRendered(), 1);
  // The next refresh draws what they changed, once.
  loop.advance(desktop->refreshInterval());
  desktop->runFrame();
  EXPECT_EQ(desktop->framesRendered(), 2);
  desktop->runFrame();
  EXPECT_EQ(desktop->framesRendered(), 2);
  });
}

// A window where nothing happens draws nothing, however long it waits: the
// processor stays idle; the next change is drawn at once.
TEST_F(DesktopWindowTest, AnIdleWindowIsNotDrawnAgain) {
  runDesktop([] {
  auto window = std::make_shared<ui::Window>();
  auto desktop = mv::test::openDesktop(window);
  ASSERT_TRUE(desktop);
  auto& loop = base::RunLoop::main();
  desktop->runFrame(true);
  for (int second = 0; second < 10; ++second) {
    loop.advance(1.0);
    desktop->waitForWork(0);
    desktop->runFrame();
  }
  EXPECT_EQ(desktop->framesRendered(), 1);
  loop.post([&] { window->setBackgroundColor(gfx::Color::rgb255(0, 0, 200)); });
  desktop->runFrame();
  EXPECT_EQ(desktop->framesRendered(), 2);
  EXPECT_EQ(desktop->shownPixelAt(10, 10), gfx::Color::rgb255(0, 0, 200));
  });
}

TEST_F(DesktopWindowTest, MinimisedAndRestoredWindowTakesTheApplicationAwayAndBack) {
  runDesktop([] {
  auto window = std::make_shared<ui::Window>();
  auto desktop = mv::test::openDesktop(window);
  ASSERT_TRUE(desktop);
  desktop->runFrame(true);
  std::vector<std::string> seen;
  auto record = [&](const base::Notification& n) { seen.push_back(n.name); };
  base::Observation away(ui::Application::DidEnterBackgroundNotification, nullptr, record);
  base::Observation back(ui::Application::WillEnterForegroundNotification, nullptr, record);
  base::Observation resign(ui::Application::WillResignActiveNotification, nullptr, record);

  // Minimised: the desktop reports the focus lost, the window minimised and hidden.
  desktop->pushWindowEvent(ui::WindowEvent::FocusLost);
  desktop->pushWindowEvent(ui::WindowEvent::Minimized);
  desktop->pushWindowEvent(ui::WindowEvent::Hidden);
  desktop->runFrame();
  EXPECT_EQ(seen, (std::vector<std::string>{ui::Application::WillResignActiveNotification,
                                            ui::Application::DidEnterBackgroundNotification}));
  EXPECT_TRUE(ui::Application::sharedInstance().isInBackground());
  // Restored: shown, restored and focused again, one return.
  seen.clear();
  desktop->pushWindowEvent(ui::WindowEvent::Shown);
  desktop->pushWindowEvent(ui::WindowEvent::Restored);
  desktop->pushWindowEvent(ui::WindowEvent::FocusGained);
  desktop->runFrame();
  EXPECT_EQ(seen, (std::vector<std::string>{ui::Application::WillEnterForegroundNotification}));
  EXPECT_FALSE(ui::Application::sharedInstance().isInBackground());
  EXPECT_FALSE(desktop->isClosed());
  });
}

TEST_F(DesktopWindowTest, AFlickCoastsAndSlowsDownAndTurnsAPagerToTheNextPage) {
  runDesktop([] {
  auto window = std::make_shared<ui::Window>();
  auto list = std::make_shared<ui::ScrollView>(ui::Rect{0, 0, 400, 600});
  list->setContentSize({400, 20000});
  window->addSubview(list);
  auto pager = std::make_shared<ui::ScrollView>(ui::Rect{500, 0, 400, 300});
  pager->setPagingEnabled(true);
  pager->setContentSize({2000, 300});
  window->addSubview(pager);
  auto desktop = mv::test::openDesktop(window);
  ASSERT_TRUE(desktop);
  desktop->runFrame(true);
  mv::test::DesktopUser user(*desktop);

  // 150 points up in a tenth of a second, let go while moving: the list
  // goes on by itself, slower and slower, and comes to rest.
  user.drag({200, 400}, {200, 250}, 0.1);
  EXPECT_TRUE(list->isDecelerating());
  const double released = list->contentOffset().y;
  EXPECT_NEAR(released, 150, 30);
  user.wait(0.2);
  const double first = list->contentOffset().y - released;
  user.wait(0.2);
  const double second = list->contentOffset().y - released - first;
  EXPECT_GT(first, 100);
  EXPECT_GT(first, second);
  user.wait(3);
  EXPECT_FALSE(list->isDecelerating());
  const double coasted = list->contentOffset().y;
  EXPECT_GT(coasted, released + 400);

  // The same flick handled late, all its events in one frame: as far.
  list->setContentOffset({0, 0});
  user.drag({200, 400}, {200, 250}, 0.1, 0.008, true);
  user.wait(3);
  EXPECT_NEAR(list->contentOffset().y, coasted, 5);

  // Held still a moment before letting go: it stays where the drag left it.
  list->setContentOffset({0, 0});
  user.drag({200, 400}, {200, 250}, 0.1, 0.2);
  user.wait(1);
  EXPECT_EQ(list->contentOffset().y, 150);

  // A quick stroke of 120 points turns the pager a whole page; a slow one
  // that stops settles back.
  user.drag({850, 150}, {730, 150}, 0.1);
  user.wait(0.5);
  EXPECT_EQ(pager->contentOffset().x, 400);
  user.drag({850, 150}, {730, 150}, 0.3, 0.2);
  user.wait(0.5);
  EXPECT_EQ(pager->contentOffset().x, 400);
  user.drag({730, 150}, {850, 150}, 0.1);
  user.wait(0.5);
  EXPECT_EQ(pager->contentOffset().x, 0);
  });
}

TEST_F(DesktopWindowTest, TheWheelAndTheTouchpadMoveWhatIsUnderThePointer) {
  runDesktop([] {
  auto window = std::make_shared<ui::Window>();
  // A list holding a box that scrolls only when zoomed, a strip that
  // scrolls only sideways, a pager and a picture that zooms.
  auto list = std::make_shared<ui::ScrollView>(ui::Rect{0, 0, 300, 600});
  list->setContentSize({300, 3000});
  window->addSubview(list);
  auto box = std::make_shared<ui::ScrollView>(ui::Rect{0, 0, 300, 200});
  box->setContentSize({300, 200});
  list->addSubview(box);
  auto strip = std::make_shared<ui::ScrollView>(ui::Rect{320, 0, 300, 100});
  strip->setContentSize({3000, 100});
  window->addSubview(strip);
  auto pager = std::make_shared<ui::ScrollView>(ui::Rect{320, 200, 300, 200});
  pager->setPagingEnabled(true);
  pager->setContentSize({1500, 200});
  window->addSubview(pager);
  auto zoomer = std::make_shared<ui::ScrollView>(ui::Rect{640, 200, 300, 300});
  auto picture = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 300, 300});
  zoomer->addSubview(picture);
  zoomer->setContentSize({300, 300});
  struct Zoom : ui::ScrollViewDelegate {
    ui::View* target = nullptr;
    ui::View* viewForZoomingInScrollView(ui::ScrollView&) override { return target; }
  };
  auto zoom = std::make_shared<Zoom>();
  zoom->target = picture.get();
  zoomer->setDelegate(zoom);
  zoomer->setMaximumZoomScale(3);
  window->addSubview(zoomer);
  auto desktop = mv::test::openDesktop(window);
  ASSERT_TRUE(desktop);
  desktop->runFrame(true);
  mv::test::DesktopUser user(*desktop);
  const double notch = ui::DesktopWindow::kWheelStep;

  // A notch towards the user shows what lies below; a touchpad's quarter
  // notches add up to as much. Over the box, which cannot move, the list moves.
  user.wheel({150, 400}, 0, -1);
  EXPECT_EQ(list->contentOffset().y, notch);
  for (int i = 0; i < 4; ++i) user.wheel({150, 100}, 0, -0.25);
  EXPECT_EQ(list->contentOffset().y, 2 * notch);
  EXPECT_EQ(box->contentOffset().y, 0);
  user.wheel({150, 400}, 0, 5);
  EXPECT_EQ(list->contentOffset().y, 0);

  // The strip moves only sideways: the wheel's up and down move it.
  user.wheel({400, 50}, 0, -2);
  EXPECT_EQ(strip->contentOffset().x, 2 * notch);
  EXPECT_EQ(strip->contentOffset().y, 0);

  // A notch turns the pager a page; the notches that follow while it
  // settles are the same turn; once it rests the next notch turns again.
  user.wheel({400, 300}, 0, -1);
  for (int i = 0; i < 4; ++i) user.wheel({400, 300}, 0, -1);
  user.wait(0.5);
  EXPECT_EQ(pager->contentOffset().x, 300);
  user.wheel({400, 300}, 0, -0.5);
  user.wheel({400, 300}, 0, -0.5);
  user.wait(0.5);
  EXPECT_EQ(pager->contentOffset().x, 600);
  user.wheel({400, 300}, 0, 1);
  user.wait(0.5);
  EXPECT_EQ(pager->contentOffset().x, 300);

  // With Ctrl the picture zooms about the pointer: the point under it stays.
  const ui::Point at{700, 260};
  const ui::Point before = picture->convertPointFromView(at, nullptr);
  user.wheel(at, 0, 2, ui::DesktopWindow::Ctrl);
  EXPECT_NEAR(zoomer->zoomScale(), ui::ScrollView::kWheelZoomStep * ui::ScrollView::kWheelZoomStep, 1e-9);
  const ui::Point after = picture->convertPointFromView(at, nullptr);
  EXPECT_NEAR(after.x, before.x, 0.5);
  EXPECT_NEAR(after.y, before.y, 0.5);
  user.wheel(at, 0, -9, ui::DesktopWindow::Ctrl);
  EXPECT_EQ(zoomer->zoomScale(), 1);
  });
}

TEST_F(DesktopWindowTest, PageKeysGoToTheScreenOnShowUnlessATextFieldHasThem) {
  runDesktop([] {
  struct Pages : ui::ViewController {
    std::vector<int> steps;
    std::vector<ui::KeyPress::Key> ends;
    bool pageKeyPressed(const ui::KeyPress& press) override {
      if (press.key == ui::KeyPress::Key::Home || press.key == ui::KeyPress::Key::End)
        ends.push_back(press.key);
      else
        steps.push_back(press.step());
      return true;
    }
  };
  auto window = std::make_shared<ui::Window>();
  auto pages = std::make_shared<Pages>();
  window->setRootViewController(pages);
  auto desktop = mv::test::openDesktop(window);
  ASSERT_TRUE(desktop);
  desktop->runFrame(true);
  mv::test::DesktopUser user(*desktop);
  using Key = ui::DesktopWindow::Key;
  for (Key k : {Key::PageDown, Key::Space, Key::Right, Key::Down, Key::PageUp, Key::Left, Key::Up}) user.key(k);
  user.key(Key::Space, ui::DesktopWindow::Shift);
  EXPECT_EQ(pages->steps, (std::vector<int>{1, 1, 1, 1, -1, -1, -1, -1}));
  // Home and End go to the first and the last of what is shown.
  user.key(Key::End);
  user.key(Key::Home);
  EXPECT_EQ(pages->ends, (std::vector<ui::KeyPress::Key>{ui::KeyPress::Key::End, ui::KeyPress::Key::Home}));

  // A text field being edited keeps them.
  auto field = std::make_shared<ui::TextField>(ui::Rect{100, 100, 200, 30});
  pages->view()->addSubview(field);
  user.click({150, 115});
  ASSERT_TRUE(field->isFirstResponder());
  user.key(Key::PageDown);
  user.key(Key::Space);
  user.key(Key::Home);
  EXPECT_EQ(pages->steps.size(), 8u);
  EXPECT_EQ(pages->ends.size(), 2u);
  });
}

TEST_F(DesktopWindowTest, EscapeAndReturnAnswerTheAlertAndCloseWhatIsInFront) {
  runDesktop([] {
  using Key = ui::DesktopWindow::Key;
  auto window = std::make_shared<ui::Window>();
  auto root = std::make_shared<ui::ViewController>();
  window->setRootViewController(root);
  // A quantity that takes whole numbers: a refused one is put back and an
  // alert says so, as the order's fields do.
  auto quantity = std::make_shared<ui::TextField>(ui::Rect{100, 100, 200, 30});
  struct Whole : ui::TextFieldDelegate {
    std::string kept = "12";
    bool textFieldShouldReturn(ui::TextField& f) override {
      f.resignFirstResponder();
      return true;
    }
    void textFieldDidEndEditing(ui::TextField& f) override {
      if (f.text().find_first_not_of("0123456789") == std::string::npos) {
        kept = f.text();
        return;
      }
      f.setText(kept);
      auto alert = std::make_shared<ui::AlertView>("Invalid Input", "Whole numbers only", std::weak_ptr<ui::AlertViewDelegate>{},
                                                   std::string("OK"));
      alert->setReturnsFocusTo(f.self());
      alert->show();
    }
  };
  auto whole = std::make_shared<Whole>();
  quantity->setDelegate(whole);
  quantity->setText("12");
  root->view()->addSubview(quantity);
  auto desktop = mv::test::openDesktop(window);
  ASSERT_TRUE(desktop);
  desktop->runFrame(true);
  mv::test::DesktopUser user(*desktop);

  // Return answers the alert about a refused value; the field has the focus
  // again, and what is typed next goes into it, not behind the alert.
  user.click({290, 115});
  ASSERT_TRUE(quantity->isFirstResponder());
  user.key(Key::End);
  user.type(".5");
  user.key(Key::Return);
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(quantity->text(), "12");
  user.type("9");
  EXPECT_EQ(quantity->text(), "12") << "typing went behind the alert";
  // The key answers the alert; then the field has the focus and typing goes
  // on at its end.
  const auto answerAndType = [&](Key key, const std::string& typed, const std::string& holds) {
    user.key(key);
    user.wait(0.5);
    EXPECT_FALSE(ui::AlertView::visibleAlert());
    ASSERT_TRUE(quantity->isFirstResponder());
    user.key(Key::End);
    user.type(typed);
    EXPECT_EQ(quantity->text(), holds);
  };
  ASSERT_NO_FATAL_FAILURE(answerAndType(Key::Return, "7", "127"));

  // A click on a button ends the editing and the button asks a question:
  // backed out of, the question gives the field its focus back, and typing
  // goes on in it.
  auto leave = std::make_shared<ui::Button>(ui::Rect{400, 100, 100, 30});
  leave->addAction(
      [](ui::Control&, const ui::Event*) {
        std::make_shared<ui::AlertView>("Leave?", "", std::weak_ptr<ui::AlertViewDelegate>{}, std::string("Discard"),
                                        std::vector<std::string>{"Save"})
            ->show();
      },
      ui::ControlEventTouchUpInside);
  root->view()->addSubview(leave);
  user.click({450, 115});
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_FALSE(quantity->isFirstResponder());
  ASSERT_NO_FATAL_FAILURE(answerAndType(Key::Escape, "8", "1278"));

  // Escape backs out: it presses the button the alert names as its back-out;
  // an alert that names none (its cancel would discard something) goes
  // unanswered, and one that must be answered stays. Return presses the
  // other button.
  std::vector<long> answers;
  std::vector<long> dismissed;
  auto ask = [&](std::optional<long> backOut, bool required = false) {
    auto alert = std::make_shared<ui::AlertView>("Leave?", "", std::weak_ptr<ui::AlertViewDelegate>{},
                                                 std::string("Discard"), std::vector<std::string>{"Save"});
    if (backOut) alert->setBackOutButtonIndex(*backOut);
    alert->setRequiresAnswer(required);
    alert->onClicked = [&](ui::AlertView&, long index) { answers.push_back(index); };
    alert->onDismissed = [&](ui::AlertView&, long index) { dismissed.push_back(index); };
    alert->show();
    user.wait(0.3);
  };
  ask(0);
  user.key(Key::Escape);
  user.wait(0.5);
  ask(std::nullopt);
  user.key(Key::Escape);
  user.wait(0.5);
  EXPECT_FALSE(ui::AlertView::visibleAlert());
  ask(std::nullopt, true);
  user.key(Key::Escape);
  user.wait(0.5);
  EXPECT_TRUE(ui::AlertView::visibleAlert());
  user.key(Key::Return);
  user.wait(0.5);
  EXPECT_EQ(answers, (std::vector<long>{0, 1}));
  EXPECT_EQ(dismissed, (std::vector<long>{0, ui::AlertView::kNoButton, 1}));
  EXPECT_FALSE(ui::AlertView::visibleAlert());

  // Escape closes the popover as a tap outside would.
  struct Heard : ui::PopoverControllerDelegate {
    int dismissed = 0;
    void popoverControllerDidDismissPopover(ui::PopoverController&) override { ++dismissed; }
  };
  auto heard = std::make_shared<Heard>();
  auto popover = std::make_shared<ui::PopoverController>(std::make_shared<ui::ViewController>());
  popover->setPopoverContentSize({200, 100});
  popover->setDelegate(heard);
  popover->presentPopoverFromRect({400, 400, 40, 40}, root->view().get(), ui::PopoverArrowDirectionAny, false);
  user.wait(0.3);
  ASSERT_TRUE(popover->isPopoverVisible());
  user.key(Key::Escape);
  EXPECT_FALSE(popover->isPopoverVisible());
  EXPECT_EQ(heard->dismissed, 1);

  // Escape closes the modal screen in front: through its bar's close
  // button when it has one, else it is dismissed.
  int closedByButton = 0;
  auto sheet = std::make_shared<ui::ViewController>();
  sheet->navigationItem().setLeftBarButtonItem(std::make_shared<ui::BarButtonItem>(
      "Close", ui::BarButtonItemStyle::Plain, [&](ui::BarButtonItem&) {
        ++closedByButton;
        sheet->dismissViewControllerAnimated(true);
      }));
  auto plain = std::make_shared<ui::ViewController>();
  for (const auto& screen : {sheet, plain}) {
    root->presentViewController(screen, false);
    user.wait(0.5);
    ASSERT_EQ(root->presentedViewController(), screen.get());
    user.key(Key::Escape);
    user.wait(1);
    EXPECT_EQ(root->presentedViewController(), nullptr);
  }
  EXPECT_EQ(closedByButton, 1);
  // With nothing in front, Escape leaves the screen as it is.
  user.key(Key::Escape);
  user.wait(1);
  EXPECT_TRUE(root->isVisible());
  });
}

TEST_F(DesktopWindowTest, TheSecondPressOfADoubleClickGoesOnlyWhereTheFirstWent) {
  runDesktop([] {
  auto window = std::make_shared<ui::Window>();
  int beneath = 0, closes = 0, repeats = 0;
  auto under = std::make_shared<ui::Button>(ui::Rect{100, 100, 200, 100});
  under->addAction([&](ui::Control&, const ui::Event*) { ++beneath; }, ui::ControlEventTouchUpInside);
  window->addSubview(under);
  // A panel over it whose button closes the panel.
  auto panel = std::make_shared<ui::View>(ui::Rect{50, 50, 300, 200});
  auto close = std::make_shared<ui::Button>(ui::Rect{50, 50, 200, 100});
  close->addAction(
      [&](ui::Control&, const ui::Event*) {
        ++closes;
        panel->removeFromSuperview();
      },
      ui::ControlEventTouchUpInside);
  panel->addSubview(close);
  window->addSubview(panel);
  auto again = std::make_shared<ui::Button>(ui::Rect{500, 100, 100, 100});
  again->addAction([&](ui::Control&, const ui::Event*) { ++repeats; }, ui::ControlEventTouchUpInside);
  window->addSubview(again);
  auto desktop = mv::test::openDesktop(window);
  ASSERT_TRUE(desktop);
  desktop->runFrame(true);
  mv::test::DesktopUser user(*desktop);

  user.doubleClick({200, 150});
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(beneath, 0) << "the second press reached the button beneath the closed panel";
  // A button that stays hears both presses; a single click after the
  // double click reaches what is beneath.
  user.doubleClick({550, 150});
  EXPECT_EQ(repeats, 2);
  user.wait(1);
  user.click({200, 150});
  EXPECT_EQ(beneath, 1);
  });
}

// ---- a window of any size --------------------------------------------------------------

namespace {

// A layout with a button along its lower edge (as the tab bar lies) and one
// in its top left corner, each counting its taps.
struct EdgeLayout {
  std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>();
  std::shared_ptr<ui::Button> bottom = std::make_shared<ui::Button>(ui::Rect{412, 718, 200, 50});
  std::shared_ptr<ui::Button> corner = std::make_shared<ui::Button>(ui::Rect{0, 0, 100, 50});
  int bottomTaps = 0, cornerTaps = 0;

  EdgeLayout() {
    window->setBackgroundColor(gfx::Color::white());
    bottom->setBackgroundColor(gfx::Color::rgb255(200, 0, 0));
    corner->setBackgroundColor(gfx::Color::rgb255(0, 0, 200));
    bottom->addAction([this](ui::Control&, const ui::Event*) { ++bottomTaps; }, ui::ControlEventTouchUpInside);
    corner->addAction([this](ui::Control&, const ui::Event*) { ++cornerTaps; }, ui::ControlEventTouchUpInside);
    window->addSubview(bottom);
    window->addSubview(corner);
  }
};

// A click as the desktop delivers it, at a pixel of the desktop window.
void clickPixel(ui::DesktopWindow& desktop, int x, int y) {
  for (Uint32 type : {Uint32{SDL_MOUSEBUTTONDOWN}, Uint32{SDL_MOUSEBUTTONUP}}) {
    SDL_Event e{};
    e.type = type;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    SDL_PushEvent(&e);
    desktop.runFrame();
    base::RunLoop::main().advance(0.05);
  }
  desktop.runFrame();
}

using DesktopWindowSize = mv::test::UiTestEnvironment;

}  // namespace

TEST_F(DesktopWindowSize, TheWindowOpensAtASizeThatFitsTheScreen) {
  using W = ui::DesktopWindow;
  const base::Size layout{1024, 768};
  struct Case {
    std::optional<base::Size> kept;
    base::Size layout, usable, opens;
  } cases[] = {
      // A laptop of 1366 x 768 with a panel: smaller, the layout's proportions kept.
      {std::nullopt, layout, {1366, 741}, {988, 741}},
      // Room enough: the layout's own size; no usable area known: the same.
      {std::nullopt, layout, {1920, 1050}, layout},
      {std::nullopt, layout, {}, layout},
      // At the screen's scale 2 on a screen too small for it.
      {std::nullopt, {2048, 1536}, {1920, 1050}, {1400, 1050}},
      // The size kept from last time, within the screen.
      {base::Size{1366, 700}, layout, {1920, 1050}, {1366, 700}},
      {base::Size{3000, 2000}, layout, {1366, 741}, {1366, 741}},
      // A kept size too small to use is not used.
      {base::Size{100, 60}, layout, {1920, 1050}, layout},
  };
  for (const Case& c : cases) {
    const base::Size opens = W::openingSize(c.kept, c.layout, c.usable);
    EXPECT_EQ(opens, c.opens) << "usable " << c.usable.width << " x " << c.usable.height << ", opened at "
                              << opens.width << " x " << opens.height;
  }

  struct Fit {
    int width, height;
    double scale;
    base::Point origin;
  } fits[] = {
      {1024, 768, 1, {0, 0}},
      {1366, 700, 700.0 / 768, {216, 0}},
      {1920, 1080, 1.40625, {240, 0}},
      {2048, 1536, 2, {0, 0}},
      {1024, 1000, 1, {0, 116}},
  };
  for (const Fit& f : fits) {
    const auto fit = ui::WindowFit::of(layout, f.width, f.height);
    EXPECT_DOUBLE_EQ(fit.scale(), f.scale) << f.width << " x " << f.height;
    EXPECT_EQ(fit.origin(), f.origin) << f.width << " x " << f.height;
    // Every point comes back from its pixel.
    const base::Point back = fit.toPoints(fit.toPixels({512, 743}).x, fit.toPixels({512, 743}).y);
    EXPECT_NEAR(back.x, 512, 1e-9);
    EXPECT_NEAR(back.y, 743, 1e-9);
  }
}

// The screen as a desktop window of another shape shows it (the tour's
// pictures): the layout whole, scaled, centred, drawn at the window's pixels.
TEST_F(DesktopWindowSize, TheLayoutIsDrawnWholeAndCentredAtTheWindowsPixels) {
  EdgeLayout layout;
  layout.window->setBackgroundColor(gfx::Color::rgb255(40, 40, 40));
  ui::HeadlessDriver driver(layout.window);
  auto picture = driver.renderInDesktopWindow(1366, 700);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->pixelWidth(), 1366);
  EXPECT_EQ(picture->pixelHeight(), 700);
  const auto fit = ui::WindowFit::of({1024, 768}, 1366, 700);
  auto at = [&](base::Point p) {
    const base::Point px = fit.toPixels(p);
    return picture->pixelAt(static_cast<int>(px.x), static_cast<int>(px.y));
  };
  // The margins on either side in the window's colour.
  EXPECT_EQ(picture->pixelAt(100, 350), gfx::Color::rgb255(40, 40, 40));
  EXPECT_EQ(picture->pixelAt(1300, 350), gfx::Color::rgb255(40, 40, 40));
  // The lower button on the window's last row: the layout is whole.
  EXPECT_EQ(at({512, 743}), gfx::Color::rgb255(200, 0, 0));
  EXPECT_EQ(picture->pixelAt(683, 699), gfx::Color::rgb255(200, 0, 0));
  EXPECT_EQ(at({50, 25}), gfx::Color::rgb255(0, 0, 200));
  EXPECT_EQ(at({300, 300}), gfx::Color::rgb255(40, 40, 40));
}

TEST_F(DesktopWindowTest, TheWindowTakesAnySizeAndClicksLandWhereTheControlsAreShown) {
  EdgeLayout layout;
  layout.window->makeKeyAndVisible();
  std::string error;
  ui::DesktopWindow::Options options;
  options.sizeKey = "Window_Size";
  options.softwareRendering = true;
  auto desktop = ui::DesktopWindow::open(layout.window, options, &error);
  ASSERT_TRUE(desktop) << error;
  EXPECT_EQ(desktop->pixelSize(), (base::Size{1024, 768})) << "the layout's size fits the virtual screen";
  desktop->runFrame(true);

  // Made wide and low, as a laptop's screen is.
  ASSERT_TRUE(mv::test::resizeTo(*desktop, 1366, 700));
  desktop->runFrame(true);
  EXPECT_EQ(desktop->lastFrame()->pixelWidth(), 1366) << "drawn at the window's own pixels";
  EXPECT_DOUBLE_EQ(desktop->scale(), 700.0 / 768);
  // The layout whole and centred: the lower button on the last row, margins
  // on either side.
  EXPECT_EQ(desktop->shownPixelAt(683, 699), gfx::Color::rgb255(200, 0, 0));
  EXPECT_EQ(desktop->shownPixelAt(683, 640), gfx::Color::white());
  EXPECT_EQ(desktop->shownPixelAt(50, 25), gfx::Color::white()) << "the corner button is drawn where it was";
  EXPECT_EQ(desktop->shownPixelAt(230, 20), gfx::Color::rgb255(0, 0, 200));
  // A click where a button is shown reaches it; where the corner button
  // lay before, now in the margin, nothing.
  clickPixel(*desktop, 683, 690);
  EXPECT_EQ(layout.bottomTaps, 1);
  clickPixel(*desktop, 50, 25);
  EXPECT_EQ(layout.cornerTaps, 0);
  clickPixel(*desktop, 230, 20);
  EXPECT_EQ(layout.cornerTaps, 1);
  EXPECT_EQ(layout.bottomTaps, 1);

  // Enlarged: the layout grows with the window, centred.
  ASSERT_TRUE(mv::test::resizeTo(*desktop, 1920, 1080));
  desktop->runFrame(true);
  EXPECT_DOUBLE_EQ(desktop->scale(), 1.40625);
  EXPECT_EQ(desktop->shownPixelAt(960, 1079), gfx::Color::rgb255(200, 0, 0));
  EXPECT_EQ(desktop->shownPixelAt(245, 5), gfx::Color::rgb255(0, 0, 200));
  clickPixel(*desktop, 960, 1060);
  EXPECT_EQ(layout.bottomTaps, 2);

  // Closed and opened again: the size the user left it at.
  ASSERT_TRUE(mv::test::resizeTo(*desktop, 1366, 700));
  desktop.reset();
  desktop = ui::DesktopWindow::open(layout.window, options, &error);
  ASSERT_TRUE(desktop) << error;
  EXPECT_EQ(desktop->pixelSize(), (base::Size{1366, 700}));
  // A kept size larger than the screen is brought within it.
  desktop.reset();
  base::UserDefaults::standard().setObject("Window_Size", base::Value{{"width", 5000}, {"height", 4000}});
  desktop = ui::DesktopWindow::open(layout.window, options, &error);
  ASSERT_TRUE(desktop) << error;
  EXPECT_LE(desktop->pixelSize().width, 2100);
  EXPECT_LE(desktop->pixelSize().height, 1600);
}
