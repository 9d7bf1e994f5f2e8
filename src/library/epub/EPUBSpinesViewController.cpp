#include "library/epub/EPUBSpinesViewController.hpp"

#include "platform/ui/TableView.hpp"
#include "platform/ui/TableViewCell.hpp"

namespace mv {

EPUBSpinesViewController::EPUBSpinesViewController(std::vector<EPUBSpine> spines, Selection onSelect)
    : spines_(std::move(spines)), onSelect_(std::move(onSelect)) {}

long EPUBSpinesViewController::tableViewNumberOfRowsInSection(ui::TableView&, long) {
  return static_cast<long>(spines_.size());
}

std::shared_ptr<ui::TableViewCell> EPUBSpinesViewController::tableViewCellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier("Cell");
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, "Cell");
  const auto row = static_cast<std::size_t>(indexPath.row);
  cell->textLabel().setText(row < spines_.size() ? spines_[row].title : std::string());
  return cell;
}

void EPUBSpinesViewController::tableViewDidSelectRowAtIndexPath(ui::TableView& tableView,
                                                                const ui::IndexPath& indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  const auto row = static_cast<std::size_t>(indexPath.row);
  if (onSelect_ && row < spines_.size()) onSelect_(spines_[row]);
}

}  // namespace mv
