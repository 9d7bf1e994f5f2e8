#include "platform/ui/Window.hpp"

#include <algorithm>
#include <cmath>

#include "platform/base/NotificationCenter.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Control.hpp"
#include "platform/ui/Event.hpp"
#include "platform/ui/GestureRecognizer.hpp"
#include "platform/ui/Keyboard.hpp"
#include "platform/ui/PressedInput.hpp"
#include "platform/ui/ScrollView.hpp"
#include "platform/ui/ViewController.hpp"
#include "platform/ui/WeakAs.hpp"

namespace ui {

namespace {

// The overlay level: transparent to touches wherever it shows nothing.
class OverlayView : public View {
 public:
  using View::View;
  View* hitTest(Point p, const Event* e) override {
    View* hit = basicHitTest(p, e);
    return hit == this ? nullptr : hit;
  }
};

constexpr double kTapInterval = 0.35;
constexpr double kTapSlop = 30;

}  // namespace

Window::Window(const Rect& frame) : View(frame) {
  setWindowPointer(this);
  overlay_ = std::make_shared<OverlayView>(bounds());
  overlay_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
  overlay_->setBackgroundColor(std::nullopt);
  overlay_->setOpaque(false);
  addSubview(overlay_);
}

Window::~Window() {
  if (keyboardTimer_) base::RunLoop::main().cancel(keyboardTimer_);
}

void Window::makeKeyAndVisible() {
  auto self = std::static_pointer_cast<Window>(View::self());
  Application::sharedInstance().registerWindow(self, true);
  setHidden(false);
}

void Window::makeKeyWindow() {
  auto self = std::static_pointer_cast<Window>(View::self());
  Application::sharedInstance().registerWindow(self, true);
}

bool Window::isKeyWindow() const { return Application::sharedInstance().keyWindow() == this; }

void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
  if (controller == root_) return;
  auto old = root_;
  if (old) old->tearDownPresentations();
  if (old && old->isViewLoaded() && old->viewIfLoaded()->superview() == this) {
    old->beginAppearanceTransition(false, false);
    old->viewIfLoaded()->removeFromSuperview();
    old->endAppearanceTransition();
  }
  root_ = controller;
  if (!controller) return;
  auto v = controller->view();
  v->setFrame(bounds());
  v->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
  controller->beginAppearanceTransition(true, false);
  insertSubviewBelow(v, overlay_.get());
  controller->endAppearanceTransition();
}

bool Window::setFirstResponder(Responder* responder) {
  if (responder == firstResponder_) return true;
  Responder* old = firstResponder_;
  if (old) {
    if (!old->canResignFirstResponder()) {
      resignRefused_ = true;
      return false;
    }
    firstResponder_ = nullptr;
    Responder* savedIncoming = incoming_;
    incoming_ = responder;
    old->resignFirstResponder();
    incoming_ = savedIncoming;
  }
  firstResponder_ = responder;
  // A text input updates the keyboard itself once it has begun editing.
  if (!responder || !responder->acceptsTextInput()) updateKeyboard();
  return true;
}

void Window::forgetResponder(const Responder* responder) {
  if (incoming_ == responder) incoming_ = nullptr;
  if (firstResponder_ != responder) return;
  firstResponder_ = nullptr;
  updateKeyboard();
}

void Window::forceResignFirstResponder() {
  Responder* old = firstResponder_;
  if (!old) return;
  firstResponder_ = nullptr;
  old->resignFirstResponder();
  updateKeyboard();
}

void Window::viewWillLeaveWindow(View* view) {
  if (auto* v = dynamic_cast<View*>(firstResponder_)) {
    if (v->isDescendantOfView(view)) {
      Responder* old = firstResponder_;
      firstResponder_ = nullptr;
      ++leaving_;
      old->resignFirstResponder();
      --leaving_;
      updateKeyboard();
    }
  }
}

