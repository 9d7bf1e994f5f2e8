#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"
#include "widgets/PageControl.hpp"

using namespace mv;

namespace {

class PageControlTest : public test::WidgetTestEnvironment {};

struct Fixture {
  ui::HeadlessDriver driver;
  std::shared_ptr<PageControl> control = std::make_shared<PageControl>(ui::Rect{100, 100, 200, 36});
  int events = 0;
  Fixture() {
    driver.window().addSubview(control);
    control->addAction([this](ui::Control&, const ui::Event*) { ++events; }, ui::ControlEventValueChanged);
  }
  // A tap at a point in the control's coordinates.
  void tapAt(double x, double y = 18) { driver.tapAt({100 + x, 100 + y}); }
};

}  // namespace

TEST_F(PageControlTest, CurrentPageDeferralAndTaps) {
  Fixture f;
  auto& pc = *f.control;
  pc.setNumberOfPages(3);
  pc.setCurrentPage(5);
  EXPECT_EQ(pc.currentPage(), 0);
  pc.setCurrentPage(-1);
  EXPECT_EQ(pc.currentPage(), 0);
  pc.setCurrentPage(2);
  EXPECT_EQ(pc.currentPage(), 2);
  EXPECT_EQ(pc.displayedPage(), 2);
  EXPECT_EQ(f.events, 0);  // code sends nothing unless asked
  pc.setCurrentPage(1, true, false);
  EXPECT_EQ(f.events, 1);

  // Dots span x 75 ... 125; the halves split at 100.
  f.tapAt(60);
  EXPECT_EQ(pc.currentPage(), 0);
  EXPECT_EQ(f.events, 2);
  f.tapAt(20);  // before page 0: nothing, no event
  EXPECT_EQ(pc.currentPage(), 0);
  EXPECT_EQ(f.events, 2);
  f.tapAt(150);
  f.tapAt(150);
  f.tapAt(150);  // past the last page: nothing
  EXPECT_EQ(pc.currentPage(), 2);
  EXPECT_EQ(f.events, 4);

  // Deferred display: the tap moves the page and reports, the dot waits.
  pc.setDefersCurrentPageDisplay(true);
  f.tapAt(10);
  EXPECT_EQ(pc.currentPage(), 1);
  EXPECT_EQ(pc.displayedPage(), 2);
  EXPECT_EQ(f.events, 5);
  pc.updateCurrentPageDisplay();
  EXPECT_EQ(pc.displayedPage(), 1);
  // Code that cannot defer shows at once.
  pc.setCurrentPage(0);
  EXPECT_EQ(pc.displayedPage(), 0);

  // Hidden for a single page, still answers (and ignores) taps.
  pc.setHidesForSinglePage(true);
  pc.setNumberOfPages(1);
  f.tapAt(150);
  EXPECT_EQ(pc.currentPage(), 0);
  EXPECT_EQ(f.events, 5);
}

TEST_F(PageControlTest, ShrinkingKeepsTheCurrentPageInRange) {
  Fixture f;
  auto& pc = *f.control;
  pc.setNumberOfPages(5);
  pc.setCurrentPage(4);
  pc.setNumberOfPages(2);
  EXPECT_EQ(pc.currentPage(), 1);
  EXPECT_EQ(pc.displayedPage(), 1);
  // Taps work again: back to page 0.
  f.tapAt(10);
  EXPECT_EQ(pc.currentPage(), 0);
  EXPECT_EQ(f.events, 1);
  pc.setNumberOfPages(0);
  EXPECT_EQ(pc.currentPage(), 0);
  EXPECT_EQ(pc.displayedPage(), 0);

  // Following a scroll position: floor(offset / page width), guarded.
  pc.setNumberOfPages(4);
  pc.updatePageNumberForOffset(1023.9, 512);
  EXPECT_EQ(pc.currentPage(), 1);
  pc.updatePageNumberForOffset(1024, 512);
  EXPECT_EQ(pc.currentPage(), 2);
  pc.updatePageNumberForOffset(500, 0);
  pc.updatePageNumberForOffset(1e30, 1);
  pc.updatePageNumberForOffset(-600, 512);
  EXPECT_EQ(pc.currentPage(), 2);
}

TEST_F(PageControlTest, DrawsDotsAndPictures) {
  ui::HeadlessDriver driver;
  auto pc = std::make_shared<PageControl>(ui::Rect{0, 0, 100, 20});
  pc->setNumberOfPages(3);
  pc->setCurrentPage(1);
  pc->setPageIndicatorTintColor(gfx::Color::rgb(1, 0, 0));
  pc->setCurrentPageIndicatorTintColor(gfx::Color::rgb(0, 0, 1));
  auto image = driver.render(*pc);
  ASSERT_TRUE(image);
  // Dots at x 25, 45, 65 (10 wide), y 5.
  EXPECT_GT(image->pixelAt(30, 10).r(), 0.9);
  EXPECT_GT(image->pixelAt(50, 10).b(), 0.9);
  EXPECT_LT(image->pixelAt(50, 10).r(), 0.1);
  EXPECT_EQ(image->pixelAt(40, 10).alpha(), 0);

  pc->setHidesForSinglePage(true);
  pc->setNumberOfPages(1);
  image = driver.render(*pc);
  EXPECT_EQ(image->pixelAt(50, 10).alpha(), 0);
}
