#include <gtest/gtest.h>

#include "DemoFlow.hpp"
#include "UiTestEnvironment.hpp"
#include "platform/ui/HeadlessDriver.hpp"

namespace {

class FlowTest : public mv::test::UiTestEnvironment {};

class HeadlessInput : public mv::test::FlowInput {
 public:
  explicit HeadlessInput(ui::HeadlessDriver& d) : d_(d) {}
  void tap(ui::Point p) override { d_.tapAt(p); }
  void type(const std::string& text) override { d_.typeText(text); }
  void pressReturn() override { d_.pressReturn(); }
  void advance(double seconds) override { d_.advance(seconds); }

 private:
  ui::HeadlessDriver& d_;
};

}  // namespace

TEST_F(FlowTest, TabsNavigationTableTextPopoverAndFormSheetHeadless) {
  ui::HeadlessDriver driver;
  mv::test::DemoApp app;
  app.build(driver.window());
  HeadlessInput input(driver);
  app.walk(input);
  auto image = driver.render();
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixelWidth(), 1024);
  EXPECT_EQ(image->pixelHeight(), 768);
}