namespace {

// Whether any of the view shows in the window: not hidden or transparent,
// itself or through an ancestor, nor clipped away.
bool shows(const View& v, const Window& window) {
  Rect visible = v.convertRectToView(v.bounds(), nullptr);
  for (const View* a = &v; a; a = a->superview()) {
    if (a->isHidden() || a->alpha() <= 0.01) return false;
    if (a != &v && a->clipsToBounds()) visible = visible.intersection(a->convertRectToView(a->bounds(), nullptr));
  }
  return !visible.intersection(window.bounds()).isEmpty();
}

void collectFields(View& v, const Window& window, const View* skipped, std::vector<View*>& out) {
  if (v.isHidden() || &v == skipped) return;
  if (v.acceptsTextInput() && v.canBecomeFirstResponder() && shows(v, window)) out.push_back(&v);
  for (const auto& sub : v.subviews()) collectFields(*sub, window, skipped, out);
}

// Rows from top to bottom, each left to right: a field whose middle is
// within half the height of a row's first field stands in that row.
void sortInReadingOrder(std::vector<View*>& fields) {
  std::vector<std::pair<Rect, View*>> places;
  for (View* f : fields) places.push_back({f->convertRectToView(f->bounds(), nullptr), f});
  std::stable_sort(places.begin(), places.end(), [](const auto& a, const auto& b) { return a.first.midY() < b.first.midY(); });
  auto byX = [](const auto& a, const auto& b) { return a.first.midX() < b.first.midX(); };
  std::size_t row = 0;
  for (std::size_t i = 1; i <= places.size(); ++i) {
    if (i < places.size() && places[i].first.midY() - places[row].first.midY() <= places[row].first.height() / 2) continue;
    std::stable_sort(places.begin() + static_cast<std::ptrdiff_t>(row), places.begin() + static_cast<std::ptrdiff_t>(i), byX);
    row = i;
  }
  for (std::size_t i = 0; i < places.size(); ++i) fields[i] = places[i].second;
}

}  // namespace

bool Window::moveFocusToNextField(bool backward) {
  auto* current = dynamic_cast<View*>(firstResponder_);
  if (!current || current->window() != this || current == this) return false;
  // The form is the nearest view around the input that holds others,
  // within what shows at the input's level (the overlay's presentations
  // are forms of their own).
  std::vector<View*> fields;
  for (View* form = current->superview(); form && fields.size() < 2; form = form->superview()) {
    fields.clear();
    collectFields(*form, *this, form == this ? overlay_.get() : nullptr, fields);
    if (form == overlay_.get()) break;
  }
  sortInReadingOrder(fields);
  auto at = std::find(fields.begin(), fields.end(), current);
  if (at == fields.end()) return false;
  const auto n = static_cast<std::ptrdiff_t>(fields.size());
  const std::ptrdiff_t from = at - fields.begin();
  for (std::ptrdiff_t step = 1; step < n; ++step) {
    View* next = fields[static_cast<std::size_t>(((from + (backward ? -step : step)) % n + n) % n)];
    resignRefused_ = false;
    if (next->becomeFirstResponder()) {
      // A field partly scrolled out of its list comes into sight.
      for (View* v = next->superview(); v; v = v->superview()) {
        if (auto* sv = dynamic_cast<ScrollView*>(v)) {
          sv->scrollRectToVisible(next->convertRectToView(next->bounds(), sv), false);
          break;
        }
      }
      return true;
    }
    // The focused input may refuse to let go: then the focus stays.
    if (resignRefused_) return false;
  }
  return false;
}

Rect Window::keyboardFrame() const { return keyboardVisible_ ? Keyboard::shownFrame(bounds()) : Rect{}; }

bool Window::keepsKeyboardFor(const View* resigning) const {
  if (!resigning || leaving_ > 0 || resigning->window() != this) return false;
  for (const View* v = resigning; v; v = v->superview()) {
    ViewController* c = v->viewController();
    if (!c) continue;
    while (c->parentViewController()) c = c->parentViewController();
    if (c->presentingViewController()) return c->disablesAutomaticKeyboardDismissal();
  }
  return false;
}

void Window::setHasOnScreenKeyboard(bool on) {
  hasOnScreenKeyboard_ = on;
  updateKeyboard();
}

void Window::updateKeyboard(const View* resigning) {
  Responder* r = firstResponder_ ? firstResponder_ : incoming_;
  bool want = hasOnScreenKeyboard_ && r && r->acceptsTextInput();
  if (!want && keyboardVisible_ && keepsKeyboardFor(resigning)) want = true;
  if (want == keyboardVisible_) return;
  keyboardVisible_ = want;
  auto& loop = base::RunLoop::main();
  if (keyboardTimer_) loop.cancel(keyboardTimer_);
  Rect shown = Keyboard::shownFrame(bounds()), hidden = Keyboard::hiddenFrame(bounds());
  base::Value info = want ? Keyboard::userInfo(hidden, shown) : Keyboard::userInfo(shown, hidden);
  const void* sender = this;
  base::NotificationCenter::defaultCenter().post(want ? Keyboard::WillShowNotification : Keyboard::WillHideNotification,
                                                 sender, info);
  auto weak = ui::weakAs<Window>(this);
  std::string didName = want ? Keyboard::DidShowNotification : Keyboard::DidHideNotification;
  keyboardTimer_ = loop.after(Keyboard::kAnimationDuration, [weak, didName, info, sender] {
    auto w = weak.lock();
    if (!w) return;
    w->keyboardTimer_ = 0;
    base::NotificationCenter::defaultCenter().post(didName, sender, info);
  });
}

