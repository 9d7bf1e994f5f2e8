// The shared view helpers the feature screens call: buttons, image fitting,
// the strike-through, the wiggle, the format badge colours and the busy dial.
#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/ui/LayerAnimation.hpp"
#include "widgets/ViewStyle.hpp"

using namespace mv;

namespace {

class ViewStyleTest : public test::WidgetTestEnvironment {};

gfx::ImagePtr solid(ui::Size size, const gfx::Color& colour) {
  auto ctx = gfx::Context::bitmap(size);
  ctx->setFillColor(colour);
  ctx->fillRect({0, 0, size.width, size.height});
  return ctx->makeImage();
}

}  // namespace

TEST_F(ViewStyleTest, ButtonsTakeTheirSkinPicturesCapsAndTitles) {
  struct Case {
    void (*style)(ui::Button&);
    base::EdgeInsets caps;
    base::EdgeInsets title;
  };
  const Case skinned[] = {{ViewStyle::initializeToButtonHeight34, {0, 5, 0, 5}, {}},
                          {ViewStyle::initializeToButtonHeight30, {0, 5, 0, 5}, {}},
                          {ViewStyle::initializeToBackButtonHeight34, {0, 16, 0, 5}, {0, 10, 0, 0}}};
  for (const Case& c : skinned) {
    ui::Button button({0, 0, 100, 34});
    c.style(button);
    auto background = button.backgroundImageForState(ui::ControlStateNormal);
    ASSERT_TRUE(background);
    EXPECT_EQ(background->capInsets(), c.caps);
    EXPECT_EQ(button.titleEdgeInsets(), c.title);
    EXPECT_EQ(button.titleColorForState(ui::ControlStateNormal), gfx::Color::white());
    EXPECT_TRUE(button.titleLabel().font().isBold());
    EXPECT_EQ(button.titleLabel().font().pointSize(), 15);
  }
  EXPECT_EQ(ViewStyle::resizeImage(nullptr, {0, 5, 0, 5}), nullptr);

  ui::Button flat({0, 0, 100, 34});
  ViewStyle::initializeToButtonHeight34(flat);
  ViewStyle::initializeToButtonFlatStyleBlue(flat);
  EXPECT_EQ(flat.backgroundImageForState(ui::ControlStateNormal), nullptr);
  EXPECT_EQ(flat.titleColorForState(ui::ControlStateNormal), gfx::Color::rgb255(72, 129, 176));
  EXPECT_FALSE(flat.titleLabel().font().isBold());
  EXPECT_EQ(flat.titleLabel().font().pointSize(), 17);
  ViewStyle::initializeToButtonFlatStyleWhite(flat);
  EXPECT_EQ(flat.titleColorForState(ui::ControlStateNormal), gfx::Color::white());
}

TEST_F(ViewStyleTest, ImagesFitTheirViews) {
  ui::ImageView view({0, 0, 100, 100});
  auto small = solid({20, 10}, gfx::Color::rgb255(255, 0, 0));
  auto wide = solid({200, 100}, gfx::Color::rgb255(0, 0, 255));
  ViewStyle::ImageViewFitImg(view, small);
  EXPECT_EQ(view.image(), small);
  EXPECT_EQ(view.contentMode(), ui::ContentMode::Center);
  ViewStyle::ImageViewFitImg(view, wide);
  EXPECT_EQ(view.contentMode(), ui::ContentMode::ScaleAspectFit);
  // As wide as the view is not smaller than it.
  ViewStyle::ImageViewFitImg(view, solid({100, 10}, gfx::Color::white()));
  EXPECT_EQ(view.contentMode(), ui::ContentMode::ScaleAspectFit);
  ViewStyle::ImageViewFitImg(view, nullptr);
  EXPECT_TRUE(view.image());

  ViewStyle::ImageViewFitImgWithRedrawedImg(view, small);
  ASSERT_TRUE(view.image());
  EXPECT_NE(view.image(), small);
  EXPECT_EQ(view.image()->size(), small->size());
  EXPECT_EQ(view.image()->pixelAt(5, 5), small->pixelAt(5, 5));
  EXPECT_EQ(view.contentMode(), ui::ContentMode::Center);

  // Setting empties the view first, then centres the picture, scaled down
  // only when it is larger.
  ui::View box({0, 0, 100, 100});
  box.addSubview(std::make_shared<ui::View>(ui::Rect{0, 0, 5, 5}));
  ViewStyle::ImageViewSetImg(box, wide);
  ASSERT_EQ(box.subviews().size(), 1u);
  EXPECT_EQ(box.subviews()[0]->frame(), (ui::Rect{0, 25, 100, 50}));
  ViewStyle::ImageViewSetImg(box, small);
  ASSERT_EQ(box.subviews().size(), 1u);
  EXPECT_EQ(box.subviews()[0]->frame(), (ui::Rect{40, 45, 20, 10}));
  ViewStyle::ImageViewSetImg(box, nullptr);
  EXPECT_TRUE(box.subviews().empty());
}

