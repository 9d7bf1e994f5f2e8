#include "platform/ui/TabBarController.hpp"

#include <algorithm>

#include "platform/ui/Screen.hpp"

namespace ui {

namespace {

class TabBarContainerView : public View {
 public:
  using View::View;
  void layoutSubviews() override {
    if (auto* t = dynamic_cast<TabBarController*>(viewController())) t->layoutContents();
  }
};

}  // namespace

TabBarController::TabBarController() {
  bar_ = std::make_shared<TabBar>();
  TabBarController* self = this;
  bar_->setSelectAction([self](std::size_t i) { self->selectTabFromBar(i); });
}

TabBarController::~TabBarController() {
  bar_->setSelectAction({});
  for (auto& c : children_) c->tabBarItem().setChangeHandler({});
}

ViewController* TabBarController::selectedViewController() const {
  return selected_ < children_.size() ? children_[selected_].get() : nullptr;
}

void TabBarController::refreshBar() {
  std::vector<TabBarItem*> items;
  for (auto& c : children_) {
    TabBarItem& item = c->tabBarItem();
    // A controller without a title of its own (a navigation controller) shows its first child's.
    std::string title = c->title();
    if (title.empty() && !c->childViewControllers().empty()) title = c->childViewControllers().front()->title();
    if (!item.hasOwnTitle() && !title.empty()) item.setTitle(title);
    items.push_back(&item);
  }
  bar_->setItems(items);
  bar_->setSelectedIndex(selected_);
}

void TabBarController::loadView() {
  auto v = std::make_shared<TabBarContainerView>(Screen::mainScreen().bounds());
  v->setBackgroundColor(gfx::Color::white());
  v->addSubview(bar_);
  setView(v);
  if (ViewController* sel = selectedViewController()) {
    auto sv = sel->view();
    sv->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    v->insertSubviewBelow(sv, bar_.get());
    sv->setFrame(contentFrame());
  }
  layoutContents();
}

Rect TabBarController::contentFrame() const {
  View* v = viewIfLoaded();
  Rect b = v ? v->bounds() : Screen::mainScreen().bounds();
  if (bar_->isHidden()) return {0, 0, b.width(), b.height()};
  return {0, 0, b.width(), std::max(0.0, b.height() - TabBar::kHeight)};
}

void TabBarController::layoutContents() {
  View* v = viewIfLoaded();
  if (!v) return;
  Rect b = v->bounds();
  if (!bar_->isHidden()) bar_->setFrame({0, b.height() - TabBar::kHeight, b.width(), TabBar::kHeight});
  if (ViewController* sel = selectedViewController())
    if (View* sv = sel->viewIfLoaded(); sv && sv->superview() == v) sv->setFrame(contentFrame());
}

void TabBarController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, bool) {
  ViewController* current = selectedViewController();
  std::vector<std::shared_ptr<ViewController>> unique;
  for (auto& c : controllers) {
    if (!c || c.get() == this || std::find(unique.begin(), unique.end(), c) != unique.end()) continue;
    if ((c->parent_ && c->parent_ != this) || c->presenting_) continue;
    unique.push_back(c);
  }
  bool showing = isShowing();
  auto it = std::find_if(unique.begin(), unique.end(), [current](const auto& c) { return c.get() == current; });
  std::size_t next = it != unique.end() ? static_cast<std::size_t>(it - unique.begin()) : (unique.empty() ? base::NotFound : 0);
  std::shared_ptr<ViewController> old = current ? current->weak_from_this().lock() : nullptr;
  bool switching = old && (next == base::NotFound || unique[next] != old);
  if (switching && showing) old->beginAppearanceTransition(false, false);
  if (switching && old->view_) old->view_->removeFromSuperview();
  for (auto& c : children_) {
    if (std::find(unique.begin(), unique.end(), c) != unique.end()) continue;
    c->tabBarItem().setChangeHandler({});
    c->parent_ = nullptr;
    c->didMoveToParentViewController(nullptr);
  }
  children_.clear();
  TabBarController* self = this;
  for (auto& c : unique) {
    if (c->parent_ != this) {
      c->willMoveToParentViewController(this);
      c->parent_ = this;
    }
    children_.push_back(c);
    c->tabBarItem().setChangeHandler([self] { self->refreshBar(); });
  }
  if (switching && showing) old->endAppearanceTransition();
  selected_ = base::NotFound;
  if (old && !switching) selected_ = next;
  refreshBar();
  if (next != base::NotFound && selected_ != next) show(next);
}

void TabBarController::show(std::size_t index) {
  auto next = children_[index];
  View* container = viewIfLoaded();
  std::shared_ptr<ViewController> old;
  if (ViewController* cur = selectedViewController()) old = cur->weak_from_this().lock();
  selected_ = index;
  bar_->setSelectedIndex(index);
  if (!container) return;
  auto keep = container->self();
  bool showing = isShowing();
  auto nv = next->view();
  if (showing && old) old->beginAppearanceTransition(false, false);
  if (showing) next->beginAppearanceTransition(true, false);
  if (old && old->view_ && old->view_->superview() == container) old->view_->removeFromSuperview();
  nv->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
  container->insertSubviewBelow(nv, bar_.get());
  nv->setFrame(contentFrame());
  if (showing && old) old->endAppearanceTransition();
  if (showing) next->endAppearanceTransition();
}

void TabBarController::setSelectedIndex(std::size_t index) {
  if (index >= children_.size() || index == selected_) return;
  show(index);
}

void TabBarController::setSelectedViewController(ViewController* controller) {
  for (std::size_t i = 0; i < children_.size(); ++i)
    if (children_[i].get() == controller) setSelectedIndex(i);
}

bool TabBarController::selectTabFromBar(std::size_t index) {
  if (index >= children_.size()) return false;
  auto c = children_[index];
  if (auto d = delegate(); d && !d->tabBarControllerShouldSelectViewController(*this, *c)) return false;
  setSelectedIndex(index);
  if (auto d = delegate()) d->tabBarControllerDidSelectViewController(*this, *c);
  return true;
}

}  // namespace ui
