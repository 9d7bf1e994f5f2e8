#include "platform/ui/TableViewController.hpp"

#include "platform/ui/Screen.hpp"
#include "platform/ui/WeakAs.hpp"

namespace ui {

TableViewController::TableViewController(TableViewStyle style) : style_(style) {}

TableViewController::~TableViewController() = default;

std::shared_ptr<TableView> TableViewController::tableView() {
  return std::dynamic_pointer_cast<TableView>(view());
}

void TableViewController::setTableView(std::shared_ptr<TableView> table) {
  if (table) {
    table->setDataSource(weakAs<TableViewDataSource>(this));
    table->setDelegate(weakAs<TableViewDelegate>(this));
  }
  setView(std::move(table));
}

void TableViewController::loadView() {
  auto table = std::make_shared<TableView>(Screen::mainScreen().bounds(), style_);
  table->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
  setTableView(std::move(table));
}

void TableViewController::viewWillAppear(bool animated) {
  auto table = std::dynamic_pointer_cast<TableView>(view());
  if (!table) return;
  if (!loadedOnce_) {
    loadedOnce_ = true;
    table->reloadData();
  } else if (clearsSelection_) {
    for (auto& p : table->indexPathsForSelectedRows()) table->deselectRowAtIndexPath(p, animated);
  }
}

void TableViewController::setEditing(bool editing, bool animated) {
  ViewController::setEditing(editing, animated);
  if (auto table = std::dynamic_pointer_cast<TableView>(view())) table->setEditing(editing, animated);
}

long TableViewController::tableViewNumberOfRowsInSection(TableView&, long) { return 0; }

std::shared_ptr<TableViewCell> TableViewController::tableViewCellForRowAtIndexPath(TableView&, const IndexPath&) {
  return nullptr;
}

}  // namespace ui
