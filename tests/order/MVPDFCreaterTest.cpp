// Pagination of the PDF layout engine, with fixed text metrics so every
// position is exact.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestEnvironment.hpp"
#include "order/pdf/MVPDFCreater.hpp"
#include "order/pdf/MVPDFCreaterImageCell.hpp"
#include "order/pdf/MVPDFCreaterStringCell.hpp"
#include "order/pdf/MVPDFView.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/Renderer.hpp"

using mv::MVPDFCellList;
using mv::MVPDFCellPtr;
using mv::MVPDFCreater;
using mv::MVPDFCreaterBaseCell;
using mv::MVPDFCreaterStringCell;

namespace {

constexpr double H = 1448;

// Remembers every rectangle it was asked to draw into.
class RecordingCell : public MVPDFCreaterBaseCell {
 public:
  using MVPDFCreaterBaseCell::MVPDFCreaterBaseCell;
  void drawInRect(const base::Rect& rect) override { drawn.push_back(rect); }
  std::vector<base::Rect> drawn;
};

// A subclass with a header on every page and, at automatic breaks, a footer
// rule where the content stops, as a form would have.
class FormCreater : public MVPDFCreater {
 public:
  using MVPDFCreater::MVPDFCreater;
  std::vector<std::int64_t> headerPages, footerPages;
  std::vector<double> heightSeenByHeader;

