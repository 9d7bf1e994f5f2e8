#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "UiTestEnvironment.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"
#include "widgets/ProgressHUD.hpp"
#include "widgets/RoundProgressView.hpp"

using namespace mv;

namespace {

class ProgressHUDTest : public test::WidgetTestEnvironment {};

struct HiddenCounter : ProgressHUDDelegate {
  int hidden = 0;
  void hudWasHidden(ProgressHUD&) override { ++hidden; }
};

// A HUD over a 400 x 300 view; the fixed metrics make bold 16 eight points
// per character and 20 high, bold 12 six points and 15 high.
std::shared_ptr<ProgressHUD> hudOn(ui::View& host) {
  auto hud = ProgressHUD::initWithView(host);
  host.addSubview(hud);
  return hud;
}

}  // namespace

TEST_F(ProgressHUDTest, ShowHideAndExactlyOnceReports) {
  auto host = std::make_shared<ui::View>(ui::Rect{0, 0, 400, 300});
  auto hud = hudOn(*host);
  auto counter = std::make_shared<HiddenCounter>();
  hud->setDelegate(counter);
  int completions = 0;
  hud->setCompletionBlock([&] { ++completions; });
  EXPECT_EQ(hud->alpha(), 0);

  // Animated show: alpha 1 over 0.30 s.
  ui::View::clearAnimationLog();
  hud->show(true);
  EXPECT_EQ(hud->alpha(), 1);
  ASSERT_TRUE(hud->showStarted().has_value());
  ASSERT_FALSE(ui::View::animationLog().empty());
  EXPECT_DOUBLE_EQ(ui::View::animationLog().back().duration, 0.30);
  EXPECT_TRUE(ui::View::animationLog().back().changed(hud.get(), "alpha"));

  // Animated hide: fades to 0.02, finishes when the animation ends.
  advance(1);
  hud->hide(true);
  EXPECT_DOUBLE_EQ(hud->alpha(), 0.02);
  EXPECT_FALSE(hud->showStarted().has_value());
  EXPECT_FALSE(hud->isFinished());
  EXPECT_EQ(counter->hidden, 0);
  advance(0.31);
  EXPECT_TRUE(hud->isFinished());
  EXPECT_EQ(hud->alpha(), 0);
  EXPECT_EQ(counter->hidden, 1);
  EXPECT_EQ(completions, 1);
  EXPECT_FALSE(hud->hasCompletionBlock());
  EXPECT_EQ(hud->superview(), host.get());  // not asked to leave

  // Hiding again reports nothing more.
  hud->hide(true);
  hud->hide(false);
  advance(1);
  EXPECT_EQ(counter->hidden, 1);
  EXPECT_EQ(completions, 1);

  // A hide before any show finishes at once, without animation, and still reports.
  auto early = hudOn(*host);
  auto counter2 = std::make_shared<HiddenCounter>();
  early->setDelegate(counter2);
  int earlyDone = 0;
  early->setCompletionBlock([&] { ++earlyDone; });
  early->setRemoveFromSuperViewOnHide(true);
  ui::View::clearAnimationLog();
  early->hide(true);
  EXPECT_TRUE(ui::View::animationLog().empty());
  EXPECT_TRUE(early->isFinished());
  EXPECT_EQ(counter2->hidden, 1);
  EXPECT_EQ(earlyDone, 1);
  EXPECT_EQ(early->superview(), nullptr);

  // A delayed hide.
  auto later = hudOn(*host);
  later->show(false);
  later->hide(false, 2.0);
  advance(1.9);
  EXPECT_EQ(later->alpha(), 1);
  advance(0.2);
  EXPECT_TRUE(later->isFinished());
}

