// Reloading the table and changing its sections and rows in batches, with
// the animation each change asks for.
#include "platform/ui/TableView.hpp"

#include <algorithm>

#include "platform/base/Log.hpp"
#include "platform/ui/WeakAs.hpp"

namespace ui {

// --- data ---------------------------------------------------------------------------------------

void TableView::reloadData() {
  confirming_.reset();
  for (auto& [p, cell] : visible_) {
    cell->hideDeleteConfirmation();
    enqueue(cell);
  }
  visible_.clear();
  selected_.clear();
  touchedCell_.reset();
  reloading_ = true;
  loadGeometry();
  reloading_ = false;
  // The offset stays, within the new content.
  Point o = contentOffset();
  Point c = clampedContentOffset(o);
  if (!isDragging() && !isDecelerating() && c != o) setContentOffset(c);
  setNeedsLayout();
}

void TableView::beginUpdates() { ++updateDepth_; }

void TableView::endUpdates() {
  if (updateDepth_ == 0) return;
  if (--updateDepth_ > 0) return;
  Batch b = std::move(batch_);
  batch_ = Batch{};
  if (!b.empty()) applyBatch(std::move(b));
}

void TableView::change(TableViewRowAnimation animation, const std::function<void(Batch&)>& add) {
  // Inside beginUpdates/endUpdates the change joins the batch; alone, it is
  // a batch of its own, applied now.
  Batch one;
  Batch& b = updateDepth_ > 0 ? batch_ : one;
  add(b);
  b.animation = animation;
  if (updateDepth_ == 0) applyBatch(std::move(one));
}

void TableView::insertSections(const base::IndexSet& sections, TableViewRowAnimation animation) {
  change(animation, [&](Batch& b) { for (auto s : sections) b.insertSections.add(s); });
}

void TableView::deleteSections(const base::IndexSet& sections, TableViewRowAnimation animation) {
  change(animation, [&](Batch& b) { for (auto s : sections) b.deleteSections.add(s); });
}

void TableView::reloadSections(const base::IndexSet& sections, TableViewRowAnimation animation) {
  change(animation, [&](Batch& b) { for (auto s : sections) b.reloadSections.add(s); });
}

void TableView::insertRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation) {
  change(animation, [&](Batch& b) { for (auto& p : paths) b.insertRows.push_back({p, animation}); });
}

void TableView::deleteRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation) {
  change(animation, [&](Batch& b) { for (auto& p : paths) b.deleteRows.push_back({p, animation}); });
}

void TableView::reloadRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation) {
  change(animation, [&](Batch& b) { for (auto& p : paths) b.reloadRows.push_back({p, animation}); });
}

