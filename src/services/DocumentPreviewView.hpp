#pragma once
// A document shown as one long page in a scroll view: an Office document's
// text laid out with pango (headings, paragraphs, tables, a workbook's sheets
// and a presentation's slides one under the other), or the pages of a PDF one
// under the other, each scaled to the page's width. Any band of the page can
// be drawn into an image (printing takes the page that way). Main thread only.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Context.hpp"
#include "platform/gfx/Font.hpp"
#include "platform/ui/ScrollView.hpp"
#include "services/OfficeDocument.hpp"

namespace gfx {
class PdfDocument;
}

namespace svc {

class DocumentPreviewView : public ui::ScrollView {
 public:
  static constexpr double kMargin = 40;
  static constexpr double kCellPadding = 6;

  // One thing drawn on the page, in page coordinates.
  struct Item {
    enum class Kind { Text, Fill, Frame, PdfPage, Picture };
    Kind kind = Kind::Text;
    ui::Rect rect;
    std::string text;
    gfx::Font font = gfx::Font::systemFont(15);
    gfx::Color color = gfx::Color::black();
    int page = 0;
    gfx::ImagePtr image;
  };

  explicit DocumentPreviewView(const ui::Rect& frame = {});
  ~DocumentPreviewView() override;

  // Lays the document out for the view's width and shows it from the top.
  void showDocument(const OfficeDocument& document);
  // Shows the PDF's pages; false (and nothing shown) when it cannot be read.
  bool showPdf(const std::filesystem::path& pdf);
  void clear();

  double pageHeight() const { return pageHeight_; }
  const std::vector<Item>& items() const { return items_; }
  // The texts on the page, in order (what a person can read on it).
  std::vector<std::string> pageText() const;
  // The band of the page from `top`, `height` high and as wide as the view.
  gfx::ImagePtr renderBand(double top, double height) const;
  // Draws the page's items that meet `visible` (page coordinates).
  void drawPage(gfx::Context& ctx, const ui::Rect& visible) const;

  void layoutSubviews() override;
  void setFrame(const ui::Rect& frame) override;

 private:
  class PageView;
  void laidOut(double height);
  void layoutDocument(const OfficeDocument& document, double width);
  void layoutPdf(double width);
  void addTable(const std::vector<std::vector<std::string>>& rows, double x, double width, double& y);
  double addText(const std::string& text, const gfx::Font& font, const gfx::Color& color, double x, double width,
                 double y);

  std::shared_ptr<PageView> page_;
  std::vector<Item> items_;
  double pageHeight_ = 0;
  double laidOutWidth_ = 0;
  std::unique_ptr<OfficeDocument> document_;
  std::unique_ptr<gfx::PdfDocument> pdf_;
};

}  // namespace svc