TEST_F(ProgressHUDTest, GraceTimeAndMinimumShowTime) {
  auto host = std::make_shared<ui::View>(ui::Rect{0, 0, 400, 300});

  // Grace time without a task: never shown.
  auto idle = hudOn(*host);
  idle->setGraceTime(0.5);
  idle->show(false);
  EXPECT_TRUE(idle->isGraceTimerPending());
  advance(2);
  EXPECT_EQ(idle->alpha(), 0);
  EXPECT_FALSE(idle->showStarted().has_value());

  // With a task still running when the grace time ends: shown then.
  auto busy = hudOn(*host);
  busy->setGraceTime(0.5);
  busy->setTaskInProgress(true);
  busy->show(false);
  advance(0.49);
  EXPECT_EQ(busy->alpha(), 0);
  advance(0.02);
  EXPECT_EQ(busy->alpha(), 1);

  // A task that ends before the grace time: never visible, finished once.
  auto quick = hudOn(*host);
  auto counter = std::make_shared<HiddenCounter>();
  quick->setDelegate(counter);
  // The grace time is long enough that the clock, which follows real time
  // while the task's thread hands its end back, never reaches it however
  // slowly that thread is scheduled.
  quick->setGraceTime(30.0);
  std::promise<void> ran;
  quick->showWhileExecuting([&ran] { ran.set_value(); }, false);
  EXPECT_TRUE(quick->taskInProgress());
  ran.get_future().wait();
  realWorkUnderWay = [&] { return !quick->isFinished(); };
  ASSERT_TRUE(runUntil([&] { return quick->isFinished(); }, 20));
  realWorkUnderWay = nullptr;
  EXPECT_FALSE(quick->taskInProgress());
  EXPECT_FALSE(quick->isGraceTimerPending());
  advance(2);
  EXPECT_EQ(quick->alpha(), 0);
  EXPECT_EQ(counter->hidden, 1);

  // Minimum show time 1.0, hide after 0.3: stays about 0.7 s more.
  auto held = hudOn(*host);
  auto heldCounter = std::make_shared<HiddenCounter>();
  held->setDelegate(heldCounter);
  int completions = 0;
  held->setCompletionBlock([&] { ++completions; });
  held->setMinShowTime(1.0);
  held->show(false);
  advance(0.3);
  held->hide(false);
  EXPECT_TRUE(held->isMinShowTimerPending());
  EXPECT_EQ(held->alpha(), 1);
  advance(0.69);
  EXPECT_EQ(held->alpha(), 1);
  EXPECT_EQ(heldCounter->hidden, 0);
  advance(0.02);
  EXPECT_EQ(held->alpha(), 0);
  EXPECT_EQ(heldCounter->hidden, 1);
  EXPECT_EQ(completions, 1);
  advance(2);
  EXPECT_EQ(heldCounter->hidden, 1);
  EXPECT_EQ(completions, 1);
}

TEST_F(ProgressHUDTest, HideBeforeQueuedShowNeverLeavesABlockingBox) {
  ui::HeadlessDriver driver;
  ui::Window& window = driver.window();
  auto hud = ProgressHUD::initWithWindow(window);
  hud->setOpacity(0.7);
  hud->setDimBackground(true);
  hud->setRemoveFromSuperViewOnHide(true);
  window.addSubview(hud);
  auto counter = std::make_shared<HiddenCounter>();
  hud->setDelegate(counter);

  // The show is queued for the next turn; the box is closed in this turn.
  base::RunLoop::main().post([hud] { hud->show(true); });
  hud->hide(true);
  EXPECT_TRUE(hud->isFinished());
  EXPECT_EQ(hud->superview(), nullptr);
  driver.flush();
  advance(1);
  EXPECT_EQ(hud->alpha(), 0);
  EXPECT_FALSE(hud->showStarted().has_value());
  EXPECT_EQ(counter->hidden, 1);
  // Touches reach the window again.
  EXPECT_EQ(window.hitTest({512, 384}, nullptr), &window);

  // A HUD made showable again shows.
  window.addSubview(hud);
  hud->rearm();
  hud->show(false);
  EXPECT_EQ(hud->alpha(), 1);
  hud->hide(false);
  EXPECT_EQ(counter->hidden, 2);

  // A hidden HUD left in a window never takes touches.
  auto stale = ProgressHUD::initWithWindow(window);
  window.addSubview(stale);
  stale->show(false);
  stale->hide(false);
  EXPECT_EQ(stale->superview(), &window);
  EXPECT_NE(window.hitTest({512, 384}, nullptr), stale.get());
}

