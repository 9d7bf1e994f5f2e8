#include "platform/ui/NavigationController.hpp"

#include <algorithm>

#include "platform/base/Log.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/WeakAs.hpp"

namespace ui {

namespace {

// The navigation controller's own view: its layout places the bar and the top view.
class NavigationContainerView : public View {
 public:
  using View::View;
  void layoutSubviews() override {
    if (auto* n = dynamic_cast<NavigationController*>(viewController())) n->layoutContents();
  }
};

}  // namespace

NavigationController::NavigationController(std::shared_ptr<ViewController> root) {
  bar_ = std::make_shared<NavigationBar>();
  if (root) adopt(root);
}

NavigationController::~NavigationController() {
  for (auto& c : childViewControllers()) c->navigationItem().setChangeHandler({});
  // Controllers still leaving when the stack goes away lose their parent now.
  for (auto& w : leaving_)
    if (auto c = w.lock(); c && c->parent_ == this) {
      c->navigationItem().setChangeHandler({});
      c->parent_ = nullptr;
    }
}

void NavigationController::adopt(const std::shared_ptr<ViewController>& c) {
  addChildViewController(c);
  // The bar follows changes of any item in the stack (the one below the top gives the back title).
  NavigationController* self = this;
  c->navigationItem().setChangeHandler([self] { self->refreshBar(); });
}

void NavigationController::release(ViewController* c) {
  c->navigationItem().setChangeHandler({});
  c->movingFrom_ = false;
  c->movingTo_ = false;
  if (c->parent_ == this) {
    c->parent_ = nullptr;
    c->didMoveToParentViewController(nullptr);
  }
}

ViewController* NavigationController::topViewController() const {
  return children_.empty() ? nullptr : children_.back().get();
}

ViewController* NavigationController::visibleViewController() const {
  if (ViewController* p = presentedViewController()) return p;
  return topViewController();
}

NavigationBar& NavigationController::navigationBar() { return *bar_; }

void NavigationController::loadView() {
  auto v = std::make_shared<NavigationContainerView>(Screen::mainScreen().bounds());
  v->setBackgroundColor(gfx::Color::white());
  bar_->setAutoresizingMask(FlexibleWidth);
  bar_->setHidden(barHidden_);
  v->addSubview(bar_);
  setView(v);
  if (ViewController* top = topViewController()) {
    auto tv = top->view();
    tv->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    v->insertSubviewBelow(tv, bar_.get());
  }
  refreshBar();
  layoutContents();
}

double NavigationController::statusStrip() const {
  View* v = viewIfLoaded();
  if (!v || !v->window() || Application::sharedInstance().isStatusBarHidden()) return 0;
  Point top = v->convertPointToView({0, 0}, nullptr);
  double strip = Application::sharedInstance().statusBarFrame().height();
  return top.y < strip ? strip - std::max(0.0, top.y) : 0;
}

Rect NavigationController::contentFrame() const {
  View* v = viewIfLoaded();
  Rect b = v ? v->bounds() : Screen::mainScreen().bounds();
  if (barHidden_) return {0, 0, b.width(), b.height()};
  double top = statusStrip() + NavigationBar::kHeight;
  return {0, top, b.width(), std::max(0.0, b.height() - top)};
}

void NavigationController::layoutContents() {
  View* v = viewIfLoaded();
  if (!v) return;
  double strip = statusStrip();
  bar_->setStatusStripHeight(strip);
  bar_->setFrame({0, 0, v->bounds().width(), strip + NavigationBar::kHeight});
  bar_->setHidden(barHidden_);
  if (pendingTransition_) return;  // the transition places the views until it ends
  if (ViewController* top = topViewController())
    if (View* tv = top->viewIfLoaded(); tv && tv->superview() == v) tv->setFrame(contentFrame());
}

void NavigationController::refreshBar() {
  NavigationItem* top = nullptr;
  NavigationItem* back = nullptr;
  std::size_t n = children_.size();
  if (n >= 1) top = &children_[n - 1]->navigationItem();
  if (n >= 2) back = &children_[n - 2]->navigationItem();
  auto weak = ui::weakAs<NavigationController>(this);
  bar_->setBackAction([weak] {
    if (auto s = weak.lock()) s->popViewControllerAnimated(true);
  });
  bar_->setItems(top, back);
}

void NavigationController::setNavigationBarHidden(bool hidden, bool animated) {
  if (hidden == barHidden_) return;
  barHidden_ = hidden;
  View* v = viewIfLoaded();
  if (!v) return;
  auto apply = [this] {
    bar_->setHidden(barHidden_);
    if (ViewController* top = topViewController())
      if (View* tv = top->viewIfLoaded(); tv && tv->superview() == viewIfLoaded()) tv->setFrame(contentFrame());
  };
  if (animated)
    View::animate(0.2, apply);
  else
    apply();
}

void NavigationController::replaceTop(const std::shared_ptr<ViewController>& from,
                                      const std::shared_ptr<ViewController>& to, bool forward, bool animated,
                                      std::vector<std::shared_ptr<ViewController>> removed) {
  refreshBar();
  View* container = viewIfLoaded();
  if (!container || from == to) {
    for (auto& r : removed) {
      if (r != to) {
        if (View* rv = r->viewIfLoaded(); rv && container && rv->superview() == container) rv->removeFromSuperview();
        release(r.get());
      }
    }
    if (to) to->movingTo_ = false;
    return;
  }
  auto keepContainer = container->self();
  for (auto& r : removed) leaving_.push_back(r);
  bool showing = isShowing();
  std::shared_ptr<View> nv = to ? to->view() : nullptr;  // loads the view first
  if (showing && from) from->beginAppearanceTransition(false, animated);
  if (showing && to) to->beginAppearanceTransition(true, animated);
  if (auto d = delegate(); d && to) d->navigationControllerWillShowViewController(*this, *to, animated);
  Rect content = contentFrame();
  double w = content.width();
  std::shared_ptr<View> ov = from ? from->view_ : nullptr;
  if (nv) {
    nv->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    if (ov && ov->superview() == container) {
      if (forward)
        container->insertSubviewAbove(nv, ov.get());
      else
        container->insertSubviewBelow(nv, ov.get());
    } else {
      container->insertSubviewBelow(nv, bar_.get());
    }
    nv->setFrame(content);
  }
  // A reveal leaves the screen below in place; only the top one moves.
  const bool reveal = revealDuration_.has_value() && !forward;
  if (animated && View::areAnimationsEnabled() && !reveal) {
    // Start positions; the animation block sets the final ones.
    if (nv) nv->setFrame(content.offset(forward ? w : -w / 3, 0));
  }
  auto weakSelf = ui::weakAs<NavigationController>(this);
  std::weak_ptr<ViewController> weakFrom = from, weakTo = to;
  runTransition(
      animated, reveal ? *revealDuration_ : kTransitionDuration,
      [nv, ov, content, forward, w] {
        if (nv) nv->setFrame(content);
        if (ov) ov->setFrame(content.offset(forward ? -w / 3 : w, 0));
      },
      [weakSelf, weakFrom, weakTo, showing, animated, removed, content] {
        auto self = weakSelf.lock();
        auto from = weakFrom.lock();
        auto to = weakTo.lock();
        if (from) {
          if (View* ov = from->viewIfLoaded()) {
            if (self && ov->superview() == self->viewIfLoaded()) ov->removeFromSuperview();
            ov->setFrame(content);
          }
        }
        if (showing && from) from->endAppearanceTransition();
        if (showing && to) to->endAppearanceTransition();
        if (self) {
          for (auto& r : removed) {
            if (r == to) continue;
            if (View* rv = r->viewIfLoaded(); rv && rv->superview() == self->viewIfLoaded()) rv->removeFromSuperview();
            self->release(r.get());
          }
          auto& l = self->leaving_;
          l.erase(std::remove_if(l.begin(), l.end(), [](const auto& w) { return w.expired() || w.lock()->parent_ == nullptr; }),
                  l.end());
        }
        if (to) to->movingTo_ = false;
        if (self && to)
          if (auto d = self->delegate()) d->navigationControllerDidShowViewController(*self, *to, animated);
      });
}

void NavigationController::pushViewController(std::shared_ptr<ViewController> controller, bool animated) {
  if (!controller || controller.get() == this) return;
  if (controller->parent_ || controller->presenting_) {
    MV_LOG("push: the controller is already in a stack or presented");
    return;
  }
  finishPendingTransition();
  std::shared_ptr<ViewController> from = children_.empty() ? nullptr : children_.back();
  adopt(controller);
  controller->movingTo_ = true;
  replaceTop(from, controller, true, animated, {});
}

std::shared_ptr<ViewController> NavigationController::popViewControllerAnimated(bool animated) {
  finishPendingTransition();
  if (children_.size() < 2) return nullptr;
  auto from = children_.back();
  auto to = children_[children_.size() - 2];
  // Out of the stack at once; it keeps its parent until the pop has finished.
  children_.pop_back();
  from->movingFrom_ = true;
  replaceTop(from, to, false, animated, {from});
  return from;
}

std::shared_ptr<ViewController> NavigationController::popViewControllerRevealing(double duration) {
  revealDuration_ = duration;
  auto popped = popViewControllerAnimated(true);
  revealDuration_.reset();
  return popped;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToRootViewControllerAnimated(bool animated) {
  if (children_.empty()) return {};
  return popToViewController(children_.front().get(), animated);
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToViewController(ViewController* controller,
                                                                                       bool animated) {
  finishPendingTransition();
  auto it = std::find_if(children_.begin(), children_.end(), [controller](const auto& c) { return c.get() == controller; });
  if (it == children_.end() || it + 1 == children_.end()) return {};
  std::vector<std::shared_ptr<ViewController>> popped(it + 1, children_.end());
  auto from = children_.back();
  auto to = *it;
  children_.erase(it + 1, children_.end());
  from->movingFrom_ = true;
  replaceTop(from, to, false, animated, popped);
  return popped;
}

void NavigationController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, bool animated) {
  finishPendingTransition();
  std::vector<std::shared_ptr<ViewController>> unique;
  for (auto& c : controllers) {
    if (!c || c.get() == this || std::find(unique.begin(), unique.end(), c) != unique.end()) continue;
    if ((c->parent_ && c->parent_ != this) || c->presenting_) continue;
    unique.push_back(c);
  }
  std::shared_ptr<ViewController> from = children_.empty() ? nullptr : children_.back();
  std::shared_ptr<ViewController> to = unique.empty() ? nullptr : unique.back();
  std::vector<std::shared_ptr<ViewController>> removed;
  for (auto& c : children_)
    if (std::find(unique.begin(), unique.end(), c) == unique.end()) removed.push_back(c);
  bool forward = !to || std::find(children_.begin(), children_.end(), to) == children_.end();
  children_.clear();
  for (auto& c : unique) {
    children_.push_back(c);
    if (c->parent_ != this) {
      c->willMoveToParentViewController(this);
      c->parent_ = this;
    }
    NavigationController* self = this;
    c->navigationItem().setChangeHandler([self] { self->refreshBar(); });
  }
  if (from && std::find(removed.begin(), removed.end(), from) != removed.end()) from->movingFrom_ = true;
  if (to && forward) to->movingTo_ = true;
  replaceTop(from, to, forward, animated, removed);
}

}  // namespace ui
