#pragma once
// A small paginating layout engine. Its client adds cells line by line; the
// engine places each finished line below the previous one, breaks to a new
// page when a line would reach into the bottom margin, asks its subclass for
// extra cells at each break (a footer for the page that ends, a header for
// the page that begins), stamps a page number into the bottom margin of every
// page, and renders the pages as PDF data or as one tall view.
//
// All geometry is in points. One vertical position runs down through all
// pages: page n covers y from (n - 1) x H up to n x H, H being the page
// height. Placed cells keep their frame in that coordinate.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "order/pdf/MVPDFCreaterBaseCell.hpp"
#include "platform/base/Geometry.hpp"
#include "platform/gfx/Color.hpp"
#include "platform/gfx/Font.hpp"

namespace mv {

class MVPDFView;

class MVPDFCreater {
 public:
  static constexpr base::Size kDefaultPageSize{1024, 1448};

  MVPDFCreater() : MVPDFCreater(kDefaultPageSize) {}
  // A size that is not a usable page (not positive, or beyond what a PDF
  // page may be) gives the default size.
  explicit MVPDFCreater(base::Size pageSize);
  virtual ~MVPDFCreater() = default;
  MVPDFCreater(const MVPDFCreater&) = delete;
  MVPDFCreater& operator=(const MVPDFCreater&) = delete;

  // Settings.
  base::Size pageSize() const { return pageSize_; }
  // Lays the content out again on pages of the new size; an unusable size is
  // ignored.
  void setPageSize(base::Size size);
  double leftMargin() const { return leftMargin_; }
  void setLeftMargin(double margin) { leftMargin_ = margin; }
  double rightMargin() const { return rightMargin_; }
  void setRightMargin(double margin) { rightMargin_ = margin; }
  double topMargin() const { return topMargin_; }
  void setTopMargin(double margin) { topMargin_ = margin; }
  double bottomMargin() const { return bottomMargin_; }
  void setBottomMargin(double margin) { bottomMargin_ = margin; }
  // Added below every placed line.
  double lineSpacing() const { return lineSpacing_; }
  void setLineSpacing(double spacing) { lineSpacing_ = spacing; }
  bool autoPage() const { return autoPage_; }
  void setAutoPage(bool on) { autoPage_ = on; }
  bool showPageNumber() const { return showPageNumber_; }
  void setShowPageNumber(bool on) { showPageNumber_ = on; }
  // The page number stands in place of the first "%d" (or "%ld", "%lld");
  // "%%" is a percent sign and everything else is taken as it stands.
  const std::string& pageNumberFormat() const { return pageNumberFormat_; }
  void setPageNumberFormat(std::string format) { pageNumberFormat_ = std::move(format); }
  const gfx::Font& pageNumberFont() const { return pageNumberFont_; }
  void setPageNumberFont(const gfx::Font& font) { pageNumberFont_ = font; }
  const gfx::Color& pageNumberColor() const { return pageNumberColor_; }
  void setPageNumberColor(const gfx::Color& color) { pageNumberColor_ = color; }

  // State.
  // The page being filled; 0 before the first page is begun.
  std::int64_t currentPage() const { return currentPage_; }
  // Where the next line begins.
  double currentContentHeight() const { return currentContentHeight_; }
  // The cells of the line being built, in the order added.
  const MVPDFCellList& currentLineArray() const { return currentLineArray_; }
  // The placed cells, page by page: content, header, footer and page-number
  // cells alike. The preview view shares this list.
  const MVPDFPageList& cellsPageArray() const { return *cellsPageArray_; }