 protected:
  MVPDFCellList additionalHeaderInPage(std::int64_t page) override {
    headerPages.push_back(page);
    heightSeenByHeader.push_back(currentContentHeight());
    auto cell = std::make_shared<RecordingCell>(base::Rect{0, 0, 904, 20});
    cell->setCellType(1);
    cell->setFrameInContainer({60, (static_cast<double>(page) - 1) * H + 20, 904, 20});
    return {cell};
  }
  MVPDFCellList additionalFooterInPage(std::int64_t page) override {
    footerPages.push_back(page);
    auto cell = std::make_shared<RecordingCell>(base::Rect{0, 0, 904, 1});
    cell->setCellType(2);
    cell->setFrameInContainer({60, currentContentHeight(), 904, 1});
    return {cell};
  }
};

// One building step of a table row: a line of cells of these heights (each
// at y 0 unless given), a text line measured like a client measures it, a
// spacing or an explicit new page.
struct Step {
  enum Kind { Line, Text, Spacing, NewPage } kind;
  std::vector<double> heights;
  std::string text;
};
Step line(std::vector<double> h) { return {Step::Line, std::move(h), {}}; }
Step text(std::string t) { return {Step::Text, {}, std::move(t)}; }
Step spacing(double h) { return {Step::Spacing, {h}, {}}; }
Step newPage() { return {Step::NewPage, {}, {}}; }

// Builds the steps; returns the content cells in the order added.
std::vector<std::shared_ptr<RecordingCell>> build(MVPDFCreater& pdf, const std::vector<Step>& steps) {
  std::vector<std::shared_ptr<RecordingCell>> cells;
  const gfx::Font font = gfx::Font::systemFont(20);
  for (const auto& s : steps) {
    switch (s.kind) {
      case Step::Line:
        for (double h : s.heights) {
          cells.push_back(std::make_shared<RecordingCell>(base::Rect{10, 0, 100, h}));
          pdf.addCell(cells.back());
        }
        pdf.beginNewLine();
        break;
      case Step::Text: {
        // 200 points wide: 20 characters a line of 25 points with the fixed metrics.
        base::Size size = gfx::sizeWithFont(s.text, font, {200, 0}, gfx::LineBreakMode::WordWrap);
        cells.push_back(std::make_shared<RecordingCell>(base::Rect{0, 0, 200, size.height}));
        pdf.addCell(cells.back());
        pdf.beginNewLine();
        break;
      }
      case Step::Spacing: pdf.addSpacing(s.heights[0]); break;
      case Step::NewPage: pdf.beginNewPage(); break;
    }
  }
  return cells;
}

// Where a placed cell landed: its page and its y on that page.
std::pair<std::int64_t, double> placeOf(const MVPDFCreater& pdf, const MVPDFCreaterBaseCell* cell) {
  const auto& pages = pdf.cellsPageArray();
  for (std::size_t p = 0; p < pages.size(); ++p)
    for (const auto& c : pages[p])
      if (c.get() == cell) return {static_cast<std::int64_t>(p) + 1, c->frameInContainer().y() - static_cast<double>(p) * H};
  return {0, -1};
}

class MVPDFCreaterTest : public mv::test::TestEnvironment {
 protected:
  gfx::ScopedTextMeasurer fixed{gfx::TextMeasurer::fixed()};
};

TEST_F(MVPDFCreaterTest, PaginationTable) {
  const std::string fifty(50, 'x');  // three lines of 25 points
  struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::pair<std::int64_t, double>> places;  // page, y on the page, per content cell
    std::int64_t pages;
    std::vector<std::int64_t> footers;
  };
  const std::vector<Case> cases = {
      {"lines stack from the top margin", {line({100}), line({40, 70}), line({5})}, {{1, 60}, {1, 160}, {1, 160}, {1, 230}}, 1, {}},
      {"a line of exactly the room left stays", {line({1000}), line({328})}, {{1, 60}, {1, 1060}}, 1, {}},
      {"one point more breaks the page", {line({1000}), line({329})}, {{1, 60}, {2, 60}}, 2, {1}},
      {"a whole page of content fits", {line({1328}), line({1})}, {{1, 60}, {2, 60}}, 2, {1}},
      {"measured text lines", {text(fifty), text("short"), line({1228}), line({1})}, {{1, 60}, {1, 135}, {1, 160}, {2, 60}}, 2, {1}},
      {"an over-tall cell overflows the top of a new page",
       {line({100}), line({2000}), line({10})}, {{1, 60}, {2, 60}, {3, 60}}, 3, {1, 2}},
      {"several over-tall cells in one line break once",
       {line({100}), line({2000, 2500, 1500}), line({10})}, {{1, 60}, {2, 60}, {2, 60}, {2, 60}, {3, 60}}, 3, {1, 2}},
      {"an over-tall first line stays on its fresh page", {line({1500}), line({10})}, {{1, 60}, {2, 60}}, 2, {1}},
      {"a spacing that fits moves down", {line({1000}), spacing(100), line({20})}, {{1, 60}, {1, 1160}}, 1, {}},
      {"a spacing that does not fit is dropped at the break",
       {line({1300}), spacing(40), line({20})}, {{1, 60}, {2, 60}}, 2, {1}},
      {"an explicit new page has no footer", {line({10}), newPage(), line({10})}, {{1, 60}, {2, 60}}, 2, {}},
      {"a spacing on a fresh engine opens page 1", {spacing(30), line({10})}, {{1, 90}}, 1, {}},
      // A page that holds no content yet is never ended: the blank space
      // above a block that does not fit goes instead of the page.
      {"a spacing before an over-tall line leaves no blank page",
       {spacing(10), line({1500}), line({10})}, {{1, 60}, {2, 60}}, 2, {1}},
      {"a spacing taller than a fresh page leaves no blank page", {spacing(2000), line({10})}, {{1, 60}}, 1, {}},
      {"two spacings taller than a page leave no blank page between them",
       {line({100}), spacing(2000), spacing(2000), line({10})}, {{1, 60}, {2, 60}}, 2, {1}},
      {"a line that no longer fits below a spacing goes to the top of its empty page",
       {line({10}), newPage(), spacing(1300), line({100}), line({10})}, {{1, 60}, {2, 60}, {2, 160}}, 2, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FormCreater pdf;
    auto cells = build(pdf, c.steps);
    ASSERT_EQ(cells.size(), c.places.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(placeOf(pdf, cells[i].get()), c.places[i]);
      EXPECT_EQ(cells[i]->frameInContainer().x(), 60 + cells[i]->frameInLine().x());
    }
    EXPECT_EQ(pdf.currentPage(), c.pages);
    EXPECT_EQ(pdf.cellsPageArray().size(), static_cast<std::size_t>(c.pages));
    EXPECT_EQ(pdf.footerPages, c.footers);
    std::vector<std::int64_t> allPages;
    for (std::int64_t p = 1; p <= c.pages; ++p) allPages.push_back(p);
    EXPECT_EQ(pdf.headerPages, allPages);

    // Every page: its header first, then its page number, in the bottom band.
    for (std::int64_t p = 1; p <= c.pages; ++p) {
      const auto& page = pdf.cellsPageArray()[static_cast<std::size_t>(p - 1)];
      ASSERT_GE(page.size(), 2u);
      EXPECT_EQ(page[0]->cellType(), 1);
      auto number = std::dynamic_pointer_cast<MVPDFCreaterStringCell>(page[1]);
      ASSERT_TRUE(number);
      EXPECT_EQ(number->text(), "- Page " + std::to_string(p) + " -");
      EXPECT_EQ(number->frameInContainer(), (base::Rect{60, static_cast<double>(p) * H - 60, 904, 60}));
      EXPECT_EQ(number->frameInLine(), (base::Rect{0, 0, 904, 60}));
      EXPECT_EQ(number->textAlignment(), gfx::TextAlignment::Center);
      EXPECT_TRUE(number->centerInVertical());
      EXPECT_EQ(number->textFont().fontName(), "Didot-Italic");
      EXPECT_EQ(number->textFont().pointSize(), 15);
    }
    // A footer rule lies on the page it ends, where that page's content stopped.
    for (std::int64_t p : c.footers) {
      const auto& page = pdf.cellsPageArray()[static_cast<std::size_t>(p - 1)];
      std::vector<double> rules;
      double contentEnd = 0;
      for (const auto& cell : page) {
        if (cell->cellType() == 2) rules.push_back(cell->frameInContainer().y());
        if (cell->cellType() == 0 && !std::dynamic_pointer_cast<MVPDFCreaterStringCell>(cell))
          contentEnd = std::max(contentEnd, cell->frameInContainer().maxY());
      }
      EXPECT_EQ(rules, std::vector<double>{contentEnd});
    }
  }
}

TEST_F(MVPDFCreaterTest, LinesSpacingAndHooks) {
  FormCreater pdf;
  EXPECT_EQ(pdf.currentPage(), 0);
  EXPECT_EQ(pdf.currentContentHeight(), 60);
  pdf.setLineSpacing(7);
  pdf.beginNewPage();
  // The header hook of page 1 ran before the position moved to the page's top.
  ASSERT_EQ(pdf.heightSeenByHeader.size(), 1u);
  EXPECT_EQ(pdf.heightSeenByHeader[0], 60);
  pdf.beginNewLine();  // empty: the line spacing only
  pdf.beginNewLine();
  EXPECT_EQ(pdf.currentContentHeight(), 74);
  // The line's height is the lowest cell bottom; a cell may stand above the line's top.
  auto above = std::make_shared<RecordingCell>(base::Rect{0, -20, 50, 10});
  auto tall = std::make_shared<RecordingCell>(base::Rect{100, 5, 50, 30});
  pdf.addCell(above);
  pdf.addCell(tall);
  pdf.addCell(nullptr);
  EXPECT_EQ(pdf.currentLineArray().size(), 2u);
  pdf.beginNewLine();
  EXPECT_EQ(above->frameInContainer(), (base::Rect{60, 54, 50, 10}));
  EXPECT_EQ(tall->frameInContainer(), (base::Rect{160, 79, 50, 30}));
  EXPECT_EQ(pdf.currentContentHeight(), 74 + 35 + 7);
  // A line whose cells all end above its top adds nothing but the spacing.
  pdf.addCell(std::make_shared<RecordingCell>(base::Rect{0, -30, 10, 10}));
  pdf.beginNewLine();
  EXPECT_EQ(pdf.currentContentHeight(), 74 + 35 + 7 + 7);

  // Without automatic pages content runs on past the bottom of page 1.
  pdf.setAutoPage(false);
  auto low = std::make_shared<RecordingCell>(base::Rect{0, 0, 10, 3000});
  pdf.addCell(low);
  pdf.addSpacing(500);
  EXPECT_EQ(pdf.currentPage(), 1);
  EXPECT_EQ(pdf.currentContentHeight(), 123 + 3000 + 7 + 500);
  EXPECT_TRUE(pdf.footerPages.empty());
  pdf.setAutoPage(true);
  pdf.beginNewPage();
  EXPECT_EQ(pdf.heightSeenByHeader.back(), 3630);
  EXPECT_EQ(pdf.currentContentHeight(), H + 60);

  // An empty line at the top of a page moves down by the line spacing, yet
  // a line taller than the page after it does not end the empty page.
  FormCreater spaced;
  spaced.setLineSpacing(7);
  spaced.beginNewPage();
  spaced.beginNewLine();
  auto overTall = std::make_shared<RecordingCell>(base::Rect{0, 0, 10, 1500});
  spaced.addCell(overTall);
  spaced.beginNewLine();
  EXPECT_EQ(spaced.currentPage(), 1);
  EXPECT_EQ(overTall->frameInContainer().y(), 60);
  EXPECT_TRUE(spaced.footerPages.empty());

  // No page number when switched off; the format is read, never formatted.
  FormCreater plain;
  plain.setShowPageNumber(false);
  plain.beginNewPage();
  plain.beginNewPage();
  EXPECT_EQ(plain.cellsPageArray().size(), 2u);
  EXPECT_EQ(plain.cellsPageArray()[1].size(), 1u);  // the header only
  struct Format {
    const char* format;
    const char* page3;
  };
  for (auto f : {Format{"- Page %d -", "- Page 3 -"}, Format{"Seite %ld von 9 (100%%)", "Seite 3 von 9 (100%)"},
                 Format{"%s %n %x %lld %d", "%s %n %x 3 %d"}, Format{"Page", "Page"}, Format{"%", "%"},
                 Format{"%l", "%l"}}) {
    SCOPED_TRACE(f.format);
    MVPDFCreater numbered;
    numbered.setPageNumberFormat(f.format);
    for (int i = 0; i < 3; ++i) numbered.beginNewPage();
    auto cell = std::dynamic_pointer_cast<MVPDFCreaterStringCell>(numbered.cellsPageArray()[2][0]);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->text(), f.page3);
  }
}

