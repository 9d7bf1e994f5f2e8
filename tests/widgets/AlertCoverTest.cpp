#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"
#include "widgets/FreeDismissAlertView.hpp"
#include "widgets/FreeDismissAlertViewCover.hpp"

using namespace mv;

namespace {

class AlertCoverTest : public test::WidgetTestEnvironment {};

struct Answers : ui::AlertViewDelegate {
  std::vector<long> clicked, dismissed;
  void alertViewClickedButtonAtIndex(ui::AlertView&, long i) override { clicked.push_back(i); }
  void alertViewDidDismissWithButtonIndex(ui::AlertView&, long i) override { dismissed.push_back(i); }
};

std::shared_ptr<FreeDismissAlertView> makeAlert(const std::shared_ptr<Answers>& answers) {
  auto alert = std::make_shared<FreeDismissAlertView>("Order changed", "Save the changes?", answers,
                                                      std::string("Don't save"), std::vector<std::string>{"Save"});
  alert->setTag(1009);
  return alert;
}

}  // namespace

TEST_F(AlertCoverTest, CoverLiesUnderTheShownAlertAndLeavesWithIt) {
  ui::HeadlessDriver driver;
  auto answers = std::make_shared<Answers>();
  auto alert = makeAlert(answers);
  EXPECT_EQ(alert->cover(), nullptr);
  alert->show();
  auto cover = alert->cover();
  ASSERT_TRUE(cover);
  EXPECT_EQ(cover->superview(), alert->superview());
  EXPECT_EQ(cover->frame(), (ui::Rect{0, 0, 1024, 768}));
  EXPECT_TRUE(cover->isUserInteractionEnabled());
  ASSERT_TRUE(cover->backgroundColor().has_value());
  EXPECT_DOUBLE_EQ(cover->backgroundColor()->alpha(), 0.01);
  EXPECT_EQ(cover->delegate(), alert);
  auto* parent = alert->superview();
  EXPECT_LT(parent->indexOfSubview(cover.get()), parent->indexOfSubview(alert.get()));

  // Points on the alert are not the cover's.
  ui::Point onAlert = alert->center();
  EXPECT_FALSE(cover->pointInside(cover->convertPointFromView(onAlert, parent), nullptr));
  EXPECT_TRUE(cover->pointInside({5, 5}, nullptr));

  // The alert's own button: the answer it names, and the cover goes too.
  ASSERT_TRUE(driver.pressAlertButton(1));
  driver.advance(0.25);
  EXPECT_EQ(answers->clicked, (std::vector<long>{1}));
  EXPECT_EQ(answers->dismissed, (std::vector<long>{1}));
  EXPECT_EQ(alert->cover(), nullptr);
  EXPECT_EQ(cover->superview(), nullptr);
  // A later touch anywhere answers nothing more.
  driver.tapAt({10, 10});
  driver.advance(0.5);
  EXPECT_EQ(answers->dismissed, (std::vector<long>{1}));
  EXPECT_FALSE(cover->pointInside({5, 5}, nullptr));

  // Dismissed in code: the cover goes as well.
  alert->show();
  ASSERT_TRUE(alert->cover());
  alert->dismissWithClickedButtonIndex(1, false);
  EXPECT_EQ(alert->cover(), nullptr);
  EXPECT_EQ(answers->dismissed, (std::vector<long>{1, 1}));
}

// A touch beside the alert backs out of it as Escape does: an alert whose
// cancel would discard closes unanswered, one that names its back-out button
// has it pressed, and one that must be answered stays.
TEST_F(AlertCoverTest, AnOutsideTouchBacksOutAsEscapeDoes) {
  ui::HeadlessDriver driver;
  auto answers = std::make_shared<Answers>();
  auto alert = makeAlert(answers);
  alert->show();
  auto cover = alert->cover();
  ASSERT_TRUE(cover);

  EXPECT_TRUE(driver.tapAt({10, 10}));
  EXPECT_EQ(cover->superview(), nullptr);
  driver.advance(0.25);
  // Not "Don't save": no button is pressed.
  EXPECT_TRUE(answers->clicked.empty());
  EXPECT_EQ(answers->dismissed, (std::vector<long>{ui::AlertView::kNoButton}));
  EXPECT_FALSE(alert->isVisible());
  driver.tapAt({10, 10});
  driver.tapAt({1000, 700});
  driver.advance(0.5);
  EXPECT_EQ(answers->dismissed, (std::vector<long>{ui::AlertView::kNoButton}));

  // A touch on the alert's own button works as on any alert.
  alert->show();
  ui::Button* save = alert->buttonAtIndex(1);
  ASSERT_NE(save, nullptr);
  driver.flush();
  driver.tap(*save);
  driver.advance(0.25);
  EXPECT_EQ(answers->clicked, (std::vector<long>{1}));
  EXPECT_EQ(answers->dismissed, (std::vector<long>{ui::AlertView::kNoButton, 1}));

  // Its back-out button named: the touch presses it, once.
  alert->setBackOutButtonIndex(0);
  alert->show();
  driver.tapAt({10, 10});
  driver.tapAt({20, 20});
  driver.advance(0.25);
  EXPECT_EQ(answers->clicked, (std::vector<long>{1, 0}));
  EXPECT_EQ(alert->cover(), nullptr);

  // An alert that must be answered ignores outside touches.
  auto guarded = makeAlert(answers);
  guarded->setRequiresAnswer(true);
  guarded->show();
  driver.tapAt({10, 10});
  driver.advance(0.5);
  EXPECT_TRUE(guarded->isVisible());
  EXPECT_TRUE(guarded->cover());
  guarded->pressButton(0);
  driver.advance(0.25);
  EXPECT_EQ(guarded->cover(), nullptr);
  EXPECT_EQ(answers->clicked, (std::vector<long>{1, 0, 0}));
}

TEST_F(AlertCoverTest, WaitingOrWindowlessAlertsHaveNoCover) {
  // No window to show in: no superview, no cover.
  {
    auto answers = std::make_shared<Answers>();
    auto alone = makeAlert(answers);
    alone->show();
    EXPECT_EQ(alone->superview(), nullptr);
    EXPECT_EQ(alone->cover(), nullptr);
    ui::AlertView::resetForTesting();
  }

  ui::HeadlessDriver driver;
  auto answers = std::make_shared<Answers>();
  auto first = std::make_shared<ui::AlertView>("First", "", answers, std::string("OK"));
  auto second = makeAlert(answers);
  first->show();
  second->show();
  // Waiting its turn: nothing covers the screen for it yet.
  EXPECT_EQ(second->cover(), nullptr);
  driver.pressAlertButton(0);
  driver.advance(0.25);
  ASSERT_TRUE(second->isVisible());
  EXPECT_TRUE(second->cover());

  // A cover whose alert is not on screen claims nothing.
  auto stray = std::make_shared<FreeDismissAlertViewCover>();
  EXPECT_FALSE(stray->pointInside({5, 5}, nullptr));
  {
    auto gone = makeAlert(answers);
    stray->setDelegate(gone);
    EXPECT_FALSE(stray->pointInside({5, 5}, nullptr));  // never shown
  }
  EXPECT_EQ(stray->delegate(), nullptr);
  EXPECT_FALSE(stray->pointInside({5, 5}, nullptr));
}
