#include "order/pdf/MVPDFCreater.hpp"

#include <algorithm>
#include <cmath>

#include "order/pdf/MVPDFCreaterStringCell.hpp"
#include "order/pdf/MVPDFView.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/gfx/PdfWriter.hpp"

namespace mv {

namespace {
// The largest page side a PDF viewer is bound to accept.
constexpr double kMaxPageSide = 14400;
}  // namespace

MVPDFCreater::MVPDFCreater(base::Size pageSize)
    : pageSize_(usablePageSize(pageSize) ? pageSize : kDefaultPageSize),
      pageNumberFont_(gfx::Font::named("Didot-Italic", 15)) {
  currentContentHeight_ = topMargin_;
}

bool MVPDFCreater::usablePageSize(base::Size size) {
  return size.width > 0 && size.height > 0 && size.width <= kMaxPageSide && size.height <= kMaxPageSide;
}

void MVPDFCreater::setPageSize(base::Size size) {
  if (!usablePageSize(size)) return;
  pageSize_ = size;
  relayoutAllCell();
}

void MVPDFCreater::addCell(MVPDFCellPtr cell) {
  if (currentPage_ == 0) beginNewPage();
  if (!cell) return;
  saveCellToLineArray(std::move(cell));
}

void MVPDFCreater::beginNewLine() { placePendingLine(); }

void MVPDFCreater::addSpacing(double height) {
  if (currentPage_ == 0) beginNewPage();
  if (!currentLineArray_.empty()) placePendingLine();
  steps_.push_back({Step::Kind::Spacing, {}, height});
  if (autoPage_ && computeChangePageForHeight(height)) return;
  currentContentHeight_ += height;
}

void MVPDFCreater::beginNewPage() {
  if (!currentLineArray_.empty()) placePendingLine();
  steps_.push_back({Step::Kind::NewPage, {}, 0});
  changeToNewPage();
}

void MVPDFCreater::clearAllCell() {
  currentLineArray_.clear();
  cellsPageArray_->clear();
  steps_.clear();
  relayoutAllCell();
}

void MVPDFCreater::relayoutAllCell() {
  if (!currentLineArray_.empty()) placePendingLine();
  std::vector<Step> steps = std::move(steps_);
  steps_.clear();
  cellsPageArray_->clear();
  currentPage_ = 0;
  currentContentHeight_ = topMargin_;
  // Replaying through the building operations logs the steps again.
  for (auto& step : steps) {
    switch (step.kind) {
      case Step::Kind::Line:
        currentLineArray_ = std::move(step.cells);
        placePendingLine();
        break;
      case Step::Kind::Spacing: addSpacing(step.height); break;
      case Step::Kind::NewPage: beginNewPage(); break;
    }
  }
}

void MVPDFCreater::removeCellByTag(std::int64_t tag) {
  MVPDFCellPtr found = cellWithTag(tag);
  if (!found) return;
  for (auto& step : steps_) {
    auto it = std::find(step.cells.begin(), step.cells.end(), found);
    if (it != step.cells.end()) {
      step.cells.erase(it);
      break;
    }
  }
  for (auto& page : *cellsPageArray_) page.erase(std::remove(page.begin(), page.end(), found), page.end());
  relayoutAllCell();
}

MVPDFCellPtr MVPDFCreater::cellWithTag(std::int64_t tag) const {
  for (const auto& page : *cellsPageArray_)
    for (const auto& cell : page)
      if (cell->tagOfCell() == tag) return cell;
  return nullptr;
}

bool MVPDFCreater::computeChangePageForHeight(double height) {
  double room = pageSize_.height * static_cast<double>(currentPage_) - currentContentHeight_;
  if (!(room < bottomMargin_ + height)) return false;
  if (currentPage_ > 0 && !pageHoldsContent_) {
    // Ending a page that holds nothing yet would only leave it blank: the
    // blank space above the block goes instead, as it would at a break.
    currentContentHeight_ = pageTop();
    return true;
  }
  // Before the first page there is no page to end.
  if (currentPage_ > 0) addAdditionalFooter(additionalFooterInPage(currentPage_));
  changeToNewPage();
  return true;
}

void MVPDFCreater::changeToNewPage() {
  ++currentPage_;
  // Every begun page has its entry, even one that holds no cell.
  if (cellsPageArray_->size() < static_cast<std::size_t>(currentPage_))
    cellsPageArray_->resize(static_cast<std::size_t>(currentPage_));
  pageHoldsContent_ = false;
  addAdditionalHeader(additionalHeaderInPage(currentPage_));
  currentContentHeight_ = pageTop();
  if (showPageNumber_) addPageNumber();
}

double MVPDFCreater::pageTop() const {
  return static_cast<double>(currentPage_ - 1) * pageSize_.height + topMargin_;
}

std::string MVPDFCreater::pageNumberText(std::int64_t page) const {
  // The format comes from outside; it is read here, never handed to printf.
  std::string out;
  bool substituted = false;
  const std::string& f = pageNumberFormat_;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] == '%' && i + 1 < f.size() && f[i + 1] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    if (!substituted && f[i] == '%') {
      std::size_t j = i + 1;
      while (j < f.size() && j < i + 3 && f[j] == 'l') ++j;
      if (j < f.size() && f[j] == 'd') {
        out += std::to_string(page);
        substituted = true;
        i = j;
        continue;
      }
    }
    out.push_back(f[i]);
  }
  return out;
}

