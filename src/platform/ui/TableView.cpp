#include "platform/ui/TableView.hpp"

#include <algorithm>
#include <cmath>

#include "platform/base/Log.hpp"
#include "platform/ui/SwipeGestureRecognizer.hpp"
#include "platform/ui/Window.hpp"

namespace ui {

namespace {

constexpr double kPlainHeaderHeight = 22;
constexpr double kGroupedSpacing = 10;
constexpr double kGroupedTitleHeight = 38;

bool validHeight(double h) { return std::isfinite(h) && h >= 0; }

// The standard header or footer of a section: its title on a plain bar
// (plain tables) or as small grey text (grouped tables).
class SectionHeaderView : public View {
 public:
  SectionHeaderView(const std::string& title, bool grouped, bool footer) {
    label_ = std::make_shared<Label>();
    label_->setBackgroundColor(std::nullopt);
    if (grouped) {
      setBackgroundColor(std::nullopt);
      setOpaque(false);
      label_->setFont(gfx::Font::systemFont(14));
      label_->setTextColor(gfx::Color::rgb255(109, 109, 114));
      label_->setNumberOfLines(0);
      label_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    } else {
      setBackgroundColor(gfx::Color::rgb255(247, 247, 247));
      label_->setFont(gfx::Font::boldSystemFont(14));
    }
    label_->setText(title);
    grouped_ = grouped;
    footer_ = footer;
    addSubview(label_);
  }
  Label& label() const { return *label_; }
  void layoutSubviews() override {
    Rect b = bounds();
    if (grouped_ && !footer_)
      label_->setFrame({15, std::max(0.0, b.height() - 24), std::max(0.0, b.width() - 30), 20});
    else if (grouped_)
      label_->setFrame({15, 4, std::max(0.0, b.width() - 30), std::max(0.0, b.height() - 8)});
    else
      label_->setFrame({15, 0, std::max(0.0, b.width() - 30), b.height()});
  }

 private:
  std::shared_ptr<Label> label_;
  bool grouped_ = false;
  bool footer_ = false;
};

// The section index down the right edge; a touch or drag on it scrolls to
// the section of the title under the finger.
class SectionIndexView : public View {
 public:
  SectionIndexView() {
    setBackgroundColor(std::nullopt);
    setOpaque(false);
  }
  std::vector<std::string> titles;
  std::optional<gfx::Color> color;

  long indexAt(Point p) const {
    if (titles.empty()) return -1;
    Rect b = bounds();
    double step = rowStep();
    double top = b.midY() - step * static_cast<double>(titles.size()) / 2;
    long i = static_cast<long>(std::floor((p.y - top) / step));
    return std::clamp(i, 0L, static_cast<long>(titles.size()) - 1);
  }
  double rowStep() const {
    double avail = bounds().height() - 16;
    return titles.empty() ? 0 : std::min(16.0, avail / static_cast<double>(titles.size()));
  }
  void drawRect(gfx::Context& ctx, const Rect&) override {
    Rect b = bounds();
    double step = rowStep();
    double top = b.midY() - step * static_cast<double>(titles.size()) / 2;
    gfx::Font f = gfx::Font::boldSystemFont(11);
    for (std::size_t i = 0; i < titles.size(); ++i)
      ctx.drawText(titles[i], {0, top + step * static_cast<double>(i), b.width(), step}, f,
                   color.value_or(gfx::Color::rgb255(0, 122, 255)), gfx::LineBreakMode::Clip, gfx::TextAlignment::Center, 1);
  }
  void touchesBegan(const TouchSet& t, const Event&) override { pick(t); }
  void touchesMoved(const TouchSet& t, const Event&) override { pick(t); }
  void touchesEnded(const TouchSet&, const Event&) override {}
  void touchesCancelled(const TouchSet&, const Event&) override {}

