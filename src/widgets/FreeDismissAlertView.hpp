#pragma once
// An alert that a touch anywhere outside it dismisses, as if its first (the
// cancel) button had been pressed: the delegate gets the same click call. While the alert is on screen a cover lies under
// it; the cover goes away with the alert however the alert is closed (a
// button, code, or the outside touch), so it never outlives the alert to
// swallow touches or answer twice.
#include <memory>
#include <optional>

#include "platform/ui/AlertView.hpp"

namespace mv {

class FreeDismissAlertViewCover;

class FreeDismissAlertView : public ui::AlertView {
 public:
  using ui::AlertView::AlertView;
  ~FreeDismissAlertView() override;

  // The button an outside touch counts as: 0 by default. Nothing makes an
  // outside touch do nothing (for alerts whose first button discards work).
  std::optional<long> outsideTapButtonIndex() const { return outsideTapButtonIndex_; }
  void setOutsideTapButtonIndex(std::optional<long> index) { outsideTapButtonIndex_ = index; }

  // The cover while the alert is on screen, else nothing.
  std::shared_ptr<FreeDismissAlertViewCover> cover() const { return cover_.lock(); }

  void didMoveToSuperview() override;

 private:
  void addCover();
  void removeCover();

  std::weak_ptr<FreeDismissAlertViewCover> cover_;
  std::optional<long> outsideTapButtonIndex_ = 0;
};

}  // namespace mv