Responder* Window::nextResponder() const { return &Application::sharedInstance(); }

void Window::didAddSubview(View* subview) {
  if (overlay_ && subview != overlay_.get()) bringSubviewToFront(overlay_.get());
}

void Window::layoutSubviews() {
  if (overlay_) overlay_->setFrame(bounds());
}

TouchSet Window::allActive() const {
  TouchSet out;
  for (auto& [id, t] : active_) out.push_back(t);
  return out;
}

void Window::touchesDown(const TouchPoints& touches, std::optional<double> at) {
  if (Application::sharedInstance().isIgnoringInteractionEvents()) return;
  if (active_.empty()) pressed_input::pressBegins(dynamic_cast<View*>(firstResponder_));
  auto selfWindow = std::static_pointer_cast<Window>(View::self());
  const double now = at.value_or(base::RunLoop::main().now());
  TouchSet changed;
  for (const auto& [id, p] : touches) {
    if (active_.count(id)) continue;
    auto touch = std::make_shared<Touch>(id, p, now);
    bool again = lastTapTime_ >= 0 && now - lastTapTime_ <= kTapInterval &&
                 std::hypot(p.x - lastTapPoint_.x, p.y - lastTapPoint_.y) <= kTapSlop;
    touch->setTapCount(again ? lastTapCount_ + 1 : 1);
    touch->setWindow(selfWindow);
    View* hit = hitTest(p, nullptr);
    std::shared_ptr<View> hitPtr = hit ? hit->self() : nullptr;
    touch->setView(hitPtr);
    if (hitPtr) {
      bool onControl = dynamic_cast<Control*>(hit) != nullptr;
      for (View* v = hit; v; v = v->superview()) {
        auto grs = v->gestureRecognizers();
        for (auto& g : grs) {
          if (onControl && v != hit && g->yieldsToControls()) continue;
          if (g->acceptsTouch(*touch)) touch->addGestureRecognizer(g);
        }
      }
    }
    active_[id] = touch;
    changed.push_back(touch);
  }
  if (!changed.empty()) deliver(TouchPhase::Began, changed, now);
}

void Window::touchesMove(const TouchPoints& touches, std::optional<double> at) {
  const double now = at.value_or(base::RunLoop::main().now());
  TouchSet changed;
  for (const auto& [id, p] : touches) {
    auto it = active_.find(id);
    if (it == active_.end()) continue;
    it->second->update(TouchPhase::Moved, p, now);
    changed.push_back(it->second);
  }
  if (!changed.empty()) deliver(TouchPhase::Moved, changed, now);
}

void Window::touchesUp(const TouchPoints& touches, std::optional<double> at) {
  const double now = at.value_or(base::RunLoop::main().now());
  TouchSet changed;
  for (const auto& [id, p] : touches) {
    auto it = active_.find(id);
    if (it == active_.end()) continue;
    it->second->update(TouchPhase::Ended, p, now);
    changed.push_back(it->second);
    lastTapPoint_ = p;
    lastTapTime_ = now;
    lastTapCount_ = it->second->tapCount();
  }
  if (!changed.empty()) {
    deliver(TouchPhase::Ended, changed, now);
    for (auto& t : changed) active_.erase(t->identifier());
  }
  if (active_.empty()) pressed_input::pressEnds();
}

void Window::touchesCancel(const std::vector<long>& ids) {
  double now = base::RunLoop::main().now();
  TouchSet changed;
  for (long id : ids) {
    auto it = active_.find(id);
    if (it == active_.end()) continue;
    it->second->update(TouchPhase::Cancelled, it->second->windowLocation(), now);
    changed.push_back(it->second);
  }
  if (!changed.empty()) {
    deliver(TouchPhase::Cancelled, changed, now);
    for (auto& t : changed) active_.erase(t->identifier());
  }
  if (active_.empty()) pressed_input::pressEnds();
}

bool Window::turnWheel(const WheelEvent& event) {
  if (Application::sharedInstance().isIgnoringInteractionEvents()) return false;
  auto keepSelf = View::self();
  for (Responder* r = hitTest(event.location, nullptr); r; r = r->nextResponder())
    if (r->wheelTurned(event)) return true;
  return false;
}

