#include "widgets/FreeDismissAlertView.hpp"

#include "widgets/FreeDismissAlertViewCover.hpp"

namespace mv {

FreeDismissAlertView::~FreeDismissAlertView() { removeCover(); }

void FreeDismissAlertView::didMoveToSuperview() {
  ui::AlertView::didMoveToSuperview();
  // The alert enters its superview when it is actually presented (a waiting
  // alert has none yet) and leaves it when dismissed by any path.
  if (superview())
    addCover();
  else
    removeCover();
}

void FreeDismissAlertView::addCover() {
  ui::View* parent = superview();
  if (!parent || cover_.lock()) return;
  auto cover = std::make_shared<FreeDismissAlertViewCover>(ui::Rect{0, 0, 1024, 768});
  cover->setDelegate(std::static_pointer_cast<ui::AlertView>(self()));
  parent->insertSubviewBelow(cover, this);
  cover_ = cover;
}

void FreeDismissAlertView::removeCover() {
  if (auto cover = cover_.lock()) cover->removeFromSuperview();
  cover_.reset();
}

}  // namespace mv