void TableView::applyBatch(Batch batch) {
  auto keep = self();
  if (!loaded_) {
    // Nothing was shown yet: the next layout loads the new state.
    setNeedsLayout();
    return;
  }
  auto ds = dataSource();
  long oldCount = static_cast<long>(sections_.size());
  std::vector<long> oldRows;
  for (auto& s : sections_) oldRows.push_back(s.rows);

  // Sections: a reloaded section is deleted and inserted at the same place.
  base::IndexSet deletedSections = batch.deleteSections, insertedSections = batch.insertSections;
  for (auto s : batch.reloadSections) {
    deletedSections.add(s);
    insertedSections.add(s);
  }
  auto inconsistent = [&](const char* why) {
    MV_LOG("TableView: an update does not match the data source (", why, "); reloading");
    reloadData();
  };
  for (auto s : deletedSections)
    if (static_cast<long>(s) >= oldCount) return inconsistent("deleted section out of range");
  long newCount = ds ? (ds->respondsTo(TableViewDataSourceOp::NumberOfSections) ? std::max(0L, ds->numberOfSectionsInTableView(*this)) : 1) : 0;
  if (newCount != oldCount - static_cast<long>(deletedSections.count()) + static_cast<long>(insertedSections.count()))
    return inconsistent("section count");
  for (auto s : insertedSections)
    if (static_cast<long>(s) >= newCount) return inconsistent("inserted section out of range");
  // Old section -> new section for the sections that stay.
  std::vector<long> sectionMap(static_cast<std::size_t>(oldCount), -1);
  {
    long o = 0;
    for (long n = 0; n < newCount; ++n) {
      if (insertedSections.contains(static_cast<std::size_t>(n))) continue;
      while (o < oldCount && deletedSections.contains(static_cast<std::size_t>(o))) ++o;
      if (o >= oldCount) return inconsistent("section map");
      sectionMap[static_cast<std::size_t>(o)] = n;
      ++o;
    }
  }
  // Rows of the sections that stay: deletions and reloads by old paths, insertions by new ones.
  std::map<long, std::set<long>> deletedRows, insertedRows, reloadedRows;
  for (auto& [p, a] : batch.deleteRows) {
    if (p.section < 0 || p.section >= oldCount || p.row < 0 || p.row >= oldRows[static_cast<std::size_t>(p.section)])
      return inconsistent("deleted row out of range");
    if (!deletedSections.contains(static_cast<std::size_t>(p.section))) deletedRows[p.section].insert(p.row);
  }
  for (auto& [p, a] : batch.reloadRows) {
    if (p.section < 0 || p.section >= oldCount || p.row < 0 || p.row >= oldRows[static_cast<std::size_t>(p.section)])
      return inconsistent("reloaded row out of range");
    if (!deletedSections.contains(static_cast<std::size_t>(p.section)) && !deletedRows[p.section].count(p.row))
      reloadedRows[p.section].insert(p.row);
  }
  for (auto& [p, a] : batch.insertRows) {
    if (p.section < 0 || p.section >= newCount || p.row < 0) return inconsistent("inserted row out of range");
    if (!insertedSections.contains(static_cast<std::size_t>(p.section))) insertedRows[p.section].insert(p.row);
  }
  // Row maps per surviving old section, checked against the data source's new counts.
  std::map<long, std::vector<long>> rowMap;  // old section -> new row per old row (-1 deleted)
  for (long o = 0; o < oldCount; ++o) {
    long n = sectionMap[static_cast<std::size_t>(o)];
    if (n < 0) continue;
    long expected = oldRows[static_cast<std::size_t>(o)] - static_cast<long>(deletedRows[o].size()) +
                    static_cast<long>(insertedRows[n].size());
    long actual = std::max(0L, ds->tableViewNumberOfRowsInSection(*this, n));
    if (actual != expected) return inconsistent("row count");
    for (long r : insertedRows[n])
      if (r >= actual) return inconsistent("inserted row beyond the section");
    std::vector<long> map(static_cast<std::size_t>(oldRows[static_cast<std::size_t>(o)]), -1);
    long oldRow = 0;
    for (long newRow = 0; newRow < actual; ++newRow) {
      if (insertedRows[n].count(newRow)) continue;
      while (oldRow < oldRows[static_cast<std::size_t>(o)] && deletedRows[o].count(oldRow)) ++oldRow;
      if (oldRow >= oldRows[static_cast<std::size_t>(o)]) return inconsistent("row map");
      map[static_cast<std::size_t>(oldRow)] = newRow;
      ++oldRow;
    }
    rowMap[o] = std::move(map);
  }
  auto mapPath = [&](const IndexPath& p) -> std::optional<IndexPath> {
    auto it = rowMap.find(p.section);
    if (it == rowMap.end() || p.row < 0 || p.row >= static_cast<long>(it->second.size())) return std::nullopt;
    long r = it->second[static_cast<std::size_t>(p.row)];
    if (r < 0) return std::nullopt;
    return IndexPath{sectionMap[static_cast<std::size_t>(p.section)], r};
  };

  // Cells: those of rows that stay move to their new rows; the others go.
  bool animate = batch.animation != TableViewRowAnimation::None && View::areAnimationsEnabled() && window();
  std::map<IndexPath, std::shared_ptr<TableViewCell>> moved;
  std::vector<std::shared_ptr<TableViewCell>> leaving, reloaded;
  for (auto& [p, cell] : visible_) {
    auto np = mapPath(p);
    if (!np) {
      leaving.push_back(cell);
    } else if (reloadedRows.count(p.section) && reloadedRows[p.section].count(p.row)) {
      reloaded.push_back(cell);
    } else {
      moved[*np] = cell;
    }
  }
  std::set<IndexPath> newSelection;
  for (auto& s : selected_)
    if (auto np = mapPath(s)) newSelection.insert(*np);
  selected_ = std::move(newSelection);
  if (confirming_) {
    auto np = mapPath(*confirming_);
    if (!np) confirming_.reset();
    else confirming_ = np;
  }
  visible_ = std::move(moved);
  for (auto& c : reloaded) enqueue(c);
  for (auto& c : leaving) {
    c->hideDeleteConfirmation();
    if (!animate) {
      enqueue(c);
      continue;
    }
    auto weakTable = ui::weakAs<TableView>(this);
    std::weak_ptr<TableViewCell> weakCell = c;
    View::animate(kUpdateAnimationDuration, [c] { c->setAlpha(0); },
                  [weakTable, weakCell](bool) {
                    auto cell = weakCell.lock();
                    auto table = weakTable.lock();
                    if (!cell) return;
                    cell->setAlpha(1);
                    if (table && cell->superview() == table.get() && !table->indexPathForCell(cell.get()))
                      table->enqueue(cell);
                    else if (!table)
                      cell->removeFromSuperview();
                  });
  }

  reloading_ = true;
  loadGeometry();
  reloading_ = false;
  // Rows that stay slide to their new places.
  auto place = [this] {
    for (auto& [p, cell] : visible_) cell->setFrame(rectForRowAtIndexPath(p));
  };
  if (animate)
    View::animate(kUpdateAnimationDuration, place);
  else
    place();
  setNeedsLayout();
}

}  // namespace ui