  // Building: `beginNewPage`, then any mix of `addCell`, `addSpacing` and
  // `beginNewLine`, then an output.
  // Appends the cell to the pending line (opening page 1 on a fresh engine);
  // nothing is placed yet. A null cell is ignored.
  void addCell(MVPDFCellPtr cell);
  // Places the pending line; on an empty line it only adds the line spacing.
  void beginNewLine();
  // Places the pending line, then moves down by `height`; a spacing that does
  // not fit the page is dropped at the page break it causes.
  void addSpacing(double height);
  // Places the pending line and begins a new page (with no footer for the
  // page that ends).
  void beginNewPage();
  // Back to a fresh engine with no content; the settings are kept.
  void clearAllCell();
  // Lays all content out again from page 1: the lines, spacings and page
  // breaks built so far are replayed, and the header, footer and page-number
  // cells made anew. Cells put on a page other than through a line are not
  // content and do not come back.
  void relayoutAllCell();
  // Removes the first placed cell with the tag (pages in order, each page's
  // cells in order) and lays the rest out again; nothing when no placed cell
  // has it. A header, footer or page-number cell is made anew by the re-flow.
  void removeCellByTag(std::int64_t tag);
  // The first placed cell with the tag, or nothing; pending cells are not
  // searched.
  [[nodiscard]] MVPDFCellPtr cellWithTag(std::int64_t tag) const;

  // Output. Each first places the pending line.
  // A PDF document of one page per page; empty when there are no pages.
  // A subclass may complete its content first, then call this one.
  [[nodiscard]] virtual std::vector<std::uint8_t> generatePDFToData();
  // A view of all pages one under the other, page width x (page height x
  // pages), sharing the page list.
  [[nodiscard]] std::shared_ptr<MVPDFView> generatePDFToView();
  // Draws the cells of page `page` (from 1) into the current graphics
  // context in page coordinates.
  void drawViewInPage(std::int64_t page) const;

 protected:
  // Extra cells for a page, already carrying their frame in the container
  // (absolute) coordinate; the engine saves them unchanged. The header hook
  // runs as page `page` begins, before the position moves to its top; the
  // footer hook only when page `page` ends at an automatic break.
  virtual MVPDFCellList additionalHeaderInPage(std::int64_t /*page*/) { return {}; }
  virtual MVPDFCellList additionalFooterInPage(std::int64_t /*page*/) { return {}; }

  // The steps the building operations are made of.
  // Breaks the page when a block of `height` does not fit above the bottom
  // margin; true when it did. A page that holds no content line yet is not
  // ended: the position goes back to its top instead (also answered true).
  bool computeChangePageForHeight(double height);
  void changeToNewPage();
  void addPageNumber();
  void saveCellToLineArray(MVPDFCellPtr cell);
  // Appends the cell to the current page.
  void saveCellToPageArray(MVPDFCellPtr cell);
  void addAdditionalHeader(const MVPDFCellList& cells);
  void addAdditionalFooter(const MVPDFCellList& cells);

 private:
  // What the content was built of, replayed by a re-flow.
  struct Step {
    enum class Kind { Line, Spacing, NewPage };
    Kind kind;
    MVPDFCellList cells;  // Line
    double height = 0;    // Spacing
  };

  static bool usablePageSize(base::Size size);
  void openFirstPage();
  void placePendingLine();
  std::string pageNumberText(std::int64_t page) const;
  // Where content begins on the current page.
  double pageTop() const;

  base::Size pageSize_;
  double leftMargin_ = 60;
  double rightMargin_ = 60;
  double topMargin_ = 60;
  double bottomMargin_ = 60;
  double lineSpacing_ = 0;
  bool autoPage_ = true;
  bool showPageNumber_ = true;
  std::string pageNumberFormat_ = "- Page %d -";
  gfx::Font pageNumberFont_;
  gfx::Color pageNumberColor_ = gfx::Color::black();

  std::int64_t currentPage_ = 0;
  double currentContentHeight_ = 0;
  // A line with cells stands on the current page.
  bool pageHoldsContent_ = false;
  MVPDFCellList currentLineArray_;
  std::shared_ptr<MVPDFPageList> cellsPageArray_ = std::make_shared<MVPDFPageList>();
  std::vector<Step> steps_;
};

}  // namespace mv
