#include "widgets/grid/GridViewController.hpp"

#include "platform/ui/WeakAs.hpp"

namespace mv {

void GridViewController::loadView() {
  setGridView(std::make_shared<GridView>(ui::Rect{}));
  sharedGridViewDefaultSetup();
}

void GridViewController::sharedGridViewDefaultSetup() {
  auto grid = gridView();
  if (!grid) return;
  grid->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  grid->setAutoresizesSubviews(true);
  grid->setDelegate(ui::weakAs<GridViewDelegate>(this));
  grid->setDataSource(ui::weakAs<GridViewDataSource>(this));
}

void GridViewController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  if (auto grid = gridView()) grid->reloadData();
  popoverShowing_ = false;
}

void GridViewController::viewWillAppear(bool /*animated*/) {
  auto grid = gridView();
  if (clearsSelectionOnViewWillAppear_ && grid && grid->indexOfSelectedItem() != base::NotFound)
    grid->deselectItemAtIndex(grid->indexOfSelectedItem(), false);
}

std::shared_ptr<GridView> GridViewController::gridView() { return std::dynamic_pointer_cast<GridView>(view()); }

void GridViewController::willRotateToInterfaceOrientation(ui::InterfaceOrientation orientation, double /*duration*/) {
  if (auto grid = gridView()) grid->viewWillRotateToInterfaceOrientation(orientation);
}

void GridViewController::didRotateFromInterfaceOrientation(ui::InterfaceOrientation /*orientation*/) {
  if (auto grid = gridView()) grid->viewDidRotate();
}

std::size_t GridViewController::numberOfItemsInGridView(GridView& /*gridView*/) {
  return 0;
}

std::shared_ptr<GridViewCell> GridViewController::gridViewCellForItemAtIndex(GridView& /*gridView*/, std::size_t /*index*/) {
  return nullptr;
}

}  // namespace mv
