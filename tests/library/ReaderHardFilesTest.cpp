// PDFs as they come from other tools, opened in the reader as the library
// opens them: a locked file, pages without a size, fonts that do not load,
// and a plan whose pages are as large as a PDF page can be.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ReaderTestSupport.hpp"
#include "library/LibraryFileOpener.hpp"
#include "library/LibraryViewers.hpp"
#include "library/reader/ReaderViewController.hpp"
#include "platform/base/Paths.hpp"
#include "platform/gfx/PdfWriter.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/Window.hpp"
#include "util/TextLookup.hpp"

namespace fs = std::filesystem;
using mv::test::PdfPageSpec;

namespace mv {
namespace {

using Reader = ReaderViewController;

class ReaderHardFilesTest : public test::ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    ui::View::setAnimationsEnabled(false);
    ReaderViewController::installAsLibraryViewer();
    window = makeWindow();
    nav = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
    nav->setNavigationBarHidden(true);
    window->setRootViewController(nav);
    driver = std::make_unique<ui::HeadlessDriver>(window);
  }
  void TearDown() override {
    LibraryViewers::install(LibraryOpenAction::PdfReader, {});
    window->setRootViewController(nullptr);
    ui::Application::sharedInstance().removeWindow(window.get());
    driver.reset();
    window.reset();
    ui::AlertView::resetForTesting();
    ui::View::setAnimationsEnabled(true);
    ReaderTest::TearDown();
  }
  // Opens the file as the library does; the reader, or nothing when it did not open.
  std::shared_ptr<Reader> open(const fs::path& file) {
    const bool opened = LibraryViewers::open(LibraryFileOpener::decide("PDF", file, 3), "Plan", nav.get());
    settle();
    return opened ? std::dynamic_pointer_cast<Reader>(nav->viewControllers().back()) : nullptr;
  }
  void settle(double seconds = 0.5) {
    base::RunLoop::main().runUntil([] { return false; }, seconds);
    ui::View::layoutPendingViews();
    settleThumbnails();
  }
  // The window drawn until the page on show has every tile it asked for.
  gfx::ImagePtr renderSharp(Reader& reader) {
    auto& view = *reader.contentViews().at(reader.currentPage());
    for (int i = 0; i < 20; ++i) {
      driver->render();
      auto* tiles = view.theContentView() ? view.theContentView()->tiles() : nullptr;
      if (!tiles || (i > 0 && tiles->pendingCount() == 0)) break;
      tiles->waitForRenders();
      base::RunLoop::main().drain();
    }
    return driver->render();
  }
  // The window point of a point of the current page (PDF user space).
  ui::Point onPage(Reader& reader, ui::Point user) {
    auto page = reader.contentViews().at(reader.currentPage())->theContentView();
    return page->convertPointToView(page->pageTransform().apply(user), nullptr);
  }

  std::shared_ptr<ui::Window> window;
  std::shared_ptr<ui::NavigationController> nav;
  std::unique_ptr<ui::HeadlessDriver> driver;
};

// Ink in a window area (points), the dark pixels counted.
int darkPixels(const gfx::Image& image, const ui::Rect& area) {
  int n = 0;
  for (int y = static_cast<int>(area.minY()); y < static_cast<int>(area.maxY()); ++y)
    for (int x = static_cast<int>(area.minX()); x < static_cast<int>(area.maxX()); ++x)
      if (image.pixelAt(x, y).r() < 0.3) ++n;
  return n;
}

TEST_F(ReaderHardFilesTest, ALockedFileIsSaidToBeLockedNotDamaged) {
  // The library gives no password, so a file that asks for one stays shut.
  const fs::path plain = libraryPdf("open.pdf", plainPdf(2));
  std::vector<fs::path> locked = {base::Paths::documents() / "acme" / "Pdf" / "locked.pdf"};
  ASSERT_TRUE(test::encryptPdf(plain, locked.front(), "secret", "owner"));
  for (const auto& f : test::corpusPdfs())
    if (gfx::PdfDocument::needsPassword(f)) locked.push_back(copyToLibrary(f));
  test::checkEveryFile(locked, [&](const fs::path& f) {
    EXPECT_FALSE(open(f));
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    auto alert = ui::AlertView::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), text("FILEOPENFAILED"));
    EXPECT_EQ(alert->message(), text("THEFILEISLOCKED"));
    EXPECT_NE(text("THEFILEISLOCKED"), text("THEFILEISCORRUPTED"));
    ui::AlertView::resetForTesting();
  });
}

TEST_F(ReaderHardFilesTest, APageWithoutASizeSaysItCannotBeShown) {
  std::vector<PdfPageSpec> pages(2);
  pages[0].mediaBox = {10, 10, 0, 0};
  pages[1].content = test::squareAt(100, 400, 50);
  auto reader = open(libraryPdf("some-empty.pdf", test::pagesPdf(pages)));
  ASSERT_TRUE(reader);
  auto& empty = *reader->contentViews().at(1);
  EXPECT_FALSE(empty.theContentView());
  ASSERT_TRUE(empty.noticeLabel());
  EXPECT_EQ(empty.noticeLabel()->text(), text("PAGECANNOTBESHOWN"));
  EXPECT_FALSE(text("PAGECANNOTBESHOWN").empty());
  auto* found = driver->findByText(text("PAGECANNOTBESHOWN"));
  ASSERT_TRUE(found);
  EXPECT_TRUE(window->bounds().contains(found->convertRectToView(found->bounds(), nullptr).center()));
  // The page that has a size is drawn, without the notice. (A single tap
  // waits for the double tap to fail, then the page scrolls over.)
  driver->tapAt({1010, 400});
  settle(1);
  EXPECT_EQ(reader->currentPage(), 2);
  EXPECT_TRUE(reader->contentViews().at(2)->theContentView());
  EXPECT_FALSE(reader->contentViews().at(2)->noticeLabel());
}

