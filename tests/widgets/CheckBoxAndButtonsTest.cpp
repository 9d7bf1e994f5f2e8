#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/LayerAnimation.hpp"
#include "platform/ui/Window.hpp"
#include "widgets/BadgeButton.hpp"
#include "widgets/CheckBoxView.hpp"
#include "widgets/IconButton.hpp"
#include "widgets/SwitchButton.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

using namespace mv;

namespace {

class CheckBoxTest : public test::WidgetTestEnvironment {};
class BadgeButtonTest : public test::WidgetTestEnvironment {};
class SwitchButtonTest : public test::WidgetTestEnvironment {};

// A finger down on the view's centre, lifted at a window point.
void pressAndLift(ui::HeadlessDriver& d, const ui::View& v, ui::Point lift) {
  ui::Point c = d.centerOf(v);
  d.window().touchDown(77, c);
  d.window().touchMove(77, lift);
  d.window().touchUp(77, lift);
  d.flush();
}

struct Switches : SwitchButtonDelegate {
  std::vector<long> calls;
  void selectSwitchButton(SwitchButton&, long index) override { calls.push_back(index); }
};

}  // namespace

TEST_F(CheckBoxTest, HitAreaReportsAndDisabledLook) {
  ui::HeadlessDriver driver;
  auto box = std::make_shared<CheckBoxView>(ui::Rect{100, 100, 200, 50}, CheckBoxViewStyleGreen, false);
  EXPECT_EQ(box->frame(), (ui::Rect{100, 100, 200, 36}));
  EXPECT_EQ(box->textLabel().frame(), (ui::Rect{32, 7, 168, 20}));
  // The 22 x 22 picture sits 5 in, centred in 36.
  EXPECT_EQ(box->checkBoxImageView().frame(), (ui::Rect{5, 7, 22, 22}));
  EXPECT_EQ(box->checkBoxImageView().image(), CheckBoxView::checkBoxImageForStyle(CheckBoxViewStyleGreen, false));
  EXPECT_NE(CheckBoxView::checkBoxImageForStyle(CheckBoxViewStyleGreen, true), nullptr);
  EXPECT_EQ(CheckBoxView::checkBoxImageForStyle(5, true), nullptr);
  EXPECT_EQ(CheckBoxView::imageViewFrameForCheckBoxImage(nullptr), (ui::Rect{5, 18, 0, 0}));
  box->setText("Remember me");
  driver.window().addSubview(box);

  int blockCalls = 0;
  box->setStateChangedBlock([&](CheckBoxView& b) {
    ++blockCalls;
    EXPECT_EQ(&b, box.get());
  });

  // Lifted within 5 points to the left and 10 above: toggles.
  pressAndLift(driver, *box, {96, 95});
  EXPECT_TRUE(box->checked());
  EXPECT_EQ(blockCalls, 1);
  EXPECT_EQ(box->alpha(), 1.0);
  EXPECT_EQ(box->checkBoxImageView().image(), CheckBoxView::checkBoxImageForStyle(CheckBoxViewStyleGreen, true));
  // Just right of it, or just below: no toggle.
  pressAndLift(driver, *box, {301, 110});
  pressAndLift(driver, *box, {150, 137});
  EXPECT_TRUE(box->checked());
  EXPECT_EQ(blockCalls, 1);

  // While the finger is down the view dims.
  driver.window().touchDown(78, driver.centerOf(*box));
  EXPECT_DOUBLE_EQ(box->alpha(), 0.8);
  driver.window().touchesCancel({78});
  EXPECT_DOUBLE_EQ(box->alpha(), 1.0);

  // A living target takes the report instead of the block.
  auto target = std::make_shared<int>(0);
  int selectorCalls = 0;
  box->setStateChangedTarget(target, [&](CheckBoxView&) { ++selectorCalls; });
  driver.tap(*box);
  EXPECT_FALSE(box->checked());
  EXPECT_EQ(selectorCalls, 1);
  EXPECT_EQ(blockCalls, 1);
  // Once the target is gone the block hears again.
  target.reset();
  driver.tap(*box);
  EXPECT_EQ(selectorCalls, 1);
  EXPECT_EQ(blockCalls, 2);

  // Setting the state in code shows it without a report.
  box->setChecked(false);
  EXPECT_EQ(blockCalls, 2);

  // Disabled: touches are ignored, the box dims.
  box->setEnabled(false);
  EXPECT_DOUBLE_EQ(box->checkBoxImageView().alpha(), 0.6);
  EXPECT_FALSE(box->textLabel().isEnabled());
  driver.tap(*box);
  EXPECT_FALSE(box->checked());
  EXPECT_EQ(blockCalls, 2);
  box->setEnabled(true);
  EXPECT_DOUBLE_EQ(box->checkBoxImageView().alpha(), 1.0);
  EXPECT_TRUE(box->canBecomeFirstResponder());
}

