// A page of the reader on screen: the zoom steps and size rules of a real
// page view, tiles of the level the zoom asks for, and pictures of a text
// page at zoom 1 and 3 that must be sharp at both.
#include <gtest/gtest.h>

#include "ReaderTestSupport.hpp"
#include "library/reader/ReaderContentView.hpp"
#include "library/reader/ReaderDocument.hpp"
#include "platform/base/Paths.hpp"
#include "platform/gfx/PdfWriter.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Renderer.hpp"
#include "platform/ui/Window.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

class ReaderContentViewTest : public test::ReaderTest {
 protected:
  void TearDown() override {
    if (window) ui::Application::sharedInstance().removeWindow(window.get());
    window.reset();
    ReaderTest::TearDown();
  }
  // An A4 page of small text.
  fs::path textPdf() {
    fs::path file = base::Paths::documents() / "acme" / "Pdf" / "text.pdf";
    fs::create_directories(file.parent_path());
    auto w = gfx::PdfWriter::toFile(file, {0, 0, 595.3, 841.9});
    auto& page = w->beginPage();
    for (int line = 0; line < 60; ++line)
      page.drawText("Line " + std::to_string(line + 1) +
                        ": stainless steel kettle, 1.7 l, model 4000, $1,100.50 a piece, delivered in May.",
                    {30, 30.0 + line * 13, 540, 12}, gfx::Font::systemFont(9), gfx::Color::black());
    EXPECT_TRUE(w->close());
    return file;
  }
  std::shared_ptr<ReaderContentView> show(const fs::path& file) {
    window = makeWindow();
    auto view = ReaderContentView::initWithFrame(window->bounds(), file, 1, "");
    window->addSubview(view);
    ui::View::layoutPendingViews();
    return view;
  }
  // Renders until every tile asked for has arrived.
  gfx::ImagePtr renderSharp(ReaderContentView& view) {
    ui::HeadlessDriver d(window);
    auto* tiles = view.theContentView()->tiles();
    for (int i = 0; i < 20; ++i) {
      d.render();
      tiles->waitForRenders();
      base::RunLoop::main().drain();
      if (tiles->pendingCount() != 0) break;
      if (tiles->pendingCount() == 0 && i > 0) break;
    }
    return d.render();
  }
  std::shared_ptr<ui::Window> window;
};

// Sharp text has many nearly black pixels; a blurred page has few. Only
// the page counts, not the window around it.
int darkPixels(const gfx::Image& img, const ui::Rect& area) {
  int n = 0;
  ui::Rect r = area.intersection({0, 0, static_cast<double>(img.pixelWidth()), static_cast<double>(img.pixelHeight())});
  for (int y = static_cast<int>(r.minY()); y < static_cast<int>(r.maxY()); ++y)
    for (int x = static_cast<int>(r.minX()); x < static_cast<int>(r.maxX()); ++x) {
      auto c = img.pixelAt(x, y);
      if (c.r() < 0.25 && c.g() < 0.25 && c.b() < 0.25) ++n;
    }
  return n;
}

TEST_F(ReaderContentViewTest, ZoomStepsAndSizeRulesOfAPageView) {
  auto view = show(textPdf());
  ASSERT_TRUE(view->theContentView());
  EXPECT_EQ(view->theContentView()->bounds().size, (ui::Size{594, 840}));
  EXPECT_EQ(view->tag(), 1);
  const double fit = (768.0 - 8) / 840;
  EXPECT_DOUBLE_EQ(view->minimumZoomScale(), fit);
  EXPECT_DOUBLE_EQ(view->zoomScale(), fit);
  for (double factor : {5.0 / 3, 7.0 / 3, 3.0, 1.0}) {
    view->loopZoom();
    advance(0.5);
    EXPECT_NEAR(view->zoomScale(), factor * fit, 1e-9);
  }
  view->setZoomScale(2 * fit);
  view->zoomReset();
  EXPECT_DOUBLE_EQ(view->zoomScale(), fit);
  // A taller view: the page at its old fit goes to the new fit.
  view->setFrame({0, 0, 768, 1024});
  const double tall = (768.0 - 8) / 594;
  EXPECT_DOUBLE_EQ(view->zoomScale(), std::min(tall, (1024.0 - 8) / 840));
  // Zoomed past the new maximum: back to it.
  view->setZoomScale(view->maximumZoomScale());
  view->setFrame({0, 0, 1024, 768});
  EXPECT_DOUBLE_EQ(view->zoomScale(), 3 * fit);

  auto empty = ReaderContentView::initWithFrame({0, 0, 100, 100}, root / "missing.pdf", 1, "");
  EXPECT_FALSE(empty->theContentView());
  EXPECT_TRUE(empty->subviews().empty() || !empty->theContainerView());
  empty->loopZoom();
}

