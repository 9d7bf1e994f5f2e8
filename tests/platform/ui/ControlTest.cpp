#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/ProgressView.hpp"
#include "platform/ui/SegmentedControl.hpp"
#include "platform/ui/Switch.hpp"

using namespace ui;

namespace {
class ControlTest : public mv::test::UiTestEnvironment {};
}  // namespace

TEST_F(ControlTest, TargetActionFollowsTheTouch) {
  HeadlessDriver driver;
  auto button = Button::buttonWithType(ButtonType::Custom);
  button->setFrame({100, 100, 120, 44});
  driver.window().addSubview(button);
  std::vector<std::string> events;
  bool highlightedAtDown = false;
  button->addAction(
      [&](Control& c, const Event*) {
        events.push_back("down");
        highlightedAtDown = c.isHighlighted();
      },
      ControlEventTouchDown);
  button->addAction([&](Control&, const Event*) { events.push_back("up-inside"); }, ControlEventTouchUpInside);
  button->addAction([&](Control&, const Event*) { events.push_back("up-outside"); }, ControlEventTouchUpOutside);
  button->addAction([&](Control&, const Event*) { events.push_back("exit"); }, ControlEventTouchDragExit);

  driver.tap(*button);
  EXPECT_EQ(events, (std::vector<std::string>{"down", "up-inside"}));
  EXPECT_TRUE(highlightedAtDown);
  EXPECT_FALSE(button->isHighlighted());

  // Within 70 points outside the button still counts as inside; beyond, not.
  events.clear();
  driver.drag({{160, 120}, {250, 120}});
  EXPECT_EQ(events, (std::vector<std::string>{"down", "up-inside"}));
  events.clear();
  driver.drag({{160, 120}, {400, 120}});
  EXPECT_EQ(events, (std::vector<std::string>{"down", "exit", "up-outside"}));

  // A target that is gone is skipped; removing a target removes its actions.
  auto owner = std::make_shared<int>(0);
  int ownerCalls = 0;
  button->addTarget(owner, [&](Control&, const Event*) { ++ownerCalls; }, ControlEventTouchUpInside);
  button->sendActionsForControlEvents(ControlEventTouchUpInside);
  EXPECT_EQ(ownerCalls, 1);
  button->removeTarget(owner.get(), ControlEventTouchUpInside);
  button->sendActionsForControlEvents(ControlEventTouchUpInside);
  EXPECT_EQ(ownerCalls, 1);
  auto temp = std::make_shared<int>(0);
  button->addTarget(temp, [&](Control&, const Event*) { ++ownerCalls; }, ControlEventValueChanged);
  temp.reset();
  button->sendActionsForControlEvents(ControlEventValueChanged);
  EXPECT_EQ(ownerCalls, 1);
  EXPECT_EQ(button->actionCount(ControlEventValueChanged), 0u);

  // Disabled: no touches, no actions from taps.
  events.clear();
  button->setEnabled(false);
  driver.tap(*button);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(button->state(), unsigned(ControlStateDisabled));

  // An action that removes its own button is safe.
  button->setEnabled(true);
  button->addAction([&](Control& c, const Event*) { c.removeFromSuperview(); }, ControlEventTouchUpInside);
  std::weak_ptr<Button> weak = button;
  button.reset();
  driver.tapAt({160, 120});
  EXPECT_TRUE(weak.expired());
}

TEST_F(ControlTest, ButtonStatesPickTheirTitlesImagesAndLayout) {
  gfx::ScopedTextMeasurer fixed(gfx::TextMeasurer::fixed(0.5));
  auto b = std::make_shared<Button>(Rect{0, 0, 200, 40});
  b->setTitle("Normal");
  b->setTitle("Selected", ControlStateSelected);
  b->setTitleColor(gfx::Color::black());
  b->setTitleColor(gfx::Color::red(), ControlStateHighlighted);
  auto icon = gfx::Image::blank({20, 20});
  auto bg = gfx::Image::blank({10, 10});
  b->setImage(icon);
  b->setBackgroundImage(bg, ControlStateSelected);
  EXPECT_EQ(b->currentTitle(), "Normal");
  EXPECT_EQ(b->currentBackgroundImage(), nullptr);
  b->setSelected(true);
  EXPECT_EQ(b->currentTitle(), "Selected");
  EXPECT_EQ(b->titleLabel().text(), "Selected");
  EXPECT_EQ(b->currentBackgroundImage(), bg);
  EXPECT_EQ(b->currentImage(), icon);  // falls back to normal
  b->setHighlighted(true);
  EXPECT_EQ(b->state(), unsigned(ControlStateSelected | ControlStateHighlighted));
  EXPECT_EQ(b->currentTitle(), "Selected");  // combined state: strongest part
  EXPECT_EQ(b->currentTitleColor(), gfx::Color::red());
  b->setHighlighted(false);
  b->setSelected(false);
  EXPECT_EQ(b->currentTitleColor(), gfx::Color::black());
  EXPECT_EQ(b->titleForState(ControlStateDisabled), "Normal");
  b->setTitle(std::nullopt, ControlStateSelected);
  EXPECT_EQ(b->titleForState(ControlStateSelected), "Normal");

  // Image and title side by side, centred: 20 + 6 x 7.5 = 65 wide in 200.
  b->titleLabel().setFont(gfx::Font::systemFont(15));
  b->layoutIfNeeded();
  b->setNeedsLayout();
  b->layoutIfNeeded();
  EXPECT_EQ(b->imageView().frame(), (Rect{67.5, 10, 20, 20}));
  EXPECT_EQ(b->titleLabel().frame().x(), 87.5);
  // Insets shift each part on its own.
  b->setTitleEdgeInsets({0, -20, 0, 20});
  b->setImageEdgeInsets({0, 0, 0, 0});
  b->layoutIfNeeded();
  EXPECT_EQ(b->titleLabel().frame().x(), 67.5);
  EXPECT_EQ(b->imageView().frame().x(), 67.5);
  EXPECT_EQ(b->sizeThatFits({}), (Size{65, 20}));
}

