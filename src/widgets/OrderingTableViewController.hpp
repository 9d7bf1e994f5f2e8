#pragma once
// The list inside the sort-order popover: one row per ordering (text keys),
// the current one marked with a check mark and the highlight colour.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/TableViewController.hpp"

namespace mv {

class OrderingTableViewControllerDelegate {
 public:
  virtual ~OrderingTableViewControllerDelegate() = default;
  // Another row became the current one.
  virtual void orderingDidSelected(std::size_t row) = 0;
  // The current row was chosen again: nothing changed.
  virtual void orderingDidChooseCurrent(std::size_t /*row*/) {}
};

class OrderingTableViewController : public ui::TableViewController {
 public:
  static constexpr const char* kCellIdentifier = "OrderingTableViewCell";

  static gfx::Color currentRowColor() { return gfx::Color::rgb255(72, 129, 176); }

  explicit OrderingTableViewController(std::vector<std::string> orderingsArray = {},
                                       std::size_t currentOrderingIndex = 0);

  const std::vector<std::string>& orderingsArray() const { return orderingsArray_; }
  void setOrderingsArray(std::vector<std::string> keys) { orderingsArray_ = std::move(keys); }
  std::size_t currentOrderingIndex() const { return currentOrderingIndex_; }
  void setCurrentOrderingIndex(std::size_t index) { currentOrderingIndex_ = index; }
  std::shared_ptr<OrderingTableViewControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<OrderingTableViewControllerDelegate> d) { delegate_ = std::move(d); }

  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

 private:
  // Shows the current-row look, or the plain one, on a cell.
  static void markCell(ui::TableViewCell& cell, bool current);

  std::vector<std::string> orderingsArray_;
  std::size_t currentOrderingIndex_ = 0;
  std::weak_ptr<OrderingTableViewControllerDelegate> delegate_;
};

}  // namespace mv
