#pragma once
// One PDF page as a view: the page's visible box turned by its rotation, at
// one point per point (sides truncated to even numbers), drawn sharp at any
// zoom, with the page's link areas and what a tap on them leads to. Each
// page view opens the document for itself. Main thread only.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "library/reader/ReaderContentTile.hpp"
#include "library/reader/ReaderDocumentLink.hpp"
#include "platform/gfx/PdfDocument.hpp"
#include "platform/gfx/PdfObjectFile.hpp"
#include "platform/ui/View.hpp"

namespace mv {

class ReaderContentPage : public ui::View {
 public:
  // The page (clamped to 1..page count) of the file; nothing when the file
  // does not open or unlock or the page is empty.
  static std::shared_ptr<ReaderContentPage> initWithURL(const std::filesystem::path& fileURL, long page,
                                                        const std::string& password);
  ~ReaderContentPage() override;

  // The view's size for a page: the visible box turned by the rotation,
  // each side truncated and made even (595.3 x 841.9 gives 594 x 840).
  static base::Size viewSizeFor(const gfx::PdfPageBoxes& boxes);
  // Whether any page of the document has a view to show: a page whose
  // sides make less than two points draws nothing.
  static bool anyPageDrawable(const gfx::PdfDocument& document);

  long pageNumber() const { return page_; }
  int pageAngle() const { return boxes_.rotation; }
  double pageWidth() const { return pageSize_.width; }
  double pageHeight() const { return pageSize_.height; }
  // The visible box's origin in PDF space, swapped for 90 and 270.
  double pageOffsetX() const;
  double pageOffsetY() const;
  const gfx::PdfPageBoxes& boxes() const { return boxes_; }

  // The link areas, the last annotation of the page first (it wins a tap).
  const std::vector<ReaderDocumentLink>& links() const { return links_; }
  void buildAnnotationLinksList();
  // The link made from a link annotation: its "Rect" mapped into the view
  // with the drawing's own transform; nothing without a "Rect".
  std::optional<ReaderDocumentLink> linkFromAnnotation(const gfx::PdfObject& annotation) const;
  // What the first link under the point (view coordinates) leads to;
  // nothing when no link is there or its target does not resolve.
  ReaderLinkTarget processSingleTap(base::Point point) const;
  ReaderLinkTarget annotationLinkTarget(const gfx::PdfObject& annotation) const;
  // The destination a named-destination tree gives `name` (an array), or
  // null. Cycles and trees deeper than the limit end the search.
  gfx::PdfObject destinationWithName(const std::string& name, const gfx::PdfObject& node) const;
  // Light blue boxes over the link areas.
  void highlightPageLinks();

  // Composes the tiles at hand for the zoom it is drawn at; missing tiles
  // are drawn on the page's worker and shown when they arrive.
  void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;
  ReaderContentTile* tiles() const { return tiles_.get(); }
  // Stops being drawn: no tile work goes on for a page off the screen.
  void willMoveToSuperview(ui::View* newSuperview) override;

  // The drawing's transform from PDF space into this view.
  base::AffineTransform pageTransform() const;
  const std::shared_ptr<gfx::PdfDocument>& document() const { return document_; }

 private:
  ReaderContentPage(const ui::Rect& frame) : ui::View(frame) {}
  ReaderLinkTarget destinationTarget(const gfx::PdfObject& destination) const;
  gfx::PdfObject treeLookup(const std::string& name, const gfx::PdfObject& node, int depth,
                            std::set<std::uint64_t>& seen) const;

  std::shared_ptr<gfx::PdfDocument> document_;
  std::shared_ptr<gfx::PdfObjectFile> objects_;
  long page_ = 1;
  gfx::PdfPageBoxes boxes_;
  base::Size pageSize_;
  std::vector<ReaderDocumentLink> links_;
  std::unique_ptr<ReaderContentTile> tiles_;
};

}  // namespace mv
