#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/ui/ActionSheet.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/HeadlessDriver.hpp"

using namespace ui;

namespace {

class AlertTest : public mv::test::UiTestEnvironment {};

struct Listener : AlertViewDelegate {
  std::vector<std::string> log;
  void willPresentAlertView(AlertView& a) override { log.push_back("willPresent:" + std::to_string(a.tag())); }
  void alertViewClickedButtonAtIndex(AlertView& a, long i) override {
    log.push_back("clicked:" + std::to_string(a.tag()) + ":" + std::to_string(i));
  }
  void alertViewWillDismissWithButtonIndex(AlertView& a, long i) override {
    log.push_back("willDismiss:" + std::to_string(a.tag()) + ":" + std::to_string(i));
  }
  void alertViewDidDismissWithButtonIndex(AlertView& a, long i) override {
    log.push_back("didDismiss:" + std::to_string(a.tag()) + ":" + std::to_string(i));
  }
};

}  // namespace

TEST_F(AlertTest, ButtonIndicesAndDelegateOrder) {
  HeadlessDriver driver;
  auto listener = std::make_shared<Listener>();
  auto alert = std::make_shared<AlertView>("Delete", "Delete this order?", listener, "Cancel",
                                           std::vector<std::string>{"OK", "Later"});
  alert->setTag(999);
  EXPECT_EQ(alert->numberOfButtons(), 3);
  EXPECT_EQ(alert->cancelButtonIndex(), 0);
  EXPECT_EQ(alert->firstOtherButtonIndex(), 1);
  EXPECT_EQ(alert->buttonTitleAtIndex(2), "Later");
  EXPECT_EQ(alert->buttonTitleAtIndex(3), "");
  EXPECT_EQ(alert->addButtonWithTitle("Never"), 3);
  auto noCancel = std::make_shared<AlertView>("t", "m", std::weak_ptr<AlertViewDelegate>{}, std::nullopt,
                                              std::vector<std::string>{"A"});
  EXPECT_EQ(noCancel->cancelButtonIndex(), -1);
  EXPECT_EQ(noCancel->firstOtherButtonIndex(), 0);

  EXPECT_FALSE(alert->isVisible());
  alert->show();
  EXPECT_TRUE(alert->isVisible());
  ASSERT_NE(alert->superview(), nullptr);  // in the window's overlay
  EXPECT_EQ(alert->superview(), &driver.window().overlay());
  EXPECT_EQ(alert->center(), (Point{512, 384}));
  EXPECT_EQ(AlertView::showingAlerts().size(), 1u);

  ASSERT_TRUE(driver.pressAlertButton(1));
  EXPECT_EQ(listener->log, (std::vector<std::string>{"willPresent:999", "clicked:999:1", "willDismiss:999:1"}));
  EXPECT_FALSE(alert->superview() == nullptr);  // fading out
  driver.advance(0.2);
  EXPECT_EQ(listener->log.back(), "didDismiss:999:1");
  EXPECT_EQ(alert->superview(), nullptr);
  EXPECT_FALSE(alert->isVisible());
  EXPECT_TRUE(AlertView::showingAlerts().empty());
  EXPECT_FALSE(driver.pressAlertButton(0));

  // Dismissing in code tells the delegate the index but not "clicked".
  listener->log.clear();
  alert->show();
  alert->dismissWithClickedButtonIndex(0, false);
  EXPECT_EQ(listener->log, (std::vector<std::string>{"willPresent:999", "willDismiss:999:0", "didDismiss:999:0"}));

  // A freed delegate is never called.
  auto shortLived = std::make_shared<Listener>();
  auto orphan = std::make_shared<AlertView>("x", "y", shortLived, "OK");
  orphan->show();
  shortLived.reset();
  EXPECT_TRUE(driver.pressAlertButton(0));
  driver.advance(0.3);
  EXPECT_FALSE(orphan->isVisible());
}

