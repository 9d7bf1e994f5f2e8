#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "PdfFixture.hpp"
#include "TestEnvironment.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/gfx/PdfDocument.hpp"
#include "platform/gfx/PangoTextMeasurer.hpp"
#include "platform/gfx/PdfWriter.hpp"
#include "platform/gfx/TextMeasurer.hpp"

using gfx::Color;
using gfx::PdfDocument;
using gfx::PdfWriter;

namespace {

class PdfTest : public mv::test::TestEnvironment {};

void drawPages(PdfWriter& w) {
  auto& p1 = w.beginPage();
  p1.setFillColor(Color::rgb255(200, 30, 30));
  p1.fillRect({50, 50, 200, 100});
  p1.drawText("Quote order 1024", {50, 200, 400, 30}, gfx::Font::systemFont(18), Color::black());
  p1.drawText("\xe6\x8a\xa5\xe4\xbb\xb7\xe5\x8d\x95", {50, 240, 400, 30}, gfx::Font::systemFont(18), Color::black());
  p1.addLink({50, 300, 100, 20}, "http://example.invalid/order?id=1");
  p1.addPageLink({50, 340, 100, 20}, 1);
  auto swatch = gfx::Context::bitmap({4, 2}, 1, true);
  p1.drawImage(*swatch->makeImage(), {300, 60, 40, 20});
  auto& p2 = w.beginPage({0, 0, 842, 595});  // ends page 1 by itself
  p2.drawText("Second page", {40, 40, 400, 30}, gfx::Font::boldSystemFont(14), Color::black());
}

}  // namespace

TEST_F(PdfTest, WrittenDocumentReadsBack) {
  auto w = PdfWriter::toMemory({0, 0, 612, 792});
  ASSERT_TRUE(w);
  drawPages(*w);
  ASSERT_TRUE(w->close());
  EXPECT_EQ(w->pageCount(), 2);
  ASSERT_GT(w->data().size(), 500u);
  EXPECT_EQ(std::string(w->data().begin(), w->data().begin() + 5), "%PDF-");

  auto doc = PdfDocument::openData(w->data());
  ASSERT_TRUE(doc);
  ASSERT_EQ(doc->pageCount(), 2);
  EXPECT_EQ(doc->pageSize(0), (base::Size{612, 792}));
  EXPECT_EQ(doc->pageSize(1), (base::Size{842, 595}));
  EXPECT_EQ(doc->pageSize(2), (base::Size{}));
  EXPECT_NE(doc->text(0).find("Quote order 1024"), std::string::npos);
  EXPECT_NE(doc->text(0).find("\xe6\x8a\xa5\xe4\xbb\xb7\xe5\x8d\x95"), std::string::npos);
  EXPECT_NE(doc->text(1).find("Second page"), std::string::npos);

  // Places in top-left page points, as they were drawn.
  auto found = doc->findText(0, "order 1024");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_GT(found[0].x(), 50);
  EXPECT_NEAR(found[0].y(), 200, 3);
  EXPECT_NEAR(found[0].height(), 18, 4);
  EXPECT_TRUE(doc->findText(0, "Second page").empty());
  EXPECT_TRUE(doc->findText(0, "").empty());
  EXPECT_TRUE(doc->findText(7, "order").empty());
  EXPECT_EQ(doc->imageCount(0), 1);
  EXPECT_EQ(doc->imageCount(1), 0);
  EXPECT_EQ(doc->imageCount(9), 0);

  auto links = doc->links(0);
  ASSERT_EQ(links.size(), 2u);
  bool uri = false, page = false;
  for (auto& l : links) {
    if (l.uri == "http://example.invalid/order?id=1") {
      uri = true;
      EXPECT_NEAR(l.area.x(), 50, 1);
      EXPECT_NEAR(l.area.y(), 300, 1);
      EXPECT_NEAR(l.area.width(), 100, 1);
    }
    if (l.targetPage == 1) page = true;
  }
  EXPECT_TRUE(uri);
  EXPECT_TRUE(page);

  auto img = doc->renderPage(0, 0.5);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->pixelWidth(), 306);
  auto red = img->pixelAt(75, 50);  // (150, 100) in points: inside the red box
  EXPECT_NEAR(red.r(), 200 / 255.0, 0.05);
  EXPECT_NEAR(red.g(), 30 / 255.0, 0.05);
  auto white = img->pixelAt(280, 380);
  EXPECT_NEAR(white.r(), 1, 0.01);
  EXPECT_FALSE(doc->renderPage(5));
  EXPECT_FALSE(doc->renderPage(-1));
}

