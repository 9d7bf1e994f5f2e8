#include "OrderScreenTest.hpp"

#include "HeldWorkers.hpp"
#include "platform/base/OutsideWork.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/config/Language.hpp"
#include "util/TextLookup.hpp"

namespace mv::test {

std::string txt(const std::string& key) { return textForKey(key).value_or(key); }

void OrderScreenTest::SetUp() {
  OrderStoreTest::SetUp();
  Language::resetLanguageCache();
  setTextLookup([](const std::string& key) { return Language::stringWithName(key); });
  ui::View::setAnimationsEnabled(false);
  window_ = std::make_shared<ui::Window>();
  window_->setBackgroundColor(gfx::Color::white(0.93));
  window_->makeKeyAndVisible();
  driver_ = std::make_unique<ui::HeadlessDriver>(window_);
  flush();
}

void OrderScreenTest::TearDown() {
  window_->setRootViewController(nullptr);
  ui::Application::sharedInstance().removeWindow(window_.get());
  driver_.reset();
  window_.reset();
  ui::AlertView::resetForTesting();
  MessageBox::sharedInstance().resetForTesting();
  ui::Application::freeInstance();
  ui::View::setAnimationsEnabled(true);
  setTextLookup(nullptr);
  OrderStoreTest::TearDown();
}

void OrderScreenTest::flush() {
  // The lists the screens read on the workers (the customer book) are given
  // the real time they take first.
  if (base::awaitedReadsUnderWay() && !HeldWorkers::holding()) {
    EXPECT_TRUE(runUntil([] { return !base::awaitedReadsUnderWay(); }, 60)) << "a read the screens wait for";
  }
  driver_->flush();
  ui::View::layoutPendingViews();
}

void OrderScreenTest::snapshot(const std::string& name) {
  // Pictures read from disk arrive first.
  base::WorkQueue::global().waitIdle();
  flush();
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  const auto file = root / (name + ".png");
  EXPECT_TRUE(driver_->snapshot(file)) << file;
  keepSnapshot(file);
}

}  // namespace mv::test
