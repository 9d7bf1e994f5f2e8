// The PDF and the preview the layout engine produces, read back with poppler.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <string>

#include "TestEnvironment.hpp"
#include "order/pdf/MVPDFCreater.hpp"
#include "order/pdf/MVPDFCreaterImageCell.hpp"
#include "order/pdf/MVPDFCreaterStringCell.hpp"
#include "order/pdf/MVPDFView.hpp"
#include "order/pdf/PDFRenderer.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/gfx/PdfDocument.hpp"
#include "platform/gfx/PdfWriter.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/Renderer.hpp"

using mv::MVPDFCellList;
using mv::MVPDFCreater;
using mv::MVPDFCreaterImageCell;
using mv::MVPDFCreaterStringCell;

namespace {

constexpr double H = 1448;

gfx::ImagePtr solid(base::Size size, const gfx::Color& color) {
  auto ctx = gfx::Context::bitmap(size, 1, true);
  ctx->setFillColor(color);
  ctx->fillRect({0, 0, size.width, size.height});
  return ctx->makeImage();
}

// A form: a one-point rule under the content of every page that ends at an
// automatic break.
class RuledCreater : public MVPDFCreater {
 public:
  gfx::ImagePtr rule = solid({1, 1}, gfx::Color::white(0.25));

 protected:
  MVPDFCellList additionalFooterInPage(std::int64_t) override {
    auto cell = std::make_shared<MVPDFCreaterImageCell>(base::Rect{0, 0, 904, 1}, rule);
    cell->setFrameInContainer({60, currentContentHeight(), 904, 1});
    return {cell};
  }
};

std::string itemName(int row) { return row == 3 ? "\xe9\x82\xae\xe7\xbc\x96 3" : "Item " + std::to_string(row) + " name"; }
std::string price(int row) { return "$1," + std::to_string(100 + row) + ".50"; }

// Rows of 80 points: index, thumbnail, name, price on the right.
void addRow(MVPDFCreater& pdf, int row, const gfx::ImagePtr& thumb) {
  const gfx::Font font = gfx::Font::systemFont(18);
  pdf.addCell(std::make_shared<MVPDFCreaterStringCell>(base::Rect{0, 0, 60, 80}, std::to_string(row), font,
                                                       gfx::Color::black(), gfx::TextAlignment::Center));
  pdf.addCell(std::make_shared<MVPDFCreaterImageCell>(base::Rect{70, 10, 60, 60}, thumb));
  pdf.addCell(std::make_shared<MVPDFCreaterStringCell>(base::Rect{140, 0, 400, 80}, itemName(row), font,
                                                       gfx::Color::black(), gfx::TextAlignment::Left));
  pdf.addCell(std::make_shared<MVPDFCreaterStringCell>(base::Rect{704, 0, 200, 80}, price(row), font,
                                                       gfx::Color::rgb255(20, 40, 160), gfx::TextAlignment::Right));
  pdf.beginNewLine();
}

// Share of pixels whose colour differs by more than `threshold` (0..255) in
// any channel.
double differingShare(const gfx::Image& a, int ay, const gfx::Image& b, int width, int height, int threshold) {
  cairo_surface_t* sa = a.surface();
  cairo_surface_t* sb = b.surface();
  cairo_surface_flush(sa);
  cairo_surface_flush(sb);
  const unsigned char* da = cairo_image_surface_get_data(sa);
  const unsigned char* db = cairo_image_surface_get_data(sb);
  int stA = cairo_image_surface_get_stride(sa), stB = cairo_image_surface_get_stride(sb);
  long differing = 0;
  for (int y = 0; y < height; ++y) {
    const unsigned char* ra = da + static_cast<long>(ay + y) * stA;
    const unsigned char* rb = db + static_cast<long>(y) * stB;
    for (int x = 0; x < width * 4; x += 4) {
      for (int c = 0; c < 3; ++c) {
        if (std::abs(ra[x + c] - rb[x + c]) > threshold) {
          ++differing;
          break;
        }
      }
    }
  }
  return static_cast<double>(differing) / (static_cast<double>(width) * height);
}

class MVPDFOutputTest : public mv::test::TestEnvironment {};

TEST_F(MVPDFOutputTest, DocumentReadsBackWithTextImagesAndPreview) {
  RuledCreater pdf;
  auto thumb = solid({60, 60}, gfx::Color::rgb255(200, 30, 30));
  pdf.beginNewPage();
  for (int row = 1; row <= 24; ++row) addRow(pdf, row, thumb);  // 16 rows fill page 1
  pdf.beginNewPage();
  addRow(pdf, 25, thumb);
  auto bytes = pdf.generatePDFToData();

  ASSERT_GT(bytes.size(), 1000u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "%PDF-");
  auto doc = gfx::PdfDocument::openData(bytes);
  ASSERT_TRUE(doc);
  ASSERT_EQ(doc->pageCount(), 3);
  ASSERT_EQ(pdf.currentPage(), 3);
  for (int p = 0; p < 3; ++p) EXPECT_EQ(doc->pageSize(p), (base::Size{1024, 1448}));

  for (int row = 1; row <= 25; ++row) {
    SCOPED_TRACE(row);
    int page = row <= 16 ? 0 : (row <= 24 ? 1 : 2);
    double top = 60 + 80.0 * (row <= 16 ? row - 1 : (row <= 24 ? row - 17 : 0));
    auto name = doc->findText(page, itemName(row));
    ASSERT_EQ(name.size(), 1u);
    EXPECT_NEAR(name[0].x(), 200, 2);
    EXPECT_NEAR(name[0].midY(), top + 40, 3);  // centred in the row
    auto money = doc->findText(page, price(row));
    ASSERT_EQ(money.size(), 1u);
    EXPECT_NEAR(money[0].maxX(), 964, 2);
    EXPECT_NEAR(money[0].midY(), top + 40, 3);
    // The index is centred in its column (its digits stand in the prices too).
    int centred = 0;
    for (const auto& r : doc->findText(page, std::to_string(row)))
      if (std::abs(r.midX() - 90) < 2 && std::abs(r.midY() - (top + 40)) < 3) ++centred;
    EXPECT_EQ(centred, 1);
  }
  for (int p = 0; p < 3; ++p) {
    SCOPED_TRACE(p);
    auto number = doc->findText(p, "- Page " + std::to_string(p + 1) + " -");
    ASSERT_EQ(number.size(), 1u);
    EXPECT_NEAR(number[0].midX(), 512, 1.5);
    EXPECT_GE(number[0].minY(), 1388);
    EXPECT_LE(number[0].maxY(), 1448);
    EXPECT_NEAR(number[0].midY(), 1418, 3);
  }

  // One thumbnail a row; the rule only under page 1, which ended by itself.
  EXPECT_EQ(doc->imageCount(0), 17);
  EXPECT_EQ(doc->imageCount(1), 8);
  EXPECT_EQ(doc->imageCount(2), 1);

  // The rule is a solid line across the content width, nothing below it.
  auto page1 = doc->renderPage(0, 1);
  ASSERT_TRUE(page1);
  for (int x : {61, 300, 700, 962}) {
    EXPECT_NEAR(page1->pixelAt(x, 1340).r(), 0.25, 0.03) << x;
    EXPECT_NEAR(page1->pixelAt(x, 1342).r(), 1, 0.01) << x;
  }
  EXPECT_NEAR(page1->pixelAt(40, 1340).r(), 1, 0.01);
  // The thumbnails fill their squares, one in every row.
  for (int row = 0; row < 16; ++row) {
    auto inside = page1->pixelAt(160, 100 + row * 80);
    EXPECT_NEAR(inside.r(), 200 / 255.0, 0.03) << row;
    EXPECT_NEAR(inside.g(), 30 / 255.0, 0.03) << row;
    EXPECT_NEAR(page1->pixelAt(160, 135 + row * 80).g(), 1, 0.01) << row;
  }

  // The preview shows every page as the PDF shows it.
  auto view = pdf.generatePDFToView();
  auto preview = ui::Renderer::renderToImage(*view, 1, gfx::Color::white());
  ASSERT_TRUE(preview);
  ASSERT_EQ(preview->pixelWidth(), 1024);
  ASSERT_EQ(preview->pixelHeight(), 3 * 1448);
  for (int p = 0; p < 3; ++p) {
    SCOPED_TRACE(p);
    auto raster = doc->renderPage(p, 1);
    ASSERT_TRUE(raster);
    EXPECT_LT(differingShare(*preview, p * 1448, *raster, 1024, 1448, 64), 0.002);
    EXPECT_LT(differingShare(*preview, p * 1448, *raster, 1024, 1448, 8), 0.01);
  }
}

TEST_F(MVPDFOutputTest, TextIsCutToItsCell) {
  MVPDFCreater pdf;
  const gfx::Font font = gfx::Font::systemFont(20);
  // Three lines of text in a cell that holds two: the third is not drawn.
  auto cell = std::make_shared<MVPDFCreaterStringCell>(base::Rect{0, 0, 80, 55}, "alpha beta gamma", font,
                                                       gfx::Color::black(), gfx::TextAlignment::Left);
  cell->setCenterInVertical(false);
  pdf.addCell(cell);
  // Vertically centred text in a tall cell, and an empty cell that draws nothing.
  pdf.addCell(std::make_shared<MVPDFCreaterStringCell>(base::Rect{300, 0, 300, 200}, "middle", font,
                                                       gfx::Color::black(), gfx::TextAlignment::Right));
  pdf.addCell(std::make_shared<MVPDFCreaterStringCell>(base::Rect{700, 0, 0, 200}, "hidden", font,
                                                       gfx::Color::black(), gfx::TextAlignment::Left));
  pdf.addCell(std::make_shared<MVPDFCreaterImageCell>(base::Rect{800, 0, 50, 50}));
  auto doc = gfx::PdfDocument::openData(pdf.generatePDFToData());
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->findText(0, "alpha").size(), 1u);
  EXPECT_EQ(doc->findText(0, "beta").size(), 1u);
  EXPECT_TRUE(doc->findText(0, "gamma").empty());
  auto alpha = doc->findText(0, "alpha");
  EXPECT_NEAR(alpha[0].y(), 60, 3);
  auto middle = doc->findText(0, "middle");
  ASSERT_EQ(middle.size(), 1u);
  EXPECT_NEAR(middle[0].midY(), 160, 3);
  EXPECT_NEAR(middle[0].maxX(), 660, 2);
  EXPECT_TRUE(doc->findText(0, "hidden").empty());
  EXPECT_EQ(doc->imageCount(0), 0);
}