void MVPDFCreater::addPageNumber() {
  double width = pageSize_.width - leftMargin_ - rightMargin_;
  auto cell = std::make_shared<MVPDFCreaterStringCell>(base::Rect{0, 0, width, bottomMargin_},
                                                       pageNumberText(currentPage_), pageNumberFont_,
                                                       pageNumberColor_, gfx::TextAlignment::Center);
  cell->setFrameInContainer(
      {leftMargin_, pageSize_.height * static_cast<double>(currentPage_) - bottomMargin_, width, bottomMargin_});
  saveCellToPageArray(std::move(cell));
}

void MVPDFCreater::saveCellToLineArray(MVPDFCellPtr cell) {
  if (cell) currentLineArray_.push_back(std::move(cell));
}

void MVPDFCreater::saveCellToPageArray(MVPDFCellPtr cell) {
  if (!cell) return;
  // A cell never goes to a page before the first.
  if (currentPage_ == 0) changeToNewPage();
  if (cellsPageArray_->size() < static_cast<std::size_t>(currentPage_))
    cellsPageArray_->resize(static_cast<std::size_t>(currentPage_));
  (*cellsPageArray_)[static_cast<std::size_t>(currentPage_ - 1)].push_back(std::move(cell));
}

void MVPDFCreater::addAdditionalHeader(const MVPDFCellList& cells) {
  for (const auto& cell : cells) saveCellToPageArray(cell);
}

void MVPDFCreater::addAdditionalFooter(const MVPDFCellList& cells) {
  for (const auto& cell : cells) saveCellToPageArray(cell);
}

void MVPDFCreater::placePendingLine() {
  MVPDFCellList line = std::move(currentLineArray_);
  currentLineArray_.clear();
  if (!line.empty() && currentPage_ == 0) {
    steps_.push_back({Step::Kind::NewPage, {}, 0});
    changeToNewPage();
  }
  double lineHeight = 0;
  for (const auto& cell : line) {
    const base::Rect& f = cell->frameInLine();
    lineHeight = std::max(lineHeight, f.y() + f.height());
  }
  // One test for the whole line, with its height: a line of several cells
  // taller than a page breaks once. A line taller than a whole page stays on
  // a page it begins, as a new page would offer no more room.
  if (autoPage_ && !line.empty() &&
      !(currentContentHeight_ == pageTop() && lineHeight > pageSize_.height - topMargin_ - bottomMargin_))
    computeChangePageForHeight(lineHeight);
  for (const auto& cell : line) {
    const base::Rect& f = cell->frameInLine();
    cell->setFrameInContainer({leftMargin_ + f.x(), currentContentHeight_ + f.y(), f.width(), f.height()});
    saveCellToPageArray(cell);
  }
  if (!line.empty()) pageHoldsContent_ = true;
  currentContentHeight_ += lineHeight + lineSpacing_;
  steps_.push_back({Step::Kind::Line, std::move(line), 0});
}

std::vector<std::uint8_t> MVPDFCreater::generatePDFToData() {
  if (!currentLineArray_.empty()) placePendingLine();
  if (cellsPageArray_->empty()) return {};
  auto writer = gfx::PdfWriter::toMemory({0, 0, pageSize_.width, pageSize_.height});
  for (std::size_t n = 1; n <= cellsPageArray_->size(); ++n) {
    gfx::Context& page = writer->beginPage();
    gfx::Context::Scope scope(page);
    drawViewInPage(static_cast<std::int64_t>(n));
  }
  // A document that could not be finished is no document.
  if (!writer->close()) return {};
  return writer->data();
}

std::shared_ptr<MVPDFView> MVPDFCreater::generatePDFToView() {
  if (!currentLineArray_.empty()) placePendingLine();
  auto view = std::make_shared<MVPDFView>(
      base::Rect{0, 0, pageSize_.width, pageSize_.height * static_cast<double>(currentPage_)});
  view->setCellsArray(cellsPageArray_);
  return view;
}

void MVPDFCreater::drawViewInPage(std::int64_t page) const {
  if (page < 1 || static_cast<std::size_t>(page) > cellsPageArray_->size()) return;
  double top = static_cast<double>(page - 1) * pageSize_.height;
  for (const auto& cell : (*cellsPageArray_)[static_cast<std::size_t>(page - 1)])
    cell->drawInRect(cell->frameInContainer().offset(0, -top));
}

}  // namespace mv
