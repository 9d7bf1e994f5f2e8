// The raw object reader and the page drawing transform, checked against what
// the drawing library really draws for every rotation.
#include <gtest/gtest.h>

#include "PdfFixture.hpp"
#include "TestEnvironment.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/gfx/PdfDocument.hpp"
#include "platform/gfx/PdfObjectFile.hpp"

namespace fs = std::filesystem;
using gfx::PdfObjectFile;
using mv::test::PdfPageSpec;

namespace {

class PdfObjectFileTest : public mv::test::TestEnvironment {
 protected:
  fs::path write(const std::string& name, const std::string& bytes) {
    fs::path p = root / name;
    EXPECT_TRUE(mv::test::writeFile(p, bytes));
    return p;
  }
};

bool darkAt(const gfx::Image& img, base::Point p) {
  auto c = img.pixelAt(static_cast<int>(p.x), static_cast<int>(p.y));
  return c.r() < 0.3 && c.g() < 0.3 && c.b() < 0.3;
}

}  // namespace

TEST_F(PdfObjectFileTest, DrawingTransformMatchesTheDrawnPageAtEveryRotation) {
  // A crop box whose origin is not (0, 0), and not the same in x and y, and
  // a mark near its lower-left corner: wherever the transform puts the mark,
  // the drawn page must show it there, and nothing just beside it.
  for (int rotate : {0, 90, 180, 270}) {
    SCOPED_TRACE(rotate);
    PdfPageSpec page;
    page.mediaBox = {0, 0, 300, 200};
    page.cropBox = base::Rect{20, 30, 240, 120};
    page.rotate = rotate;
    page.content = mv::test::squareAt(40, 50, 12);
    fs::path file = write("rot" + std::to_string(rotate) + ".pdf", mv::test::pagesPdf({page}));
    auto objects = PdfObjectFile::open(file);
    ASSERT_TRUE(objects);
    auto boxes = objects->pageBoxes(0);
    ASSERT_TRUE(boxes);
    EXPECT_EQ(boxes->rotation, rotate);
    EXPECT_EQ(boxes->visibleBox, (base::Rect{20, 30, 240, 120}));
    base::Size turned = gfx::pdfRotatedSize(*boxes);
    EXPECT_EQ(turned, (rotate % 180 ? base::Size{120, 240} : base::Size{240, 120}));

    auto doc = gfx::PdfDocument::open(file);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->pageSize(0), turned);
    auto ctx = gfx::Context::bitmap(turned, 1, true);
    ASSERT_TRUE(doc->drawPage(0, *ctx, {0, 0, turned.width, turned.height}));
    auto img = ctx->makeImage();
    auto t = gfx::pdfDrawingTransform(*boxes, {0, 0, turned.width, turned.height});
    EXPECT_TRUE(darkAt(*img, t.apply(base::Point{46, 56})));
    EXPECT_FALSE(darkAt(*img, t.apply(base::Point{70, 56})));
    EXPECT_FALSE(darkAt(*img, t.apply(base::Point{46, 80})));
  }
}

TEST_F(PdfObjectFileTest, DrawingTransformFitsAndCentresInLargerTargets) {
  gfx::PdfPageBoxes boxes{{0, 0, 100, 200}, {0, 0, 100, 200}, 0};
  auto t = gfx::pdfDrawingTransform(boxes, {0, 0, 400, 200});
  // Fitted by height: scale 1, centred horizontally.
  EXPECT_EQ(t.apply(base::Point{0, 200}), (base::Point{150, 0}));
  EXPECT_EQ(t.apply(base::Point{100, 0}), (base::Point{250, 200}));
}

TEST_F(PdfObjectFileTest, PageBoxesComeFromTheTreeAndStayWithinTheMediaBox) {
  // Boxes and rotation inherited from the page tree (the rotation through an
  // indirect object); a crop box larger than the media box is clipped.
  mv::test::RawPdf pdf;
  int catalog = pdf.reserve(), tree = pdf.reserve(), page1 = pdf.reserve(), page2 = pdf.reserve();
  int rotation = pdf.add("90");
  int content = pdf.addStream("");
  pdf.set(tree, "<< /Type /Pages /Kids [" + std::to_string(page1) + " 0 R " + std::to_string(page2) +
                    " 0 R] /Count 2 /MediaBox [0 0 400 300] /Rotate " + std::to_string(rotation) + " 0 R >>");
  pdf.set(page1, "<< /Type /Page /Parent 2 0 R /Contents " + std::to_string(content) + " 0 R >>");
  pdf.set(page2, "<< /Type /Page /Parent 2 0 R /Rotate -90 /CropBox [-10 -10 500 100] /Contents " +
                     std::to_string(content) + " 0 R >>");
  pdf.set(catalog, "<< /Type /Catalog /Pages 2 0 R >>");
  fs::path file = root / "tree.pdf";
  ASSERT_TRUE(pdf.write(file, catalog));
  auto objects = PdfObjectFile::open(file);
  ASSERT_TRUE(objects);
  ASSERT_EQ(objects->pageCount(), 2);
  auto first = objects->pageBoxes(0);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->mediaBox, (base::Rect{0, 0, 400, 300}));
  EXPECT_EQ(first->rotation, 90);
  auto second = objects->pageBoxes(1);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->visibleBox, (base::Rect{0, 0, 400, 100}));
  EXPECT_EQ(second->rotation, 270);
  EXPECT_FALSE(objects->pageBoxes(2));
  EXPECT_EQ(objects->pageIndexOfObject(objects->page(1).id()), 1);
  EXPECT_EQ(objects->pageIndexOfObject(0), -1);
}

TEST_F(PdfObjectFileTest, ObjectsAnswerNullForWhatIsNotThere) {
  fs::path file = write("plain.pdf", mv::test::pagesPdf({PdfPageSpec{}}, "/Extra [1 2.5 (text) /Name << /K 3 >>]"));
  auto objects = PdfObjectFile::open(file);
  ASSERT_TRUE(objects);
  auto extra = objects->catalog().get("Extra");
  ASSERT_EQ(extra.size(), 5u);
  EXPECT_EQ(extra.at(0).integer(), 1);
  EXPECT_EQ(extra.at(1).number(), 2.5);
  EXPECT_FALSE(extra.at(1).integer());
  EXPECT_EQ(extra.at(2).string(), "text");
  EXPECT_EQ(extra.at(3).name(), "Name");
  EXPECT_EQ(extra.at(4).get("K").integer(), 3);
  EXPECT_TRUE(extra.at(5).isNull());
  EXPECT_TRUE(extra.get("K").isNull());
  EXPECT_TRUE(extra.at(4).get("Missing").isNull());
  EXPECT_EQ(extra.at(2).size(), 0u);
}

TEST_F(PdfObjectFileTest, FilesThatAreNotPdfsOrStayLockedDoNotOpen) {
  EXPECT_FALSE(PdfObjectFile::open(root / "missing.pdf"));
  EXPECT_FALSE(PdfObjectFile::open(write("text.pdf", "hello, not a PDF")));
  fs::path plain = write("plain.pdf", mv::test::pagesPdf({PdfPageSpec{}}));
  fs::path locked = root / "locked.pdf";
  ASSERT_TRUE(mv::test::encryptPdf(plain, locked, "secret", "owner"));
  EXPECT_FALSE(PdfObjectFile::open(locked));
  EXPECT_FALSE(PdfObjectFile::open(locked, "wrong"));
  auto opened = PdfObjectFile::open(locked, "secret");
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->pageCount(), 1);
}
