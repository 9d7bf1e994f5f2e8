#include "services/DocumentPreviewView.hpp"

#include <algorithm>
#include <cmath>

#include "platform/base/MainThread.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/gfx/PdfDocument.hpp"
#include "platform/gfx/TextMeasurer.hpp"

namespace svc {
namespace {

const gfx::Color kBackdrop = gfx::Color::rgb255(214, 217, 222);
const gfx::Color kInk = gfx::Color::rgb255(34, 34, 34);
const gfx::Color kNote = gfx::Color::rgb255(96, 102, 112);
const gfx::Color kRule = gfx::Color::rgb255(190, 195, 202);
const gfx::Color kHeaderFill = gfx::Color::rgb255(236, 239, 243);
constexpr double kParagraphGap = 8;
constexpr double kSectionGap = 28;
constexpr double kMinColumn = 48;
constexpr double kMaxNaturalColumn = 320;

using Item = DocumentPreviewView::Item;

Item makeItem(Item::Kind kind, const ui::Rect& rect, std::string text, const gfx::Font& font, const gfx::Color& color,
              int page = 0) {
  Item item;
  item.kind = kind;
  item.rect = rect;
  item.text = std::move(text);
  item.font = font;
  item.color = color;
  item.page = page;
  return item;
}

}  // namespace

// The long page itself, as tall as the laid-out document, inside the scroll view.
class DocumentPreviewView::PageView : public ui::View {
 public:
  explicit PageView(const DocumentPreviewView* owner) : owner_(owner) { setBackgroundColor(kBackdrop); }
  void drawRect(gfx::Context& ctx, const ui::Rect& rect) override {
    if (owner_) owner_->drawPage(ctx, rect);
  }
  const DocumentPreviewView* owner_;
};

DocumentPreviewView::DocumentPreviewView(const ui::Rect& frame) : ui::ScrollView(frame) {
  setBackgroundColor(kBackdrop);
  page_ = std::make_shared<PageView>(this);
  page_->setFrame({0, 0, frame.width(), frame.height()});
  addSubview(page_);
}

DocumentPreviewView::~DocumentPreviewView() { page_->owner_ = nullptr; }

void DocumentPreviewView::clear() {
  items_.clear();
  document_.reset();
  pdf_.reset();
  laidOut(0);
}

void DocumentPreviewView::showDocument(const OfficeDocument& document) {
  MV_ASSERT_MAIN_THREAD();
  pdf_.reset();
  document_ = std::make_unique<OfficeDocument>(document);
  layoutDocument(*document_, bounds().width());
  setContentOffset(ui::Point{0, 0});
}

bool DocumentPreviewView::showPdf(const std::filesystem::path& pdf) {
  MV_ASSERT_MAIN_THREAD();
  auto doc = gfx::PdfDocument::open(pdf);
  if (!doc || doc->pageCount() < 1) return false;
  document_.reset();
  pdf_ = std::move(doc);
  layoutPdf(bounds().width());
  setContentOffset(ui::Point{0, 0});
  return true;
}

void DocumentPreviewView::setFrame(const ui::Rect& frame) {
  ui::ScrollView::setFrame(frame);
  setNeedsLayout();
}

void DocumentPreviewView::layoutSubviews() {
  ui::ScrollView::layoutSubviews();
  const double width = bounds().width();
  if (width == laidOutWidth_) return;
  if (document_) layoutDocument(*document_, width);
  if (pdf_) layoutPdf(width);
}

void DocumentPreviewView::laidOut(double height) {
  pageHeight_ = height;
  page_->setFrame({0, 0, bounds().width(), std::max(height, 1.0)});
  setContentSize({bounds().width(), height});
  page_->setNeedsDisplay();
}

double DocumentPreviewView::addText(const std::string& text, const gfx::Font& font, const gfx::Color& color, double x,
                                    double width, double y) {
  const auto layout =
      gfx::TextMeasurer::current().layout(text.empty() ? " " : text, font, width, gfx::LineBreakMode::WordWrap, 0);
  const double height = std::max(layout.size.height, layout.lineHeight);
  if (!text.empty()) items_.push_back(makeItem(Item::Kind::Text, {x, y, width, height}, text, font, color));
  return height;
}

void DocumentPreviewView::addTable(const std::vector<std::vector<std::string>>& rows, double x, double width,
                                   double& y) {
  if (rows.empty() || rows.front().empty()) return;
  const std::size_t columns = rows.front().size();
  const gfx::Font font = gfx::Font::systemFont(13);
  const gfx::Font headerFont = gfx::Font::boldSystemFont(13);
  auto& measurer = gfx::TextMeasurer::current();
  // Natural widths: the widest line of each column, within limits; scaled
  // down together when the table is wider than the page.
  std::vector<double> widths(columns, kMinColumn);
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < columns; ++c) {
      const double w = measurer.widthOf(row[c], font) + 2 * kCellPadding;
      widths[c] = std::clamp(w, widths[c], kMaxNaturalColumn);
    }
  }
  double total = 0;
  for (double w : widths) total += w;
  if (total > width) {
    for (double& w : widths) w = std::floor(w * width / total);
    total = 0;
    for (double w : widths) total += w;
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const gfx::Font& cellFont = r == 0 ? headerFont : font;
    double height = 0;
    for (std::size_t c = 0; c < columns; ++c) {
      const auto layout = measurer.layout(rows[r][c].empty() ? " " : rows[r][c], cellFont,
                                          std::max(1.0, widths[c] - 2 * kCellPadding), gfx::LineBreakMode::WordWrap, 0);
      height = std::max(height, std::max(layout.size.height, layout.lineHeight));
    }
    height += 2 * kCellPadding;
    if (r == 0) items_.push_back(makeItem(Item::Kind::Fill, {x, y, total, height}, {}, font, kHeaderFill));
    double cx = x;
    for (std::size_t c = 0; c < columns; ++c) {
      items_.push_back(makeItem(Item::Kind::Frame, {cx, y, widths[c], height}, {}, font, kRule));
      if (!rows[r][c].empty()) {
        items_.push_back(makeItem(Item::Kind::Text,
                          {cx + kCellPadding, y + kCellPadding, widths[c] - 2 * kCellPadding, height - 2 * kCellPadding},
                          rows[r][c], cellFont, kInk));
      }
      cx += widths[c];
    }
    y += height;
  }
}

