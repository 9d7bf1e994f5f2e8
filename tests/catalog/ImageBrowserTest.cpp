#include "CatalogTestSupport.hpp"
#include "LargePicture.hpp"
#include "catalog/ImageBrowserLayout.hpp"
#include "catalog/ProductDetailController.hpp"
#include "catalog/ProductDetailImageController.hpp"
#include "catalog/SlideShowController.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/Window.hpp"
#include "shell/frame/UIToast.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/ImageLoadQueueManager.hpp"

namespace mv::test {
namespace {

using L = ImageBrowserLayout;

TEST(ImageBrowserLayoutTest, LoadsTheShownPageNowItsNeighboursSoonAndDropsPagesTwoAway) {
  struct Case {
    long current, count;
    std::optional<long> now;
    std::vector<long> async, unload;
  };
  for (const Case& c : {Case{0, 5, 0, {1}, {2}}, Case{1, 5, 1, {2, 0}, {3}}, Case{2, 5, 2, {3, 1}, {4, 0}},
                        Case{4, 5, 4, {3}, {2}}, Case{0, 1, 0, {}, {}}, Case{7, 5, std::nullopt, {}, {}}}) {
    const auto plan = L::loadPlan(c.current, c.count);
    EXPECT_EQ(plan.now, c.now) << c.current << "/" << c.count;
    EXPECT_EQ(plan.async, c.async) << c.current << "/" << c.count;
    EXPECT_EQ(plan.unload, c.unload) << c.current << "/" << c.count;
  }
}

TEST(ImageBrowserLayoutTest, PageFromTheOffsetAndThePullsThatChangeProduct) {
  EXPECT_EQ(L::pageForOffset(0, 1024), 0);
  EXPECT_EQ(L::pageForOffset(511, 1024), 0);
  EXPECT_EQ(L::pageForOffset(512, 1024), 1);
  EXPECT_EQ(L::pageForOffset(1536, 1024), 2);
  EXPECT_EQ(L::pageForOffset(-600, 1024), -1);
  EXPECT_EQ(L::leftTransition(), -10);
  EXPECT_EQ(L::rightTransition(1024, 1), 10);
  EXPECT_EQ(L::rightTransition(1024, 3), 2058);
}

TEST(ImageBrowserLayoutTest, LargePicturesShowTheirThumbnailFirstByDeviceClass) {
  EXPECT_FALSE(L::showsThumbnailFirst(307200, 1));
  EXPECT_TRUE(L::showsThumbnailFirst(307201, 1));
  EXPECT_FALSE(L::showsThumbnailFirst(512000, 2));
  EXPECT_TRUE(L::showsThumbnailFirst(512001, 2));
  EXPECT_FALSE(L::showsThumbnailFirst(1048576, 3));
  EXPECT_TRUE(L::showsThumbnailFirst(1048577, 3));
  // An unreadable size counts 0: shown at once.
  EXPECT_FALSE(L::showsThumbnailFirst(0, 1));
}

TEST(ImageBrowserLayoutTest, TheThumbnailGrowsToWhereThePictureWillStand) {
  const base::Size page{1024, 768}, thumb{160, 110};
  // Wide pictures scale by width, others by height; the page bounds big ones.
  EXPECT_DOUBLE_EQ(*L::enlargementScale(page, {2000, 1000}, thumb), static_cast<float>(1024.0 / 160));
  EXPECT_DOUBLE_EQ(*L::enlargementScale(page, {1450, 1000}, thumb), static_cast<float>(768.0 / 110));
  EXPECT_DOUBLE_EQ(*L::enlargementScale(page, {1460, 1000}, thumb), static_cast<float>(1024.0 / 160));
  EXPECT_DOUBLE_EQ(*L::enlargementScale(page, {400, 300}, thumb), static_cast<float>(300.0 / 110));
  EXPECT_DOUBLE_EQ(*L::enlargementScale(page, {1024, 300}, thumb), static_cast<float>(1024.0 / 160));
  // Unknown sizes make no enlargement at all.
  EXPECT_FALSE(L::enlargementScale(page, {0, 0}, thumb));
  EXPECT_FALSE(L::enlargementScale(page, {400, 300}, {0, 0}));
  EXPECT_FALSE(L::enlargementScale(page, {400, 0}, thumb));
}

TEST(ImageBrowserLayoutTest, ADoubleTapZoomsAroundTheTouch) {
  const base::Size frame{1024, 768};
  // Wide: shown 1024 x 512, so across it follows the touch, down it stays on the picture.
  EXPECT_EQ(L::zoomRect(frame, {2048, 1024}, 2, {600, 100}), (base::Rect{344, 128, 512, 384}));
  EXPECT_EQ(L::zoomRect(frame, {2048, 1024}, 2, {600, 500}), (base::Rect{344, 256, 512, 384}));
  // Tall: shown 250 x 768.
  EXPECT_EQ(L::zoomRect(frame, {500, 1536}, 2, {300, 400}), (base::Rect{256, 208, 512, 384}));
  // Small: the middle.
  EXPECT_EQ(L::zoomRect(frame, {100, 100}, 2, {10, 10}), (base::Rect{256, 192, 512, 384}));
  EXPECT_EQ(L::displayedSize(frame, {2048, 1023}), (base::Size{1024, 511}));
}

TEST(ImageBrowserLayoutTest, SlideShowTicksAndShifts) {
  EXPECT_EQ(L::slideShowTick(true, 0, 3072, 1024), L::Tick::Wait);
  EXPECT_EQ(L::slideShowTick(false, 0, 3072, 1024), L::Tick::NextPage);
  EXPECT_EQ(L::slideShowTick(false, 2048, 3072, 1024), L::Tick::NextProduct);
  EXPECT_EQ(L::slideShowTick(false, 0, 1024, 1024), L::Tick::NextProduct);
  EXPECT_EQ(L::slideOffset(4, 51), 51);
  EXPECT_EQ(L::slideOffset(5, 51), -51);
  EXPECT_EQ(L::slideOffset(6, 38), 0);
}

// Products 1 and 2 on a product screen; product 1 has three pictures on disk
// (the second of unreadable size), product 2 one.
class ImageBrowserTest : public CatalogTest {
 protected:
  void SetUp() override {
    CatalogTest::SetUp();
    ui::View::setAnimationsEnabled(false);
    product(1, "p1");
    product(2, "p2");
    save();
    for (int k = 1; k <= 3; ++k) {
      picture(1, k, "p1_" + std::to_string(k) + ".png", "p1_" + std::to_string(k) + "_s.png", k == 1);
      if (k != 2) writePicture("p1_" + std::to_string(k) + ".png", 800, 600);
      writePicture("p1_" + std::to_string(k) + "_s.png", 160, 120);
    }
    picture(2, 4, "p2_1.png", "p2_1_s.png", true);
    writePicture("p2_1.png", 400, 300);
    writePicture("p2_1_s.png", 160, 120);
    screen = std::make_shared<ProductDetailController>(*services);
    auto products = store().getAllProducts();
    screen->setProductEntity(products.at(0));
    screen->setProductList(products, 0);
    window = std::make_shared<ui::Window>();
    window->makeKeyAndVisible();
    window->setRootViewController(std::make_shared<ui::NavigationController>(screen));
    driver = std::make_unique<ui::HeadlessDriver>(window);
    settle();
  }
  void TearDown() override {
    browser.reset();
    screen.reset();
    window->setRootViewController(nullptr);
    ui::Application::sharedInstance().removeWindow(window.get());
    driver.reset();
    window.reset();
    ui::View::setAnimationsEnabled(true);
    CatalogTest::TearDown();
  }
  void writePicture(const std::string& name, int w, int h) {
    auto path = PublicFunction::filePathWithName(name, kFileTypeProductImage);
    ASSERT_TRUE(path);
    std::filesystem::create_directories(path->parent_path());
    gfx::ImageData pixels(w, h);
    ASSERT_TRUE(pixels.writePNG(*path));
  }
  // Runs what is due in half a second, with the pictures read on workers meanwhile.
  void settle() {
    settlePictures();
    base::RunLoop::main().runUntil([] { return false; }, 0.5);
    ui::View::layoutPendingViews();
    settlePictures();
  }
  void open() {
    screen->onClickImage();
    settle();
    browser = screen->imageController();
    ASSERT_TRUE(browser);
  }
  std::string lastToast() {
    std::string text;
    for (auto* toast : driver->findAllOf<UIToast>(nullptr, false)) text = toast->text();
    return text;
  }

