#include "widgets/grid/GridViewController.hpp"

#include <cxxabi.h>

#include <cstdlib>
#include <stdexcept>
#include <typeinfo>

namespace mv {

namespace {

std::string classNameOf(const ui::View* view) {
  if (!view) return "(null)";
  const char* mangled = typeid(*view).name();
  int status = 0;
  char* readable = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = status == 0 && readable ? readable : mangled;
  std::free(readable);
  return name;
}

}  // namespace

void GridViewController::loadView() {
  setGridView(std::make_shared<GridView>(ui::Rect{}));
  sharedGridViewDefaultSetup();
}

void GridViewController::sharedGridViewDefaultSetup() {
  auto grid = gridView();
  if (!grid) return;
  grid->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  grid->setAutoresizesSubviews(true);
  auto self = weak_from_this().lock();
  grid->setDelegate(std::dynamic_pointer_cast<GridViewDelegate>(self));
  grid->setDataSource(std::dynamic_pointer_cast<GridViewDataSource>(self));
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

void GridViewController::setGridView(std::shared_ptr<ui::View> view) {
  if (!std::dynamic_pointer_cast<GridView>(view))
    throw std::invalid_argument("-setGridView: called with non-GridView argument '" + classNameOf(view.get()) + "'");
  setView(std::move(view));
}

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
