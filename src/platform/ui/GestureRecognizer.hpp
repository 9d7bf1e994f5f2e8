#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/ui/Event.hpp"
#include "platform/ui/Touch.hpp"

namespace ui {

class View;

enum class GestureState { Possible = 0, Began = 1, Changed = 2, Ended = 3, Cancelled = 4, Failed = 5 };
constexpr GestureState GestureRecognized = GestureState::Ended;

// Turns touches on a view (and its subviews) into a gesture. Recognisers
// sharing a touch compete: the first to recognise wins and the others fail,
// unless a delegate slot lets them recognise together. By default a
// recognised gesture cancels the touches for the view they were delivered to.
class GestureRecognizer : public std::enable_shared_from_this<GestureRecognizer> {
 public:
  using Action = std::function<void(GestureRecognizer&)>;
  using ActionId = std::uint64_t;

  GestureRecognizer() = default;
  explicit GestureRecognizer(Action action) { addTarget(std::move(action)); }
  virtual ~GestureRecognizer();
  GestureRecognizer(const GestureRecognizer&) = delete;
  GestureRecognizer& operator=(const GestureRecognizer&) = delete;

  // Actions run on every state change past Possible (Began, Changed, Ended,
  // Cancelled). An action added with a target is skipped once the target is gone.
  ActionId addTarget(Action action);
  ActionId addTarget(std::weak_ptr<void> target, Action action);
  void removeTarget(ActionId id);
  void removeAllTargets();

  GestureState state() const { return state_; }
  View* view() const { return view_; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool cancelsTouchesInView() const { return cancelsTouches_; }
  void setCancelsTouchesInView(bool on) { cancelsTouches_ = on; }
  bool delaysTouchesBegan() const { return delaysBegan_; }
  void setDelaysTouchesBegan(bool on) { delaysBegan_ = on; }
  bool delaysTouchesEnded() const { return delaysEnded_; }
  void setDelaysTouchesEnded(bool on) { delaysEnded_ = on; }
  // This recogniser only recognises once `other` has failed.
  void requireGestureRecognizerToFail(const std::shared_ptr<GestureRecognizer>& other);

  // The centroid of the touches, in `v`'s coordinates (nullptr: window).
  virtual base::Point locationInView(const View* v) const;
  std::size_t numberOfTouches() const { return touches_.size(); }
  base::Point locationOfTouch(std::size_t index, const View* v) const;

  // Delegate operations; an empty slot is an operation the delegate does not
  // implement (and the default answer holds).
  std::function<bool(GestureRecognizer&, const Touch&)> shouldReceiveTouch;
  std::function<bool(GestureRecognizer&)> shouldBegin;
  std::function<bool(GestureRecognizer&, GestureRecognizer&)> shouldRecognizeSimultaneously;

  // --- Used by the window while delivering touches ---
  void setView(View* v);
  // Whether the recogniser takes `touch` (enabled, attached, delegate agrees).
  bool acceptsTouch(const Touch& touch);
  // Taps on a control go to the control rather than to a tap recogniser of
  // one of its superviews.
  virtual bool yieldsToControls() const { return false; }
  void receiveBegan(const TouchSet& touches, const Event& event);
  void receiveMoved(const TouchSet& touches, const Event& event);
  void receiveEnded(const TouchSet& touches, const Event& event);
  void receiveCancelled(const TouchSet& touches, const Event& event);
  // Back to Possible when the gesture is over and no touch is down.
  void resetIfFinished();
  bool isTracking() const { return !touches_.empty(); }
  bool hasPendingRecognition() const { return pending_ != GestureState::Possible; }

 protected:
  virtual void touchesBegan(const TouchSet& touches, const Event& event) = 0;
  virtual void touchesMoved(const TouchSet& touches, const Event& event) = 0;
  // Called after the ended touches left `numberOfTouches()`.
  virtual void touchesEnded(const TouchSet& touches, const Event& event) = 0;
  virtual void touchesCancelled(const TouchSet& touches, const Event& event);
  virtual void reset() {}
  // Moves the state machine: recognising arbitrates against competitors.
  void setState(GestureState s);
  const TouchSet& touches() const { return touches_; }
  // Whether the recogniser has seen touches since its last reset.
  bool involved() const { return involved_; }

 private:
  void apply(GestureState s);
  void fireActions();
  void notifyDependents(bool failed);
  bool blockedByRequired(bool& mustFail) const;
  bool canRecognizeWith(GestureRecognizer& other);
  void cancelTouchDelivery();
  void doReset();

  struct Target {
    ActionId id;
    bool hasTarget;
    std::weak_ptr<void> target;
    Action action;
  };
  std::vector<Target> targets_;
  ActionId nextId_ = 1;
  GestureState state_ = GestureState::Possible;
  GestureState pending_ = GestureState::Possible;
  View* view_ = nullptr;
  bool enabled_ = true;
  bool cancelsTouches_ = true;
  bool delaysBegan_ = false;
  bool delaysEnded_ = true;
  bool involved_ = false;
  TouchSet touches_;
  TouchSet seen_;  // every touch since the last reset
  base::Point lastLocation_;
  std::vector<std::weak_ptr<GestureRecognizer>> required_;
  std::vector<std::weak_ptr<GestureRecognizer>> dependents_;
};

}  // namespace ui