TEST_F(BadgeButtonTest, IconKindsAndLanguageChange) {
  texts = {{"ADDTOORDER", "Add to Order"}, {"SAVEORDER", "Save Order"}};
  auto button = std::make_shared<IconButton>(ui::Rect{826, 585, 143, 34});
  auto& icon = button->iconImageView();
  EXPECT_EQ(icon.frame(), (ui::Rect{111, 0, 30, 30}));
  EXPECT_EQ(icon.autoresizingMask(), ui::FlexibleLeftMargin);
  EXPECT_TRUE(icon.isHidden());

  button->setIconType(IconButtonTypeAddToOrder);
  EXPECT_FALSE(icon.isHidden());
  EXPECT_TRUE(icon.image());
  EXPECT_EQ(button->titleForState(ui::ControlStateNormal), "Add to Order");
  EXPECT_EQ(button->titleEdgeInsets(), (ui::EdgeInsets{0, 5, 0, 35}));
  EXPECT_EQ(button->titleLabel().font(), gfx::Font::boldSystemFont(14));
  EXPECT_TRUE(button->titleLabel().adjustsFontSizeToFitWidth());

  // A language change followed by reloadText retitles.
  texts["ADDTOORDER"] = "加入订单";
  button->reloadText();
  EXPECT_EQ(button->titleForState(ui::ControlStateNormal), "加入订单");
  button->setIconType(IconButtonTypeSaveOrder);
  EXPECT_EQ(button->titleForState(ui::ControlStateNormal), "Save Order");

  // Another kind hides the icon and clears the insets, keeping the title.
  button->setIconType(0);
  EXPECT_TRUE(icon.isHidden());
  EXPECT_EQ(button->titleEdgeInsets(), ui::EdgeInsets{});
  EXPECT_EQ(button->titleForState(ui::ControlStateNormal), "Save Order");
  EXPECT_EQ(button->iconType(), 0);

  // The badge works on the icon button too; the picture comes from the skin hook.
  int asked = 0;
  WidgetSkin::setSkinImageProvider([&](const std::string& name) {
    ++asked;
    return WidgetSkin::bundleImage(name);
  });
  auto skinned = std::make_shared<IconButton>(ui::Rect{0, 0, 100, 34});
  EXPECT_GE(asked, 1);
  skinned->setBadgeValue("9", false);
  EXPECT_EQ(skinned->badgeView().frame(), (ui::Rect{90, -10, 20, 20}));

  ui::HeadlessDriver driver;
  ViewStyle::initializeToButtonHeight34(*button);
  EXPECT_TRUE(button->backgroundImageForState(ui::ControlStateNormal));
  EXPECT_EQ(button->titleColorForState(ui::ControlStateNormal), gfx::Color::white());
  auto image = driver.render(*button);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixelWidth(), 143);
}