 private:
  void pick(const TouchSet& t) {
    auto* table = dynamic_cast<TableView*>(superview());
    if (t.empty() || !table) return;
    // Read against the part of the table in sight, not the strip's frame:
    // the jump of the last pick moved the table under the strip, which
    // follows only at the next layout, and a finger that moves before it
    // would otherwise land on the first or the last letter.
    Point p = t.front()->locationInView(table);
    p.y -= table->bounds().y();
    const long i = indexAt(p);
    if (i >= 0) table->selectSectionIndexTitle(i);
  }
};

}  // namespace

bool TableView::Batch::empty() const {
  return insertRows.empty() && deleteRows.empty() && reloadRows.empty() && insertSections.empty() &&
         deleteSections.empty() && reloadSections.empty();
}

TableView::TableView(const Rect& frame, TableViewStyle style)
    : ScrollView(frame),
      style_(style),
      sectionHeaderHeight_(style == TableViewStyle::Plain ? kPlainHeaderHeight : kGroupedSpacing),
      sectionFooterHeight_(style == TableViewStyle::Plain ? kPlainHeaderHeight : kGroupedSpacing) {
  setBackgroundColor(style == TableViewStyle::Plain ? gfx::Color::white() : gfx::Color::rgb255(239, 239, 244));
  setAlwaysBounceVertical(true);
  indexView_ = std::make_shared<SectionIndexView>();
  indexView_->setHidden(true);
  addSubview(indexView_);
  swipe_ = std::make_shared<SwipeGestureRecognizer>();
  swipe_->direction = SwipeLeft | SwipeRight;
  swipe_->shouldBegin = [](GestureRecognizer& g) {
    auto* t = dynamic_cast<TableView*>(g.view());
    if (!t || t->editing_) return false;
    auto ds = t->dataSource();
    return ds && ds->respondsTo(TableViewDataSourceOp::CommitEditingStyle) &&
           t->indexPathForRowAtPoint(g.locationInView(t)).has_value();
  };
  swipe_->addTarget([](GestureRecognizer& g) {
    auto* t = dynamic_cast<TableView*>(g.view());
    if (!t || g.state() != GestureState::Ended) return;
    if (auto p = t->indexPathForRowAtPoint(g.locationInView(t))) t->swipeToDeleteRowAtIndexPath(*p);
  });
  addGestureRecognizer(swipe_);
}

TableView::~TableView() = default;

void TableView::setDataSource(std::weak_ptr<TableViewDataSource> dataSource) {
  dataSource_ = std::move(dataSource);
  loaded_ = false;
  setNeedsLayout();
}

std::shared_ptr<TableViewDelegate> TableView::delegate() const {
  return std::dynamic_pointer_cast<TableViewDelegate>(ScrollView::delegate());
}

void TableView::setDelegate(std::weak_ptr<ScrollViewDelegate> d) {
  ScrollView::setDelegate(std::move(d));
  cacheDelegateAnswers();
  if (loaded_) {
    loaded_ = false;  // heights may come from the new delegate
    setNeedsLayout();
  }
}

void TableView::cacheDelegateAnswers() {
  auto d = delegate();
  delegateHeightForRow_ = d && d->respondsTo(TableViewDelegateOp::HeightForRow);
  delegateHeightForHeader_ = d && d->respondsTo(TableViewDelegateOp::HeightForHeader);
  delegateHeightForFooter_ = d && d->respondsTo(TableViewDelegateOp::HeightForFooter);
  delegateViewForHeader_ = d && d->respondsTo(TableViewDelegateOp::ViewForHeader);
  delegateViewForFooter_ = d && d->respondsTo(TableViewDelegateOp::ViewForFooter);
}

// --- geometry ---------------------------------------------------------------------

double TableView::contentWidth() const {
  double w = bounds().width();
  if (!indexTitles_.empty()) w -= kSectionIndexWidth;
  return std::max(0.0, w);
}

double TableView::tableHeaderHeight() const { return tableHeaderView_ ? tableHeaderView_->frame().height() : 0; }

void TableView::buildSection(long s, Section& sec, TableViewDataSource* ds, TableViewDelegate* dg) {
  sec.rows = ds ? std::max(0L, ds->tableViewNumberOfRowsInSection(*this, s)) : 0;
  sec.headerTitle = ds && ds->respondsTo(TableViewDataSourceOp::TitleForHeader)
                        ? ds->tableViewTitleForHeaderInSection(*this, s)
                        : std::nullopt;
  sec.footerTitle = ds && ds->respondsTo(TableViewDataSourceOp::TitleForFooter)
                        ? ds->tableViewTitleForFooterInSection(*this, s)
                        : std::nullopt;
  std::shared_ptr<View> hv = dg && delegateViewForHeader_ ? dg->tableViewViewForHeaderInSection(*this, s) : nullptr;
  std::shared_ptr<View> fv = dg && delegateViewForFooter_ ? dg->tableViewViewForFooterInSection(*this, s) : nullptr;
  bool grouped = style_ == TableViewStyle::Grouped;
  auto standard = [&](const std::optional<std::string>& title, const std::shared_ptr<View>& view, double base) {
    if (view) return view->frame().height() > 0 ? view->frame().height() : base;
    if (title && !title->empty()) return grouped ? std::max(base, kGroupedTitleHeight) : base;
    return grouped ? base : 0.0;
  };
  std::optional<double> hh = dg && delegateHeightForHeader_ ? dg->tableViewHeightForHeaderInSection(*this, s) : std::nullopt;
  std::optional<double> fh = dg && delegateHeightForFooter_ ? dg->tableViewHeightForFooterInSection(*this, s) : std::nullopt;
  sec.headerHeight = hh && validHeight(*hh) ? *hh : standard(sec.headerTitle, hv, sectionHeaderHeight_);
  sec.footerHeight = fh && validHeight(*fh) ? *fh : standard(sec.footerTitle, fv, sectionFooterHeight_);
  const bool perRow = dg && delegateHeightForRow_;
  sec.rowHeight = !perRow && rowHeight_ > 0 ? rowHeight_ : 0;
  if (sec.rowHeight > 0) {
    sec.rowOffsets.clear();
  } else {
    sec.rowOffsets.assign(static_cast<std::size_t>(sec.rows) + 1, 0);
    double y = 0;
    for (long r = 0; r < sec.rows; ++r) {
      sec.rowOffsets[static_cast<std::size_t>(r)] = y;
      double h = rowHeight_;
      if (perRow) {
        auto dh = dg->tableViewHeightForRowAtIndexPath(*this, IndexPath{s, r});
        if (dh && validHeight(*dh)) h = *dh;
      }
      y += h;
    }
    sec.rowOffsets.back() = y;
  }
  // Header and footer views: the delegate's, else a standard one for a title.
  if (!hv && sec.headerTitle && !sec.headerTitle->empty() && sec.headerHeight > 0)
    hv = makeStandardHeader(*sec.headerTitle, false);
  if (!fv && sec.footerTitle && !sec.footerTitle->empty() && sec.footerHeight > 0)
    fv = makeStandardHeader(*sec.footerTitle, true);
  if (hv) headers_[s] = hv;
  if (fv) footers_[s] = fv;
}

std::shared_ptr<View> TableView::makeStandardHeader(const std::string& title, bool footer) const {
  return std::make_shared<SectionHeaderView>(title, style_ == TableViewStyle::Grouped, footer);
}

long TableView::Section::lastRowFrom(double y) const {
  if (rows == 0 || y < 0) return -1;
  if (rowHeight > 0) return std::min(rows - 1, static_cast<long>(y / rowHeight));
  auto it = std::upper_bound(rowOffsets.begin(), rowOffsets.end() - 1, y);
  return static_cast<long>(it - rowOffsets.begin()) - 1;
}

void TableView::loadGeometry() {
  auto ds = dataSource();
  auto dg = delegate();
  for (auto& [s, v] : headers_) v->removeFromSuperview();
  for (auto& [s, v] : footers_) v->removeFromSuperview();
  headers_.clear();
  footers_.clear();
  long n = 0;
  if (ds) n = ds->respondsTo(TableViewDataSourceOp::NumberOfSections) ? std::max(0L, ds->numberOfSectionsInTableView(*this)) : 1;
  // Each section is built anew; the row offsets of a long list keep their
  // storage from one load to the next rather than be allocated again.
  sections_.resize(static_cast<std::size_t>(n));
  for (long s = 0; s < n; ++s) buildSection(s, sections_[static_cast<std::size_t>(s)], ds.get(), dg.get());
  indexTitles_ = ds && ds->respondsTo(TableViewDataSourceOp::SectionIndexTitles) ? ds->sectionIndexTitlesForTableView(*this)
                                                                                  : std::vector<std::string>{};
  auto* iv = static_cast<SectionIndexView*>(indexView_.get());
  iv->titles = indexTitles_;
  iv->color = indexColor_;
  iv->setHidden(indexTitles_.empty());
  iv->setNeedsDisplay();
  for (auto& [s, v] : headers_) insertSubviewBelow(v, indexView_.get());
  for (auto& [s, v] : footers_) insertSubviewBelow(v, indexView_.get());
  loaded_ = true;
  restack();
}

void TableView::restack() {
  double y = tableHeaderHeight();
  for (auto& sec : sections_) {
    sec.top = y;
    y += sec.height();
  }
  updateContentSize();
}

void TableView::updateContentSize() {
  double h = tableHeaderHeight();
  for (auto& sec : sections_) h += sec.height();
  if (tableFooterView_) h += tableFooterView_->frame().height();
  setContentSize({bounds().width(), h});
}

void TableView::ensureLoaded() {
  if (!loaded_ && !reloading_) {
    reloading_ = true;
    loadGeometry();
    reloading_ = false;
  }
}

long TableView::numberOfSections() {
  ensureLoaded();
  return static_cast<long>(sections_.size());
}

long TableView::numberOfRowsInSection(long section) {
  ensureLoaded();
  if (section < 0 || section >= static_cast<long>(sections_.size())) return 0;
  return sections_[static_cast<std::size_t>(section)].rows;
}

bool TableView::validIndexPath(const IndexPath& p) const {
  return p.section >= 0 && p.section < static_cast<long>(sections_.size()) && p.row >= 0 &&
         p.row < sections_[static_cast<std::size_t>(p.section)].rows;
}

void TableView::setRowHeight(double h) {
  if (!validHeight(h)) return;
  rowHeight_ = h;
  loaded_ = false;
  setNeedsLayout();
}

void TableView::setSectionHeaderHeight(double h) {
  if (!validHeight(h)) return;
  sectionHeaderHeight_ = h;
  loaded_ = false;
  setNeedsLayout();
}

void TableView::setSectionFooterHeight(double h) {
  if (!validHeight(h)) return;
  sectionFooterHeight_ = h;
  loaded_ = false;
  setNeedsLayout();
}

Rect TableView::rectForSection(long section) {
  ensureLoaded();
  if (section < 0 || section >= static_cast<long>(sections_.size())) return {};
  const Section& s = sections_[static_cast<std::size_t>(section)];
  return {0, s.top, bounds().width(), s.height()};
}

Rect TableView::rectForHeaderInSection(long section) {
  ensureLoaded();
  if (section < 0 || section >= static_cast<long>(sections_.size())) return {};
  const Section& s = sections_[static_cast<std::size_t>(section)];
  return {0, s.top, contentWidth(), s.headerHeight};
}

Rect TableView::rectForFooterInSection(long section) {
  ensureLoaded();
  if (section < 0 || section >= static_cast<long>(sections_.size())) return {};
  const Section& s = sections_[static_cast<std::size_t>(section)];
  return {0, s.top + s.headerHeight + s.rowsHeight(), contentWidth(), s.footerHeight};
}

Rect TableView::rectForRowAtIndexPath(const IndexPath& p) {
  ensureLoaded();
  if (!validIndexPath(p)) return {};
  const Section& s = sections_[static_cast<std::size_t>(p.section)];
  return {0, s.top + s.headerHeight + s.rowTop(p.row), contentWidth(), s.rowTop(p.row + 1) - s.rowTop(p.row)};
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point p) {
  ensureLoaded();
  if (p.x < 0 || p.x >= bounds().width()) return std::nullopt;
  for (std::size_t si = 0; si < sections_.size(); ++si) {
    const Section& s = sections_[si];
    double rowsTop = s.top + s.headerHeight;
    double rowsBottom = rowsTop + s.rowsHeight();
    if (p.y < rowsTop || p.y >= rowsBottom) continue;
    double y = p.y - rowsTop;
    long row = s.lastRowFrom(y);
    // Zero-height rows are never under a point: take the next row that has height.
    while (row >= 0 && row < s.rows && s.rowTop(row + 1) <= y) ++row;
    if (row >= 0 && row < s.rows) return IndexPath{static_cast<long>(si), row};
  }
  return std::nullopt;
}

std::vector<IndexPath> TableView::indexPathsForRowsInRect(const Rect& rect) {
  ensureLoaded();
  std::vector<IndexPath> out;
  if (rect.isEmpty()) return out;
  for (std::size_t si = 0; si < sections_.size(); ++si) {
    const Section& s = sections_[si];
    double rowsTop = s.top + s.headerHeight;
    if (rowsTop + s.rowsHeight() <= rect.minY() || rowsTop >= rect.maxY()) continue;
    double y0 = rect.minY() - rowsTop;
    long row = std::max(0L, s.lastRowFrom(y0));
    for (; row < s.rows; ++row) {
      double top = rowsTop + s.rowTop(row);
      double bottom = rowsTop + s.rowTop(row + 1);
      if (top >= rect.maxY()) break;
      if (bottom > rect.minY() && bottom > top) out.push_back({static_cast<long>(si), row});
    }
  }
  return out;
}

// --- cells --------------------------------------------------------------------------

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& identifier) {
  auto it = reuse_.find(identifier);
  if (it == reuse_.end() || it->second.empty()) return nullptr;
  auto cell = it->second.back();
  it->second.pop_back();
  cell->prepareForReuse();
  return cell;
}

