#pragma once
// The list of a book's units by title, shown in a popover; choosing one goes
// to it.
#include <functional>
#include <vector>

#include "library/epub/EPUBSpine.hpp"
#include "platform/ui/TableViewController.hpp"

namespace mv {

class EPUBSpinesViewController : public ui::TableViewController {
 public:
  using Selection = std::function<void(const EPUBSpine&)>;

  EPUBSpinesViewController(std::vector<EPUBSpine> spines, Selection onSelect);

  const std::vector<EPUBSpine>& spines() const { return spines_; }

  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

 private:
  std::vector<EPUBSpine> spines_;
  Selection onSelect_;
};

}  // namespace mv