TEST_F(SwitchButtonTest, ChangeOnlyNotification) {
  texts = {{"CATEGORY", "Category"}, {"TAG", "Tags"}};
  ui::HeadlessDriver driver;
  auto sw = std::make_shared<SwitchButton>(ui::Rect{0, 100, 244, 44});
  auto listener = std::make_shared<Switches>();
  sw->setDelegate(listener);
  driver.window().addSubview(sw);

  auto& seg = sw->segmentedControl();
  EXPECT_EQ(seg.frame(), (ui::Rect{20, 5, 204, 34}));
  EXPECT_EQ(seg.titleForSegmentAtIndex(0), "Category");
  EXPECT_EQ(seg.titleForSegmentAtIndex(1), "Tags");
  EXPECT_EQ(seg.selectedSegmentIndex(), 0);
  EXPECT_EQ(seg.segmentedControlStyle(), 2);
  EXPECT_EQ(seg.tintColor(), ViewStyle::colorOfMainTheme());
  EXPECT_EQ(sw->currentIndex(), 0);
  EXPECT_TRUE(sw->leftButton().isHidden());
  EXPECT_TRUE(sw->leftButton().isSelected());
  EXPECT_FALSE(sw->rightButton().isSelected());
  EXPECT_EQ(sw->rightButton().frame(), (ui::Rect{122, 0, 122, 44}));

  // The same index calls nobody; the other one exactly once.
  sw->setCurrentIndex(0);
  EXPECT_TRUE(listener->calls.empty());
  sw->setCurrentIndex(1);
  EXPECT_EQ(listener->calls, (std::vector<long>{1}));
  EXPECT_EQ(seg.selectedSegmentIndex(), 1);
  sw->setCurrentIndex(1);
  // Out of range is ignored.
  sw->setCurrentIndex(5);
  sw->setCurrentIndex(-1);
  EXPECT_EQ(sw->currentIndex(), 1);
  EXPECT_EQ(seg.selectedSegmentIndex(), 1);
  EXPECT_EQ(listener->calls, (std::vector<long>{1}));

  // A tap on the other segment: once; again: nobody.
  driver.tapAt({20 + 51, 127});
  EXPECT_EQ(listener->calls, (std::vector<long>{1, 0}));
  driver.tapAt({20 + 51, 127});
  EXPECT_EQ(listener->calls, (std::vector<long>{1, 0}));
  EXPECT_EQ(sw->currentIndex(), 0);

  // The half buttons report changes only too.
  sw->btnClick(sw->rightButton());
  EXPECT_EQ(listener->calls, (std::vector<long>{1, 0, 1}));
  EXPECT_TRUE(sw->rightButton().isSelected());
  EXPECT_FALSE(sw->leftButton().isSelected());
  sw->btnClick(sw->rightButton());
  EXPECT_EQ(listener->calls.size(), 3u);

  sw->setLeftTittle("Left");
  sw->setRightTittle("Right");
  EXPECT_EQ(sw->leftTittle(), "Left");
  EXPECT_EQ(sw->rightTittle(), "Right");
  EXPECT_EQ(sw->leftButton().titleColorForState(ui::ControlStateNormal), gfx::Color::white());

  // A new switch made after a skin change takes the new skin's pictures.
  auto skinPicture = gfx::Image::blank({10, 10});
  WidgetSkin::setSkinImageProvider([&](const std::string&) { return skinPicture; });
  auto reskinned = std::make_shared<SwitchButton>(ui::Rect{0, 0, 244, 44});
  EXPECT_EQ(reskinned->leftButton().backgroundImageForState(ui::ControlStateNormal), skinPicture);
  EXPECT_EQ(reskinned->rightButton().backgroundImageForState(ui::ControlStateSelected), skinPicture);
  // A one-colour skin bar gives that colour as the main theme when it reads
  // on the screens' light grounds, a deeper shade of it when it is too pale;
  // no bar, dark grey.
  auto solidBar = [](const gfx::Color& colour) {
    auto paint = gfx::Context::bitmap({40, 4}, 1.0, true);
    paint->setFillColor(colour);
    paint->fillRect({0, 0, 40, 4});
    return paint->makeImage();
  };
  gfx::ImagePtr solid = solidBar(gfx::Color::rgb255(28, 80, 126));
  WidgetSkin::setSkinImageProvider([&](const std::string& name) { return name == "topbar-bg.png" ? solid : nullptr; });
  EXPECT_EQ(ViewStyle::colorOfMainTheme(), gfx::Color::rgb255(28, 80, 126));
  solid = solidBar(gfx::Color::rgb255(230, 170, 180));  // a pale pink
  const gfx::Color deepened = ViewStyle::colorOfMainTheme();
  EXPECT_GE(ViewStyle::contrastRatio(deepened, gfx::Color::white()), ViewStyle::kReadableContrast);
  EXPECT_GE(ViewStyle::contrastRatio(deepened, gfx::Color::rgb255(240, 240, 240)), ViewStyle::kReadableContrast);
  EXPECT_GT(deepened.r(), deepened.g());  // still a shade of it
  WidgetSkin::setSkinImageProvider([](const std::string&) { return gfx::ImagePtr(); });
  EXPECT_EQ(ViewStyle::colorOfMainTheme(), gfx::Color::darkGray());

  // A switch that outlives its owner reference calls nobody.
  listener.reset();
  sw->setCurrentIndex(0);
  EXPECT_EQ(sw->currentIndex(), 0);
}