TEST_F(PdfTest, FilesAndBadInput) {
  auto path = root / "order.pdf";
  {
    auto w = PdfWriter::toFile(path, {0, 0, 595, 842});
    ASSERT_TRUE(w);
    drawPages(*w);
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(w->close());  // closing twice is harmless
  }
  auto doc = PdfDocument::open(path);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->pageCount(), 2);

  // An empty document still gets its one page.
  auto empty = PdfWriter::toMemory({0, 0, 100, 100});
  ASSERT_TRUE(empty->close());
  auto emptyDoc = PdfDocument::openData(empty->data());
  ASSERT_TRUE(emptyDoc);
  EXPECT_EQ(emptyDoc->pageCount(), 1);

  EXPECT_FALSE(PdfWriter::toFile(root / "missing-dir" / "x.pdf", {0, 0, 100, 100}));
  EXPECT_FALSE(PdfDocument::open(root / "missing.pdf"));
  std::ofstream(root / "junk.pdf") << "%PDF-1.4 this is not really a pdf";
  EXPECT_FALSE(PdfDocument::open(root / "junk.pdf"));
  EXPECT_FALSE(PdfDocument::openData({}));
  std::vector<std::uint8_t> truncated(empty->data().begin(), empty->data().begin() + 30);
  EXPECT_FALSE(PdfDocument::openData(truncated));
}

// An emoji in a name is drawn from the colour emoji face the fonts fall back
// to: in colour on screen and in a PDF, never as a box with its code.
static int colouredPixels(const gfx::Image& image) {
  const gfx::ImageData pixels = image.toImageData();
  int coloured = 0;
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) {
      const std::uint8_t* p = pixels.pixel(x, y);
      const int high = std::max({p[0], p[1], p[2]}), low = std::min({p[0], p[1], p[2]});
      if (high - low > 60) ++coloured;
    }
  }
  return coloured;
}

TEST_F(PdfTest, AnEmojiIsDrawnInColourOnScreenAndInThePdf) {
  const std::string rocket = "\xF0\x9F\x9A\x80";
  auto screen = gfx::Context::bitmap({96, 48}, 1, true);
  screen->setFillColor(Color::white());
  screen->fillRect({0, 0, 96, 48});
  screen->drawText(rocket, {8, 8, 80, 36}, gfx::Font::systemFont(28), Color::black());
  EXPECT_GT(colouredPixels(*screen->makeImage()), 40) << "the emoji is not drawn in colour on screen";

  auto w = PdfWriter::toMemory({0, 0, 300, 100});
  ASSERT_TRUE(w);
  w->beginPage().drawText("Launch 1024 " + rocket + " Ltd", {20, 20, 260, 40}, gfx::Font::systemFont(18),
                          Color::black());
  ASSERT_TRUE(w->close());
  auto doc = PdfDocument::openData(w->data());
  ASSERT_TRUE(doc);
  const std::string text = doc->text(0);
  EXPECT_NE(text.find("Launch 1024"), std::string::npos) << text;
  EXPECT_NE(text.find("Ltd"), std::string::npos) << text;
  EXPECT_EQ(text.find("01F"), std::string::npos) << text;
  auto page = doc->renderPage(0, 1);
  ASSERT_TRUE(page);
  EXPECT_GT(colouredPixels(*page), 40) << "the emoji is not drawn in colour in the PDF";
}

// A file that needs its password is told from one that is no PDF at all, by
// what the file says, whatever it is called.
TEST_F(PdfTest, ALockedFileIsToldFromABrokenOne) {
  auto plain = root / "plain.pdf";
  {
    auto w = PdfWriter::toFile(plain, {0, 0, 200, 200});
    ASSERT_TRUE(w);
    w->beginPage();
    ASSERT_TRUE(w->close());
  }
  auto locked = root / "prices.pdf";
  ASSERT_TRUE(mv::test::encryptPdf(plain, locked, "secret", "owner"));
  auto ownerOnly = root / "locked-user-password.pdf";
  ASSERT_TRUE(mv::test::encryptPdf(plain, ownerOnly, "", "owner"));
  std::ofstream(root / "junk.pdf") << "%PDF-1.4 this is not really a pdf";

  EXPECT_TRUE(PdfDocument::needsPassword(locked));
  EXPECT_TRUE(PdfDocument::needsPassword(locked, "wrong"));
  EXPECT_FALSE(PdfDocument::needsPassword(locked, "secret"));
  EXPECT_TRUE(PdfDocument::open(locked, "secret"));
  EXPECT_FALSE(PdfDocument::needsPassword(ownerOnly)) << "anyone opens it";
  EXPECT_FALSE(PdfDocument::needsPassword(plain));
  EXPECT_FALSE(PdfDocument::needsPassword(root / "junk.pdf"));
  EXPECT_FALSE(PdfDocument::needsPassword(root / "missing.pdf"));
}

