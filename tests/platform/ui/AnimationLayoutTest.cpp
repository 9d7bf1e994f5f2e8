#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/Layer.hpp"
#include "platform/ui/PerformRequests.hpp"
#include "platform/ui/Timer.hpp"
#include "platform/ui/Transaction.hpp"
#include "platform/ui/View.hpp"

using namespace ui;

namespace {

class AnimationLayoutTest : public mv::test::UiTestEnvironment {};

struct Counting : View {
  using View::View;
  std::vector<std::string>* order = nullptr;
  std::string name;
  int layouts = 0;
  void layoutSubviews() override {
    ++layouts;
    if (order) order->push_back(name);
  }
};

}  // namespace

TEST_F(AnimationLayoutTest, ModelValuesChangeAtOnceAndCompletionsFollowTheClock) {
  auto v = std::make_shared<View>(Rect{0, 0, 100, 100});
  std::vector<std::string> events;
  bool insideBlock = false;
  View::animate(0.3, [&] {
    insideBlock = View::isAnimating();
    v->setAlpha(0);
    v->setFrame({50, 50, 10, 10});
    events.push_back("block");
  }, [&](bool finished) { events.push_back(finished ? "slow" : "slow-unfinished"); });
  // The block ran synchronously and the model values are already final.
  EXPECT_TRUE(insideBlock);
  EXPECT_EQ(events, (std::vector<std::string>{"block"}));
  EXPECT_EQ(v->alpha(), 0);
  EXPECT_EQ(v->frame(), (Rect{50, 50, 10, 10}));
  View::animate(0.1, 0.05, AnimationOptionCurveEaseOut, [&] { v->setTransform(AffineTransform::scale(1.15, 1.15)); },
                [&](bool) { events.push_back("fast"); });
  View::animate(0, [&] { v->setCenter({0, 0}); }, [&](bool) { events.push_back("zero"); });

  ASSERT_GE(View::animationLog().size(), 3u);
  const auto& rec = View::animationLog()[0];
  EXPECT_EQ(rec.duration, 0.3);
  EXPECT_TRUE(rec.changed(v.get(), "alpha"));
  EXPECT_TRUE(rec.changed(v.get(), "frame"));
  EXPECT_FALSE(rec.changed(v.get(), "transform"));
  EXPECT_EQ(View::animationLog()[1].curve, AnimationCurve::EaseOut);
  EXPECT_EQ(View::animationLog()[1].delay, 0.05);

  advance(0);
  EXPECT_EQ(events.back(), "zero");  // duration 0: the next turn
  advance(0.14);
  EXPECT_EQ(events.size(), 2u);
  advance(0.02);  // 0.16 > delay + duration
  EXPECT_EQ(events.back(), "fast");
  advance(0.13);
  EXPECT_EQ(events.size(), 3u);
  advance(0.02);
  EXPECT_EQ(events, (std::vector<std::string>{"block", "zero", "fast", "slow"}));

  // Disabled animations still run the block and complete on the next turn.
  View::setAnimationsEnabled(false);
  bool done = false;
  View::animate(5, [&] { v->setAlpha(1); }, [&](bool) { done = true; });
  EXPECT_EQ(v->alpha(), 1);
  EXPECT_FALSE(done);
  advance(0);
  EXPECT_TRUE(done);
  View::setAnimationsEnabled(true);

  // performWithoutAnimation restores the previous switch.
  View::performWithoutAnimation([&] { EXPECT_FALSE(View::areAnimationsEnabled()); });
  EXPECT_TRUE(View::areAnimationsEnabled());
}

