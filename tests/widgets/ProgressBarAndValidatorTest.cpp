#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "UiTestEnvironment.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "widgets/AlphaInputValidator.hpp"
#include "widgets/MVProgressView.hpp"
#include "widgets/NumericInputValidator.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

using namespace mv;

namespace {

class ProgressBarTest : public test::WidgetTestEnvironment {};
class ValidatorTest : public test::WidgetTestEnvironment {};

bool animatedFrameOf(const ui::View* v) {
  for (const auto& r : ui::View::animationLog())
    if (r.changed(v, "frame") || r.changed(v, "bounds") || r.changed(v, "center")) return true;
  return false;
}

}  // namespace

TEST_F(ProgressBarTest, ClampWidthAndVisibility) {
  auto small = std::make_shared<MVProgressView>(ui::Rect{10, 10, 5, 4});
  EXPECT_EQ(small->frame(), (ui::Rect{10, 10, 9, 8}));

  auto back = WidgetSkin::bundleImage("sync_bar.png");
  auto fill = WidgetSkin::bundleImage("sync_bar_on.png");
  auto bar = std::make_shared<MVProgressView>(ui::Rect{0, 30, 300, 8}, ViewStyle::resizeImage(back, {3, 3, 3, 3}),
                                              ViewStyle::resizeImage(fill, {3, 3, 3, 3}));
  auto& progress = *bar->progressImageView();
  EXPECT_EQ(bar->backgroundImageView()->frame(), (ui::Rect{0, 0, 300, 8}));
  EXPECT_EQ(progress.frame(), (ui::Rect{0, 0, 9, 8}));
  EXPECT_TRUE(progress.isHidden());
  EXPECT_DOUBLE_EQ(bar->progressFullWidth(), 300);
  EXPECT_FLOAT_EQ(bar->progressAnimationDuration(), 0.1f);

  // Half: animated to 150 in 0.1 s, easing out from the present state.
  ui::View::clearAnimationLog();
  bar->setProgress(0.5f);
  EXPECT_FALSE(progress.isHidden());
  EXPECT_EQ(progress.frame(), (ui::Rect{0, 0, 150, 8}));
  ASSERT_EQ(ui::View::animationLog().size(), 1u);
  const auto& record = ui::View::animationLog().back();
  EXPECT_DOUBLE_EQ(record.duration, static_cast<double>(0.1f));
  EXPECT_EQ(record.curve, ui::AnimationCurve::EaseOut);
  EXPECT_TRUE(record.options & ui::AnimationOptionBeginFromCurrentState);
  EXPECT_TRUE(animatedFrameOf(&progress));

  // The same value again does nothing, not even an animation.
  ui::View::clearAnimationLog();
  bar->setProgress(0.5f);
  EXPECT_TRUE(ui::View::animationLog().empty());

  // Above 1: full width.
  bar->setProgress(1.7f);
  EXPECT_FLOAT_EQ(bar->progress(), 1.0f);
  EXPECT_EQ(progress.frame().width(), 300);

  // Below 0: empty, hidden, set at once.
  ui::View::clearAnimationLog();
  bar->setProgress(-0.2f);
  EXPECT_FLOAT_EQ(bar->progress(), 0.0f);
  EXPECT_TRUE(progress.isHidden());
  EXPECT_EQ(progress.frame().width(), 0);
  EXPECT_TRUE(ui::View::animationLog().empty());

  // Not a number (0/0 from a phase without files) is no progress.
  bar->setProgress(0.25f);
  bar->setProgress(std::numeric_limits<float>::quiet_NaN());
  EXPECT_FLOAT_EQ(bar->progress(), 0.0f);
  EXPECT_TRUE(progress.isHidden());
  EXPECT_TRUE(std::isfinite(progress.frame().width()));
  EXPECT_EQ(progress.frame().width(), 0);
  bar->setProgress(std::numeric_limits<float>::quiet_NaN());
  EXPECT_FLOAT_EQ(bar->progress(), 0.0f);

  // A resized bar fills to its present width.
  bar->setProgress(0.5f);
  bar->setFrame({0, 30, 400, 8});
  bar->layoutIfNeeded();
  EXPECT_EQ(progress.frame().width(), 200);
  EXPECT_DOUBLE_EQ(bar->progressFullWidth(), 400);
  bar->setProgress(1.0f);
  EXPECT_EQ(progress.frame().width(), 400);

  // Without a duration the width is set at once.
  bar->setProgressAnimationDuration(0);
  ui::View::clearAnimationLog();
  bar->setProgress(0.75f);
  EXPECT_TRUE(ui::View::animationLog().empty());
  EXPECT_EQ(progress.frame().width(), 300);

  // Drawn headless: the filled part shows the progress picture.
  ui::HeadlessDriver driver;
  auto image = driver.render(*bar);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixelWidth(), 400);
  EXPECT_EQ(image->pixelHeight(), 8);
}

TEST_F(ValidatorTest, NumbersLettersAndTheirErrors) {
  texts = {{"INPUTVALIDATIONFAILED", "Invalid"}, {"PLEASEINPUTAPOSITIVENUMBER", "Positive, please"}};
  NumericInputValidator numeric;
  for (const char* ok : {"12", "0", "007", "3.50", "1000000", "0.00"}) EXPECT_TRUE(numeric.validateInput(ok)) << ok;
  for (const char* bad : {"3.5", "3.", ".5", "-1", "1,5", "", " 12", "12 ", "1.234", "12\n34", "12\nabc", "12\n",
                          "\n12", "\xEF\xBC\x91\xEF\xBC\x92" /* full-width 12 */, "1e3", "+1"}) {
    std::optional<InputValidationError> error;
    EXPECT_FALSE(numeric.validateInput(bad, &error)) << bad;
    ASSERT_TRUE(error.has_value()) << bad;
    EXPECT_EQ(error->domain, "InputValidationErrorDomain");
    EXPECT_EQ(error->code, 1001);
    EXPECT_EQ(error->localizedDescription, "Invalid");
    EXPECT_EQ(error->localizedFailureReason, "Positive, please");
  }
  // Without a place for the error the answer is the same.
  EXPECT_FALSE(numeric.validateInput("abc"));

  AlphaInputValidator alpha;
  for (const char* ok : {"", "Abc", "xyzXYZ"}) EXPECT_TRUE(alpha.validateInput(ok)) << ok;
  for (const char* bad : {"abc1", "ab c", "abc\ndef", "abc\n", "\xC3\xA9t\xC3\xA9"}) {
    std::optional<InputValidationError> error;
    EXPECT_FALSE(alpha.validateInput(bad, &error)) << bad;
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->code, 1002);
    EXPECT_EQ(error->localizedDescription, "Invalid");
    EXPECT_EQ(error->localizedFailureReason, "The input can contain only letters");
  }
  // The letters reason goes through the language tables like the rest.
  texts["The input can contain only letters"] = "Letters only";
  std::optional<InputValidationError> error;
  alpha.validateInput("1", &error);
  EXPECT_EQ(error->localizedFailureReason, "Letters only");

  // The base validator accepts nothing and gives no error.
  InputValidator base;
  std::optional<InputValidationError> none = InputValidationError{};
  EXPECT_FALSE(base.validateInput("12", &none));
  EXPECT_FALSE(none.has_value());
}
