#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/ImageView.hpp"
#include "widgets/ImageLoadQueueManager.hpp"

namespace mv::test {
namespace {

using Op = ImageLoadOperation;

class ImageLoadQueueTest : public WidgetTestEnvironment {
 protected:
  // An image view inside a card, hidden until its picture arrives.
  std::shared_ptr<ui::ImageView> cardView() {
    auto card = std::make_shared<ui::View>(ui::Rect{0, 0, 200, 200});
    cards_.push_back(card);
    auto view = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 100, 100});
    view->setAlpha(0);
    card->addSubview(view);
    return view;
  }
  static gfx::ImagePtr picture(double side) { return gfx::Image::blank({side, side}); }
  // One turn of the main loop, as the application's loop would run it.
  static void turn() { base::RunLoop::main().runOnce(); }

  ImageLoadQueueManager& queue = ImageLoadQueueManager::sharedInstance();

 private:
  std::vector<std::shared_ptr<ui::View>> cards_;
};

TEST_F(ImageLoadQueueTest, OneOperationPerTurnHighestPriorityFirstThenInOrder) {
  auto a = cardView(), b = cardView(), c = cardView();
  auto opA = Op::initWithImageName(picture(10), a, false);
  auto opB = Op::initWithImageName(picture(10), b, false);
  auto opC = Op::initWithImageName(picture(10), c, false);
  EXPECT_EQ(opA->queuePriority(), Op::QueuePriority::VeryLow);
  opC->setQueuePriority(Op::QueuePriority::High);
  EXPECT_EQ(&queue, &ImageLoadQueueManager::sharedInstance());
  queue.loadImageWithOperation(opA, false);
  queue.loadImageWithOperation(opB, false);
  queue.loadImageWithOperation(opC, false);
  EXPECT_EQ(queue.operationCount(), 3u);
  EXPECT_FALSE(opA->isFinished());

  std::vector<std::string> ran;
  auto record = [&] {
    for (auto [name, op] : {std::pair{"A", opA}, {"B", opB}, {"C", opC}}) {
      if (op->isFinished() && std::find(ran.begin(), ran.end(), name) == ran.end()) ran.push_back(name);
    }
  };
  for (int i = 0; i < 3; ++i) {
    turn();
    record();
    EXPECT_EQ(ran.size(), static_cast<std::size_t>(i + 1));
  }
  EXPECT_EQ(ran, (std::vector<std::string>{"C", "A", "B"}));
  EXPECT_EQ(queue.operationCount(), 0u);
  for (const auto& v : {a, b, c}) {
    EXPECT_EQ(v->alpha(), 1.0);
    EXPECT_TRUE(v->image());
  }
}

// A card reused for another product before its picture arrived cancels the
// first operation and shows only the second picture.
TEST_F(ImageLoadQueueTest, ACancelledOperationNeverRunsAndUniqueCancelsEveryWaitingOne) {
  auto view = cardView();
  auto first = picture(10), second = picture(12);
  auto op1 = Op::initWithImageName(first, view, false);
  queue.loadImageWithOperation(op1, false);
  ASSERT_TRUE(op1->isReady());
  op1->cancel();
  auto op2 = Op::initWithImageName(second, view, false);
  queue.loadImageWithOperation(op2, false);
  base::RunLoop::main().drain();
  EXPECT_TRUE(op1->isCancelled());
  EXPECT_TRUE(op1->isFinished());
  EXPECT_EQ(view->image(), second);

  // unique: every operation still waiting, other cards' too, is dropped.
  auto other = cardView(), shown = cardView();
  auto waiting1 = Op::initWithImageName(picture(10), other, false);
  auto waiting2 = Op::initWithImageName(picture(10), view, false);
  queue.loadImageWithOperation(waiting1, false);
  queue.loadImageWithOperation(waiting2, false);
  auto browser = Op::initWithImageName(picture(10), shown, false);
  queue.loadImageWithOperation(browser, true);
  base::RunLoop::main().drain();
  EXPECT_TRUE(waiting1->isCancelled());
  EXPECT_TRUE(waiting2->isCancelled());
  EXPECT_FALSE(other->image());
  EXPECT_EQ(other->alpha(), 0.0);
  EXPECT_EQ(view->image(), second);
  EXPECT_TRUE(shown->image());
  EXPECT_FALSE(browser->isCancelled());
}

TEST_F(ImageLoadQueueTest, FitsBySizeFadesInAndLeavesADetachedViewAlone) {
  auto small = cardView(), large = cardView();
  auto fade = Op::initWithImageName(picture(50), small, true);
  queue.loadImageWithOperation(fade, false);
  queue.loadImageWithOperation(Op::initWithImageName(picture(150), large, false), false);
  base::RunLoop::main().drain();
  EXPECT_EQ(small->contentMode(), ui::ContentMode::Center);
  EXPECT_EQ(large->contentMode(), ui::ContentMode::ScaleAspectFit);
  EXPECT_EQ(large->alpha(), 1.0);
  ASSERT_FALSE(ui::View::animationLog().empty());
  const auto& faded = ui::View::animationLog().back();
  EXPECT_EQ(faded.duration, Op::kFadeDuration);
  EXPECT_TRUE(faded.changed(small.get(), "alpha"));
  EXPECT_EQ(small->alpha(), 1.0);

  auto detached = cardView();
  detached->removeFromSuperview();
  auto none = Op::initWithImageName(picture(10), detached, true);
  queue.loadImageWithOperation(none, false);
  queue.loadImageWithOperation(Op::initWithImageName(picture(10), nullptr, true), false);
  base::RunLoop::main().drain();
  EXPECT_TRUE(none->isFinished());
  EXPECT_FALSE(detached->image());
  EXPECT_EQ(detached->alpha(), 0.0);
}

}  // namespace
}  // namespace mv::test