namespace {
std::size_t occurrences(const std::vector<std::uint8_t>& data, const std::string& what) {
  std::size_t n = 0;
  for (auto it = data.begin(); (it = std::search(it, data.end(), what.begin(), what.end())) != data.end(); ++it) ++n;
  return n;
}
}  // namespace

// A picture drawn on every row of a document is stored in it once, and every
// drawing of it shows.
TEST_F(PdfTest, APictureDrawnManyTimesIsStoredOnce) {
  auto ink = gfx::Context::bitmap({16, 16}, 1, true);
  ink->setFillColor(Color::black());
  ink->fillRect({0, 0, 16, 16});
  const auto picture = ink->makeImage();
  auto once = PdfWriter::toMemory({0, 0, 612, 792});
  once->beginPage().drawImage(*picture, {40, 40, 32, 32});
  ASSERT_TRUE(once->close());
  auto w = PdfWriter::toMemory({0, 0, 612, 792});
  auto& page = w->beginPage();
  for (int row = 0; row < 20; ++row) page.drawImage(*picture, {40, 40.0 + row * 36, 32, 32});
  ASSERT_TRUE(w->close());
  EXPECT_EQ(occurrences(once->data(), "/Subtype /Image"), 1u);
  EXPECT_EQ(occurrences(w->data(), "/Subtype /Image"), 1u);
  auto doc = PdfDocument::openData(w->data());
  ASSERT_TRUE(doc);
  const auto shown = doc->renderPage(0, 1)->toImageData();
  for (int row = 0; row < 20; ++row) {
    const std::uint8_t* p = shown.pixel(56, 56 + row * 36);
    EXPECT_LT(p[0] + p[1] + p[2], 60) << row;
    const std::uint8_t* gap = shown.pixel(56, 74 + row * 36);
    EXPECT_GT(gap[0] + gap[1] + gap[2], 700) << row;
  }
}

// The page drawn last is kept for the next drawing: drawing pages in turn, or
// one page again, gives each its own picture every time.
TEST_F(PdfTest, PagesDrawnInTurnAndAgainLookTheSame) {
  auto w = PdfWriter::toMemory({0, 0, 612, 792});
  drawPages(*w);
  ASSERT_TRUE(w->close());
  auto doc = PdfDocument::openData(w->data());
  ASSERT_TRUE(doc);
  auto pixels = [](const gfx::ImagePtr& image) { return image->toImageData().pixels; };
  const auto first = pixels(doc->renderPage(0, 1));
  const auto second = pixels(doc->renderPage(1, 1));
  EXPECT_NE(first, second);
  EXPECT_EQ(pixels(doc->renderPage(0, 1)), first);
  EXPECT_EQ(pixels(doc->renderPage(0, 1)), first);
  EXPECT_EQ(pixels(doc->renderPage(1, 1)), second);
  // Drawing into a context of one's own shows the same page.
  auto ctx = gfx::Context::bitmap({612, 792}, 1, true);
  ctx->setFillColor(Color::white());
  ctx->fillRect({0, 0, 612, 792});
  ASSERT_TRUE(doc->drawPage(0, *ctx, {0, 0, 612, 792}));
  EXPECT_EQ(pixels(ctx->makeImage()), first);
  EXPECT_FALSE(doc->drawPage(2, *ctx, {0, 0, 612, 792}));
}

