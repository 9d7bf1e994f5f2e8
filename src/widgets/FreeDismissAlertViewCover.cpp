#include "widgets/FreeDismissAlertViewCover.hpp"

#include "widgets/FreeDismissAlertView.hpp"

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
  auto free = std::dynamic_pointer_cast<FreeDismissAlertView>(alert);
  std::optional<long> index = free ? free->outsideTapButtonIndex() : std::optional<long>(0);
  if (!index) return;  // this alert wants an answer from its own buttons
  removeFromSuperview();
  // The same answer as that button's press, so the delegate hears it through
  // its click call like every other dismissal.
  if (!alert->pressButton(*index)) alert->dismissWithClickedButtonIndex(*index, true);
}

void FreeDismissAlertViewCover::touchesEnded(const ui::TouchSet&, const ui::Event&) {
  // The touch was answered when it began.
}

}  // namespace mv
