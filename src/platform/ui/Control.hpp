#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/View.hpp"

namespace ui {

enum ControlEvents : unsigned {
  ControlEventTouchDown = 1u << 0,
  ControlEventTouchDownRepeat = 1u << 1,
  ControlEventTouchDragInside = 1u << 2,
  ControlEventTouchDragOutside = 1u << 3,
  ControlEventTouchDragEnter = 1u << 4,
  ControlEventTouchDragExit = 1u << 5,
  ControlEventTouchUpInside = 1u << 6,
  ControlEventTouchUpOutside = 1u << 7,
  ControlEventTouchCancel = 1u << 8,
  ControlEventValueChanged = 1u << 12,
  ControlEventEditingDidBegin = 1u << 16,
  ControlEventEditingChanged = 1u << 17,
  ControlEventEditingDidEnd = 1u << 18,
  ControlEventEditingDidEndOnExit = 1u << 19,
  ControlEventAllEvents = 0xFFFFFFFFu,
};

enum ControlState : unsigned {
  ControlStateNormal = 0,
  ControlStateHighlighted = 1u << 0,
  ControlStateDisabled = 1u << 1,
  ControlStateSelected = 1u << 2,
};

enum class ContentHorizontalAlignment { Center = 0, Left = 1, Right = 2, Fill = 3 };
enum class ContentVerticalAlignment { Center = 0, Top = 1, Bottom = 2, Fill = 3 };

// A view that tracks a touch and sends actions for control events
// (target-action). While tracking, the control is highlighted as long as the
// finger stays within 70 points of its bounds; lifting there is a
// touch-up-inside. Disabled controls take no touches.
class Control : public View {
 public:
  using Action = std::function<void(Control& sender, const Event* event)>;
  using ActionId = std::uint64_t;

  explicit Control(const Rect& frame = {});

  // The action runs for any of `events`; with a target it is skipped (and
  // dropped) once the target is gone.
  ActionId addTarget(std::weak_ptr<void> target, Action action, unsigned events);
  ActionId addAction(Action action, unsigned events);
  // Removes the target's actions for `events` (all events when 0).
  void removeTarget(const void* target, unsigned events = 0);
  void removeAction(ActionId id);
  void removeAllTargets();
  unsigned allControlEvents() const;
  std::size_t actionCount(unsigned events = ControlEventAllEvents) const;
  void sendActionsForControlEvents(unsigned events, const Event* event = nullptr);

  bool isEnabled() const { return enabled_; }
  virtual void setEnabled(bool enabled);
  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected);
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted);
  unsigned state() const;
  bool isTracking() const { return tracking_; }
  bool isTouchInside() const { return touchInside_; }
  ContentHorizontalAlignment contentHorizontalAlignment() const { return hAlign_; }
  void setContentHorizontalAlignment(ContentHorizontalAlignment a);
  ContentVerticalAlignment contentVerticalAlignment() const { return vAlign_; }
  void setContentVerticalAlignment(ContentVerticalAlignment a);

  // Tracking hooks for subclasses; returning false from begin/continue stops tracking.
  virtual bool beginTracking(const Touch& touch, const Event& event);
  virtual bool continueTracking(const Touch& touch, const Event& event);
  virtual void endTracking(const Touch* touch, const Event* event);
  virtual void cancelTracking(const Event* event);

  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void touchesCancelled(const TouchSet& touches, const Event& event) override;
  View* hitTest(Point p, const Event* event) override;

  static constexpr double kTrackingSlop = 70;

 protected:
  // Called whenever enabled, selected or highlighted changes.
  virtual void stateDidChange() { setNeedsDisplay(); }

 private:
  bool insideForTracking(Point p) const;
  struct Entry {
    ActionId id;
    bool hasTarget;
    std::weak_ptr<void> target;
    const void* targetKey;
    Action action;
    unsigned events;
  };
  std::vector<Entry> entries_;
  ActionId nextId_ = 1;
  bool enabled_ = true;
  bool selected_ = false;
  bool highlighted_ = false;
  bool tracking_ = false;
  bool touchInside_ = false;
  ContentHorizontalAlignment hAlign_ = ContentHorizontalAlignment::Center;
  ContentVerticalAlignment vAlign_ = ContentVerticalAlignment::Center;
};

}  // namespace ui