void DocumentPreviewView::layoutDocument(const OfficeDocument& document, double width) {
  items_.clear();
  laidOutWidth_ = width;
  if (width <= 2 * kMargin) {
    laidOut(0);
    return;
  }
  const double x = kMargin;
  const double inner = width - 2 * kMargin;
  double y = kMargin / 2;
  for (std::size_t s = 0; s < document.sections.size(); ++s) {
    const auto& section = document.sections[s];
    const double top = y;
    // Each section on a sheet of paper of its own.
    const std::size_t sheet = items_.size();
    items_.push_back(makeItem(Item::Kind::Fill, {x / 2, top, width - x, 0}, {}, gfx::Font::systemFont(15), gfx::Color::white()));
    y += kMargin / 2;
    if (!section.title.empty()) {
      y += addText(section.title, gfx::Font::boldSystemFont(22), kInk, x, inner, y) + kParagraphGap * 2;
    }
    for (const auto& block : section.blocks) {
      switch (block.kind) {
        case OfficeBlock::Kind::Heading:
          y += addText(block.text, gfx::Font::boldSystemFont(19), kInk, x, inner, y) + kParagraphGap;
          break;
        case OfficeBlock::Kind::Paragraph:
          y += addText(block.text, gfx::Font::systemFont(15), kInk, x, inner, y) + kParagraphGap;
          break;
        case OfficeBlock::Kind::Note:
          y += addText(block.text, gfx::Font::italicSystemFont(14), kNote, x, inner, y) + kParagraphGap;
          break;
        case OfficeBlock::Kind::Table:
          addTable(block.rows, x, inner, y);
          y += kParagraphGap * 2;
          break;
        case OfficeBlock::Kind::Picture: {
          if (!block.picture || block.picture->empty()) break;
          // Pictures keep their proportions and are never drawn wider than the page.
          const double w = std::min<double>(inner, block.picture->width);
          const double h = std::round(w * block.picture->height / block.picture->width);
          Item item = makeItem(Item::Kind::Picture, {x, y, w, h}, {}, gfx::Font::systemFont(15), kInk);
          item.image = gfx::Image::fromImageData(*block.picture);
          items_.push_back(std::move(item));
          y += h + kParagraphGap;
          break;
        }
      }
    }
    y += kMargin / 2;
    items_[sheet].rect.size.height = y - top;
    y += kSectionGap;
  }
  laidOut(y);
}

void DocumentPreviewView::layoutPdf(double width) {
  items_.clear();
  laidOutWidth_ = width;
  double y = kMargin / 2;
  const double pageWidth = width - kMargin;
  for (int p = 0; pdf_ && p < pdf_->pageCount() && pageWidth > 0; ++p) {
    const auto size = pdf_->pageSize(p);
    if (size.width <= 0 || size.height <= 0) continue;
    const double height = std::round(size.height * pageWidth / size.width);
    items_.push_back(makeItem(Item::Kind::PdfPage, {kMargin / 2, y, pageWidth, height}, pdf_->text(p),
                              gfx::Font::systemFont(15), gfx::Color::white(), p));
    y += height + kSectionGap;
  }
  laidOut(y);
}

std::vector<std::string> DocumentPreviewView::pageText() const {
  std::vector<std::string> out;
  for (const auto& item : items_) {
    if ((item.kind == Item::Kind::Text || item.kind == Item::Kind::PdfPage) && !item.text.empty()) out.push_back(item.text);
  }
  return out;
}

void DocumentPreviewView::drawPage(gfx::Context& ctx, const ui::Rect& visible) const {
  for (const auto& item : items_) {
    if (item.rect.maxY() < visible.minY() || item.rect.minY() > visible.maxY()) continue;
    switch (item.kind) {
      case Item::Kind::Fill:
        ctx.setFillColor(item.color);
        ctx.fillRect(item.rect);
        break;
      case Item::Kind::Frame:
        ctx.setStrokeColor(item.color);
        ctx.setLineWidth(1);
        ctx.strokeRect(item.rect);
        break;
      case Item::Kind::Text:
        ctx.drawText(item.text, item.rect, item.font, item.color);
        break;
      case Item::Kind::Picture:
        if (item.image) ctx.drawImage(*item.image, item.rect);
        break;
      case Item::Kind::PdfPage:
        ctx.setFillColor(gfx::Color::white());
        ctx.fillRect(item.rect);
        if (pdf_) pdf_->drawPage(item.page, ctx, item.rect);
        break;
    }
  }
}

gfx::ImagePtr DocumentPreviewView::renderBand(double top, double height) const {
  const double width = bounds().width();
  if (width <= 0 || height <= 0) return nullptr;
  auto ctx = gfx::Context::bitmap({width, height}, 1.0, true);
  if (!ctx) return nullptr;
  ctx->setFillColor(kBackdrop);
  ctx->fillRect({0, 0, width, height});
  ctx->translate(0, -top);
  drawPage(*ctx, {0, top, width, height});
  return ctx->makeImage();
}

}  // namespace svc
