#pragma once
#include <memory>

#include "platform/ui/Application.hpp"
#include "platform/ui/ViewController.hpp"
#include "widgets/grid/GridView.hpp"

namespace mv {

// A controller whose view is one grid view, and which is that grid's data
// source (no items until a subclass says otherwise) and delegate.
class GridViewController : public ui::ViewController, public GridViewDataSource, public GridViewDelegate {
 public:
  GridViewController() = default;

  // A grid with the zero frame, resizing with its superview.
  void loadView() override;
  void viewDidLoad() override;
  // Deselects (silently) when `clearsSelectionOnViewWillAppear` is on.
  void viewWillAppear(bool animated) override;

  std::shared_ptr<GridView> gridView();
  // Nothing drops the grid; the next `view()` loads a new one.
  void setGridView(std::shared_ptr<GridView> view) { setView(std::move(view)); }

  bool clearsSelectionOnViewWillAppear() const { return clearsSelectionOnViewWillAppear_; }
  void setClearsSelectionOnViewWillAppear(bool on) { clearsSelectionOnViewWillAppear_ = on; }

  virtual bool shouldAutorotateToInterfaceOrientation(ui::InterfaceOrientation /*orientation*/) const {
    return true;
  }
  virtual void willRotateToInterfaceOrientation(ui::InterfaceOrientation orientation, double duration);
  virtual void didRotateFromInterfaceOrientation(ui::InterfaceOrientation orientation);
  virtual void popoverControllerDidDismissPopover() { popoverShowing_ = false; }
  bool isPopoverShowing() const { return popoverShowing_; }

  // Data source: an empty grid.
  std::size_t numberOfItemsInGridView(GridView& gridView) override;
  std::shared_ptr<GridViewCell> gridViewCellForItemAtIndex(GridView& gridView, std::size_t index) override;

 private:
  void sharedGridViewDefaultSetup();

  bool clearsSelectionOnViewWillAppear_ = false;
  bool popoverShowing_ = false;
};

}  // namespace mv
