// One page of the reader: its size, its link areas at every rotation, and
// where a tap on a link leads, over small PDFs written here.
#include <gtest/gtest.h>

#include "ReaderTestSupport.hpp"
#include "library/reader/ReaderContentPage.hpp"
#include "library/reader/ReaderZoom.hpp"

namespace fs = std::filesystem;
using mv::test::PdfPageSpec;

namespace mv {
namespace {

class ReaderContentPageTest : public test::ReaderTest {
 protected:
  std::shared_ptr<ReaderContentPage> open(const std::string& bytes, long page = 1) {
    fs::path p = libraryPdf("page.pdf", bytes);
    return ReaderContentPage::initWithURL(p, page, "");
  }
  static std::string linkTo(const std::string& rect, const std::string& action) {
    return "<< /Type /Annot /Subtype /Link /Rect " + rect + " " + action + " >>";
  }
};

std::vector<PdfPageSpec> pages(int n) { return std::vector<PdfPageSpec>(static_cast<std::size_t>(n)); }

TEST_F(ReaderContentPageTest, PagesAreClampedAndSizedToEvenPoints) {
  std::vector<PdfPageSpec> three = pages(3);
  three[0].mediaBox = {0, 0, 595.3, 841.9};
  three[2].mediaBox = {0, 0, 300, 200};
  three[2].rotate = 90;
  std::string bytes = test::pagesPdf(three);
  auto first = open(bytes, 0);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->pageNumber(), 1);
  EXPECT_EQ(first->frame(), (ui::Rect{0, 0, 594, 840}));
  auto last = open(bytes, 9);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->pageNumber(), 3);
  EXPECT_EQ(last->pageAngle(), 90);
  EXPECT_EQ(last->frame().size, (ui::Size{200, 300}));
  EXPECT_FALSE(ReaderContentPage::initWithURL(root / "missing.pdf", 1, ""));
  EXPECT_FALSE(open("%PDF-1.4 nothing else"));
}

TEST_F(ReaderContentPageTest, LinkAreasSitOnTheirCornerAtEveryRotation) {
  // The crop box's origin is (20, 30); the link covers the user-space square
  // 22..42 x 32..52, next to the crop box's lower-left corner.
  struct Case {
    int rotate;
    ui::Rect expected;
  } cases[] = {
      {0, {2, 98, 20, 20}},      // bottom left
      {90, {2, 2, 20, 20}},      // top left
      {180, {218, 2, 20, 20}},   // top right
      {270, {98, 218, 20, 20}},  // bottom right
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rotate);
    PdfPageSpec p;
    p.mediaBox = {0, 0, 300, 200};
    p.cropBox = base::Rect{20, 30, 240, 120};
    p.rotate = c.rotate;
    p.annots = {linkTo("[42 52 22 32]", "/A << /S /URI /URI (http://example.com/) >>")};
    auto page = open(test::pagesPdf({p}));
    ASSERT_TRUE(page);
    ASSERT_EQ(page->links().size(), 1u);
    EXPECT_EQ(page->links()[0].rect(), c.expected);
    EXPECT_EQ(page->processSingleTap(c.expected.center()), ReaderLinkTarget(std::string("http://example.com/")));
    EXPECT_EQ(page->processSingleTap({c.expected.maxX() + 5, c.expected.maxY() + 5}), ReaderLinkTarget());
  }
}

TEST_F(ReaderContentPageTest, LinkTargetsResolveByEveryKindOfDestination) {
  std::vector<PdfPageSpec> doc = pages(6);
  const int tree = test::firstExtraObject(6);
  // A name tree whose first child's limits exclude "target" although its
  // entries (wrongly) hold it: only the second child may answer.
  std::vector<std::string> extra = {
      "<< /Kids [" + std::to_string(tree + 1) + " 0 R " + std::to_string(tree + 2) + " 0 R] >>",
      "<< /Limits [(a) (c)] /Names [(b) [@2 /Fit] (target) [@2 /Fit]] >>",
      "<< /Limits [(m) (z)] /Names [(p) [@4 /Fit] (target) << /D [@3 /XYZ 0 0 0] >>] >>",
  };
  std::string catalog = "/Names << /Dests " + std::to_string(tree) + " 0 R >> /Dests << /chapter << /D [@6 /Fit] >> >>";
  doc[0].annots = {
      linkTo("[0 0 10 10]", "/A << /S /GoTo /D [4 /Fit] >>"),
      linkTo("[20 0 30 10]", "/Dest [@5 /Fit]"),
      linkTo("[40 0 50 10]", "/Dest (target)"),
      linkTo("[60 0 70 10]", "/Dest /chapter"),
      linkTo("[80 0 90 10]", "/A << /S /GoTo /D (b) >>"),
      linkTo("[100 0 110 10]", "/A << /S /URI /URI (http://\xE4\xBE\x8B.com) >>"),
      linkTo("[120 0 130 10]", "/A << /S /Launch /F (calc.exe) >>"),
      linkTo("[140 0 150 10]", "/Dest (nowhere)"),
      linkTo("[160 0 170 10]", "/Dest [99 /Fit]"),
      "<< /Type /Annot /Subtype /Link /Dest [@2 /Fit] >>",                // no Rect: no link
      "<< /Type /Annot /Subtype /Text /Rect [180 0 190 10] /Dest [@2 /Fit] >>",  // not a link
  };
  auto page = open(test::pagesPdf(doc, catalog, extra));
  ASSERT_TRUE(page);
  ASSERT_EQ(page->links().size(), 9u);
  auto tapAt = [&](double userX) { return page->processSingleTap({userX + 5, 792 - 5}); };
  EXPECT_EQ(tapAt(0), ReaderLinkTarget(5L));    // "GoTo" integer 4: page 5
  EXPECT_EQ(tapAt(20), ReaderLinkTarget(5L));   // a page object
  EXPECT_EQ(tapAt(40), ReaderLinkTarget(3L));   // the name tree's second child
  EXPECT_EQ(tapAt(60), ReaderLinkTarget(6L));   // the older destinations dictionary
  EXPECT_EQ(tapAt(80), ReaderLinkTarget(2L));   // a named "GoTo" in the first child
  EXPECT_EQ(tapAt(100), ReaderLinkTarget());    // not an ASCII address
  EXPECT_EQ(tapAt(120), ReaderLinkTarget());    // other actions lead nowhere
  EXPECT_EQ(tapAt(140), ReaderLinkTarget());
  EXPECT_EQ(tapAt(160), ReaderLinkTarget());    // past the last page
  EXPECT_EQ(tapAt(180), ReaderLinkTarget());
}