// Wrapped texts drawn into a document from the shaping their measuring made
// look exactly as when every line is shaped again on its own: lines wrapped
// at a blank or inside a word (whose hyphen the measuring adds and the
// drawing leaves out), several blanks, hard breaks, Chinese, right-to-left
// and mixed texts, and a last line shortened after the measuring.
TEST_F(PdfTest, WrappedTextsDrawAsTheirLinesShapedAlone) {
  gfx::ScopedTextMeasurer pango(gfx::TextMeasurer::pango());
  const gfx::Font font = gfx::Font::systemFont(15);
  const char* texts[] = {"Stainless steel kettle, 1.7 l, model 4012",
                         "Supercalifragilisticexpialidocious kettle",
                         "a  b   c    d e f g",
                         "AVAVAV To Ty WAVE A L P Y office affluent",
                         "one\ntwo words here\r\nthree ",
                         "\xe6\x8a\xa5\xe4\xbb\xb7\xe5\x8d\x95\xe6\x8a\xa5\xe4\xbb\xb7 Quote order",
                         "\xd7\xa2\xd7\x91\xd7\xa8\xd7\x99\xd7\xaa \xd7\xa2\xd7\x91\xd7\xa8\xd7\x99\xd7\xaa text",
                         "mixed English \xd7\xa2\xd7\x91\xd7\xa8\xd7\x99\xd7\xaa text here"};
  auto page = [&](bool reuse) {
    auto w = PdfWriter::toMemory({0, 0, 612, 792});
    auto& ctx = w->beginPage();
    int shapedLines = 0;
    double y = 10;
    for (const char* text : texts) {
      double x = 10;
      for (double width : {45.0, 70.0, 130.0}) {
        for (int maxLines : {0, 2}) {
          auto layout = gfx::TextMeasurer::current().layout(text, font, width, gfx::LineBreakMode::TailTruncation,
                                                            maxLines);
          if (!reuse) layout.shaped.reset();
          for (std::size_t i = 0; layout.shaped && i < layout.lines.size(); ++i)
            shapedLines += layout.shaped->line(i, layout.lines[i].text, font) != nullptr;
          ctx.drawTextLayout(layout, {x, y}, width, font, Color::black(), gfx::TextAlignment::Center);
          x += width + 8;
        }
      }
      y += 95;
    }
    EXPECT_TRUE(w->close());
    return std::make_pair(w->data(), shapedLines);
  };
  const auto [reused, shapedLines] = page(true);
  const auto [alone, none] = page(false);
  EXPECT_GT(shapedLines, 100);
  EXPECT_EQ(none, 0);
  auto reusedDoc = PdfDocument::openData(reused), aloneDoc = PdfDocument::openData(alone);
  ASSERT_TRUE(reusedDoc && aloneDoc);
  const auto shown = reusedDoc->renderPage(0, 3)->toImageData();
  EXPECT_EQ(shown.pixels, aloneDoc->renderPage(0, 3)->toImageData().pixels);
  // Something was drawn: the first text's first line.
  int ink = 0;
  for (int x = 30; x < 180; ++x)
    for (int y = 30; y < 80; ++y) ink += shown.pixel(x, y)[0] < 128;
  EXPECT_GT(ink, 50);
}

// What is printed is what is shown: a direction override inside a name does
// not reverse it on paper, and a control character prints nothing.
TEST_F(PdfTest, PrintedNamesRunInTheOrderOfTheirCharacters) {
  auto w = PdfWriter::toMemory({0, 0, 612, 792});
  ASSERT_TRUE(w);
  auto& page = w->beginPage();
  const auto f = gfx::Font::systemFont(14);
  page.drawText("Photo \xE2\x80\xAEgpj.exe\xE2\x80\xAC for Lee", {50, 50, 400, 30}, f, Color::black());
  page.drawText(std::string("Lee\0Ann\x07 Traders", 16), {50, 100, 400, 30}, f, Color::black());
  page.drawText("Wrapped \xE2\x80\xAEgpj.exe and more words to fill the line", {50, 150, 120, 200}, f, Color::black());
  ASSERT_TRUE(w->close());
  auto doc = PdfDocument::openData(w->data());
  ASSERT_TRUE(doc);
  const std::string text = doc->text(0);
  EXPECT_NE(text.find("Photo gpj.exe for Lee"), std::string::npos) << text;
  EXPECT_EQ(text.find("exe.jpg"), std::string::npos) << text;
  EXPECT_NE(text.find("LeeAnn Traders"), std::string::npos) << text;
  EXPECT_EQ(doc->findText(0, "gpj.exe").size(), 2u) << text;
}
