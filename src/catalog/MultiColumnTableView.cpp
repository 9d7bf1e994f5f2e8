#include "catalog/MultiColumnTableView.hpp"

#include <algorithm>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/WeakAs.hpp"

namespace mv {
namespace {

constexpr long kHeaderViewTag = -1;
constexpr std::size_t kOpCount = static_cast<std::size_t>(MultiColumnTableOp::HeightForHeaderCellInSectionHeader) + 1;

// A separator line along the bottom of a row: the row grows by its width.
void addBottomLine(ui::View& view, double width, const gfx::Color& color) {
  ui::Rect frame = view.frame();
  frame.size.height += width;
  view.setFrame(frame);
  auto line = std::make_shared<ui::View>(ui::Rect{0, frame.height() - width, frame.width(), width});
  line->setBackgroundColor(color);
  line->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleTopMargin);
  view.addSubview(line);
}

std::shared_ptr<ui::View> addVerticalLine(ui::View& view, double width, const gfx::Color& color, double x) {
  auto line = std::make_shared<ui::View>(ui::Rect{x, 0, width, view.frame().height()});
  line->setBackgroundColor(color);
  line->setAutoresizingMask(ui::FlexibleHeight | ui::FlexibleRightMargin);
  view.addSubview(line);
  return line;
}

}  // namespace

std::shared_ptr<MultiColumnTableView> MultiColumnTableView::initWithFrame(const ui::Rect& frame) {
  std::shared_ptr<MultiColumnTableView> view(new MultiColumnTableView(frame));
  view->build();
  return view;
}

MultiColumnTableView::MultiColumnTableView(const ui::Rect& frame) : ui::View(frame) {}

MultiColumnTableView::~MultiColumnTableView() {
  for (auto* table : {tblView_.get(), headerTblView_.get()}) {
    if (!table) continue;
    table->setDataSource({});
    table->setDelegate({});
  }
}

void MultiColumnTableView::build() {
  MV_ASSERT_MAIN_THREAD();
  layer().setBorderColor(gfx::Color::white(212.0f / 255.0f));
  layer().setBorderWidth(1.0);
  layer().setCornerRadius(3.0);
  setClipsToBounds(true);
  setBackgroundColor(gfx::Color::clear());
  setContentMode(ui::ContentMode::Redraw);
  scrlView_ = std::make_shared<ui::ScrollView>(bounds());
  scrlView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  scrlView_->setShowsVerticalScrollIndicator(false);
  addSubview(scrlView_);
  tblView_ = std::make_shared<ui::TableView>(scrlView_->bounds(), ui::TableViewStyle::Plain);
  tblView_->setAutoresizingMask(ui::FlexibleHeight);
  tblView_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
  tblView_->setBackgroundColor(gfx::Color::clear());
  tblView_->setDataSource(ui::weakAs<ui::TableViewDataSource>(this));
  tblView_->setDelegate(ui::weakAs<ui::TableViewDelegate>(this));
  scrlView_->addSubview(tblView_);
  auto weak = ui::weakAs<MultiColumnTableView>(this);
  auto press = std::make_shared<ui::LongPressGestureRecognizer>([weak](ui::GestureRecognizer& g) {
    auto self = weak.lock();
    if (self) self->columnLongPressed(g.state(), g.locationInView(self->scrlView_.get()));
  });
  press->minimumPressDuration = kLongPressDuration;
  tblView_->addGestureRecognizer(press);
}

bool MultiColumnTableView::has(MultiColumnTableOp op) const {
  const auto i = static_cast<std::size_t>(op);
  return i < responds_.size() && responds_[i];
}

void MultiColumnTableView::setDataSource(const std::shared_ptr<MultiColumnTableViewDataSource>& dataSource) {
  if (dataSource == dataSource_.lock()) return;
  dataSource_ = dataSource;
  responds_.assign(kOpCount, false);
  if (dataSource) {
    for (std::size_t i = 0; i < kOpCount; ++i) responds_[i] = dataSource->respondsTo(static_cast<MultiColumnTableOp>(i));
  }
  adjustWidth();
  sectionFoldingStatus_.clear();
  const long sections = dataSource && has(MultiColumnTableOp::NumberOfSections)
                            ? dataSource->numberOfSectionsInTableView(*this)
                            : 1;
  MultiColumnTableLayout::resizeFolding(sectionFoldingStatus_, sections, sectionFoldedByDefault);
  reset();
  if (has(MultiColumnTableOp::HeaderCellForIndexPath)) setupHeaderTblView();
  tblView_->reloadData();
}

