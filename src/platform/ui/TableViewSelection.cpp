// The table's selection, its touches, and editing: deleting a row by a
// swipe or by the editing control, and the confirm button in between.
#include "platform/ui/TableView.hpp"

#include <algorithm>
#include <cmath>

#include "platform/ui/Touch.hpp"

namespace ui {

// --- selection -------------------------------------------------------------------------------

std::optional<IndexPath> TableView::indexPathForSelectedRow() const {
  if (selected_.empty()) return std::nullopt;
  return *selected_.begin();
}

std::vector<IndexPath> TableView::indexPathsForSelectedRows() const { return {selected_.begin(), selected_.end()}; }

void TableView::selectRowAtIndexPath(const std::optional<IndexPath>& p, bool animated, TableViewScrollPosition position) {
  ensureLoaded();
  if (!p) {
    for (auto& s : std::vector<IndexPath>(selected_.begin(), selected_.end())) deselectRowAtIndexPath(s, animated);
    return;
  }
  if (!validIndexPath(*p)) return;
  if (!allowsMultipleSelection_)
    for (auto& s : std::vector<IndexPath>(selected_.begin(), selected_.end()))
      if (s != *p) deselectRowAtIndexPath(s, animated);
  selected_.insert(*p);
  if (TableViewCell* c = cellForRowAtIndexPath(*p)) c->setSelected(true, animated);
  if (position != TableViewScrollPosition::None) scrollToRowAtIndexPath(*p, position, animated);
}

void TableView::deselectRowAtIndexPath(const IndexPath& p, bool animated) {
  selected_.erase(p);
  if (TableViewCell* c = cellForRowAtIndexPath(p)) c->setSelected(false, animated);
}

bool TableView::tapRowAtIndexPath(const IndexPath& p) {
  ensureLoaded();
  if (!validIndexPath(p)) return false;
  if (editing_ ? !allowsSelectionDuringEditing_ : !allowsSelection_) return false;
  auto keep = self();
  auto dg = delegate();
  if (allowsMultipleSelection_ && selected_.count(p)) {
    std::optional<IndexPath> target = p;
    if (dg && dg->respondsTo(TableViewDelegateOp::WillDeselectRow)) target = dg->tableViewWillDeselectRowAtIndexPath(*this, p);
    if (!target || !validIndexPath(*target)) return true;
    deselectRowAtIndexPath(*target, false);
    if (dg && dg->respondsTo(TableViewDelegateOp::DidDeselectRow)) dg->tableViewDidDeselectRowAtIndexPath(*this, *target);
    return true;
  }
  std::optional<IndexPath> target = p;
  if (dg && dg->respondsTo(TableViewDelegateOp::WillSelectRow)) target = dg->tableViewWillSelectRowAtIndexPath(*this, p);
  if (!target || !validIndexPath(*target)) return true;
  if (!allowsMultipleSelection_) {
    for (auto& old : std::vector<IndexPath>(selected_.begin(), selected_.end())) {
      if (old == *target) continue;
      std::optional<IndexPath> d = old;
      if (dg && dg->respondsTo(TableViewDelegateOp::WillDeselectRow)) d = dg->tableViewWillDeselectRowAtIndexPath(*this, old);
      if (!d || !selected_.count(*d)) continue;
      deselectRowAtIndexPath(*d, false);
      if (dg && dg->respondsTo(TableViewDelegateOp::DidDeselectRow)) dg->tableViewDidDeselectRowAtIndexPath(*this, *d);
    }
  }
  selected_.insert(*target);
  if (TableViewCell* c = cellForRowAtIndexPath(*target)) c->setSelected(true);
  if (dg && dg->respondsTo(TableViewDelegateOp::DidSelectRow)) dg->tableViewDidSelectRowAtIndexPath(*this, *target);
  return true;
}

std::optional<IndexPath> TableView::indexPathForTouch(const Touch& touch) const {
  return const_cast<TableView*>(this)->indexPathForRowAtPoint(touch.locationInView(this));
}

void TableView::touchesBegan(const TouchSet& touches, const Event&) {
  if (touches.empty()) return;
  if (confirming_) {
    // A touch anywhere but on the delete button puts the row back.
    cancelDeleteConfirmation();
    touchedCell_.reset();
    return;
  }
  auto p = indexPathForTouch(*touches.front());
  if (!p) return;
  if (editing_ ? !allowsSelectionDuringEditing_ : !allowsSelection_) return;
  auto it = visible_.find(*p);
  if (it == visible_.end()) return;
  touchedCell_ = it->second;
  it->second->setHighlighted(true);
}

void TableView::touchesMoved(const TouchSet& touches, const Event&) {
  // A finger that wanders off its start is not a tap on the row.
  if (touches.empty()) return;
  Point start = touches.front()->startLocation(), now = touches.front()->windowLocation();
  if (std::hypot(now.x - start.x, now.y - start.y) <= kTapSlop) return;
  if (auto cell = touchedCell_.lock()) cell->setHighlighted(false);
  touchedCell_.reset();
}

void TableView::touchesEnded(const TouchSet& touches, const Event&) {
  auto cell = touchedCell_.lock();
  touchedCell_.reset();
  if (!cell || touches.empty()) return;
  cell->setHighlighted(false);
  auto p = indexPathForCell(cell.get());
  auto under = indexPathForTouch(*touches.front());
  if (p && under == p) tapRowAtIndexPath(*p);
}

void TableView::touchesCancelled(const TouchSet&, const Event&) {
  if (auto cell = touchedCell_.lock()) cell->setHighlighted(false);
  touchedCell_.reset();
}

// --- editing ----------------------------------------------------------------------------------

void TableView::setEditing(bool editing, bool animated) {
  if (confirming_) cancelDeleteConfirmation();
  editing_ = editing;
  auto ds = dataSource();
  auto dg = delegate();
  for (auto& [p, cell] : visible_) {
    cell->setEditing(editing, animated);
    TableViewCellEditingStyle es = TableViewCellEditingStyle::None;
    if (editing && ds && ds->respondsTo(TableViewDataSourceOp::CommitEditingStyle) && ds->tableViewCanEditRowAtIndexPath(*this, p))
      es = dg && dg->respondsTo(TableViewDelegateOp::EditingStyleForRow) ? dg->tableViewEditingStyleForRowAtIndexPath(*this, p)
                                                                          : TableViewCellEditingStyle::Delete;
    cell->setEditingStyleShown(es);
  }
  setNeedsLayout();
}

bool TableView::swipeToDeleteRowAtIndexPath(const IndexPath& p) {
  ensureLoaded();
  if (editing_ || !validIndexPath(p)) return false;
  auto ds = dataSource();
  if (!ds || !ds->respondsTo(TableViewDataSourceOp::CommitEditingStyle)) return false;
  if (ds->respondsTo(TableViewDataSourceOp::CanEditRow) && !ds->tableViewCanEditRowAtIndexPath(*this, p)) return false;
  auto keep = self();
  auto dg = delegate();
  if (dg && dg->respondsTo(TableViewDelegateOp::EditingStyleForRow) &&
      dg->tableViewEditingStyleForRowAtIndexPath(*this, p) != TableViewCellEditingStyle::Delete)
    return false;
  if (confirming_) {
    if (*confirming_ == p) return true;
    cancelDeleteConfirmation();
  }
  confirming_ = p;
  if (dg && dg->respondsTo(TableViewDelegateOp::WillBeginEditingRow)) dg->tableViewWillBeginEditingRowAtIndexPath(*this, p);
  if (TableViewCell* c = cellForRowAtIndexPath(p)) {
    auto title = dg && dg->respondsTo(TableViewDelegateOp::TitleForDeleteConfirmationButton)
                     ? dg->tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(*this, p)
                     : std::nullopt;
    c->showDeleteConfirmation(title.value_or("Delete"));
  }
  return true;
}

void TableView::cellAccessoryButtonTapped(TableViewCell& cell) {
  auto p = indexPathForCell(&cell);
  if (!p) return;
  auto keep = self();
  if (auto d = delegate(); d && d->respondsTo(TableViewDelegateOp::AccessoryButtonTapped))
    d->tableViewAccessoryButtonTappedForRowWithIndexPath(*this, *p);
}

void TableView::cellDeleteButtonTapped(TableViewCell& cell) {
  if (confirming_ && confirming_ == indexPathForCell(&cell)) confirmDeletion();
}

std::optional<gfx::Color> TableView::cellSeparatorColor() const {
  if (separatorStyle_ == TableViewCellSeparatorStyle::None) return std::nullopt;
  return separatorColor().value_or(gfx::Color::rgb255(200, 199, 204));
}

void TableView::cellEditingControlTapped(TableViewCell& cell) {
  auto p = indexPathForCell(&cell);
  if (!p) return;
  auto keep = self();
  if (cell.editingStyle_ == TableViewCellEditingStyle::Insert) {
    if (auto ds = dataSource(); ds && ds->respondsTo(TableViewDataSourceOp::CommitEditingStyle))
      ds->tableViewCommitEditingStyle(*this, TableViewCellEditingStyle::Insert, *p);
    return;
  }
  if (confirming_ == p) {
    cancelDeleteConfirmation();
    return;
  }
  if (confirming_) cancelDeleteConfirmation();
  confirming_ = p;
  auto dg = delegate();
  auto title = dg && dg->respondsTo(TableViewDelegateOp::TitleForDeleteConfirmationButton)
                   ? dg->tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(*this, *p)
                   : std::nullopt;
  cell.showDeleteConfirmation(title.value_or("Delete"));
}

bool TableView::confirmDeletion() {
  if (!confirming_) return false;
  auto keep = self();
  IndexPath p = *confirming_;
  confirming_.reset();
  if (TableViewCell* c = cellForRowAtIndexPath(p)) c->hideDeleteConfirmation();
  if (auto ds = dataSource(); ds && ds->respondsTo(TableViewDataSourceOp::CommitEditingStyle))
    ds->tableViewCommitEditingStyle(*this, TableViewCellEditingStyle::Delete, p);
  if (!editing_)
    if (auto dg = delegate(); dg && dg->respondsTo(TableViewDelegateOp::DidEndEditingRow))
      dg->tableViewDidEndEditingRowAtIndexPath(*this, p);
  return true;
}

void TableView::cancelDeleteConfirmation() {
  if (!confirming_) return;
  auto keep = self();
  IndexPath p = *confirming_;
  confirming_.reset();
  if (TableViewCell* c = cellForRowAtIndexPath(p)) c->hideDeleteConfirmation();
  if (!editing_)
    if (auto dg = delegate(); dg && dg->respondsTo(TableViewDelegateOp::DidEndEditingRow))
      dg->tableViewDidEndEditingRowAtIndexPath(*this, p);
}

}  // namespace ui
