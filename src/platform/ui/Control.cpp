#include "platform/ui/Control.hpp"

#include <algorithm>

#include "platform/ui/Event.hpp"
#include "platform/ui/Touch.hpp"

namespace ui {

Control::Control(const Rect& frame) : View(frame) {}

Control::ActionId Control::addTarget(std::weak_ptr<void> target, Action action, unsigned events) {
  ActionId id = nextId_++;
  const void* key = target.lock().get();
  entries_.push_back({id, true, std::move(target), key, std::move(action), events});
  return id;
}

Control::ActionId Control::addAction(Action action, unsigned events) {
  ActionId id = nextId_++;
  entries_.push_back({id, false, {}, nullptr, std::move(action), events});
  return id;
}

void Control::removeTarget(const void* target, unsigned events) {
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (it->hasTarget && it->targetKey == target) {
      if (events == 0) {
        it = entries_.erase(it);
        continue;
      }
      it->events &= ~events;
      if (it->events == 0) {
        it = entries_.erase(it);
        continue;
      }
    }
    ++it;
  }
}

void Control::removeAction(ActionId id) {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [id](const Entry& e) { return e.id == id; }),
                 entries_.end());
}

void Control::removeAllTargets() { entries_.clear(); }

unsigned Control::allControlEvents() const {
  unsigned all = 0;
  for (auto& e : entries_) all |= e.events;
  return all;
}

std::size_t Control::actionCount(unsigned events) const {
  return static_cast<std::size_t>(
      std::count_if(entries_.begin(), entries_.end(), [events](const Entry& e) { return (e.events & events) != 0; }));
}

void Control::sendActionsForControlEvents(unsigned events, const Event* event) {
  auto keep = self();
  // A snapshot: an action may add or remove actions, or remove the control.
  auto entries = entries_;
  bool dropped = false;
  for (auto& e : entries) {
    if (!(e.events & events)) continue;
    if (e.hasTarget && e.target.expired()) {
      dropped = true;
      continue;
    }
    if (e.action) e.action(*this, event);
  }
  if (dropped)
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [](const Entry& e) { return e.hasTarget && e.target.expired(); }),
                   entries_.end());
}

void Control::setEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (!enabled) highlighted_ = false;
  stateDidChange();
}

void Control::setSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  stateDidChange();
}

void Control::setHighlighted(bool highlighted) {
  if (highlighted_ == highlighted) return;
  highlighted_ = highlighted;
  stateDidChange();
}

unsigned Control::state() const {
  unsigned s = ControlStateNormal;
  if (highlighted_) s |= ControlStateHighlighted;
  if (!enabled_) s |= ControlStateDisabled;
  if (selected_) s |= ControlStateSelected;
  return s;
}

void Control::setContentHorizontalAlignment(ContentHorizontalAlignment a) {
  hAlign_ = a;
  setNeedsLayout();
}

void Control::setContentVerticalAlignment(ContentVerticalAlignment a) {
  vAlign_ = a;
  setNeedsLayout();
}

bool Control::beginTracking(const Touch&, const Event&) { return true; }
bool Control::continueTracking(const Touch&, const Event&) { return true; }
void Control::endTracking(const Touch*, const Event*) {}
void Control::cancelTracking(const Event*) {}

bool Control::insideForTracking(Point p) const { return bounds().inset(-kTrackingSlop, -kTrackingSlop).contains(p); }

View* Control::hitTest(Point p, const Event* event) {
  if (!enabled_) return nullptr;
  return View::hitTest(p, event);
}

void Control::touchesBegan(const TouchSet& touches, const Event& event) {
  if (!enabled_ || touches.empty() || tracking_) return;
  auto keep = self();
  const Touch& t = *touches.front();
  tracking_ = true;
  touchInside_ = true;
  setHighlighted(true);
  if (!beginTracking(t, event)) tracking_ = false;
  unsigned events = ControlEventTouchDown;
  if (t.tapCount() > 1) events |= ControlEventTouchDownRepeat;
  sendActionsForControlEvents(events, &event);
}

void Control::touchesMoved(const TouchSet& touches, const Event& event) {
  if (touches.empty() || !enabled_) return;
  auto keep = self();
  const Touch& t = *touches.front();
  bool inside = insideForTracking(t.locationInView(this));
  bool was = touchInside_;
  touchInside_ = inside;
  if (tracking_) {
    setHighlighted(inside);
    if (!continueTracking(t, event)) tracking_ = false;
  }
  unsigned events = inside ? ControlEventTouchDragInside : ControlEventTouchDragOutside;
  if (inside != was) events |= inside ? ControlEventTouchDragEnter : ControlEventTouchDragExit;
  sendActionsForControlEvents(events, &event);
}

void Control::touchesEnded(const TouchSet& touches, const Event& event) {
  if (touches.empty()) return;
  auto keep = self();
  const Touch& t = *touches.front();
  bool inside = insideForTracking(t.locationInView(this));
  touchInside_ = inside;
  bool wasTracking = tracking_;
  tracking_ = false;
  setHighlighted(false);
  if (wasTracking) endTracking(&t, &event);
  if (!enabled_) return;
  sendActionsForControlEvents(inside ? ControlEventTouchUpInside : ControlEventTouchUpOutside, &event);
  touchInside_ = false;
}

void Control::touchesCancelled(const TouchSet&, const Event& event) {
  auto keep = self();
  bool wasTracking = tracking_;
  tracking_ = false;
  touchInside_ = false;
  setHighlighted(false);
  if (wasTracking) cancelTracking(&event);
  sendActionsForControlEvents(ControlEventTouchCancel, &event);
}

}  // namespace ui