TEST_F(ViewStyleTest, StrikeThroughWiggleBadgeColoursAndDial) {
  ui::Label price({0, 0, 200, 20});
  price.setFont(gfx::Font::systemFont(10));
  price.setText("$12.50");  // six characters of 5 points with the fixed measurer
  ViewStyle::addDeletionLineToLabel(price);
  ASSERT_EQ(price.subviews().size(), 1u);
  EXPECT_EQ(price.subviews()[0]->frame(), (ui::Rect{-5, 10, 40, 2}));
  ViewStyle::removeDeletionLineFromLabel(price);
  EXPECT_TRUE(price.subviews().empty());

  ui::View tile({0, 0, 50, 50});
  ui::BasicAnimation other("opacity");
  tile.layer().addAnimation(other, "fade");
  ViewStyle::setViewShaking(tile, true);
  EXPECT_EQ(tile.layer().animationKeys(), (std::vector<std::string>{ViewStyle::kShakingAnimationKey}));
  auto wiggle =
      std::dynamic_pointer_cast<ui::BasicAnimation>(tile.layer().animationForKey(ViewStyle::kShakingAnimationKey));
  ASSERT_TRUE(wiggle);
  EXPECT_EQ(wiggle->keyPath, "transform");
  EXPECT_DOUBLE_EQ(wiggle->duration, 0.1);
  EXPECT_TRUE(wiggle->autoreverses);
  EXPECT_EQ(wiggle->repeatCount, ui::LayerAnimation::kRepeatForever);
  ASSERT_TRUE(wiggle->fromValue && wiggle->toValue);
  EXPECT_EQ(std::get<ui::Transform3D>(*wiggle->fromValue), ui::Transform3D::rotation(-0.03, 0, 0, 1));
  EXPECT_EQ(std::get<ui::Transform3D>(*wiggle->toValue), ui::Transform3D::rotation(0.03, 0, 0, 1));
  ViewStyle::setViewShaking(tile, false);
  EXPECT_TRUE(tile.layer().animationKeys().empty());

  EXPECT_EQ(ViewStyle::indicatorColorByFormat("pdf"), gfx::Color::rgb255(208, 72, 46));
  EXPECT_EQ(ViewStyle::indicatorColorByFormat("Docx"), gfx::Color::rgb255(33, 143, 244));
  EXPECT_EQ(ViewStyle::indicatorColorByFormat("3GP"), gfx::Color::rgb255(140, 107, 187));
  EXPECT_EQ(ViewStyle::indicatorColorByFormat("pptx"), gfx::Color::rgb255(229, 118, 43));
  EXPECT_EQ(ViewStyle::indicatorColorByFormat("xls"), gfx::Color::rgb255(86, 147, 50));
  EXPECT_EQ(ViewStyle::indicatorColorByFormat("EPUB"), gfx::Color::rgb255(133, 185, 22));
  EXPECT_EQ(ViewStyle::indicatorColorByFormat("txt"), ViewStyle::colorOfMainTheme());

  ui::AlertView alert("Title", "Line one\nLine two");
  ViewStyle::setTextAlignment(gfx::TextAlignment::Left, alert);
  EXPECT_EQ(alert.messageLabel().textAlignment(), gfx::TextAlignment::Left);

  ui::View page({0, 0, 300, 300});
  auto dial = std::make_shared<ui::ActivityIndicatorView>();
  ViewStyle::showDial(page, dial);
  EXPECT_EQ(dial->superview(), &page);
  EXPECT_TRUE(dial->isAnimating());
  EXPECT_FALSE(page.isUserInteractionEnabled());
  page.addSubview(std::make_shared<ui::View>(ui::Rect{0, 0, 10, 10}));
  ViewStyle::showDial(page, dial);
  EXPECT_EQ(page.subviews().back(), dial);
  ViewStyle::hideDial(page, dial);
  EXPECT_EQ(dial->superview(), nullptr);
  EXPECT_FALSE(dial->isAnimating());
  EXPECT_TRUE(page.isUserInteractionEnabled());
}