TEST_F(MVPDFOutputTest, RendererDrawsLabelsAndImagesIntoTheCurrentContext) {
  EXPECT_EQ(mv::PDFRenderer::PDFFilePath(), root / "Documents" / "Order.pdf");
  ui::Label label;
  label.setText("Signature of customer, written out long enough to wrap");
  label.setFont(gfx::Font::boldSystemFont(16));
  label.setTextColor(gfx::Color::rgb255(0, 0, 200));
  label.setTextAlignment(gfx::TextAlignment::Right);
  label.setLineBreakMode(gfx::LineBreakMode::WordWrap);
  auto image = solid({8, 8}, gfx::Color::rgb255(0, 160, 0));
  mv::PDFRenderer::drawLabel(label, {0, 0, 100, 100});  // no current context: nothing happens
  mv::PDFRenderer::drawImage(*image, {0, 0, 100, 100});

  auto writer = gfx::PdfWriter::toFile(mv::PDFRenderer::PDFFilePath(), {0, 0, 612, 792});
  ASSERT_TRUE(writer);
  {
    auto& page = writer->beginPage();
    gfx::Context::Scope scope(page);
    mv::PDFRenderer::drawLabel(label, {50, 100, 300, 60});
    mv::PDFRenderer::drawImage(*image, {400, 100, 150, 30});
  }
  ASSERT_TRUE(writer->close());
  auto doc = gfx::PdfDocument::open(mv::PDFRenderer::PDFFilePath());
  ASSERT_TRUE(doc);
  auto first = doc->findText(0, "Signature of customer");
  ASSERT_EQ(first.size(), 1u);
  EXPECT_NEAR(first[0].y(), 100, 3);
  auto second = doc->findText(0, "to wrap");
  ASSERT_EQ(second.size(), 1u);
  EXPECT_NEAR(second[0].maxX(), 350, 2);
  EXPECT_GT(second[0].y(), first[0].maxY() - 1);
  EXPECT_EQ(doc->imageCount(0), 1);
  auto raster = doc->renderPage(0, 1);
  ASSERT_TRUE(raster);
  for (auto [x, y] : {std::pair{402, 102}, std::pair{475, 115}, std::pair{547, 127}})
    EXPECT_NEAR(raster->pixelAt(x, y).g(), 160 / 255.0, 0.03) << x << "," << y;
  for (auto [x, y] : {std::pair{397, 115}, std::pair{553, 115}, std::pair{475, 133}})
    EXPECT_NEAR(raster->pixelAt(x, y).r(), 1, 0.01) << x << "," << y;
}

}  // namespace