TEST_F(ProgressHUDTest, IndicatorFollowsTheMode) {
  auto host = std::make_shared<ui::View>(ui::Rect{0, 0, 400, 300});
  auto hud = hudOn(*host);
  auto countIndicators = [&] {
    int n = 0;
    for (auto& s : hud->subviews())
      if (dynamic_cast<ui::ActivityIndicatorView*>(s.get()) || dynamic_cast<RoundProgressView*>(s.get())) ++n;
    return n;
  };
  auto* spinner = dynamic_cast<ui::ActivityIndicatorView*>(hud->indicator().get());
  ASSERT_NE(spinner, nullptr);
  EXPECT_TRUE(spinner->isAnimating());
  EXPECT_EQ(spinner->activityIndicatorViewStyle(), ui::ActivityIndicatorStyle::WhiteLarge);

  // Progress in mode 0 changes nothing on screen.
  hud->setProgress(0.4f);
  EXPECT_EQ(hud->indicator().get(), spinner);

  hud->setMode(ProgressHUDModeDeterminate);
  auto round = std::dynamic_pointer_cast<RoundProgressView>(hud->indicator());
  ASSERT_TRUE(round);
  EXPECT_FALSE(round->isAnnular());
  EXPECT_FLOAT_EQ(round->progress(), 0.4f);
  EXPECT_EQ(round->bounds().size, (ui::Size{37, 37}));
  hud->setProgress(0.75f);
  EXPECT_FLOAT_EQ(round->progress(), 0.75f);

  hud->setMode(ProgressHUDModeAnnularDeterminate);
  EXPECT_EQ(hud->indicator(), round);  // reused
  EXPECT_TRUE(round->isAnnular());
  hud->setMode(ProgressHUDModeDeterminate);
  EXPECT_FALSE(round->isAnnular());  // back to the pie
  EXPECT_EQ(countIndicators(), 1);

  auto custom = std::make_shared<ui::View>(ui::Rect{0, 0, 50, 20});
  hud->setCustomView(custom);
  hud->setMode(ProgressHUDModeCustomView);
  EXPECT_EQ(hud->indicator(), custom);
  EXPECT_EQ(custom->superview(), hud.get());
  EXPECT_EQ(countIndicators(), 0);
  hud->layoutIfNeeded();
  EXPECT_EQ(hud->size(), (ui::Size{90, 60}));

  hud->setMode(ProgressHUDModeText);
  EXPECT_EQ(hud->indicator(), nullptr);
  EXPECT_EQ(custom->superview(), nullptr);
  hud->setMode(ProgressHUDModeIndeterminate);
  EXPECT_EQ(countIndicators(), 1);
}

TEST_F(ProgressHUDTest, ClassLookupsOverSubviews) {
  auto host = std::make_shared<ui::View>(ui::Rect{0, 0, 400, 300});
  EXPECT_EQ(ProgressHUD::HUDForView(*host), nullptr);
  EXPECT_FALSE(ProgressHUD::hideHUDForView(*host, false));
  EXPECT_EQ(ProgressHUD::hideAllHUDsForView(*host, false), 0u);

  auto first = ProgressHUD::showHUDAddedTo(*host, false);
  host->addSubview(std::make_shared<ui::View>(ui::Rect{0, 0, 10, 10}));
  auto second = ProgressHUD::showHUDAddedTo(*host, true);
  host->addSubview(std::make_shared<ui::View>(ui::Rect{0, 0, 10, 10}));
  EXPECT_EQ(first->alpha(), 1);
  EXPECT_EQ(ProgressHUD::HUDForView(*host), second);
  EXPECT_EQ(ProgressHUD::allHUDsForView(*host), (std::vector<std::shared_ptr<ProgressHUD>>{first, second}));

  EXPECT_TRUE(ProgressHUD::hideHUDForView(*host, false));
  EXPECT_EQ(second->superview(), nullptr);
  EXPECT_EQ(ProgressHUD::HUDForView(*host), first);

  auto third = ProgressHUD::showHUDAddedTo(*host, false);
  advance(1);
  EXPECT_EQ(ProgressHUD::hideAllHUDsForView(*host, true), 2u);
  EXPECT_EQ(first->superview(), host.get());  // still fading
  advance(0.31);
  EXPECT_TRUE(ProgressHUD::allHUDsForView(*host).empty());
  EXPECT_EQ(host->subviews().size(), 2u);
}