TEST_F(ReaderContentViewTest, TilesOfTheZoomsLevelAreDrawnAndTheTextIsSharpAtEveryZoom) {
  auto view = show(textPdf());
  ASSERT_TRUE(view->theContentView());
  auto pageArea = [&] {
    auto& page = *view->theContentView();
    return page.convertRectToView(page.bounds(), nullptr);
  };
  auto atFit = renderSharp(*view);
  ASSERT_TRUE(atFit);
  const int fitDark = darkPixels(*atFit, pageArea());
  EXPECT_EQ(view->theContentView()->tiles()->lastRequestedScale(), 1);
  fs::path shots = root / "shots";
  fs::create_directories(shots);
  ASSERT_TRUE(atFit->writePNG(shots / "page-zoom-1.png"));
  test::keepSnapshot(shots / "page-zoom-1.png");

  view->setZoomScale(view->maximumZoomScale());
  view->setContentOffset(ui::Point{200, 300});
  auto zoomed = renderSharp(*view);
  ASSERT_TRUE(zoomed);
  EXPECT_EQ(view->theContentView()->tiles()->lastRequestedScale(), 4);
  ASSERT_TRUE(zoomed->writePNG(shots / "page-zoom-3.png"));
  test::keepSnapshot(shots / "page-zoom-3.png");
  // At three times the size the text covers the screen with crisp strokes.
  // The text fills the screen with crisp strokes: far more of it is ink
  // than on the whole page at its fit scale.
  EXPECT_GT(darkPixels(*zoomed, pageArea()), 3 * fitDark);
}

// A page far larger than the screen, seen whole: drawn at about its size on
// screen, not at a pixel a point. Once drawn the page sits still and draws
// nothing.
TEST_F(ReaderContentViewTest, AnIdleLargePageDrawsNothing) {
  fs::path file = libraryPdf("plan.pdf", plainPdf(1, {6000, 6000}));
  auto view = show(file);
  ASSERT_TRUE(view->theContentView());
  auto* tiles = view->theContentView()->tiles();
  ASSERT_TRUE(renderSharp(*view));
  EXPECT_EQ(tiles->pendingCount(), 0u);
  EXPECT_EQ(tiles->tileCount(), 4u) << "two by two tiles of 4096 points, a quarter pixel a point";
  const auto drawn = tiles->requestCount();
  ui::HeadlessDriver d(window);
  for (int i = 0; i < 3; ++i) {
    d.render();
    base::RunLoop::main().drain();
  }
  EXPECT_EQ(tiles->requestCount(), drawn) << "a page that sits still draws no tile again";
  EXPECT_EQ(tiles->pendingCount(), 0u);
}

// A page all ink at a zoom whose tile edges fall inside screen pixels: the
// tiles meet without a lighter line between them.
TEST_F(ReaderContentViewTest, TilesMeetWithoutSeams) {
  std::vector<test::PdfPageSpec> pages(1);
  pages[0].mediaBox = {0, 0, 594, 840};
  pages[0].content = "0 0 0 rg 0 0 594 840 re f\n";
  auto view = show(libraryPdf("ink.pdf", test::pagesPdf(pages)));
  ASSERT_TRUE(view->theContentView());
  for (double zoom : {view->maximumZoomScale(), view->minimumZoomScale() * 1.9}) {
    SCOPED_TRACE(zoom);
    view->setZoomScale(zoom);
    view->setContentOffset(ui::Point{333.3, 517.7});
    ui::View::layoutPendingViews();
    auto image = renderSharp(*view);
    ASSERT_TRUE(image);
    auto& page = *view->theContentView();
    // The page on screen, a pixel in from its edges.
    ui::Rect area = page.convertRectToView(page.bounds(), nullptr).intersection(window->bounds()).inset(2, 2);
    int light = 0;
    for (int y = static_cast<int>(area.minY()); y < static_cast<int>(area.maxY()); ++y)
      for (int x = static_cast<int>(area.minX()); x < static_cast<int>(area.maxX()); ++x)
        if (image->pixelAt(x, y).r() > 0.02) ++light;
    EXPECT_EQ(light, 0);
  }
}

TEST_F(ReaderContentViewTest, ThePageThumbnailShowsUnderThePage) {
  auto view = show(textPdf());
  auto doc = ReaderDocument::withDocumentFilePath(base::Paths::documents() / "acme" / "Pdf" / "text.pdf");
  view->showPageThumb(doc->fileURL(), 1, "", doc->guid());
  settleThumbnails();
  ASSERT_TRUE(view->theThumbView()->imageView()->image());
  EXPECT_EQ(view->theThumbView()->imageView()->image()->size(), (ui::Size{168, 240}));
}

}  // namespace
}  // namespace mv