// A picture larger than its button is scaled down to the button, keeping
// its shape, and nothing of it is drawn outside.
TEST_F(ControlTest, AnImageLargerThanItsButtonIsScaledToFitIt) {
  HeadlessDriver driver;
  gfx::ImageData red(300, 150);
  for (int y = 0; y < red.height; ++y)
    for (int x = 0; x < red.width; ++x) {
      std::uint8_t* p = red.pixel(x, y);
      p[0] = 230, p[1] = 10, p[2] = 10, p[3] = 255;
    }
  auto b = std::make_shared<Button>(Rect{200, 200, 120, 40});
  b->setImage(gfx::Image::fromImageData(red));
  driver.window().addSubview(b);
  driver.flush();
  EXPECT_EQ(b->imageView().frame(), (Rect{20, 0, 80, 40}));
  auto shot = driver.render(1);
  ASSERT_TRUE(shot);
  EXPECT_GT(shot->pixelAt(260, 220).r(), 0.8);
  for (auto [x, y] : {std::pair{260, 195}, std::pair{260, 245}, std::pair{150, 220}, std::pair{370, 220}})
    EXPECT_LT(shot->pixelAt(x, y).r() - shot->pixelAt(x, y).g(), 0.1) << x << "," << y;
  // A small one keeps its size.
  b->setImage(gfx::Image::blank({20, 10}));
  b->layoutIfNeeded();
  EXPECT_EQ(b->imageView().frame(), (Rect{50, 15, 20, 10}));
}

// Several lines shrink together until every word fits the width and the
// lines fit the height; what is drawn is what `shownLines` says.
TEST_F(ControlTest, ALabelOfSeveralLinesShrinksToItsBounds) {
  gfx::ScopedTextMeasurer fixed(gfx::TextMeasurer::fixed(0.5));
  Label label(Rect{0, 0, 100, 40});
  label.setFont(gfx::Font::systemFont(16));
  label.setNumberOfLines(2);
  label.setLineBreakMode(gfx::LineBreakMode::TailTruncation);
  label.setText("Colour number one with blue stripes");
  // At 16 points: 12 characters a line, three lines needed, each 20 high.
  EXPECT_EQ(label.shownLines().size(), 2u);
  EXPECT_NE(label.shownLines().back().find("…"), std::string::npos);
  label.setAdjustsFontSizeToFitWidth(true);
  label.setMinimumFontSize(8);
  // At 11.5 points: 17 characters a line, two lines 14.4 high.
  EXPECT_EQ(label.actualFontSize(), 11.5);
  EXPECT_EQ(label.shownLines(), (std::vector<std::string>{"Colour number one", "with blue stripes"}));
  // Never below the minimum: there the tail is shortened.
  label.setText("Colour number one with blue stripes and a long tail of words after it");
  EXPECT_EQ(label.actualFontSize(), 8);
  EXPECT_NE(label.shownLines().back().find("…"), std::string::npos);
}