TEST_F(ReaderContentPageTest, TheLaterOfTwoOverlappingLinksWins) {
  std::vector<PdfPageSpec> doc = pages(3);
  doc[0].annots = {linkTo("[0 0 100 100]", "/Dest [@2 /Fit]"), linkTo("[50 50 150 150]", "/Dest [@3 /Fit]")};
  auto page = open(test::pagesPdf(doc));
  ASSERT_TRUE(page);
  EXPECT_EQ(page->processSingleTap({75, 792 - 75}), ReaderLinkTarget(3L));
  EXPECT_EQ(page->processSingleTap({25, 792 - 25}), ReaderLinkTarget(2L));
}

TEST_F(ReaderContentPageTest, NameTreesThatLoopOrNeverEndAreGivenUp) {
  std::vector<PdfPageSpec> doc = pages(2);
  const int first = test::firstExtraObject(2);
  std::vector<std::string> extra = {
      // a node that is its own kid
      "<< /Kids [" + std::to_string(first) + " 0 R] >>",
  };
  // then a chain of 100 nodes, the last one holding the name
  const int chain = first + 1;
  for (int i = 0; i < 100; ++i)
    extra.push_back(i == 99 ? "<< /Names [(deep) [@2 /Fit]] >>"
                            : "<< /Kids [" + std::to_string(chain + i + 1) + " 0 R] >>");
  doc[0].annots = {linkTo("[0 0 10 10]", "/Dest (x)")};
  std::string catalog = "/Names << /Dests " + std::to_string(first) + " 0 R >> /Deep " + std::to_string(chain) +
                        " 0 R /Shallow " + std::to_string(chain + 97) + " 0 R";
  auto page = open(test::pagesPdf(doc, catalog, extra));
  ASSERT_TRUE(page);
  EXPECT_EQ(page->processSingleTap({5, 792 - 5}), ReaderLinkTarget());
  auto objects = gfx::PdfObjectFile::open(root / "Documents/acme/Pdf/page.pdf");
  ASSERT_TRUE(objects);
  // A shallow chain resolves; a hundred levels is past the limit.
  EXPECT_TRUE(page->destinationWithName("deep", objects->catalog().get("Deep")).isNull());
  EXPECT_TRUE(page->destinationWithName("deep", objects->catalog().get("Shallow")).isArray());
}

TEST_F(ReaderContentPageTest, ZoomStepsThreeTimesThenReturnsAndFollowsResizes) {
  ReaderZoom z = ReaderZoom::forSizes({1024, 768}, {594, 840});
  const double fit = (768.0 - 8) / 840;
  EXPECT_DOUBLE_EQ(z.minimum, fit);
  EXPECT_DOUBLE_EQ(z.maximum, 3 * fit);
  double s = z.minimum;
  std::vector<double> steps;
  for (int i = 0; i < 4; ++i) steps.push_back(s = z.loop(s));
  EXPECT_NEAR(steps[0] / fit, 1.6667, 1e-3);
  EXPECT_NEAR(steps[1] / fit, 2.3333, 1e-3);
  EXPECT_NEAR(steps[2] / fit, 3, 1e-9);
  EXPECT_DOUBLE_EQ(steps[3], fit);
  EXPECT_DOUBLE_EQ(z.decrement(z.minimum), z.minimum);

  // After a resize: at the old minimum -> the new minimum; above the new
  // maximum -> the maximum; in between -> kept.
  ReaderZoom narrow = ReaderZoom::forSizes({768, 1024}, {594, 840});
  EXPECT_DOUBLE_EQ(narrow.afterResize(z.minimum, z.minimum), narrow.minimum);
  EXPECT_DOUBLE_EQ(narrow.afterResize(z.maximum + 1, z.minimum), narrow.maximum);
  EXPECT_DOUBLE_EQ(narrow.afterResize(1.5, z.minimum), 1.5);
  EXPECT_DOUBLE_EQ(ReaderZoom::forSizes({100, 100}, {0, 0}).minimum, 1);
}

}  // namespace
}  // namespace mv