std::size_t TableView::reusableCellCount() const {
  std::size_t n = 0;
  for (auto& [id, q] : reuse_) n += q.size();
  return n;
}

void TableView::enqueue(std::shared_ptr<TableViewCell> cell) {
  if (!cell) return;
  cell->removeFromSuperview();
  cell->setHighlighted(false);
  if (cell->reuseIdentifier().empty()) return;
  auto& q = reuse_[cell->reuseIdentifier()];
  if (std::find(q.begin(), q.end(), cell) == q.end()) q.push_back(std::move(cell));
}

TableViewCell* TableView::cellForRowAtIndexPath(const IndexPath& p) const {
  auto it = visible_.find(p);
  return it == visible_.end() ? nullptr : it->second.get();
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell* cell) const {
  for (auto& [p, c] : visible_)
    if (c.get() == cell) return p;
  return std::nullopt;
}

std::vector<TableViewCell*> TableView::visibleCells() const {
  std::vector<TableViewCell*> out;
  for (auto& [p, c] : visible_) out.push_back(c.get());
  return out;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() const {
  std::vector<IndexPath> out;
  for (auto& [p, c] : visible_) out.push_back(p);
  return out;
}

View* TableView::headerViewForSection(long section) const {
  auto it = headers_.find(section);
  return it == headers_.end() ? nullptr : it->second.get();
}

View* TableView::footerViewForSection(long section) const {
  auto it = footers_.find(section);
  return it == footers_.end() ? nullptr : it->second.get();
}

std::shared_ptr<TableViewCell> TableView::makeCell(const IndexPath& p) {
  auto ds = dataSource();
  std::shared_ptr<TableViewCell> cell = ds ? ds->tableViewCellForRowAtIndexPath(*this, p) : nullptr;
  if (!cell) {
    // A data source that gives no cell still gets a row, empty.
    MV_LOG("TableView: no cell for row ", p.row, " of section ", p.section);
    cell = std::make_shared<TableViewCell>(TableViewCellStyle::Default);
  }
  return cell;
}

void TableView::setTableHeaderView(std::shared_ptr<View> v) {
  if (tableHeaderView_) tableHeaderView_->removeFromSuperview();
  tableHeaderView_ = std::move(v);
  if (tableHeaderView_) insertSubviewBelow(tableHeaderView_, indexView_.get());
  if (loaded_) restack();
  setNeedsLayout();
}

void TableView::setTableFooterView(std::shared_ptr<View> v) {
  if (tableFooterView_) tableFooterView_->removeFromSuperview();
  tableFooterView_ = std::move(v);
  if (tableFooterView_) insertSubviewBelow(tableFooterView_, indexView_.get());
  if (loaded_) updateContentSize();
  setNeedsLayout();
}

void TableView::setBackgroundView(std::shared_ptr<View> v) {
  if (backgroundView_) backgroundView_->removeFromSuperview();
  backgroundView_ = std::move(v);
  if (backgroundView_) insertSubview(backgroundView_, 0);
  setNeedsLayout();
}

void TableView::setSeparatorStyle(TableViewCellSeparatorStyle s) {
  separatorStyle_ = s;
  for (auto& [p, c] : visible_) c->setNeedsDisplay();
}

void TableView::setSeparatorColor(std::optional<gfx::Color> c) {
  separatorColor_ = std::move(c);
  for (auto& [p, cell] : visible_) cell->setNeedsDisplay();
}

void TableView::setSeparatorInset(EdgeInsets e) {
  separatorInset_ = e;
  for (auto& [p, c] : visible_) c->setSeparatorInset(e);
}

void TableView::setFrame(const Rect& frame) {
  double oldWidth = bounds().width();
  ScrollView::setFrame(frame);
  if (bounds().width() != oldWidth && loaded_) updateContentSize();
}

// --- layout ----------------------------------------------------------------------------

void TableView::tile() {
  Rect visibleRect = bounds();
  std::vector<IndexPath> wanted = indexPathsForRowsInRect(visibleRect);
  std::set<IndexPath> wantedSet(wanted.begin(), wanted.end());
  for (auto it = visible_.begin(); it != visible_.end();) {
    if (!wantedSet.count(it->first)) {
      auto cell = it->second;
      it = visible_.erase(it);
      enqueue(cell);
    } else {
      ++it;
    }
  }
  auto dg = delegate();
  std::size_t cellLayer = backgroundView_ && backgroundView_->superview() == this ? indexOfSubview(backgroundView_.get()) + 1 : 0;
  for (auto& p : wanted) {
    if (visible_.count(p)) continue;
    auto cell = makeCell(p);
    cell->setFrame(rectForRowAtIndexPath(p));
    cell->setSeparatorInset(separatorInset_);
    cell->setEditing(editing_);
    if (editing_) {
      TableViewCellEditingStyle es = TableViewCellEditingStyle::None;
      auto ds = dataSource();
      if (ds && ds->respondsTo(TableViewDataSourceOp::CommitEditingStyle) && ds->tableViewCanEditRowAtIndexPath(*this, p))
        es = dg && dg->respondsTo(TableViewDelegateOp::EditingStyleForRow) ? dg->tableViewEditingStyleForRowAtIndexPath(*this, p)
                                                                            : TableViewCellEditingStyle::Delete;
      cell->setEditingStyleShown(es);
    }
    cell->setSelected(selected_.count(p) > 0);
    if (confirming_ == p) {
      auto title = dg && dg->respondsTo(TableViewDelegateOp::TitleForDeleteConfirmationButton)
                       ? dg->tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(*this, p)
                       : std::nullopt;
      cell->showDeleteConfirmation(title.value_or("Delete"));
    }
    if (cell->superview() != this) insertSubview(cell, cellLayer);
    visible_[p] = cell;
    if (dg && dg->respondsTo(TableViewDelegateOp::WillDisplayCell)) dg->tableViewWillDisplayCell(*this, *cell, p);
  }
  for (auto& [p, cell] : visible_) {
    Rect r = rectForRowAtIndexPath(p);
    if (cell->frame() != r) cell->setFrame(r);
  }
}

void TableView::placeDecorations() {
  Rect b = bounds();
  double w = contentWidth();
  if (backgroundView_) backgroundView_->setFrame(b);
  if (tableHeaderView_) {
    Rect f = tableHeaderView_->frame();
    tableHeaderView_->setFrame({0, 0, w, f.height()});
  }
  double top = b.y() + contentInset().top;
  for (auto& [s, v] : headers_) {
    if (s >= static_cast<long>(sections_.size())) continue;
    const Section& sec = sections_[static_cast<std::size_t>(s)];
    double y = sec.top;
    if (style_ == TableViewStyle::Plain) {
      // Plain headers stay at the top while their section scrolls under them.
      double last = sec.top + sec.headerHeight + sec.rowsHeight() - sec.headerHeight;
      y = std::max(sec.top, std::min(top, last));
      bringSubviewToFront(v.get());
    }
    v->setFrame({0, y, w, sec.headerHeight});
  }
  for (auto& [s, v] : footers_) {
    if (s >= static_cast<long>(sections_.size())) continue;
    Rect r = rectForFooterInSection(s);
    v->setFrame(r);
  }
  if (tableFooterView_) {
    double y = tableHeaderHeight();
    for (auto& sec : sections_) y += sec.height();
    Rect f = tableFooterView_->frame();
    tableFooterView_->setFrame({0, y, w, f.height()});
  }
  indexView_->setFrame({b.maxX() - kSectionIndexWidth, b.y(), kSectionIndexWidth, b.height()});
  bringSubviewToFront(indexView_.get());
}

void TableView::layoutSubviews() {
  ensureLoaded();
  if (contentSize().width != bounds().width()) updateContentSize();
  tile();
  placeDecorations();
}

// --- scrolling ------------------------------------------------------------------------------

void TableView::scrollToRowAtIndexPath(const IndexPath& p, TableViewScrollPosition position, bool animated) {
  ensureLoaded();
  if (!validIndexPath(p)) return;
  Rect r = rectForRowAtIndexPath(p);
  Rect b = bounds();
  Point o = contentOffset();
  switch (position) {
    case TableViewScrollPosition::None:
      scrollRectToVisible(r, animated);
      return;
    case TableViewScrollPosition::Top: o.y = r.minY() - contentInset().top; break;
    case TableViewScrollPosition::Middle: o.y = r.midY() - b.height() / 2; break;
    case TableViewScrollPosition::Bottom: o.y = r.maxY() - b.height() + contentInset().bottom; break;
  }
  setContentOffset(clampedContentOffset(o), animated);
}

void TableView::scrollToNearestSelectedRowAtScrollPosition(TableViewScrollPosition position, bool animated) {
  if (selected_.empty()) return;
  scrollToRowAtIndexPath(*selected_.begin(), position, animated);
}

void TableView::reloadSectionIndexTitles() {
  auto ds = dataSource();
  indexTitles_ = ds && ds->respondsTo(TableViewDataSourceOp::SectionIndexTitles) ? ds->sectionIndexTitlesForTableView(*this)
                                                                                  : std::vector<std::string>{};
  auto* iv = static_cast<SectionIndexView*>(indexView_.get());
  iv->titles = indexTitles_;
  iv->setHidden(indexTitles_.empty());
  iv->setNeedsDisplay();
  setNeedsLayout();
}

bool TableView::selectSectionIndexTitle(long index) {
  ensureLoaded();
  if (index < 0 || index >= static_cast<long>(indexTitles_.size())) return false;
  auto ds = dataSource();
  long section = index;
  if (ds && ds->respondsTo(TableViewDataSourceOp::SectionForSectionIndexTitle))
    section = ds->tableViewSectionForSectionIndexTitle(*this, indexTitles_[static_cast<std::size_t>(index)], index);
  if (section < 0 || section >= static_cast<long>(sections_.size())) return false;
  stopScrolling();
  Point o = contentOffset();
  o.y = sections_[static_cast<std::size_t>(section)].top - contentInset().top;
  setContentOffset(clampedContentOffset(o));
  return true;
}

}  // namespace ui