TEST_F(AnimationLayoutTest, BeginCommitFormCallsDidStopWithItsContext) {
  auto v = std::make_shared<View>(Rect{0, 0, 10, 10});
  int ctxValue = 7;
  std::vector<std::string> calls;
  View::beginAnimations("GridCellViewHighlightAnimation", &ctxValue);
  View::setAnimationCurve(AnimationCurve::Linear);
  View::setAnimationBeginsFromCurrentState(true);
  View::setAnimationDidStop([&](const std::string& id, bool finished, void* ctx) {
    calls.push_back(id + (finished ? ":done:" : ":cut:") + std::to_string(*static_cast<int*>(ctx)));
  });
  v->setAlpha(0.5);
  // A nested block takes the enclosing duration unless it overrides it.
  View::animate(5, [&] { v->setCenter({1, 1}); }, [&](bool) { calls.push_back("nested"); });
  View::commitAnimations();
  EXPECT_EQ(View::animationLog().back().identifier, "GridCellViewHighlightAnimation");
  EXPECT_EQ(View::animationLog().back().duration, 0.2);  // the default
  advance(0.19);
  EXPECT_TRUE(calls.empty());
  advance(0.02);
  EXPECT_EQ(calls, (std::vector<std::string>{"nested", "GridCellViewHighlightAnimation:done:7"}));
}

TEST_F(AnimationLayoutTest, LayoutRunsOncePerTurnParentsFirst) {
  std::vector<std::string> order;
  auto parent = std::make_shared<Counting>(Rect{0, 0, 100, 100});
  auto child = std::make_shared<Counting>(Rect{0, 0, 50, 50});
  parent->name = "parent";
  child->name = "child";
  parent->order = child->order = &order;
  parent->addSubview(child);
  advance(0);
  EXPECT_EQ(order, (std::vector<std::string>{"parent", "child"}));

  order.clear();
  base::RunLoop::main().post([&] {
    child->setNeedsLayout();
    parent->setNeedsLayout();
    child->setNeedsLayout();
    parent->setNeedsLayout();
    EXPECT_TRUE(order.empty());  // nothing runs inside the turn
  });
  advance(0);
  EXPECT_EQ(order, (std::vector<std::string>{"parent", "child"}));

  // A size change marks the view; an unchanged frame does not.
  order.clear();
  child->setFrame({0, 0, 50, 50});
  advance(0);
  EXPECT_TRUE(order.empty());
  child->setFrame({0, 0, 60, 50});
  advance(0);
  EXPECT_EQ(order, (std::vector<std::string>{"child"}));
  // layoutIfNeeded runs at once and only when marked.
  order.clear();
  parent->setNeedsLayout();
  parent->layoutIfNeeded();
  parent->layoutIfNeeded();
  EXPECT_EQ(order, (std::vector<std::string>{"parent"}));
  advance(0);
  EXPECT_EQ(order.size(), 1u);
  // Scrolling the bounds lays the view out again.
  order.clear();
  parent->setBounds({0, 40, 100, 100});
  advance(0);
  EXPECT_EQ(order, (std::vector<std::string>{"parent"}));
  // A view freed while marked is skipped.
  auto temp = std::make_shared<Counting>(Rect{0, 0, 10, 10});
  temp->setNeedsLayout();
  temp.reset();
  advance(0);
}

