#include <gtest/gtest.h>

#include <filesystem>

#include "UiTestEnvironment.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"
#include "widgets/BadgeButton.hpp"
#include "widgets/CheckBoxView.hpp"
#include "widgets/IconButton.hpp"
#include "widgets/MVProgressView.hpp"
#include "widgets/PageControl.hpp"
#include "widgets/ProgressHUD.hpp"
#include "widgets/PullTableView.hpp"
#include "widgets/RoundProgressView.hpp"
#include "widgets/SwitchButton.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

using namespace mv;

namespace {
class WidgetRenderingTest : public test::WidgetTestEnvironment {};
}  // namespace

TEST_F(WidgetRenderingTest, EveryWidgetDrawsHeadless) {
  texts = {{"CATEGORY", "Category"}, {"TAG", "Tags"}, {"ADDTOORDER", "Add to Order"}};
  // The installed fonts, so the snapshot shows text as the application does.
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  ui::HeadlessDriver driver;
  auto& window = driver.window();
  window.setBackgroundColor(gfx::Color::white());

  // The determinate indicators: a half pie and a quarter ring.
  auto pie = std::make_shared<RoundProgressView>(ui::Rect{20, 20, 37, 37});
  pie->setProgressTintColor(gfx::Color::blue());
  pie->setBackgroundTintColor(gfx::Color::blue().withAlphaComponent(0.1));
  pie->setProgress(0.5f);
  auto ring = std::make_shared<RoundProgressView>(ui::Rect{80, 20, 37, 37});
  ring->setAnnular(true);
  ring->setProgressTintColor(gfx::Color::red());
  ring->setProgress(0.25f);
  window.addSubview(pie);
  window.addSubview(ring);

  auto box = std::make_shared<CheckBoxView>(ui::Rect{140, 20, 200, 36}, CheckBoxViewStyleBox, true);
  box->setText("Show all customers");
  window.addSubview(box);

  auto badge = std::make_shared<BadgeButton>(ui::Rect{380, 30, 80, 34});
  ViewStyle::initializeToButtonHeight34(*badge);
  badge->setTitle(std::string("Orders"), ui::ControlStateNormal);
  badge->setBadgeValue("12", false);
  window.addSubview(badge);
  auto icon = std::make_shared<IconButton>(ui::Rect{500, 30, 143, 34});
  ViewStyle::initializeToButtonHeight34(*icon);
  icon->setIconType(IconButtonTypeAddToOrder);
  window.addSubview(icon);

  auto sw = std::make_shared<SwitchButton>(ui::Rect{680, 20, 244, 44});
  window.addSubview(sw);

  auto pages = std::make_shared<PageControl>(ui::Rect{20, 100, 200, 36});
  pages->setNumberOfPages(4);
  pages->setCurrentPage(2);
  pages->setPageIndicatorImage(WidgetSkin::bundleImage("page.png"));
  pages->setCurrentPageIndicatorImage(WidgetSkin::bundleImage("page_on.png"));
  window.addSubview(pages);

  auto bar = std::make_shared<MVProgressView>(
      ui::Rect{260, 110, 300, 8}, ViewStyle::resizeImage(WidgetSkin::bundleImage("sync_bar.png"), {3, 3, 3, 3}),
      ViewStyle::resizeImage(WidgetSkin::bundleImage("sync_bar_on.png"), {3, 3, 3, 3}));
  bar->setProgressAnimationDuration(0);
  bar->setProgress(0.6f);
  window.addSubview(bar);

  auto table = std::make_shared<PullTableView>(ui::Rect{20, 160, 320, 300});
  table->setRefreshEnable(true);
  table->setContentOffset({0, -80});
  window.addSubview(table);

  auto hud = ProgressHUD::initWithView(window);
  hud->setMode(ProgressHUDModeAnnularDeterminate);
  hud->setProgress(0.3f);
  hud->setLabelText("Syncing");
  hud->setDetailsLabelText("Product pictures");
  window.addSubview(hud);
  hud->show(false);

  const auto file = root / "widgets.png";
  ASSERT_TRUE(driver.snapshot(file));
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_GT(std::filesystem::file_size(file), 1000u);

  auto image = driver.render(*pie);
  ASSERT_TRUE(image);
  // The pie's right half is filled white, its left half only tinted.
  EXPECT_GT(image->pixelAt(26, 18).r(), 0.9);
  EXPECT_GT(image->pixelAt(26, 18).alpha(), 0.9);
  EXPECT_LT(image->pixelAt(10, 18).alpha(), 0.5);
  auto ringImage = driver.render(*ring);
  ASSERT_TRUE(ringImage);
  // The ring's first quarter (top to right) is red on its circle.
  gfx::Color onRing = ringImage->pixelAt(31, 10);
  EXPECT_GT(onRing.r(), 0.8);
  EXPECT_LT(onRing.g(), 0.3);
}
