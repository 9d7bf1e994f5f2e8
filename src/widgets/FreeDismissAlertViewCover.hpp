#pragma once
#include <memory>

#include "platform/ui/AlertView.hpp"
#include "platform/ui/View.hpp"

namespace mv {

// A nearly transparent layer over the whole screen, under an alert: it lets
// touches on the alert through and turns a touch anywhere else into the
// alert's Escape (it backs out of the alert). It holds the alert weakly and
// stands aside (claims nothing) once the alert is gone or no longer shown.
class FreeDismissAlertViewCover : public ui::View {
 public:
  explicit FreeDismissAlertViewCover(const ui::Rect& frame = {0, 0, 1024, 768});

  std::shared_ptr<ui::AlertView> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<ui::AlertView> alert) { delegate_ = std::move(alert); }

  bool pointInside(ui::Point p, const ui::Event* event) const override;
  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;

 private:
  // The alert while it is on screen, else nothing.
  std::shared_ptr<ui::AlertView> shownAlert() const;

  std::weak_ptr<ui::AlertView> delegate_;
};

}  // namespace mv