TEST_F(MVPDFCreaterTest, TagsAndReflow) {
  const std::vector<Step> steps = {line({300}), line({400, 20}), spacing(50), line({500}), line({600}),
                                   newPage(),   line({700}),     line({800}), line({10})};
  FormCreater pdf;
  auto cells = build(pdf, steps);
  cells[2]->setTagOfCell(42);
  cells[7]->setTagOfCell(42);
  auto pending = std::make_shared<RecordingCell>(base::Rect{10, 0, 100, 10});
  pending->setTagOfCell(99);
  pdf.addCell(pending);
  EXPECT_FALSE(pdf.cellWithTag(99));  // still pending
  EXPECT_EQ(pdf.cellWithTag(42), cells[2]);
  pdf.removeCellByTag(1234);  // no such cell: nothing happens, the line stays pending
  EXPECT_EQ(pdf.currentLineArray().size(), 1u);

  // The layout after a change equals building the changed content afresh.
  auto expectSameLayout = [](const MVPDFCreater& a, const MVPDFCreater& b) {
    ASSERT_EQ(a.cellsPageArray().size(), b.cellsPageArray().size());
    for (std::size_t p = 0; p < a.cellsPageArray().size(); ++p) {
      const auto& pa = a.cellsPageArray()[p];
      const auto& pb = b.cellsPageArray()[p];
      ASSERT_EQ(pa.size(), pb.size()) << "page " << p + 1;
      for (std::size_t i = 0; i < pa.size(); ++i) {
        EXPECT_EQ(pa[i]->frameInContainer(), pb[i]->frameInContainer()) << "page " << p + 1 << " cell " << i;
        EXPECT_EQ(pa[i]->cellType(), pb[i]->cellType());
      }
    }
    EXPECT_EQ(a.currentPage(), b.currentPage());
    EXPECT_EQ(a.currentContentHeight(), b.currentContentHeight());
  };

  pdf.removeCellByTag(42);  // the first of the two, from a line that keeps its other cell
  EXPECT_EQ(pdf.cellWithTag(42), cells[7]);
  EXPECT_TRUE(pdf.currentLineArray().empty());
  EXPECT_EQ(pdf.cellWithTag(99), pending);  // the pending line was placed by the re-flow
  {
    FormCreater fresh;
    build(fresh, {line({300}), line({400}), spacing(50), line({500}), line({600}), newPage(),
                                 line({700}), line({800}), line({10}), line({10})});
    expectSameLayout(pdf, fresh);
  }

  // New page size: the same content laid out again on smaller pages, headers
  // and page numbers made for the new pages, footers at the new breaks.
  pdf.setPageSize({1024, 900});
  {
    FormCreater fresh({1024, 900});
    build(fresh, {line({300}), line({400}), spacing(50), line({500}), line({600}), newPage(), line({700}),
                  line({800}), line({10}), line({10})});
    expectSameLayout(pdf, fresh);
    EXPECT_EQ(pdf.currentPage(), 6);
    EXPECT_EQ(cells[6]->frameInContainer().y(), 4 * 900 + 60);
  }
  EXPECT_FALSE(pdf.cellWithTag(42) == nullptr);
  pdf.setPageSize({0, 900});  // unusable: ignored
  EXPECT_EQ(pdf.pageSize(), (base::Size{1024, 900}));
  EXPECT_EQ(MVPDFCreater({-5, 10}).pageSize(), (base::Size{1024, 1448}));

  pdf.clearAllCell();
  EXPECT_EQ(pdf.currentPage(), 0);
  EXPECT_EQ(pdf.currentContentHeight(), 60);
  EXPECT_TRUE(pdf.cellsPageArray().empty());
  EXPECT_FALSE(pdf.cellWithTag(42));
  pdf.relayoutAllCell();
  EXPECT_TRUE(pdf.cellsPageArray().empty());
  EXPECT_EQ(pdf.pageSize(), (base::Size{1024, 900}));
}

