#include "widgets/OrderingTableViewController.hpp"

#include "platform/base/Log.hpp"
#include "util/TextLookup.hpp"
#include "widgets/BundleStrings.hpp"

namespace mv {

OrderingTableViewController::OrderingTableViewController(std::vector<std::string> orderingsArray,
                                                         std::size_t currentOrderingIndex)
    : ui::TableViewController(ui::TableViewStyle::Plain),
      orderingsArray_(std::move(orderingsArray)),
      currentOrderingIndex_(currentOrderingIndex) {}

long OrderingTableViewController::tableViewNumberOfRowsInSection(ui::TableView&, long) {
  return static_cast<long>(orderingsArray_.size());
}

void OrderingTableViewController::markCell(ui::TableViewCell& cell, bool current) {
  cell.setAccessoryType(current ? ui::TableViewCellAccessoryType::Checkmark : ui::TableViewCellAccessoryType::None);
  cell.textLabel().setTextColor(current ? currentRowColor() : gfx::Color::darkGray());
}

std::shared_ptr<ui::TableViewCell> OrderingTableViewController::tableViewCellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kCellIdentifier);
  cell->textLabel().setFont(gfx::Font::boldSystemFont(15));
  cell->textLabel().setAdjustsFontSizeToFitWidth(true);
  cell->textLabel().setMinimumFontSize(11);
  const auto row = static_cast<std::size_t>(std::max(0L, indexPath.row));
  cell->textLabel().setText(row < orderingsArray_.size() ? text(orderingsArray_[row]) : std::string());
  markCell(*cell, row == currentOrderingIndex_);
  return cell;
}

void OrderingTableViewController::tableViewDidSelectRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, false);
  if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= orderingsArray_.size()) {
    MV_LOG("Error: indexPath.row = ", indexPath.row, ", self.orderingsArray.count = ", orderingsArray_.size());
    return;
  }
  const auto row = static_cast<std::size_t>(indexPath.row);
  auto keep = shared_from_this();
  if (row == currentOrderingIndex_) {
    if (auto d = delegate_.lock()) d->orderingDidChooseCurrent(row);
    return;
  }
  if (auto* chosen = tableView.cellForRowAtIndexPath(indexPath)) markCell(*chosen, true);
  if (auto* old = tableView.cellForRowAtIndexPath(ui::IndexPath::forRow(static_cast<long>(currentOrderingIndex_), 0)))
    markCell(*old, false);
  currentOrderingIndex_ = row;
  if (auto d = delegate_.lock()) d->orderingDidSelected(row);
}

}  // namespace mv