TEST_F(AnimationLayoutTest, LayerAnimationsAreRecordedNotApplied) {
  auto v = std::make_shared<View>(Rect{0, 0, 100, 100});
  KeyframeAnimation wiggle("transform");
  wiggle.values = {Transform3D::rotation(-0.05), Transform3D::rotation(0.05)};
  wiggle.keyTimes = {0, 1};
  wiggle.duration = 0.12;
  wiggle.autoreverses = true;
  wiggle.repeatCount = LayerAnimation::kRepeatForever;
  v->layer().addAnimation(wiggle, "shake");
  auto stored = std::dynamic_pointer_cast<KeyframeAnimation>(v->layer().animationForKey("shake"));
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->values.size(), 2u);
  EXPECT_TRUE(v->layer().transform().isIdentity());  // the model is untouched
  advance(10);
  EXPECT_TRUE(v->layer().animationForKey("shake"));  // repeats for ever
  bool stoppedFinished = true;
  v->layer().animationForKey("shake")->delegate.didStop = [&](LayerAnimation&, bool f) { stoppedFinished = f; };
  v->layer().removeAnimationForKey("shake");
  EXPECT_FALSE(v->layer().animationForKey("shake"));
  EXPECT_FALSE(stoppedFinished);

  BasicAnimation fade("opacity");
  fade.fromValue = 1.0;
  fade.toValue = 0.0;
  fade.beginTime = mediaTime() + 0.5;
  bool finished = false;
  fade.delegate.didStop = [&](LayerAnimation&, bool f) { finished = f; };
  Transaction::begin();
  Transaction::setAnimationDuration(0.18);
  Transaction::setDisableActions(true);
  EXPECT_TRUE(Transaction::disableActions());
  bool committed = false;
  Transaction::setCompletionBlock([&] { committed = true; });
  v->layer().addAnimation(fade, "");
  Transaction::commit();
  auto keys = v->layer().animationKeys();
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(v->layer().animationForKey(keys[0])->duration, 0.18);
  EXPECT_DOUBLE_EQ(v->layer().animationStartTime(keys[0]), mediaTime() + 0.5);
  advance(0);
  EXPECT_TRUE(committed);  // actions disabled: at once
  advance(0.6);
  EXPECT_FALSE(finished);
  advance(0.1);
  EXPECT_TRUE(finished);
  EXPECT_TRUE(v->layer().animationKeys().empty());

  // A freed layer's pending completion is harmless.
  {
    auto temp = std::make_shared<View>(Rect{0, 0, 1, 1});
    temp->layer().addAnimation(fade, "x");
  }
  advance(1);
}

TEST_F(AnimationLayoutTest, TimersAndDelayedCalls) {
  int ticks = 0;
  auto timer = Timer::scheduledTimer(0.1, true, [&](Timer&) { ++ticks; });
  advance(0.35);
  EXPECT_EQ(ticks, 3);
  timer->invalidate();
  EXPECT_FALSE(timer->isValid());
  advance(1);
  EXPECT_EQ(ticks, 3);
  int once = 0;
  std::weak_ptr<Timer> weakOnce;
  {
    auto t = Timer::scheduledTimer(0.1, false, [&](Timer&) { ++once; });
    weakOnce = t;
  }
  EXPECT_FALSE(weakOnce.expired());  // the loop keeps a scheduled timer alive
  advance(0.2);
  EXPECT_EQ(once, 1);
  EXPECT_TRUE(weakOnce.expired());

  auto target = std::make_shared<int>(0);
  std::vector<std::string> calls;
  PerformRequests::perform(target, "hideDelayed:", [&] { calls.push_back("hide-yes"); }, 0.5, base::Value(true));
  PerformRequests::perform(target, "hideDelayed:", [&] { calls.push_back("hide-no"); }, 0.5, base::Value(false));
  PerformRequests::perform(target, "refresh", [&] { calls.push_back("refresh"); }, 0.5);
  PerformRequests::perform(target, "now", [&] { calls.push_back("now"); }, 0);
  PerformRequests::cancel(target.get(), "hideDelayed:", base::Value(true));
  PerformRequests::cancel(target.get(), "refresh", base::Value(1));  // nothing matches only nothing
  EXPECT_EQ(PerformRequests::pendingCount(target.get()), 3u);
  advance(0);
  EXPECT_EQ(calls, (std::vector<std::string>{"now"}));
  advance(0.5);
  EXPECT_EQ(calls, (std::vector<std::string>{"now", "hide-no", "refresh"}));

  PerformRequests::perform(target, "a", [&] { calls.push_back("a"); }, 0.1);
  PerformRequests::perform(target, "b", [&] { calls.push_back("b"); }, 0.1);
  PerformRequests::cancelAll(target.get());
  auto gone = std::make_shared<int>(0);
  PerformRequests::perform(gone, "late", [&] { calls.push_back("late"); }, 0.1);
  gone.reset();  // the target went away: the call is skipped
  advance(1);
  EXPECT_EQ(calls.size(), 3u);
}
