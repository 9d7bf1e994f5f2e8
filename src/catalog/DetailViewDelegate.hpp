#pragma once
// The catalogue screen as the grid sees it: the grid asks it to move the
// left panel (from a sideways swipe, keeping the product under `beginPoint`
// on its row) and tells it when a product opens.
#include "platform/base/Geometry.hpp"

namespace mv {

class DetailViewDelegate {
 public:
  virtual ~DetailViewDelegate() = default;
  virtual void setMasterViewHidded(bool hidden, base::Point beginPoint) = 0;
  virtual void productCellClicked() = 0;
};

}  // namespace mv