  std::shared_ptr<ProductDetailController> screen;
  std::shared_ptr<ProductDetailImageController> browser;
  std::shared_ptr<ui::Window> window;
  std::unique_ptr<ui::HeadlessDriver> driver;
};

TEST_F(ImageBrowserTest, OpensOnTheShownPictureAndLoadsAroundThePageOnDisplay) {
  screen->onClickImage();
  browser = screen->imageController();
  ASSERT_TRUE(browser);
  // The start page shows the picture the product screen had read at once,
  // then the same picture read at the page's size.
  ASSERT_TRUE(browser->pageView(0));
  ASSERT_TRUE(screen->productImageView().image());
  EXPECT_EQ(browser->pageView(0)->imageView().image(), screen->productImageView().image());
  settle();
  ASSERT_TRUE(browser->pageView(0)->imageView().image());
  EXPECT_EQ(browser->pageView(0)->imageView().image()->size(), (base::Size{800, 600}));
  EXPECT_EQ(browser->imageCount(), 3);
  EXPECT_EQ(browser->currentIndex(), 0);
  ASSERT_TRUE(browser->pageView(1));
  EXPECT_FALSE(browser->pageView(2));
  EXPECT_FALSE(browser->btnRight().isHidden());
  EXPECT_TRUE(browser->btnLeft().isHidden());

  browser->myScrollView().setContentOffset({2048, 0});
  EXPECT_EQ(browser->currentIndex(), 2);
  EXPECT_EQ(browser->pageControl().currentPage(), 2);
  EXPECT_FALSE(browser->pageView(0));
  EXPECT_TRUE(browser->pageView(1));
  EXPECT_TRUE(browser->pageView(2));
  {
    gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
    const auto file = root / "image-browser.png";
    ASSERT_TRUE(driver->snapshot(file));
    keepSnapshot(file);
  }
}

// A page's huge picture, and its thumbnail, are read on a
// worker at the page's size: turning to it never waits for them.
TEST_F(ImageBrowserTest, ALargePictureIsReadAtThePagesSizeOffTheMainThread) {
  for (const char* name : {"p1_3.png", "p1_3_s.png"}) {
    const auto path = PublicFunction::filePathWithName(name, kFileTypeProductImage);
    ASSERT_TRUE(path);
    ASSERT_TRUE(writeLargePicture(*path, PictureKind::ProgressiveJpeg, kHugePictureWidth, kHugePictureHeight));
  }
  open();
  gfx::ImageData::resetLargestDecodeOnMainThread();
  browser->myScrollView().setContentOffset({2048, 0});
  EXPECT_EQ(browser->currentIndex(), 2);
  ASSERT_TRUE(browser->pageView(2));
  settle();
  expectReadAtShownSize(browser->pageView(2)->imageView());
  // The slide show reads its pictures the same way.
  browser->startSlideShow();
  settle();
  ASSERT_TRUE(browser->slideShowController());
  EXPECT_LT(gfx::ImageData::largestDecodeOnMainThread(), std::uint64_t(kHugePictureWidth) * kHugePictureHeight);
  browser->endSlideShow();
}

TEST_F(ImageBrowserTest, AThumbnailWithoutSizesShowsTheStockPictureAndNoEmptySurface) {
  open();
  // Page 1's picture cannot be read: its size is 0 x 0.
  auto stock = browser->enlargedThumbnail(1);
  ASSERT_TRUE(stock);
  EXPECT_EQ(stock->size(), (base::Size{400, 400}));
  auto grown = browser->enlargedThumbnail(2);
  ASSERT_TRUE(grown);
  // 800 x 600 fits the page; its ratio is under 1.45, so the height leads: 600 / 120.
  EXPECT_EQ(grown->size(), (base::Size{800, 600}));
  auto missing = browser->fullImage(1);
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->size(), (base::Size{400, 400}));
  auto outOfRange = browser->fullImage(9);
  ASSERT_TRUE(outOfRange);
}

TEST_F(ImageBrowserTest, PullingPastTheLastPageChangesProduct) {
  open();
  browser->myScrollView().setContentOffset({2048, 0});
  browser->myScrollView().setContentOffset({2048 + 10, 0});
  EXPECT_EQ(screen->productID(), 1);
  browser->myScrollView().setContentOffset({2048 + 11, 0});
  EXPECT_EQ(screen->productID(), 2);
  EXPECT_TRUE(browser->pageCurling());
  EXPECT_EQ(browser->imageCount(), 1);
  EXPECT_TRUE(browser->btnRight().isHidden());
  EXPECT_FALSE(browser->btnLeft().isHidden());
  settle();
  EXPECT_FALSE(browser->pageCurling());
  EXPECT_EQ(browser->myScrollView().contentOffset().x, 0);
  // The product screen follows a moment later.
  advance(ProductDetailController::kBrowserRefreshDelay);
  EXPECT_EQ(screen->productNameLabel().text(), "p2");
}

TEST_F(ImageBrowserTest, TheSlideShowWalksPagesThenProductsAndStopsWithTheBrowser) {
  open();
  browser->startSlideShow();
  EXPECT_EQ(lastToast(), "Slide show started");
  ASSERT_TRUE(browser->slideShowController());
  EXPECT_TRUE(browser->slideShow());
  EXPECT_EQ(browser->presentedViewController(), browser->slideShowController().get());

  advance(ProductDetailImageController::kSlideInterval);
  settle();
  EXPECT_EQ(browser->currentIndex(), 1);
  advance(ProductDetailImageController::kSlideInterval);
  settle();
  EXPECT_EQ(browser->currentIndex(), 2);
  advance(ProductDetailImageController::kSlideInterval);
  settle();
  EXPECT_EQ(screen->productID(), 2);
  // Past the last product the show starts again with the first.
  advance(ProductDetailImageController::kSlideInterval);
  settle();
  EXPECT_EQ(screen->productID(), 1);

  // A touch on the show's screen ends it.
  ASSERT_TRUE(driver->tapAt({500, 400}));
  settle();
  EXPECT_FALSE(browser->slideShow());
  EXPECT_EQ(browser->presentedViewController(), nullptr);
  advance(ProductDetailImageController::kSlideInterval * 2);
  EXPECT_EQ(screen->productID(), 1);
}

TEST_F(ImageBrowserTest, AForcedDismissalStopsTheTimerAndTheDelayedCalls) {
  open();
  browser->startSlideShow();
  browser->toggleChromeSoon();
  std::weak_ptr<ProductDetailImageController> weakBrowser = browser;
  std::weak_ptr<ProductDetailController> weakScreen = screen;
  // A logout takes every screen down at once.
  browser.reset();
  screen.reset();
  window->setRootViewController(nullptr);
  settle();
  EXPECT_TRUE(weakBrowser.expired());
  EXPECT_TRUE(weakScreen.expired());
  advance(ProductDetailImageController::kSlideInterval * 3);
}

TEST_F(ImageBrowserTest, ClosingTheBrowserStopsItsShow) {
  open();
  browser->startSlideShow();
  screen->dismissPopController(false);
  settle();
  EXPECT_FALSE(screen->imageController());
  EXPECT_FALSE(browser->slideShow());
  const long page = browser->currentIndex();
  advance(ProductDetailImageController::kSlideInterval * 2);
  EXPECT_EQ(browser->currentIndex(), page);
  EXPECT_EQ(screen->productID(), 1);
}

TEST_F(ImageBrowserTest, ControlsHideOnASingleTapAndTheInformationPanelToggles) {
  open();
  browser->toggleChromeSoon();
  browser->cancelChromeToggle();
  advance(ProductDetailImageController::kChromeDelay);
  EXPECT_FALSE(browser->isChromeHidden());
  browser->toggleChromeSoon();
  advance(ProductDetailImageController::kChromeDelay);
  settle();
  EXPECT_TRUE(browser->isChromeHidden());
  browser->toggleChromeDisplay();
  settle();
  EXPECT_FALSE(browser->isChromeHidden());

  browser->btnProductInfoClick();
  EXPECT_TRUE(browser->btnProductInfo().isSelected());
  EXPECT_TRUE(browser->productInfoView().superview());
  EXPECT_EQ(browser->productInfoView().productNameLabel().text(), "p1");
  browser->btnProductInfoClick();
  EXPECT_FALSE(browser->btnProductInfo().isSelected());
  advance(ProductInfoView::kRemoveDelay);
  EXPECT_FALSE(browser->productInfoView().superview());
}

TEST_F(ImageBrowserTest, ASecondTapBringsTheControlsBackAndCloseStillCloses) {
  open();
  const ui::Rect bar = browser->titlebar()->frame();
  const ui::Rect dots = browser->pageControl().frame();
  const ui::Rect info = browser->btnProductInfo().frame();
  const ui::Rect right = browser->btnRight().frame();
  const ui::Point picture{512, 400};
  ASSERT_TRUE(driver->tapAt(picture));
  advance(ui::TapGestureRecognizer::kMaximumTapInterval + ProductDetailImageController::kChromeDelay);
  settle();
  EXPECT_LE(browser->titlebar()->frame().maxY(), 0);
  EXPECT_GE(browser->pageControl().frame().y(), 768);
  EXPECT_GE(browser->btnRight().frame().x(), 1024);

  ASSERT_TRUE(driver->tapAt(picture));
  advance(ui::TapGestureRecognizer::kMaximumTapInterval + ProductDetailImageController::kChromeDelay);
  settle();
  EXPECT_EQ(browser->titlebar()->frame(), bar);
  EXPECT_EQ(browser->pageControl().frame(), dots);
  EXPECT_EQ(browser->btnProductInfo().frame(), info);
  EXPECT_EQ(browser->btnRight().frame(), right);
  // The way out is drawn and answers again.
  ASSERT_TRUE(driver->tap(*browser->btnClose()));
  settle();
  EXPECT_FALSE(screen->imageController());
  EXPECT_EQ(screen->presentedViewController(), nullptr);
}

TEST_F(ImageBrowserTest, ADoubleTapZoomsAtThePointAndLeavesTheControlsShown) {
  open();
  auto page = browser->pageView(0);
  ASSERT_TRUE(page);
  const ui::Rect bar = browser->titlebar()->frame();
  ASSERT_TRUE(driver->tapAt({300, 400}, 2));
  advance(ui::TapGestureRecognizer::kMaximumTapInterval + ProductDetailImageController::kChromeDelay);
  settle();
  EXPECT_DOUBLE_EQ(page->zoomScale(), 2.0);
  // The 800 x 600 picture stands in the middle of the page: touched left of
  // the middle and below it, its left edge and its lower part come into view.
  EXPECT_EQ(page->imageView().frame().size, (ui::Size{2048, 1536}));
  EXPECT_EQ(page->contentOffset(), (ui::Point{224, 600}));
  EXPECT_EQ(browser->titlebar()->frame(), bar);
  // A second double tap shows the whole picture again.
  ASSERT_TRUE(driver->tapAt({300, 400}, 2));
  advance(ui::TapGestureRecognizer::kMaximumTapInterval + ProductDetailImageController::kChromeDelay);
  settle();
  EXPECT_DOUBLE_EQ(page->zoomScale(), 1.0);
  EXPECT_EQ(browser->titlebar()->frame(), bar);
}

TEST_F(ImageBrowserTest, TheSlideShowShowsThePageTheBrowserMovesTo) {
  writePicture("p1_3.png", 640, 480);
  open();
  browser->startSlideShow();
  // Each picture of the show is read on a worker.
  settlePictures();
  auto show = browser->slideShowController();
  ASSERT_TRUE(show && show->imageView());
  EXPECT_EQ(show->imageView()->image()->size(), (base::Size{800, 600}));
  advance(ProductDetailImageController::kSlideInterval);
  settle();
  // Page 1 has no readable picture: the stock one.
  EXPECT_EQ(show->imageView()->image()->size(), (base::Size{400, 400}));
  advance(ProductDetailImageController::kSlideInterval);
  settle();
  EXPECT_EQ(show->imageView()->image()->size(), (base::Size{640, 480}));
  advance(ProductDetailImageController::kSlideInterval);
  settle();
  // The next product's first picture.
  EXPECT_EQ(screen->productID(), 2);
  EXPECT_EQ(show->imageView()->image()->size(), (base::Size{400, 300}));
}

TEST_F(ImageBrowserTest, ALongNameEndsInAnEllipsisClearOfTheButtonsAndInsideThePanel) {
  const std::string name(120, 'W');
  sql("UPDATE marvisto_product SET product_name = '" + name + "' WHERE product_id = 1");
  screen->setProductEntity(store().getAllProducts().at(0));
  screen->refreshData();
  open();
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  ui::Label& title = *browser->lblTittle();
  auto inWindow = [](const ui::View& v) { return v.convertRectToView(v.bounds(), nullptr); };
  const ui::Rect titleFrame = inWindow(title);
  EXPECT_GE(titleFrame.x(), inWindow(browser->btnSlideShow()).maxX());
  EXPECT_LE(titleFrame.maxX(), inWindow(*browser->btnClose()).x());
  const std::string shownTitle =
      gfx::TextMeasurer::current().truncate(title.text(), title.font(), titleFrame.width(), title.lineBreakMode());
  ASSERT_GT(shownTitle.size(), 3u);
  EXPECT_EQ(shownTitle.substr(shownTitle.size() - 3), "\u2026");
  EXPECT_EQ(title.text(), name);

  browser->btnProductInfoClick();
  settle();
  ui::Label& panelName = browser->productInfoView().productNameLabel();
  EXPECT_EQ(panelName.text(), name);
  EXPECT_LE(inWindow(panelName).maxX(), 1024 - 10);
  const std::string shownName = gfx::TextMeasurer::current().truncate(
      panelName.text(), panelName.font(), panelName.bounds().width(), panelName.lineBreakMode());
  ASSERT_GT(shownName.size(), 3u);
  EXPECT_EQ(shownName.substr(shownName.size() - 3), "\u2026");
  const auto file = root / "image-browser-long-name.png";
  ASSERT_TRUE(driver->snapshot(file));
  keepSnapshot(file);
}

TEST_F(ImageBrowserTest, AProductWithoutPicturesOpensNothing) {
  screen->slipToLeft();
  settle();
  sql("UPDATE marvisto_image SET image_publis = 0 WHERE key_id = 2");
  screen->refreshData();
  screen->onClickImage();
  EXPECT_FALSE(screen->imageController());
}

}  // namespace
}  // namespace mv::test