void MultiColumnTableView::reloadData() {
  reset();
  if (headerTblView_) headerTblView_->reloadData();
  tblView_->reloadData();
  adjustWidth();
}

void MultiColumnTableView::reset() {
  auto ds = dataSource();
  if (!ds) {
    indexPathTable_.clear();
    redrawLines();
    return;
  }
  const long sections = has(MultiColumnTableOp::NumberOfSections) ? ds->numberOfSectionsInTableView(*this) : 1;
  // Sections added since the list was made get the default; gone ones are dropped.
  MultiColumnTableLayout::resizeFolding(sectionFoldingStatus_, sections, sectionFoldedByDefault);
  indexPathTable_ = MultiColumnTableLayout::rowList(
      sections, [&](long s) { return ds->tableViewNumberOfRowsInSection(*this, s); }, sectionHeaderEnabled,
      sectionFoldingStatus_);
  redrawLines();
}

double MultiColumnTableView::widthOfColumn(long column) const {
  auto ds = dataSource();
  if (ds && has(MultiColumnTableOp::WidthForColumn)) {
    return ds->tableViewWidthForColumn(const_cast<MultiColumnTableView&>(*this), column);
  }
  return cellWidth;
}

std::vector<double> MultiColumnTableView::columnWidths() const {
  std::vector<double> widths;
  auto ds = dataSource();
  if (!ds) return widths;
  const long n = ds->numberOfColumnsInTableView(const_cast<MultiColumnTableView&>(*this));
  for (long c = 0; c < n; ++c) widths.push_back(widthOfColumn(c));
  return widths;
}

double MultiColumnTableView::contentWidth() const {
  return MultiColumnTableLayout::contentWidth(columnWidths(), normalSeperatorLineWidth);
}

double MultiColumnTableView::leftHeaderWidthInUse() const {
  if (!has(MultiColumnTableOp::HeaderCellForIndexPath)) return 0;
  auto ds = dataSource();
  return ds && has(MultiColumnTableOp::WidthForHeaderCellOfTable)
             ? ds->widthForHeaderCellOfTableView(const_cast<MultiColumnTableView&>(*this))
             : leftHeaderWidth;
}

double MultiColumnTableView::topHeaderRowHeight() const {
  auto ds = dataSource();
  const double top = ds && has(MultiColumnTableOp::HeightForHeaderCellOfTable)
                         ? ds->heightForHeaderCellOfTableView(const_cast<MultiColumnTableView&>(*this))
                         : topHeaderHeight;
  return top + boldSeperatorLineWidth;
}

void MultiColumnTableView::adjustWidth() {
  const double width = contentWidth();
  scrlView_->setContentSize({width, 0});
  ui::Rect frame = tblView_->frame();
  frame.size.width = std::max(bounds().width() - leftHeaderWidthInUse(), width);
  tblView_->setFrame(frame);
}

void MultiColumnTableView::setupHeaderTblView() {
  if (headerTblView_) headerTblView_->removeFromSuperview();
  const double left = leftHeaderWidthInUse();
  headerTblView_ = std::make_shared<ui::TableView>(ui::Rect{0, 0, left, bounds().height()}, ui::TableViewStyle::Plain);
  headerTblView_->setAutoresizingMask(ui::FlexibleHeight);
  headerTblView_->setDataSource(ui::weakAs<ui::TableViewDataSource>(this));
  headerTblView_->setDelegate(ui::weakAs<ui::TableViewDelegate>(this));
  headerTblView_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
  headerTblView_->setShowsVerticalScrollIndicator(false);
  headerTblView_->setBackgroundColor(leftHeaderBackgroundColor);
  addSubview(headerTblView_);
  scrlView_->setFrame({left + boldSeperatorLineWidth, 0, bounds().width() - left - boldSeperatorLineWidth,
                       bounds().height()});
  setNeedsDisplay();
}

void MultiColumnTableView::redrawLines() {
  for (const auto& line : lines_) line->removeFromSuperview();
  lines_.clear();
  if (!scrlView_) return;
  lines_.push_back(addVerticalLine(*scrlView_, normalSeperatorLineWidth, normalSeperatorLineColor,
                                   -normalSeperatorLineWidth));
  double x = 0;
  for (double width : columnWidths()) {
    x += width + normalSeperatorLineWidth;
    lines_.push_back(addVerticalLine(*scrlView_, normalSeperatorLineWidth, normalSeperatorLineColor, x));
  }
}

void MultiColumnTableView::drawRect(gfx::Context& ctx, const ui::Rect&) {
  if (!headerTblView_ || boldSeperatorLineWidth <= 0) return;
  const double x = leftHeaderWidthInUse();
  ctx.setFillColor(boldSeperatorLineColor);
  ctx.fillRect({x, 0, boldSeperatorLineWidth, bounds().height()});
}

