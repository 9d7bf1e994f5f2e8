#pragma once
// An alert that a touch anywhere outside it closes as Escape does (see
// ui::AlertView::backOutButtonIndex): it presses the button the alert names
// as one that discards, changes and sends nothing, else the alert goes
// unanswered and everything stays; an alert that must be answered stays.
// While the alert is on screen a cover lies under it; the cover goes away
// with the alert however the alert is closed (a button, code, or the outside
// touch), so it never outlives the alert to swallow touches or answer twice.
#include <memory>

#include "platform/ui/AlertView.hpp"

namespace mv {

class FreeDismissAlertViewCover;

class FreeDismissAlertView : public ui::AlertView {
 public:
  using ui::AlertView::AlertView;
  ~FreeDismissAlertView() override;

  // The cover while the alert is on screen, else nothing.
  std::shared_ptr<FreeDismissAlertViewCover> cover() const { return cover_.lock(); }

  void didMoveToSuperview() override;

 private:
  void addCover();
  void removeCover();

  std::weak_ptr<FreeDismissAlertViewCover> cover_;
};

}  // namespace mv