TEST_F(ControlTest, SegmentsSwitchesLabelsAndIndicators) {
  HeadlessDriver driver;
  auto seg = std::make_shared<SegmentedControl>(std::vector<std::string>{"Category", "Tag"});
  seg->setFrame({0, 0, 200, 30});
  driver.window().addSubview(seg);
  int changes = 0;
  seg->addAction([&](Control&, const Event*) { ++changes; }, ControlEventValueChanged);
  seg->setSelectedSegmentIndex(1);  // programmatic: no action
  EXPECT_EQ(seg->selectedSegmentIndex(), 1);
  seg->setSelectedSegmentIndex(5);  // out of range: ignored
  seg->setSelectedSegmentIndex(-7);
  EXPECT_EQ(seg->selectedSegmentIndex(), 1);
  driver.tapAt({50, 15});
  EXPECT_EQ(seg->selectedSegmentIndex(), 0);
  EXPECT_EQ(changes, 1);
  driver.tapAt({50, 15});  // the selected segment again: no change
  EXPECT_EQ(changes, 1);
  seg->setTitle("Tags", 1);
  EXPECT_EQ(seg->titleForSegmentAtIndex(1), "Tags");
  seg->setEnabled(false, 1);
  driver.tapAt({150, 15});
  EXPECT_EQ(seg->selectedSegmentIndex(), 0);
  seg->setSelectedSegmentIndex(SegmentedControl::kNoSegment);
  EXPECT_EQ(seg->selectedSegmentIndex(), -1);
  seg->removeSegmentAtIndex(9);
  EXPECT_EQ(seg->numberOfSegments(), 2u);

  auto sw = std::make_shared<Switch>(Rect{300, 0, 10, 10});
  EXPECT_EQ(sw->frame().size, (Size{51, 31}));
  driver.window().addSubview(sw);
  int flips = 0;
  sw->addAction([&](Control&, const Event*) { ++flips; }, ControlEventValueChanged);
  sw->setOn(true);
  EXPECT_EQ(flips, 0);
  driver.tap(*sw);
  EXPECT_FALSE(sw->isOn());
  EXPECT_EQ(flips, 1);

  gfx::ScopedTextMeasurer fixed(gfx::TextMeasurer::fixed(0.5));
  auto label = std::make_shared<Label>(Rect{0, 0, 50, 30});
  label->setFont(gfx::Font::systemFont(10));
  label->setText("abcdefghijklmnopqrst");  // 100 points at 10
  EXPECT_EQ(label->sizeThatFits({}), (Size{100, 13}));
  EXPECT_EQ(label->actualFontSize(), 10);
  label->setAdjustsFontSizeToFitWidth(true);
  label->setMinimumFontSize(6);
  EXPECT_EQ(label->actualFontSize(), 6);  // 5 would fit, 6 is the floor
  label->setMinimumFontSize(4);
  EXPECT_EQ(label->actualFontSize(), 5);
  label->setNumberOfLines(0);
  label->setAdjustsFontSizeToFitWidth(false);
  EXPECT_EQ(label->textRectForBounds({0, 0, 50, 1000}, 0).size, (Size{50, 25}));
  EXPECT_EQ(label->textRectForBounds({0, 0, 50, 20}, 0).size.height, 13);  // whole lines that fit
  EXPECT_EQ(label->textRectForBounds({0, 0, 50, 1e12}, 0).size, (Size{50, 25}));  // a height too tall to count
  EXPECT_FALSE(label->isUserInteractionEnabled());

  auto spinner = std::make_shared<ActivityIndicatorView>(ActivityIndicatorStyle::WhiteLarge);
  EXPECT_EQ(spinner->frame().size, (Size{37, 37}));
  EXPECT_TRUE(spinner->isHidden());
  spinner->startAnimating();
  EXPECT_TRUE(spinner->isAnimating());
  EXPECT_FALSE(spinner->isHidden());
  spinner->stopAnimating();
  EXPECT_TRUE(spinner->isHidden());
  spinner->setHidesWhenStopped(false);
  EXPECT_FALSE(spinner->isHidden());

  auto bar = std::make_shared<ProgressView>(ProgressViewStyle::Bar);
  bar->setProgress(1.7);
  EXPECT_EQ(bar->progress(), 1);
  bar->setProgress(-0.2);
  EXPECT_EQ(bar->progress(), 0);

  auto image = gfx::Image::blank({30, 20});
  auto iv = std::make_shared<ImageView>(image);
  EXPECT_EQ(iv->frame(), (Rect{0, 0, 30, 20}));
  auto hi = gfx::Image::blank({5, 5});
  iv->setHighlightedImage(hi);
  EXPECT_EQ(iv->currentImage(), image);
  iv->setHighlighted(true);
  EXPECT_EQ(iv->currentImage(), hi);
  EXPECT_EQ(rectForContentMode(ContentMode::ScaleAspectFit, {30, 20}, {0, 0, 60, 60}), (Rect{0, 10, 60, 40}));
  EXPECT_EQ(rectForContentMode(ContentMode::ScaleAspectFill, {30, 20}, {0, 0, 60, 60}), (Rect{-15, 0, 90, 60}));
  EXPECT_EQ(rectForContentMode(ContentMode::Center, {30, 20}, {0, 0, 60, 60}), (Rect{15, 20, 30, 20}));
  EXPECT_EQ(rectForContentMode(ContentMode::BottomRight, {30, 20}, {0, 0, 60, 60}), (Rect{30, 40, 30, 20}));
}