TEST_F(AlertTest, LaterAlertsWaitTheirTurnAndBlockTheScreen) {
  HeadlessDriver driver;
  auto listener = std::make_shared<Listener>();
  auto behind = std::make_shared<Button>(Rect{0, 0, 1024, 768});
  int behindTaps = 0;
  behind->addAction([&](Control&, const Event*) { ++behindTaps; }, ControlEventTouchUpInside);
  driver.window().addSubview(behind);

  auto first = std::make_shared<AlertView>("First", "", listener, "OK");
  first->setTag(1);
  auto second = std::make_shared<AlertView>("Second", "", listener, "OK");
  second->setTag(2);
  first->show();
  second->show();
  second->show();  // showing twice queues once
  ASSERT_EQ(AlertView::showingAlerts().size(), 2u);
  EXPECT_TRUE(first->isVisible());
  EXPECT_FALSE(second->isVisible());
  EXPECT_EQ(second->superview(), nullptr);
  EXPECT_EQ(AlertView::visibleAlert(), first);

  // Taps outside the alert do not reach the screen behind it.
  driver.tapAt({20, 20});
  EXPECT_EQ(behindTaps, 0);
  // New windows keep the overlay on top.
  auto late = std::make_shared<View>(Rect{0, 0, 100, 100});
  driver.window().addSubview(late);
  EXPECT_EQ(driver.window().subviews().back().get(), &driver.window().overlay());

  driver.pressAlertButton(0);
  driver.advance(0.25);
  EXPECT_TRUE(second->isVisible());
  EXPECT_EQ(AlertView::visibleAlert(), second);
  driver.pressAlertButton(0);
  driver.advance(0.25);
  EXPECT_EQ(listener->log, (std::vector<std::string>{"willPresent:1", "clicked:1:0", "willDismiss:1:0", "didDismiss:1:0",
                                                     "willPresent:2", "clicked:2:0", "willDismiss:2:0", "didDismiss:2:0"}));
  driver.tapAt({500, 700});
  EXPECT_EQ(behindTaps, 1);

  // A waiting alert dismissed in code leaves the queue without showing.
  first->show();
  second->show();
  second->dismissWithClickedButtonIndex(0, true);
  EXPECT_EQ(AlertView::showingAlerts().size(), 1u);
  // An alert shown without any window still shows (it just has no superview).
  AlertView::resetForTesting();
  Application::freeInstance();
  auto lonely = std::make_shared<AlertView>("t", "m", listener, "OK");
  lonely->show();
  EXPECT_TRUE(lonely->isVisible());
  EXPECT_EQ(lonely->superview(), nullptr);
  EXPECT_TRUE(lonely->pressButton(0));
  advance(0.3);
  EXPECT_FALSE(lonely->isVisible());
}

TEST_F(AlertTest, ActionSheetChoicesAndOutsideTap) {
  HeadlessDriver driver;
  struct Listener : ActionSheetDelegate {
    std::vector<std::string> log;
    void actionSheetClickedButtonAtIndex(ActionSheet&, long i) override { log.push_back("clicked:" + std::to_string(i)); }
    void actionSheetCancel(ActionSheet&) override { log.push_back("cancel"); }
    void actionSheetWillDismissWithButtonIndex(ActionSheet&, long i) override { log.push_back("willDismiss:" + std::to_string(i)); }
    void actionSheetDidDismissWithButtonIndex(ActionSheet&, long i) override { log.push_back("didDismiss:" + std::to_string(i)); }
  };
  auto listener = std::make_shared<Listener>();
  auto anchor = std::make_shared<View>(Rect{0, 0, 1024, 768});
  driver.window().addSubview(anchor);
  {
    auto sheet = std::make_shared<ActionSheet>("Share", listener, "Cancel", "Delete",
                                               std::vector<std::string>{"Mail", "Print"});
    EXPECT_EQ(sheet->numberOfButtons(), 4);
    EXPECT_EQ(sheet->destructiveButtonIndex(), 0);
    EXPECT_EQ(sheet->cancelButtonIndex(), 3);
    EXPECT_EQ(sheet->firstOtherButtonIndex(), 1);
    EXPECT_EQ(sheet->buttonAtIndex(3), nullptr);  // the cancel button is the outside of the popover
    sheet->showFromRect({100, 100, 40, 40}, anchor.get(), false);
    EXPECT_TRUE(sheet->isVisible());
  }  // the caller lets go: the sheet stays while it shows
  auto sheets = driver.findAllOf<ActionSheet>();
  ASSERT_EQ(sheets.size(), 1u);
  Button* print = sheets[0]->buttonAtIndex(2);
  ASSERT_NE(print, nullptr);
  EXPECT_EQ(print->currentTitle(), "Print");
  driver.tap(*print);
  driver.advance(0.5);
  EXPECT_EQ(listener->log, (std::vector<std::string>{"clicked:2", "willDismiss:2", "didDismiss:2"}));
  EXPECT_TRUE(driver.findAllOf<ActionSheet>().empty());

  listener->log.clear();
  auto sheet = std::make_shared<ActionSheet>("Open", listener, "Cancel", std::nullopt, std::vector<std::string>{"Viewer"});
  sheet->showFromRect({100, 100, 40, 40}, anchor.get(), true);
  driver.advance(0.3);
  driver.tapAt({900, 700});
  driver.advance(0.5);
  EXPECT_EQ(listener->log, (std::vector<std::string>{"cancel", "clicked:1", "willDismiss:1", "didDismiss:1"}));
  EXPECT_FALSE(sheet->isVisible());
  EXPECT_TRUE(driver.window().overlay().subviews().empty());
}