// ---- rows -----------------------------------------------------------------------------------

long MultiColumnTableView::tableViewNumberOfRowsInSection(ui::TableView&, long) {
  return static_cast<long>(indexPathTable_.size());
}

std::optional<double> MultiColumnTableView::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                             const ui::IndexPath& indexPath) {
  auto ds = dataSource();
  if (!ds || indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= indexPathTable_.size()) return cellHeight;
  const auto& entry = indexPathTable_[static_cast<std::size_t>(indexPath.row)];
  const long columns = ds->numberOfColumnsInTableView(*this);
  double height = 0;
  if (entry.isSectionHeader()) {
    height = has(MultiColumnTableOp::HeightForHeaderCellInSectionHeader)
                 ? ds->tableViewHeightForHeaderCellInSectionHeaderAtSection(*this, entry.section)
                 : cellHeight;
    for (long c = 0; c < columns; ++c) {
      height = std::max(height, has(MultiColumnTableOp::HeightForSectionHeaderCell)
                                    ? ds->tableViewHeightForSectionHeaderCellAtSection(*this, entry.section, c)
                                    : sectionHeaderHeight);
    }
  } else {
    const ui::IndexPath path{entry.section, entry.row};
    height = has(MultiColumnTableOp::HeightForHeaderCellAtIndexPath)
                 ? ds->tableViewHeightForHeaderCellAtIndexPath(*this, path)
                 : sectionHeaderHeight;
    for (long c = 0; c < columns; ++c) {
      height = std::max(height, has(MultiColumnTableOp::HeightForCell)
                                    ? ds->tableViewHeightForCellAtIndexPath(*this, path, c)
                                    : cellHeight);
    }
  }
  return height + normalSeperatorLineWidth;
}

std::shared_ptr<ui::TableViewCell> MultiColumnTableView::tableViewCellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
  if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= indexPathTable_.size() || !dataSource()) {
    return std::make_shared<ui::TableViewCell>();
  }
  const auto& entry = indexPathTable_[static_cast<std::size_t>(indexPath.row)];
  if (&tableView == headerTblView_.get()) return leftHeaderCell(tableView, entry);
  if (entry.isSectionHeader()) return sectionHeaderCell(tableView, entry.section);
  return regularCell(tableView, entry);
}

void MultiColumnTableView::fitColumnViews(MultiColumnTableViewCell& cell, std::size_t count,
                                         const std::function<std::shared_ptr<ui::View>(long column)>& make) const {
  // A reused cell keeps the views it has; missing ones are placed after them,
  // column by column, and extra ones go.
  auto& columns = cell.columnCells();
  double x = columns.empty() ? 0 : columns.back()->frame().maxX();
  for (std::size_t c = columns.size(); c < count; ++c) {
    auto view = make(static_cast<long>(c));
    if (!view) view = std::make_shared<ui::View>();
    ui::Rect f = view->frame();
    f.origin.x += x;
    view->setFrame(f);
    cell.contentView().addSubview(view);
    columns.push_back(view);
    x += widthOfColumn(static_cast<long>(c)) + normalSeperatorLineWidth;
  }
  while (columns.size() > count) {
    columns.back()->removeFromSuperview();
    columns.pop_back();
  }
}

std::shared_ptr<ui::TableViewCell> MultiColumnTableView::regularCell(ui::TableView& table,
                                                                    const MultiColumnTableLayout::Entry& entry) {
  auto ds = dataSource();
  const ui::IndexPath path{entry.section, entry.row};
  std::string reuseId = kDefaultReuseId;
  if (has(MultiColumnTableOp::ReuseId)) {
    if (auto id = ds->tableViewReuseIdForIndexPath(*this, path)) reuseId = *id;
  }
  auto cell = std::dynamic_pointer_cast<MultiColumnTableViewCell>(table.dequeueReusableCellWithIdentifier(reuseId));
  if (!cell) {
    cell = std::make_shared<MultiColumnTableViewCell>(ui::TableViewCellStyle::Default, reuseId);
    cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    addBottomLine(*cell, normalSeperatorLineWidth, normalSeperatorLineColor);
  }
  if (has(MultiColumnTableOp::BackgroundColorAtIndexPath)) {
    cell->contentView().setBackgroundColor(ds->backgroundColorAtIndexPath(*this, path));
  }
  const auto n = static_cast<std::size_t>(std::max<long>(0, ds->numberOfColumnsInTableView(*this)));
  fitColumnViews(*cell, n, [&](long column) { return ds->tableViewCellForIndexPath(*this, path, column); });
  auto& columns = cell->columnCells();
  for (std::size_t c = 0; c < n; ++c) {
    if (has(MultiColumnTableOp::BackgroundColorAtColumn)) {
      columns[c]->setBackgroundColor(ds->backgroundColorAtIndexPathAtColumn(*this, path, static_cast<long>(c)));
    }
    ds->tableViewSetContentForCell(*this, *columns[c], path, static_cast<long>(c));
  }
  return cell;
}