TEST_F(MVPDFCreaterTest, OutputsAskCellsToDraw) {
  MVPDFCreater empty;
  EXPECT_TRUE(empty.generatePDFToData().empty());
  auto none = empty.generatePDFToView();
  EXPECT_EQ(none->frame(), (base::Rect{0, 0, 1024, 0}));

  MVPDFCreater pdf;
  auto first = std::make_shared<RecordingCell>(base::Rect{0, 0, 100, 1000});
  auto hollow = std::make_shared<RecordingCell>(base::Rect{100, 0, 0, 50});
  auto second = std::make_shared<RecordingCell>(base::Rect{5, 10, 100, 500});
  pdf.addCell(first);
  pdf.addCell(hollow);
  pdf.beginNewLine();
  pdf.addCell(second);  // pending: placed by the output, on page 2
  auto bytes = pdf.generatePDFToData();
  ASSERT_GT(bytes.size(), 100u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "%PDF-");
  // In the PDF every cell draws in page coordinates, the empty one too.
  EXPECT_EQ(first->drawn, (std::vector<base::Rect>{{60, 60, 100, 1000}}));
  EXPECT_EQ(hollow->drawn, (std::vector<base::Rect>{{160, 60, 0, 50}}));
  EXPECT_EQ(second->drawn, (std::vector<base::Rect>{{65, 70, 100, 500}}));

  // The preview draws at the absolute place and skips the empty rectangle.
  auto view = pdf.generatePDFToView();
  EXPECT_EQ(view->frame(), (base::Rect{0, 0, 1024, 2 * H}));
  EXPECT_EQ(view->cellsArray().get(), &pdf.cellsPageArray());
  EXPECT_FALSE(view->backgroundColor() && !view->backgroundColor()->isClear());
  auto image = ui::Renderer::renderToImage(*view, 0.25);
  ASSERT_TRUE(image);
  EXPECT_EQ(first->drawn.size(), 2u);
  EXPECT_EQ(first->drawn.back(), (base::Rect{60, 60, 100, 1000}));
  EXPECT_EQ(second->drawn.back(), (base::Rect{65, H + 70, 100, 500}));
  EXPECT_EQ(hollow->drawn.size(), 1u);

  // One page drawn by hand, into a bitmap made current.
  auto ctx = gfx::Context::bitmap({1024, H}, 0.1);
  {
    gfx::Context::Scope scope(*ctx);
    pdf.drawViewInPage(2);
    pdf.drawViewInPage(3);  // no such page
  }
  EXPECT_EQ(second->drawn.back(), (base::Rect{65, 70, 100, 500}));
  EXPECT_EQ(second->drawn.size(), 3u);
}

}  // namespace