bool Window::pressPageKey(const KeyPress& press) {
  // An alert waits for its answer: nothing behind it moves.
  if (Application::sharedInstance().isIgnoringInteractionEvents() || AlertView::visibleAlert()) return false;
  auto keepSelf = View::self();
  for (Responder* r = firstResponder_; r; r = r->nextResponder())
    if (r->pageKeyPressed(press)) return true;
  // Nothing has the focus, or nothing that has it took the key: the screens
  // on show, those presented last (and deepest) first.
  auto controllers = ViewController::controllersBelow(root_.get());
  for (auto it = controllers.rbegin(); it != controllers.rend(); ++it)
    if ((*it)->isVisible() && (*it)->pageKeyPressed(press)) return true;
  return false;
}

namespace {

// Offers Escape to the view and what it holds, the front-most first: what
// is open inside a popover (a list unfolded in it) closes before the
// popover does.
bool offerEscape(View& view) {
  if (view.isHidden()) return false;
  const auto inside = view.subviews();
  for (auto it = inside.rbegin(); it != inside.rend(); ++it)
    if (offerEscape(**it)) return true;
  return view.escapePressed();
}

}  // namespace

bool Window::pressEscape() {
  auto keepSelf = View::self();
  // The alert on show takes Escape whatever it does with it: nothing behind
  // it moves while it waits for its answer.
  if (auto alert = AlertView::visibleAlert()) return alert->escapePressed();
  if (Application::sharedInstance().isIgnoringInteractionEvents()) return false;
  const auto above = overlay_->subviews();
  for (auto it = above.rbegin(); it != above.rend(); ++it)
    if (offerEscape(**it)) return true;
  // A box laid over the whole window (a wait) comes before the screens under
  // it: one that offers no way out takes Escape and does nothing with it.
  const auto layers = subviews();
  for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
    if (it->get() == overlay_.get() || (root_ && it->get() == root_->viewIfLoaded())) continue;
    if (!(*it)->isHidden() && (*it)->escapePressed()) return true;
  }
  auto controllers = ViewController::controllersBelow(root_.get());
  for (auto it = controllers.rbegin(); it != controllers.rend(); ++it)
    if ((*it)->isVisible() && (*it)->escapePressed()) return true;
  return false;
}

bool Window::pressReturn() {
  auto alert = AlertView::visibleAlert();
  if (!alert) return false;
  if (const long index = alert->defaultButtonIndex(); index >= 0) alert->pressButton(index);
  return true;
}

void Window::deliver(TouchPhase phase, const TouchSet& changed, double at) {
  auto keepSelf = View::self();
  Event event(at, allActive());
  // Recognisers first: one that recognises now cancels the touches for the view.
  std::vector<std::shared_ptr<GestureRecognizer>> grs;
  for (auto& t : changed)
    for (auto& g : t->gestureRecognizers())
      if (std::find(grs.begin(), grs.end(), g) == grs.end()) grs.push_back(g);
  for (auto& g : grs) {
    TouchSet mine;
    for (auto& t : changed) {
      auto tg = t->gestureRecognizers();
      if (std::find(tg.begin(), tg.end(), g) != tg.end()) mine.push_back(t);
    }
    if (!g->view()) {
      if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) g->receiveCancelled(mine, event);
      continue;
    }
    switch (phase) {
      case TouchPhase::Began: g->receiveBegan(mine, event); break;
      case TouchPhase::Moved:
      case TouchPhase::Stationary: g->receiveMoved(mine, event); break;
      case TouchPhase::Ended: g->receiveEnded(mine, event); break;
      case TouchPhase::Cancelled: g->receiveCancelled(mine, event); break;
    }
  }
  // Then the views, each with its own touches.
  std::vector<std::pair<std::shared_ptr<View>, TouchSet>> groups;
  for (auto& t : changed) {
    if (t->isDeliveryCancelled() || t->isDeliveryFinished()) continue;
    auto v = t->viewPtr();
    if (!v) continue;
    auto it = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == v; });
    if (it == groups.end())
      groups.push_back({v, {t}});
    else
      it->second.push_back(t);
  }
  for (auto& [v, ts] : groups) {
    switch (phase) {
      case TouchPhase::Began: v->touchesBegan(ts, event); break;
      case TouchPhase::Moved:
      case TouchPhase::Stationary: v->touchesMoved(ts, event); break;
      case TouchPhase::Ended:
        for (auto& t : ts) t->setDeliveryFinished();
        v->touchesEnded(ts, event);
        break;
      case TouchPhase::Cancelled:
        for (auto& t : ts) t->setDeliveryFinished();
        v->touchesCancelled(ts, event);
        break;
    }
  }
  if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled)
    for (auto& g : grs) g->resetIfFinished();
}

}  // namespace ui
