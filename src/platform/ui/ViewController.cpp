#include "platform/ui/ViewController.hpp"

#include <algorithm>

#include "platform/base/Log.hpp"
#include "platform/ui/BarButtonItem.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/TabBarController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "platform/ui/Window.hpp"

namespace ui {

// The views a presentation added to the window, and the presenter's view it
// took out (a full-screen presentation), to be put back on dismissal.
struct ViewController::Presentation {
  std::shared_ptr<View> dim;
  std::shared_ptr<View> hiddenView;
  std::weak_ptr<View> hiddenSuperview;
  std::size_t hiddenIndex = 0;
  bool coversPresenter = false;
};

ViewController::ViewController() = default;

ViewController::~ViewController() {
  if (view_ && view_->controller_ == this) view_->controller_ = nullptr;
  for (auto& c : children_) c->parent_ = nullptr;
  if (presented_) {
    tearDownPresentations();
  }
  if (presenting_ && presenting_->presented_.get() == this) presenting_->presented_.reset();
}

std::shared_ptr<View> ViewController::view() {
  if (!view_ && !loading_) {
    loading_ = true;
    loadView();
    if (!view_) setView(std::make_shared<View>(Screen::mainScreen().bounds()));
    loading_ = false;
    viewDidLoad();
  }
  return view_;
}

void ViewController::setView(std::shared_ptr<View> view) {
  if (view_ == view) return;
  if (view_ && view_->controller_ == this) view_->controller_ = nullptr;
  view_ = std::move(view);
  if (view_) view_->controller_ = this;
}

void ViewController::loadView() {
  auto v = std::make_shared<View>(Screen::mainScreen().bounds());
  v->setBackgroundColor(gfx::Color::white());
  setView(std::move(v));
}

void ViewController::setTitle(const std::string& title) {
  title_ = title;
  navigationItem_.setTitle(title);
}

void ViewController::setEditing(bool editing, bool) { editing_ = editing; }

// --- containment -----------------------------------------------------------------

void ViewController::addChildViewController(std::shared_ptr<ViewController> child) {
  if (!child || child.get() == this) return;
  if (child->parent_ == this) return;
  for (ViewController* p = this; p; p = p->parent_)
    if (p == child.get()) return;  // an ancestor cannot become a child
  child->willMoveToParentViewController(this);
  if (child->parent_) child->removeFromParentViewController();
  children_.push_back(child);
  child->parent_ = this;
}

void ViewController::removeFromParentViewController() {
  ViewController* p = parent_;
  if (!p) return;
  auto it = std::find_if(p->children_.begin(), p->children_.end(), [this](const auto& c) { return c.get() == this; });
  if (it == p->children_.end()) {
    parent_ = nullptr;
    return;
  }
  auto keep = *it;
  p->children_.erase(it);
  parent_ = nullptr;
  didMoveToParentViewController(nullptr);
}

NavigationController* ViewController::navigationController() const {
  for (ViewController* p = parent_; p; p = p->parent_)
    if (auto* n = dynamic_cast<NavigationController*>(p)) return n;
  return nullptr;
}

TabBarController* ViewController::tabBarController() const {
  for (ViewController* p = parent_; p; p = p->parent_)
    if (auto* t = dynamic_cast<TabBarController*>(p)) return t;
  return nullptr;
}

// --- appearance ----------------------------------------------------------------------

bool ViewController::forwardsAppearanceTo(const ViewController& child) const {
  View* cv = child.viewIfLoaded();
  return view_ && cv && cv->isDescendantOfView(view_.get());
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
  finishPendingTransition();
  transitionAnimated_ = animated;
  if (appearing) {
    if (appearance_ == Appearance::Appeared || appearance_ == Appearance::Appearing) return;
    appearance_ = Appearance::Appearing;
    view();
    viewWillAppear(animated);
  } else {
    if (appearance_ == Appearance::Disappeared || appearance_ == Appearance::Disappearing) return;
    appearance_ = Appearance::Disappearing;
    viewWillDisappear(animated);
  }
  auto children = children_;
  for (auto& c : children)
    if (forwardsAppearanceTo(*c)) c->beginAppearanceTransition(appearing, animated);
}

void ViewController::endAppearanceTransition() {
  bool changed = false;
  if (appearance_ == Appearance::Appearing) {
    appearance_ = Appearance::Appeared;
    viewDidAppear(transitionAnimated_);
    changed = true;
  } else if (appearance_ == Appearance::Disappearing) {
    appearance_ = Appearance::Disappeared;
    viewDidDisappear(transitionAnimated_);
    changed = true;
  }
  if (!changed) return;
  auto children = children_;
  for (auto& c : children)
    if (c->appearance_ == Appearance::Appearing || c->appearance_ == Appearance::Disappearing)
      c->endAppearanceTransition();
}

void ViewController::runTransition(bool animated, double duration, const std::function<void()>& animations,
                                   std::function<void()> finish) {
  finishPendingTransition();
  auto token = std::make_shared<std::function<void()>>(std::move(finish));
  pendingTransition_ = token;
  if (animated && View::areAnimationsEnabled() && duration > 0) {
    std::weak_ptr<ViewController> weak = weak_from_this();
    std::weak_ptr<std::function<void()>> weakToken = token;
    View::animate(duration, animations, [weak, weakToken](bool) {
      auto self = weak.lock();
      auto t = weakToken.lock();
      if (self && t && self->pendingTransition_ == t) self->finishPendingTransition();
    });
    if (weak.expired()) finishPendingTransition();  // not held by a shared pointer: nothing would finish it
    return;
  }
  if (animations) animations();
  finishPendingTransition();
}

void ViewController::finishPendingTransition() {
  if (!pendingTransition_) return;
  auto token = std::move(pendingTransition_);
  pendingTransition_.reset();
  auto f = std::move(*token);
  *token = nullptr;
  if (f) f();
}

// --- presentation ------------------------------------------------------------------------

ViewController* ViewController::presentationContext() {
  ViewController* c = this;
  while (c->parent_) c = c->parent_;
  return c;
}

ViewController* ViewController::presentedViewController() const {
  const ViewController* c = this;
  while (c->parent_) c = c->parent_;
  return c->presented_.get();
}

ViewController* ViewController::presentingViewController() const {
  const ViewController* c = this;
  while (c->parent_) c = c->parent_;
  return c->presenting_;
}

void ViewController::presentViewController(std::shared_ptr<ViewController> controller, bool animated,
                                           std::function<void()> completion) {
  if (!controller || controller.get() == this) return;
  ViewController* ctx = presentationContext();
  auto keep = ctx->weak_from_this().lock();
  if (controller->parent_ || controller->presenting_) {
    MV_LOG("present: the controller is already shown elsewhere");
    return;
  }
  ctx->finishPendingTransition();
  if (ctx->presented_) {
    MV_LOG("present: the presenter already presents a controller");
    return;
  }
  Window* window = ctx->view_ ? ctx->view_->window() : nullptr;
  if (!window) {
    MV_LOG("present: the presenter's view is not in a window");
    return;
  }
  auto windowKeep = window->self();
  ctx->presented_ = controller;
  controller->presenting_ = ctx;
  controller->beingPresented_ = true;
  auto v = controller->view();

  auto p = std::make_unique<Presentation>();
  Rect wb = window->bounds();
  Rect finalFrame = wb;
  ModalPresentationStyle style = controller->presentationStyle_;
  if (style == ModalPresentationStyle::FormSheet || style == ModalPresentationStyle::PageSheet) {
    Size s = style == ModalPresentationStyle::FormSheet ? kFormSheetSize : Size{768, wb.height()};
    finalFrame = {std::round(wb.midX() - s.width / 2), std::round(wb.midY() - s.height / 2), s.width, s.height};
    p->dim = std::make_shared<View>(wb);
    p->dim->setBackgroundColor(gfx::Color::black().withAlphaComponent(0.4));
    p->dim->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    v->setAutoresizingMask(FlexibleLeftMargin | FlexibleRightMargin | FlexibleTopMargin | FlexibleBottomMargin);
    v->layer().setCornerRadius(6);
    v->setClipsToBounds(true);
  } else {
    v->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    p->coversPresenter = style == ModalPresentationStyle::FullScreen || style == ModalPresentationStyle::CurrentContext;
  }
  bool covers = p->coversPresenter;
  ctx->presentation_ = std::move(p);

  if (covers) ctx->beginAppearanceTransition(false, animated);
  controller->beginAppearanceTransition(true, animated);
  Presentation* pres = ctx->presentation_.get();
  if (pres->dim) window->insertSubviewBelow(pres->dim, &window->overlay());
  window->insertSubviewBelow(v, &window->overlay());
  v->setAlpha(1);
  v->setFrame(finalFrame);
  std::weak_ptr<ViewController> weakCtx = ctx->weak_from_this();
  std::weak_ptr<ViewController> weakC = controller;
  ModalTransitionStyle transition = controller->transitionStyle_;
  bool animate = animated && View::areAnimationsEnabled();
  if (animate) {
    // The model values are the final ones at once; the start is recorded with the animation.
    if (transition == ModalTransitionStyle::CrossDissolve)
      v->setAlpha(0);
    else
      v->setFrame(finalFrame.offset(0, wb.height() - finalFrame.y()));
  }
  ctx->runTransition(
      animated, kPresentationDuration,
      [v, finalFrame] {
        v->setAlpha(1);
        v->setFrame(finalFrame);
      },
      [weakCtx, weakC, covers, completion = std::move(completion)] {
        auto c = weakC.lock();
        auto presenter = weakCtx.lock();
        if (presenter && c && presenter->presented_ == c && covers && presenter->presentation_) {
          // Out of sight: the presenter's view leaves the window until the dismissal.
          if (auto pv = presenter->view_; pv && pv->superview()) {
            auto& pr = *presenter->presentation_;
            pr.hiddenSuperview = pv->superview()->self();
            pr.hiddenIndex = pv->superview()->indexOfSubview(pv.get());
            pr.hiddenView = pv;
            pv->removeFromSuperview();
          }
        }
        if (presenter && covers) presenter->endAppearanceTransition();
        if (c) {
          c->endAppearanceTransition();
          c->beingPresented_ = false;
        }
        if (completion) completion();
      });
}

void ViewController::dismissViewControllerAnimated(bool animated, std::function<void()> completion) {
  ViewController* ctx = presentationContext();
  auto keep = ctx->weak_from_this().lock();
  ctx->finishPendingTransition();
  if (ctx->presented_) {
    ctx->dismissPresented(animated, std::move(completion));
    return;
  }
  if (ctx->presenting_) {
    ViewController* presenter = ctx->presenting_;
    auto keepPresenter = presenter->weak_from_this().lock();
    presenter->finishPendingTransition();
    presenter->dismissPresented(animated, std::move(completion));
    return;
  }
  // Nothing to dismiss; the completion still runs.
  if (completion) completion();
}

void ViewController::dismissPresented(bool animated, std::function<void()> completion) {
  auto c = presented_;
  if (!c) {
    if (completion) completion();
    return;
  }
  // Whatever the presented controller presents in turn goes first, without animation.
  if (c->presented_) c->dismissPresented(false, {});
  Window* window = c->view_ ? c->view_->window() : nullptr;
  std::shared_ptr<View> windowKeep = window ? window->self() : nullptr;
  bool covers = presentation_ && presentation_->coversPresenter;
  if (covers && presentation_->hiddenView) {
    auto& pr = *presentation_;
    auto sup = pr.hiddenSuperview.lock();
    if (sup && sup->window()) {
      sup->insertSubview(pr.hiddenView, std::min(pr.hiddenIndex, sup->subviews().size()));
    } else if (window) {
      window->insertSubviewBelow(pr.hiddenView, c->view_.get());
    }
    pr.hiddenView.reset();
  }
  c->beingDismissed_ = true;
  c->beginAppearanceTransition(false, animated);
  if (covers) beginAppearanceTransition(true, animated);
  auto v = c->view_;
  Rect wb = window ? window->bounds() : Screen::mainScreen().bounds();
  ModalTransitionStyle transition = c->transitionStyle_;
  std::weak_ptr<ViewController> weakSelf = weak_from_this();
  std::weak_ptr<ViewController> weakC = c;
  auto weakWindow = weakAs<Window>(std::weak_ptr<View>(windowKeep));
  runTransition(
      animated, kPresentationDuration,
      [v, wb, transition] {
        if (!v) return;
        if (transition == ModalTransitionStyle::CrossDissolve)
          v->setAlpha(0);
        else
          v->setFrame(v->frame().offset(0, wb.maxY() - v->frame().y()));
      },
      [weakSelf, weakC, weakWindow, covers, completion = std::move(completion)] {
        auto self = weakSelf.lock();
        auto c = weakC.lock();
        if (c && c->view_) {
          c->view_->removeFromSuperview();
          c->view_->setAlpha(1);
        }
        if (self && self->presentation_ && self->presentation_->dim) self->presentation_->dim->removeFromSuperview();
        if (c) {
          c->endAppearanceTransition();
          c->beingDismissed_ = false;
          c->presenting_ = nullptr;
        }
        if (self) {
          if (covers) self->endAppearanceTransition();
          if (self->presented_ == c) {
            self->presented_.reset();
            self->presentation_.reset();
          }
        }
        if (auto w = weakWindow.lock()) w->updateKeyboard();
        if (completion) completion();
      });
}

void ViewController::tearDownPresentations() {
  auto c = presented_;
  if (!c) return;
  c->tearDownPresentations();
  c->beginAppearanceTransition(false, false);
  if (c->view_) c->view_->removeFromSuperview();
  c->endAppearanceTransition();
  if (presentation_) {
    if (presentation_->dim) presentation_->dim->removeFromSuperview();
    presentation_.reset();
  }
  c->presenting_ = nullptr;
  presented_.reset();
}

std::vector<ViewController*> ViewController::controllersBelow(ViewController* root) {
  std::vector<ViewController*> out;
  std::function<void(ViewController*)> walk = [&](ViewController* c) {
    if (!c || std::find(out.begin(), out.end(), c) != out.end()) return;
    out.push_back(c);
    for (auto& child : c->children_) walk(child.get());
    walk(c->presented_.get());
  };
  walk(root);
  return out;
}

bool ViewController::escapePressed() {
  // Only the screen presented in front closes; what it holds closes with it.
  if (!presenting_ || presented_ || beingPresented_ || beingDismissed_) return false;
  ViewController* front = this;
  if (auto* nav = dynamic_cast<NavigationController*>(this); nav && nav->topViewController())
    front = nav->topViewController();
  // A close button that cannot be pressed now (disabled while work runs)
  // keeps the screen.
  if (auto item = front->closeButtonItem()) return item->trigger();
  dismissViewControllerAnimated(true);
  return true;
}

Responder* ViewController::nextResponder() const {
  if (view_ && view_->superview()) return view_->superview();
  if (parent_) return parent_;
  return nullptr;
}

Window* ViewController::focusWindow() const { return view_ ? view_->window() : nullptr; }

}  // namespace ui
