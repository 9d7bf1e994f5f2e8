#include "widgets/FreeDismissAlertViewCover.hpp"

namespace mv {

FreeDismissAlertViewCover::FreeDismissAlertViewCover(const ui::Rect& frame) : ui::View(frame) {
  setUserInteractionEnabled(true);
  setOpaque(false);
  setBackgroundColor(gfx::Color::clear().withAlphaComponent(0.01));
}

std::shared_ptr<ui::AlertView> FreeDismissAlertViewCover::shownAlert() const {
  auto alert = delegate_.lock();
  if (!alert || !alert->isVisible() || !alert->superview()) return nullptr;
  return alert;
}

bool FreeDismissAlertViewCover::pointInside(ui::Point p, const ui::Event*) const {
  auto alert = shownAlert();
  if (!alert || !bounds().contains(p)) return false;
  // Compare in the alert's superview, where its frame lives.
  ui::Point inParent = convertPointToView(p, alert->superview());
  return !alert->frame().contains(inParent);
}

void FreeDismissAlertViewCover::touchesBegan(const ui::TouchSet&, const ui::Event&) {
  // Keep this view alive through its own removal.
  auto keep = self();
  auto alert = shownAlert();
  if (!alert) {
    removeFromSuperview();
    return;
  }
  // Beside a dialog is where a desktop user clicks to get back to a field:
  // the touch backs out as Escape does, and the work stays.
  if (alert->escapePressed()) removeFromSuperview();
}

void FreeDismissAlertViewCover::touchesEnded(const ui::TouchSet&, const ui::Event&) {
  // The touch was answered when it began.
}

}  // namespace mv
