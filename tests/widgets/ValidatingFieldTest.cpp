#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/ScrollView.hpp"
#include "widgets/NumericInputValidator.hpp"
#include "widgets/PageControl.hpp"
#include "widgets/TZTextField.hpp"

using namespace mv;

namespace {

class ValidatingFieldTest : public test::WidgetTestEnvironment {};

struct AlertListener : ui::AlertViewDelegate {
  std::vector<std::pair<long, long>> clicks;  // tag, button
  void alertViewClickedButtonAtIndex(ui::AlertView& a, long i) override { clicks.push_back({a.tag(), i}); }
};

}  // namespace

TEST_F(ValidatingFieldTest, FailureAlertAndItsParameters) {
  texts = {{"INVALIDINPUT", "Invalid Input"},
           {"OK", "OK!"},
           {"INPUTVALIDATIONFAILED", "Invalid"},
           {"PLEASEINPUTAPOSITIVENUMBER", "Positive, please"}};
  ui::HeadlessDriver driver;
  auto field = std::make_shared<TZTextField>(ui::Rect{10, 10, 100, 30});
  auto listener = std::make_shared<AlertListener>();
  field->setTraget(listener);

  // No validator: nothing to complain about.
  field->setText("anything");
  EXPECT_TRUE(field->validate());
  EXPECT_EQ(driver.visibleAlert(), nullptr);

  field->setInputValidator(std::make_shared<NumericInputValidator>());
  field->setText("3.50");
  EXPECT_TRUE(field->validate());
  EXPECT_EQ(driver.visibleAlert(), nullptr);

  field->setText("12\nabc");
  EXPECT_FALSE(field->validate());
  auto alert = driver.visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->tag(), 999);
  EXPECT_EQ(alert->title(), "Invalid Input");
  EXPECT_EQ(alert->message(), "Positive, please");
  EXPECT_EQ(alert->numberOfButtons(), 1);
  EXPECT_EQ(alert->cancelButtonIndex(), 0);
  EXPECT_EQ(alert->buttonTitleAtIndex(0), "OK!");
  EXPECT_EQ(alert->delegate(), listener);
  driver.pressAlertButton(0);
  driver.advance(0.3);
  EXPECT_EQ(listener->clicks, (std::vector<std::pair<long, long>>{{999, 0}}));

  // A validator that accepts nothing fails with an empty message.
  field->setInputValidator(std::make_shared<InputValidator>());
  EXPECT_FALSE(field->validate());
  ASSERT_TRUE(driver.visibleAlert());
  EXPECT_EQ(driver.visibleAlert()->message(), "");
}

TEST_F(ValidatingFieldTest, PageControlFollowsAPagingScrollView) {
  auto pc = std::make_shared<PageControl>(ui::Rect{0, 0, 200, 36});
  pc->setNumberOfPages(3);
  auto sv = std::make_shared<ui::ScrollView>(ui::Rect{0, 0, 500, 100});
  sv->setContentSize({1500, 100});
  sv->setContentOffset({999, 0});
  pc->updatePageNumberForScrollView(*sv);
  EXPECT_EQ(pc->currentPage(), 1);
  sv->setContentOffset({1000, 0});
  pc->updatePageNumberForScrollView(*sv);
  EXPECT_EQ(pc->currentPage(), 2);
  // A scroll view without width yet says nothing about pages.
  auto empty = std::make_shared<ui::ScrollView>();
  empty->setContentOffset({50, 0});
  pc->updatePageNumberForScrollView(*empty);
  EXPECT_EQ(pc->currentPage(), 2);
}