// A page of text set in an embedded TrueType font whose tables are broken in
// a way the drawing library's own font reader refuses.
std::string damagedFontPdf(const std::string& program) {
  PdfPageSpec page;
  page.mediaBox = {0, 0, 612, 400};
  page.content = "BT /F1 48 Tf 50 300 Td (Hello World) Tj ET\n";
  test::RawPdf raw;
  const int catalog = raw.reserve(), tree = raw.reserve(), pageObject = raw.reserve();
  const int content = raw.addStream(page.content);
  const int file = raw.addStream(program, "/Length1 " + std::to_string(program.size()));
  const int descriptor = raw.add("<< /Type /FontDescriptor /FontName /Damaged /Flags 32 /FontBBox [0 -200 1000 900] "
                                 "/ItalicAngle 0 /Ascent 900 /Descent -200 /CapHeight 700 /StemV 80 /FontFile2 " +
                                 std::to_string(file) + " 0 R >>");
  std::string widths;
  for (int c = 32; c <= 126; ++c) widths += " 600";
  const int font = raw.add("<< /Type /Font /Subtype /TrueType /BaseFont /Damaged /FirstChar 32 /LastChar 126 "
                           "/Widths [" + widths + " ] /Encoding /WinAnsiEncoding /FontDescriptor " +
                           std::to_string(descriptor) + " 0 R >>");
  raw.set(pageObject, "<< /Type /Page /Parent " + std::to_string(tree) + " 0 R /MediaBox [0 0 612 400] /Contents " +
                          std::to_string(content) + " 0 R /Resources << /Font << /F1 " + std::to_string(font) +
                          " 0 R >> >> >>");
  raw.set(tree, "<< /Type /Pages /Kids [" + std::to_string(pageObject) + " 0 R] /Count 1 >>");
  raw.set(catalog, "<< /Type /Catalog /Pages " + std::to_string(tree) + " 0 R >>");
  return raw.bytes(catalog);
}

TEST_F(ReaderHardFilesTest, TextInAFontThatDoesNotLoadIsStillDrawn) {
  std::ifstream in("/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf", std::ios::binary);
  const std::string font((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(font.size(), 1000u) << "fonts-liberation2 is installed by scripts/setup-deps";
  // Its table directory says it has more tables than the file holds; or its
  // header table is wiped.
  std::string tooManyTables = font;
  tooManyTables[4] = '\xff', tooManyTables[5] = '\xff';
  std::string noHeader = font;
  for (std::size_t i = 0, count = static_cast<unsigned char>(font[5]); i < count; ++i) {
    const std::size_t entry = 12 + 16 * i;
    if (font.compare(entry, 4, "head") != 0) continue;
    auto word = [&](std::size_t at) {
      std::size_t v = 0;
      for (int b = 0; b < 4; ++b) v = (v << 8) | static_cast<unsigned char>(font[at + b]);
      return v;
    };
    std::fill_n(noHeader.begin() + static_cast<std::ptrdiff_t>(word(entry + 8)), word(entry + 12), '\0');
  }
  ASSERT_NE(noHeader, font);
  int n = 0;
  for (const std::string& program : {tooManyTables, noHeader}) {
    SCOPED_TRACE(n);
    auto reader = open(libraryPdf("damaged-font-" + std::to_string(n++) + ".pdf", damagedFontPdf(program)));
    ASSERT_TRUE(reader);
    auto shown = renderSharp(*reader);
    ASSERT_TRUE(shown);
    // "Hello World" stands in the page's top left, 48 points high.
    const ui::Point from = onPage(*reader, {50, 360}), to = onPage(*reader, {400, 280});
    EXPECT_GT(darkPixels(*shown, {from.x, from.y, to.x - from.x, to.y - from.y}), 200) << "the text is drawn";
    reader->dismissReaderViewController();
    settle();
  }
}

// A plan of three pages of 14,400 points (the largest a PDF page may be),
// each a black square in its middle third, flipped through page by page:
// each page keeps its tiles within the budget, and shows its square.
TEST_F(ReaderHardFilesTest, APlanOfTheLargestPagesKeepsItsTilesWithinTheBudget) {
  std::vector<PdfPageSpec> pages(3);
  for (auto& p : pages) {
    p.mediaBox = {0, 0, 14400, 14400};
    p.content = test::squareAt(4800, 4800, 4800);
  }
  auto reader = open(libraryPdf("plan.pdf", test::pagesPdf(pages)));
  ASSERT_TRUE(reader);
  for (long page = 1; page <= 3; ++page) {
    SCOPED_TRACE(page);
    EXPECT_EQ(reader->currentPage(), page);
    auto shown = renderSharp(*reader);
    ASSERT_TRUE(shown);
    std::size_t bytes = 0;
    for (const auto& [number, view] : reader->contentViews())
      if (view->theContentView()) bytes += view->theContentView()->tiles()->bytes();
    EXPECT_LE(bytes, 3 * ReaderContentTile::kBudgetBytes);
    EXPECT_LE(reader->contentViews().at(page)->theContentView()->tiles()->bytes(), ReaderContentTile::kBudgetBytes);
    const ui::Point middle = onPage(*reader, {7200, 7200}), corner = onPage(*reader, {1200, 1200});
    EXPECT_LT(shown->pixelAt(static_cast<int>(middle.x), static_cast<int>(middle.y)).r(), 0.1);
    EXPECT_GT(shown->pixelAt(static_cast<int>(corner.x), static_cast<int>(corner.y)).r(), 0.9);
    driver->tapAt({1010, 400});
    settle(1);
  }
}

}  // namespace
}  // namespace mv
