#include "customer/SearchResultTableView.hpp"

namespace mv {

SearchResultTableView::SearchResultTableView() : ui::TableViewController(ui::TableViewStyle::Plain) {}

void SearchResultTableView::setArrResult(PersonRecords persons) {
  arrResult_.clear();
  arrResult_.reserve(persons.size());
  for (auto& p : persons) arrResult_.push_back(ContactMode{"", "", std::move(p)});
}

void SearchResultTableView::setArrResult(std::vector<ContactMode> contacts) { arrResult_ = std::move(contacts); }

std::string SearchResultTableView::rowText(std::size_t row) const {
  if (row >= arrResult_.size()) return std::string();
  const ContactMode& r = arrResult_[row];
  return byContact_ ? r.lastName + "  " + r.fristName : r.personInfo->name;
}

long SearchResultTableView::tableViewNumberOfRowsInSection(ui::TableView&, long) {
  return static_cast<long>(arrResult_.size());
}

std::shared_ptr<ui::TableViewCell> SearchResultTableView::tableViewCellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier("Cell");
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, "Cell");
  cell->textLabel().setTextColor(gfx::Color::black());
  cell->textLabel().setText(rowText(static_cast<std::size_t>(indexPath.row)));
  return cell;
}

void SearchResultTableView::tableViewDidSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
  if (indexPath.row < 0 || indexPath.row >= static_cast<long>(arrResult_.size())) return;
  auto d = delegate_.lock();
  if (!d) return;
  const ContactMode& row = arrResult_[static_cast<std::size_t>(indexPath.row)];
  if (byContact_) {
    d->didSelectCellByConatct(row);
  } else {
    d->didSelectCell(*row.personInfo);
  }
}

}  // namespace mv