std::shared_ptr<ui::TableViewCell> MultiColumnTableView::sectionHeaderCell(ui::TableView& table, long section) {
  auto ds = dataSource();
  auto cell = std::dynamic_pointer_cast<MultiColumnTableViewCell>(table.dequeueReusableCellWithIdentifier("SectionHeaderCell"));
  if (!cell) {
    cell = std::make_shared<MultiColumnTableViewCell>(ui::TableViewCellStyle::Default, "SectionHeaderCell");
    cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    cell->contentView().setBackgroundColor(sectionHeaderBackgroundColor);
    addBottomLine(*cell, normalSeperatorLineWidth, normalSeperatorLineColor);
  }
  const auto n = static_cast<std::size_t>(std::max<long>(0, ds->numberOfColumnsInTableView(*this)));
  fitColumnViews(*cell, n, [&](long column) { return ds->tableViewSectionHeaderCellForSection(*this, section, column); });
  auto& columns = cell->columnCells();
  for (std::size_t c = 0; c < n; ++c) {
    ds->tableViewSetContentForSectionHeaderCell(*this, *columns[c], section, static_cast<long>(c));
  }
  return cell;
}

std::shared_ptr<ui::TableViewCell> MultiColumnTableView::leftHeaderCell(ui::TableView& table,
                                                                       const MultiColumnTableLayout::Entry& entry) {
  auto ds = dataSource();
  const bool sectionRow = sectionHeaderEnabled && entry.isSectionHeader();
  const std::string reuseId = sectionRow ? "HeaderCellInSectionHeader" : "HeaderCell";
  auto cell = table.dequeueReusableCellWithIdentifier(reuseId);
  if (!cell) {
    cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, reuseId);
    cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    std::shared_ptr<ui::View> view;
    if (sectionRow) {
      view = ds->tableViewHeaderCellInSectionHeaderForSection(*this, entry.section);
      cell->contentView().setBackgroundColor(sectionHeaderBackgroundColor);
    } else {
      view = ds->tableViewHeaderCellForIndexPath(*this, {entry.section, entry.row});
    }
    if (!view) view = std::make_shared<ui::View>();
    view->setTag(kHeaderViewTag);
    cell->contentView().addSubview(view);
    addBottomLine(*cell, normalSeperatorLineWidth, normalSeperatorLineColor);
  }
  if (auto* view = cell->contentView().viewWithTag(kHeaderViewTag)) {
    if (sectionRow) {
      ds->tableViewSetContentForHeaderCellInSectionHeader(*this, *view, entry.section);
    } else {
      ds->tableViewSetContentForHeaderCell(*this, *view, {entry.section, entry.row});
    }
  }
  return cell;
}

std::optional<double> MultiColumnTableView::tableViewHeightForHeaderInSection(ui::TableView&, long) {
  return topHeaderRowHeight();
}

std::shared_ptr<ui::View> MultiColumnTableView::tableViewViewForHeaderInSection(ui::TableView& tableView, long) {
  auto ds = dataSource();
  auto header = std::make_shared<ui::View>();
  header->setClipsToBounds(true);
  if (!ds) return header;
  if (&tableView == headerTblView_.get()) {
    if (has(MultiColumnTableOp::TopLeftHeaderCell)) {
      if (auto corner = ds->topleftHeaderCellOfTableView(*this)) {
        ui::Rect f = corner->frame();
        f.size.height = topHeaderRowHeight() - boldSeperatorLineWidth;
        header->setFrame(f);
        header->addSubview(corner);
        addBottomLine(*header, boldSeperatorLineWidth, boldSeperatorLineColor);
      }
    }
    return header;
  }
  double x = 0;
  double tallest = 0;
  const long n = ds->numberOfColumnsInTableView(*this);
  for (long c = 0; c < n; ++c) {
    if (has(MultiColumnTableOp::HeaderCellForColumn)) {
      if (auto cell = ds->tableViewHeaderCellForColumn(*this, c)) {
        ui::Rect f = cell->frame();
        f.origin.x = x;
        cell->setFrame(f);
        header->addSubview(cell);
        tallest = std::max(tallest, f.height());
      }
    }
    x += widthOfColumn(c) + normalSeperatorLineWidth;
  }
  header->setFrame({0, 0, std::max(x - normalSeperatorLineWidth, tblView_->frame().width()), tallest});
  header->setBackgroundColor(topHeaderBackgroundColor);
  addBottomLine(*header, boldSeperatorLineWidth, boldSeperatorLineColor);
  return header;
}

