#include "platform/ui/ViewController.hpp"

#include <algorithm>

#include "platform/ui/Screen.hpp"
#include "platform/ui/Window.hpp"

namespace ui {

ViewController::ViewController() = default;

ViewController::~ViewController() {
  if (view_ && view_->controller_ == this) view_->controller_ = nullptr;
  for (auto& c : children_) c->parent_ = nullptr;
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

void ViewController::didReceiveMemoryWarning() {
  for (auto& c : children_) c->didReceiveMemoryWarning();
}

void ViewController::addChildViewController(std::shared_ptr<ViewController> child) {
  if (!child || child.get() == this) return;
  if (child->parent_ == this) return;
  child->willMoveToParentViewController(this);
  if (child->parent_) child->removeFromParentViewController();
  children_.push_back(child);
  child->parent_ = this;
}

void ViewController::removeFromParentViewController() {
  ViewController* p = parent_;
  if (!p) return;
  auto it = std::find_if(p->children_.begin(), p->children_.end(), [this](const auto& c) { return c.get() == this; });
  if (it == p->children_.end()) return;
  auto keep = *it;
  p->children_.erase(it);
  parent_ = nullptr;
  didMoveToParentViewController(nullptr);
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
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
}

void ViewController::endAppearanceTransition() {
  if (appearance_ == Appearance::Appearing) {
    appearance_ = Appearance::Appeared;
    viewDidAppear(transitionAnimated_);
  } else if (appearance_ == Appearance::Disappearing) {
    appearance_ = Appearance::Disappeared;
    viewDidDisappear(transitionAnimated_);
  }
}

Responder* ViewController::nextResponder() const {
  if (view_ && view_->superview()) return view_->superview();
  if (parent_) return parent_;
  return nullptr;
}

Window* ViewController::focusWindow() const { return view_ ? view_->window() : nullptr; }

}  // namespace ui
