#include "platform/ui/GestureRecognizer.hpp"

#include <algorithm>

#include "platform/base/RunLoop.hpp"
#include "platform/ui/View.hpp"

namespace ui {

namespace {

bool isTerminal(GestureState s) {
  return s == GestureState::Ended || s == GestureState::Cancelled || s == GestureState::Failed;
}

bool hasRecognized(GestureState s) {
  return s == GestureState::Began || s == GestureState::Changed || s == GestureState::Ended;
}

void removeTouches(TouchSet& from, const TouchSet& gone) {
  from.erase(std::remove_if(from.begin(), from.end(),
                            [&](const auto& t) { return std::find(gone.begin(), gone.end(), t) != gone.end(); }),
             from.end());
}

}  // namespace

GestureRecognizer::~GestureRecognizer() = default;

GestureRecognizer::ActionId GestureRecognizer::addTarget(Action action) {
  ActionId id = nextId_++;
  targets_.push_back({id, false, {}, std::move(action)});
  return id;
}

GestureRecognizer::ActionId GestureRecognizer::addTarget(std::weak_ptr<void> target, Action action) {
  ActionId id = nextId_++;
  targets_.push_back({id, true, std::move(target), std::move(action)});
  return id;
}

void GestureRecognizer::removeTarget(ActionId id) {
  targets_.erase(std::remove_if(targets_.begin(), targets_.end(), [id](const Target& t) { return t.id == id; }),
                 targets_.end());
}

void GestureRecognizer::removeAllTargets() { targets_.clear(); }

void GestureRecognizer::setEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (!enabled) {
    if (state_ == GestureState::Began || state_ == GestureState::Changed)
      apply(GestureState::Cancelled);
    else if (state_ == GestureState::Possible && involved_)
      apply(GestureState::Failed);
  }
}

void GestureRecognizer::requireGestureRecognizerToFail(const std::shared_ptr<GestureRecognizer>& other) {
  if (!other || other.get() == this) return;
  required_.push_back(other);
  other->dependents_.push_back(weak_from_this());
}

base::Point GestureRecognizer::locationInView(const View* v) const {
  base::Point p = lastLocation_;
  if (!touches_.empty()) {
    double x = 0, y = 0;
    for (auto& t : touches_) {
      x += t->windowLocation().x;
      y += t->windowLocation().y;
    }
    p = {x / touches_.size(), y / touches_.size()};
  }
  return v ? v->convertPointFromView(p, nullptr) : p;
}

base::Point GestureRecognizer::locationOfTouch(std::size_t index, const View* v) const {
  if (index >= touches_.size()) return {};
  return touches_[index]->locationInView(v);
}

void GestureRecognizer::setView(View* v) {
  if (v == view_) return;
  if (view_ && (state_ == GestureState::Began || state_ == GestureState::Changed)) apply(GestureState::Cancelled);
  view_ = v;
}

bool GestureRecognizer::acceptsTouch(const Touch& touch) {
  if (!enabled_ || !view_) return false;
  if (shouldReceiveTouch && !shouldReceiveTouch(*this, touch)) return false;
  return true;
}

void GestureRecognizer::receiveBegan(const TouchSet& touches, const Event& event) {
  if (isTerminal(state_) && touches_.empty()) doReset();
  involved_ = true;
  for (auto& t : touches) {
    touches_.push_back(t);
    seen_.push_back(t);
    lastLocation_ = t->windowLocation();
  }
  if (pending_ != GestureState::Possible || isTerminal(state_)) return;
  auto keep = shared_from_this();
  touchesBegan(touches, event);
}

void GestureRecognizer::receiveMoved(const TouchSet& touches, const Event& event) {
  if (!touches.empty()) lastLocation_ = locationInView(nullptr);
  if (pending_ != GestureState::Possible || isTerminal(state_)) return;
  auto keep = shared_from_this();
  touchesMoved(touches, event);
}

void GestureRecognizer::receiveEnded(const TouchSet& touches, const Event& event) {
  lastLocation_ = locationInView(nullptr);
  removeTouches(touches_, touches);
  if (pending_ != GestureState::Possible || isTerminal(state_)) return;
  auto keep = shared_from_this();
  touchesEnded(touches, event);
}

void GestureRecognizer::receiveCancelled(const TouchSet& touches, const Event& event) {
  removeTouches(touches_, touches);
  auto keep = shared_from_this();
  if (pending_ != GestureState::Possible) {
    pending_ = GestureState::Possible;
    apply(GestureState::Failed);
    return;
  }
  if (isTerminal(state_)) return;
  touchesCancelled(touches, event);
}