// ---- folding, scrolling, swapping ------------------------------------------------------------------

void MultiColumnTableView::tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) {
  if (&tableView != headerTblView_.get() || !sectionHeaderEnabled) return;
  if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= indexPathTable_.size()) return;
  const auto& entry = indexPathTable_[static_cast<std::size_t>(indexPath.row)];
  if (entry.isSectionHeader()) toggleFoldOfSection(entry.section, indexPath.row);
}

void MultiColumnTableView::toggleFoldOfSection(long section, long headerRow) {
  MV_ASSERT_MAIN_THREAD();
  auto ds = dataSource();
  if (!ds || section < 0 || static_cast<std::size_t>(section) >= sectionFoldingStatus_.size()) return;
  const bool wasFolded = sectionFoldingStatus_[static_cast<std::size_t>(section)];
  sectionFoldingStatus_[static_cast<std::size_t>(section)] = !wasFolded;
  const auto paths = MultiColumnTableLayout::foldIndexPaths(headerRow, ds->tableViewNumberOfRowsInSection(*this, section));
  reset();
  for (auto* table : {tblView_.get(), headerTblView_.get()}) {
    if (!table) continue;
    table->beginUpdates();
    if (wasFolded) {
      table->insertRowsAtIndexPaths(paths, ui::TableViewRowAnimation::Top);
    } else {
      table->deleteRowsAtIndexPaths(paths, ui::TableViewRowAnimation::Top);
    }
    table->endUpdates();
  }
}

void MultiColumnTableView::scrollViewDidScroll(ui::ScrollView& scrollView) {
  if (syncingScroll_ || !headerTblView_) return;
  ui::ScrollView* other = &scrollView == tblView_.get()          ? static_cast<ui::ScrollView*>(headerTblView_.get())
                          : &scrollView == headerTblView_.get() ? static_cast<ui::ScrollView*>(tblView_.get())
                                                                : nullptr;
  if (!other) return;
  syncingScroll_ = true;
  other->setContentOffset(scrollView.contentOffset());
  syncingScroll_ = false;
}

void MultiColumnTableView::columnLongPressed(ui::GestureState state, ui::Point inScrollView) {
  auto ds = dataSource();
  if (!ds || !has(MultiColumnTableOp::SwapColumns)) return;
  const long column = MultiColumnTableLayout::columnAtPoint(columnWidths(), inScrollView.x);
  switch (state) {
    case ui::GestureState::Began:
      // A press that starts beyond the last column has nothing to move.
      selectedColumn_ = column;
      if (column >= 0) placeHighlight();
      break;
    case ui::GestureState::Changed:
      if (selectedColumn_ < 0 || column < 0 || column == selectedColumn_) break;
      swapColumn(selectedColumn_, column);
      selectedColumn_ = column;
      placeHighlight();
      break;
    case ui::GestureState::Ended:
    case ui::GestureState::Cancelled:
      if (highlight_) highlight_->removeFromSuperview();
      highlight_.reset();
      selectedColumn_ = -1;
      break;
    default:
      MV_LOG("recognizer.state: ", static_cast<long>(state));
  }
}

void MultiColumnTableView::swapColumn(long column, long other) {
  if (auto ds = dataSource()) ds->tableViewSwapDataOfColumn(*this, column, other);
  tblView_->reloadData();
  redrawLines();
}

void MultiColumnTableView::placeHighlight() {
  if (!highlight_) {
    highlight_ = std::make_shared<ui::View>();
    highlight_->setUserInteractionEnabled(false);
    highlight_->layer().setBorderColor(gfx::Color::rgb255(232, 142, 20));
    highlight_->layer().setBorderWidth(4.0);
    highlight_->layer().setShadowRadius(5.0);
    highlight_->layer().setShadowOpacity(0.5);
    addSubview(highlight_);
  }
  ui::View::performWithoutAnimation([this] {
    highlight_->setFrame(MultiColumnTableLayout::highlightFrame(
        headerTblView_ ? headerTblView_->frame().width() : 0, scrlView_->contentOffset().x, boldSeperatorLineWidth,
        columnWidths(), normalSeperatorLineWidth, selectedColumn_, bounds().height()));
  });
}

}  // namespace mv
