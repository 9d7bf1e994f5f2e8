#pragma once
// The right side of the catalogue tab, under the top bar: the product grid,
// beside the left panel or under it as the company's configuration says.
// Product screens are pushed over it on the catalogue's detail stack.
#include <memory>

#include "catalog/DetailViewDelegate.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "widgets/grid/GridView.hpp"

namespace mv {

class DetailViewController : public BaseViewController {
 public:
  inline static const ui::Rect kBesidePanel{250, 0, 774, 648};
  inline static const ui::Rect kFullWidth{0, 0, 1024, 648};

  // The grid's frame: beside the panel only for the left panel type "normal".
  static ui::Rect gridFrame(bool normalPanel) { return normalPanel ? kBesidePanel : kFullWidth; }
  // Whether the signed-in company sets the grid beside the panel.
  static bool isNormalPanel();

  void loadView() override;
  void viewDidLoad() override;

  GridView& productShowView() const { return *productShowView_; }
  std::shared_ptr<DetailViewDelegate> detailViewDelegate() const { return detailViewDelegate_.lock(); }
  void setDetailViewDelegate(std::weak_ptr<DetailViewDelegate> d) { detailViewDelegate_ = std::move(d); }

 private:
  std::shared_ptr<GridView> productShowView_;
  std::weak_ptr<DetailViewDelegate> detailViewDelegate_;
};

}  // namespace mv