void GestureRecognizer::touchesCancelled(const TouchSet&, const Event&) {
  if (state_ == GestureState::Began || state_ == GestureState::Changed)
    setState(GestureState::Cancelled);
  else
    setState(GestureState::Failed);
}

void GestureRecognizer::resetIfFinished() {
  if (touches_.empty() && isTerminal(state_) && pending_ == GestureState::Possible) doReset();
}

void GestureRecognizer::doReset() {
  state_ = GestureState::Possible;
  pending_ = GestureState::Possible;
  involved_ = false;
  touches_.clear();
  seen_.clear();
  reset();
}

bool GestureRecognizer::canRecognizeWith(GestureRecognizer& other) {
  if (shouldRecognizeSimultaneously && shouldRecognizeSimultaneously(*this, other)) return true;
  if (other.shouldRecognizeSimultaneously && other.shouldRecognizeSimultaneously(other, *this)) return true;
  return false;
}

bool GestureRecognizer::blockedByRequired(bool& mustFail) const {
  for (auto& w : required_) {
    auto r = w.lock();
    if (!r) continue;
    if (hasRecognized(r->state_)) {
      mustFail = true;
      return true;
    }
    if (r->state_ == GestureState::Possible && r->involved_ && r->enabled_ && r->view_) return true;
  }
  return false;
}

void GestureRecognizer::setState(GestureState s) {
  if (isTerminal(state_) || (s == state_ && s != GestureState::Changed)) return;
  auto keep = shared_from_this();
  bool recognizing = s == GestureState::Began || (s == GestureState::Ended && state_ == GestureState::Possible);
  if (!recognizing) {
    apply(s);
    return;
  }
  if (shouldBegin && !shouldBegin(*this)) {
    apply(GestureState::Failed);
    return;
  }
  // The other recognisers that saw any of these touches.
  std::vector<std::shared_ptr<GestureRecognizer>> rivals;
  for (auto& t : seen_)
    for (auto& g : t->gestureRecognizers())
      if (g.get() != this && std::find(rivals.begin(), rivals.end(), g) == rivals.end()) rivals.push_back(g);
  for (auto& r : rivals) {
    if (hasRecognized(r->state_) && !canRecognizeWith(*r)) {
      apply(GestureState::Failed);
      return;
    }
  }
  bool mustFail = false;
  if (blockedByRequired(mustFail)) {
    if (mustFail)
      apply(GestureState::Failed);
    else
      pending_ = s;  // decided when the required recogniser fails
    return;
  }
  for (auto& r : rivals)
    if (r->state_ == GestureState::Possible && !canRecognizeWith(*r)) r->apply(GestureState::Failed);
  apply(s);
  if (cancelsTouches_) cancelTouchDelivery();
}

void GestureRecognizer::apply(GestureState s) {
  auto keep = weak_from_this().lock();
  GestureState old = state_;
  state_ = s;
  pending_ = GestureState::Possible;
  if (s == GestureState::Failed) {
    notifyDependents(true);
    return;
  }
  bool wasActive = old == GestureState::Began || old == GestureState::Changed;
  if (s == GestureState::Cancelled && !wasActive) return;
  fireActions();
  if (s == GestureState::Began || (s == GestureState::Ended && !wasActive)) notifyDependents(false);
}

void GestureRecognizer::notifyDependents(bool failed) {
  auto deps = dependents_;
  for (auto& w : deps) {
    auto d = w.lock();
    if (!d) continue;
    if (failed) {
      if (d->pending_ != GestureState::Possible) {
        GestureState p = d->pending_;
        d->pending_ = GestureState::Possible;
        d->setState(p);
      }
    } else if (d->pending_ != GestureState::Possible || (d->state_ == GestureState::Possible && d->involved_)) {
      d->apply(GestureState::Failed);
    }
  }
}

void GestureRecognizer::fireActions() {
  auto targets = targets_;
  for (auto& t : targets) {
    if (t.hasTarget && t.target.expired()) continue;
    if (t.action) t.action(*this);
  }
}

void GestureRecognizer::cancelTouchDelivery() {
  double now = base::RunLoop::main().now();
  for (auto& t : seen_) {
    if (t->isDeliveryCancelled() || t->isDeliveryFinished()) continue;
    t->setDeliveryCancelled();
    if (auto v = t->viewPtr()) {
      TouchSet one{t};
      Event e(now, one);
      v->touchesCancelled(one, e);
    }
  }
}

}  // namespace ui
