#pragma once
#include <memory>

#include "platform/ui/TableView.hpp"
#include "platform/ui/ViewController.hpp"

namespace ui {

// A controller whose view is a table it is the data source and delegate
// of. Subclasses answer the data source and delegate operations (the
// defaults show no rows). The first time it appears the table loads; each
// time it appears the selection is cleared unless told otherwise. Subclasses
// that override the appearance calls call these.
class TableViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
 public:
  explicit TableViewController(TableViewStyle style = TableViewStyle::Plain);
  ~TableViewController() override;

  TableViewStyle tableViewStyle() const { return style_; }
  // The table (loads the view).
  std::shared_ptr<TableView> tableView();
  void setTableView(std::shared_ptr<TableView> table);
  bool clearsSelectionOnViewWillAppear() const { return clearsSelection_; }
  void setClearsSelectionOnViewWillAppear(bool on) { clearsSelection_ = on; }

  void loadView() override;
  void viewWillAppear(bool animated) override;
  void setEditing(bool editing, bool animated = false) override;

  long tableViewNumberOfRowsInSection(TableView& tableView, long section) override;
  std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& tableView,
                                                               const IndexPath& indexPath) override;

 private:
  TableViewStyle style_;
  bool clearsSelection_ = true;
  bool loadedOnce_ = false;
};

}  // namespace ui
