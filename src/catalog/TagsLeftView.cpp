#include "catalog/TagsLeftView.hpp"

#include "catalog/ProductBigCatalog.hpp"
#include "platform/ui/WeakAs.hpp"
#include "util/Text.hpp"

namespace mv {

TagsLeftView::TagsLeftView(const ui::Rect& frame) : ui::View(frame) {
  tableView_ = std::make_shared<ui::TableView>(bounds(), ui::TableViewStyle::Plain);
  tableView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  tableView_->setBackgroundColor(gfx::Color::clear());
  tableView_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
  addSubview(tableView_);
}

void TagsLeftView::init() {
  tableView_->setDataSource(ui::weakAs<ui::TableViewDataSource>(this));
  tableView_->setDelegate(ui::weakAs<ui::TableViewDelegate>(this));
  auto weak = ui::weakAs<TagsLeftView>(this);
  selectObservation_ = CatalogNotificationCenter::defaultCenter().addObserver(
      CatalogNotifications::didSelectToFromNotification, [weak](const std::string& name) {
        if (auto self = weak.lock()) self->didSelectToFromNotification(name);
      });
}

void TagsLeftView::setDataArray(std::vector<marvisto_tag_entity> tags) {
  tags_.setDataArray(std::move(tags));
  tableView_->reloadData();
}

void TagsLeftView::resetData() {
  const long row = tags_.selectRow();
  auto d = delegate();
  if (!d || row < 0 || static_cast<std::size_t>(row) >= tags_.rowCount()) return;
  const auto& tag = tags_.tagAt(static_cast<std::size_t>(row));
  d->didSelectDelegate(tag.products, tag.tag_name);
}

void TagsLeftView::didSelectToFromNotification(const std::string& tagName) {
  const auto row = tags_.rowOfName(tagName);
  if (!row || !delegate() || static_cast<long>(*row) == tags_.selectRow()) return;
  tableView_->selectRowAtIndexPath(ui::IndexPath{0, static_cast<long>(*row)}, false, ui::TableViewScrollPosition::Top);
  choose(static_cast<long>(*row));
}

void TagsLeftView::selectFirstTag() {
  if (tags_.rowCount() == 0) return;
  const ui::IndexPath first{0, 0};
  tableView_->selectRowAtIndexPath(first, false, ui::TableViewScrollPosition::Top);
  tableViewDidSelectRowAtIndexPath(*tableView_, first);
}

void TagsLeftView::choose(long row) {
  tags_.setSelectRow(row);
  resetData();
}

long TagsLeftView::tableViewNumberOfRowsInSection(ui::TableView&, long) { return static_cast<long>(tags_.rowCount()); }

std::shared_ptr<ui::TableViewCell> TagsLeftView::tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                               const ui::IndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<ProductBigCatalog>(tableView.dequeueReusableCellWithIdentifier("TagsCell"));
  if (!cell) cell = std::make_shared<ProductBigCatalog>("TagsCell");
  const auto& tag = tags_.tagAt(static_cast<std::size_t>(indexPath.row));
  cell->lbTitle().setText(trimWhitespaceAndNewlines(tag.tag_name));
  cell->setCount(tag.products.size());
  return cell;
}

std::optional<double> TagsLeftView::tableViewHeightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) {
  return ProductBigCatalog::kRowHeight;
}

void TagsLeftView::tableViewDidSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
  if (!delegate() || indexPath.row == tags_.selectRow()) return;
  choose(indexPath.row);
}

}  // namespace mv