TEST_F(ProgressHUDTest, TasksAndChangesFromOtherThreads) {
  ui::HeadlessDriver driver;
  auto hud = ProgressHUD::initWithWindow(driver.window());
  driver.window().addSubview(hud);
  // Windows here are in interface coordinates: no turn, the window's bounds.
  EXPECT_TRUE(hud->transform().isIdentity());
  EXPECT_TRUE(hud->rotationTransform().isIdentity());
  EXPECT_EQ(hud->bounds(), driver.window().bounds());

  // A block on a queue that reports from its thread.
  base::WorkQueue queue(1);
  std::atomic<bool> ran{false};
  int completions = 0;
  hud->showAnimated(
      false,
      [&] {
        hud->setLabelText("Working");
        hud->setMode(ProgressHUDModeDeterminate);
        hud->setProgress(0.5f);
        ran = true;
      },
      &queue, [&] { ++completions; });
  EXPECT_EQ(hud->alpha(), 1);
  ASSERT_TRUE(runUntil([&] { return hud->isFinished(); }, 5));
  EXPECT_TRUE(ran);
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(hud->labelText(), "Working");
  EXPECT_EQ(hud->label().text(), "Working");
  auto round = std::dynamic_pointer_cast<RoundProgressView>(hud->indicator());
  ASSERT_TRUE(round);
  EXPECT_FLOAT_EQ(round->progress(), 0.5f);
  queue.waitIdle();

  // The details text set from a thread waits for the main loop.
  auto other = ProgressHUD::initWithWindow(driver.window());
  std::thread([other] { other->setDetailsLabelText("from afar"); }).join();
  EXPECT_EQ(other->detailsLabel().text(), "");
  driver.flush();
  EXPECT_EQ(other->detailsLabel().text(), "from afar");
}

TEST_F(ProgressHUDTest, RendersTheDimmedBox) {
  ui::HeadlessDriver driver;
  driver.window().setBackgroundColor(gfx::Color::white());
  auto hud = ProgressHUD::initWithWindow(driver.window());
  hud->setLabelText("Please wait");
  hud->setOpacity(0.7);
  hud->setDimBackground(true);
  driver.window().addSubview(hud);
  hud->show(false);
  auto image = driver.render();
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixelWidth(), 1024);
  ASSERT_TRUE(driver.snapshot(root / "hud.png"));
  EXPECT_TRUE(std::filesystem::exists(root / "hud.png"));
  // The centre shows the spinner area of the dark box; the corner is dimmed.
  hud->layoutIfNeeded();
  ui::Rect box{ProgressHUD::half(1024 - hud->size().width), ProgressHUD::half(768 - hud->size().height),
               hud->size().width, hud->size().height};
  gfx::Color inBox = image->pixelAt(static_cast<int>(box.x() + 3 + 10), static_cast<int>(box.y() + 12));
  EXPECT_LT(inBox.r(), 0.4);
  // Towards the corners the dimming deepens; the centre stays bright outside the box.
  gfx::Color corner = image->pixelAt(2, 2);
  EXPECT_LT(corner.r(), 0.5);
  EXPECT_GT(corner.r(), 0.2);
  gfx::Color nearBox = image->pixelAt(static_cast<int>(box.x() - 4), 384);
  EXPECT_GT(nearBox.r(), corner.r());
}
