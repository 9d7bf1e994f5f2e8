#include <gtest/gtest.h>

#include "WidgetTestEnvironment.hpp"
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

TEST_F(PageControlTest, MeasuringSizesAndIndicatorRects) {
  auto pc = std::make_shared<PageControl>(ui::Rect{0, 0, 200, 40});
  EXPECT_EQ(pc->sizeForNumberOfPages(0), (ui::Size{0, 10}));
  EXPECT_EQ(pc->sizeForNumberOfPages(1), (ui::Size{10, 10}));
  EXPECT_EQ(pc->sizeForNumberOfPages(3), (ui::Size{50, 10}));
  EXPECT_EQ(pc->sizeForNumberOfPages(-4), (ui::Size{0, 10}));

  pc->setNumberOfPages(-2);
  EXPECT_EQ(pc->numberOfPages(), 0);
  EXPECT_EQ(pc->rectForPageIndicator(0), ui::Rect{});
  pc->setNumberOfPages(3);

  // Centred: left = 100 - 25, middle: top = 20 - 5.
  EXPECT_EQ(pc->leftOffset(), 75);
  EXPECT_EQ(pc->topOffset(), 15);
  EXPECT_EQ(pc->rectForPageIndicator(0), (ui::Rect{75, 15, 10, 10}));
  EXPECT_EQ(pc->rectForPageIndicator(2), (ui::Rect{115, 15, 10, 10}));
  EXPECT_EQ(pc->rectForPageIndicator(3), ui::Rect{});
  EXPECT_EQ(pc->rectForPageIndicator(-1), ui::Rect{});

  pc->setAlignment(PageControlAlignmentRight);
  pc->setVerticalAlignment(PageControlVerticalAlignmentBottom);
  EXPECT_EQ(pc->leftOffset(), 200 - 50 - 10);
  EXPECT_EQ(pc->topOffset(), 30);
  EXPECT_EQ(pc->rectForPageIndicator(1), (ui::Rect{160, 30, 10, 10}));
  pc->setAlignment(7);
  pc->setVerticalAlignment(0);
  EXPECT_EQ(pc->leftOffset(), 0);
  EXPECT_EQ(pc->topOffset(), 0);

  // Pictures enlarge the cell; a non-square picture keeps its height.
  auto wide = gfx::Image::blank({20, 12});
  pc->setPageIndicatorImage(wide);
  EXPECT_EQ(pc->measuredIndicatorWidth(), 20);
  EXPECT_EQ(pc->measuredIndicatorHeight(), 12);
  EXPECT_EQ(pc->rectForPageIndicator(1), (ui::Rect{30, 0, 20, 12}));
  auto square = gfx::Image::blank({20, 20});
  pc->setPageIndicatorImage(square);
  EXPECT_EQ(pc->sizeForNumberOfPages(3), (ui::Size{80, 20}));
  // With both pictures the current page's decides.
  pc->setCurrentPageIndicatorImage(gfx::Image::blank({14, 6}));
  EXPECT_EQ(pc->measuredIndicatorWidth(), 14);
  EXPECT_EQ(pc->measuredIndicatorHeight(), 10);
  pc->setCurrentPageIndicatorImage(nullptr);
  pc->setPageIndicatorImage(nullptr);
  pc->setIndicatorDiameter(6);
  pc->setIndicatorMargin(4);
  EXPECT_EQ(pc->sizeForNumberOfPages(3), (ui::Size{26, 6}));

  // sizeToFit keeps the origin and is at least 36 high.
  pc->setFrame({5, 6, 300, 80});
  pc->sizeToFit();
  EXPECT_EQ(pc->frame(), (ui::Rect{5, 6, 26, 36}));

  // Per-page pictures only for pages in range.
  pc->setImage(square, 1);
  pc->setImage(square, 5);
  pc->setCurrentImage(wide, 2);
  EXPECT_EQ(pc->imageForPage(1), square);
  EXPECT_EQ(pc->imageForPage(5), nullptr);
  EXPECT_EQ(pc->currentImageForPage(2), wide);
  pc->setImage(nullptr, 1);
  EXPECT_EQ(pc->imageForPage(1), nullptr);
}

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
