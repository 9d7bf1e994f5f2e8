#include "platform/ui/View.hpp"

#include <algorithm>
#include <cmath>

#include "platform/base/RunLoop.hpp"
#include "platform/ui/GestureRecognizer.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/ViewController.hpp"
#include "platform/ui/Window.hpp"

namespace ui {

namespace {

struct LayoutQueue {
  std::vector<std::weak_ptr<View>> dirty;
  bool observerInstalled = false;
  bool wakePending = false;
  bool inPass = false;
};

LayoutQueue& layoutQueue() {
  static LayoutQueue q;
  return q;
}

int depthOf(const View* v) {
  int d = 0;
  for (const View* p = v->superview(); p; p = p->superview()) ++d;
  return d;
}

// Shares `delta` among the flexible parts of one axis in proportion to their
// present lengths (equally when they are all zero).
void resizeAxis(double& origin, double& length, double oldTotal, double newTotal, bool flexMin, bool flexLength,
                bool flexMax) {
  double delta = newTotal - oldTotal;
  int count = int(flexMin) + int(flexLength) + int(flexMax);
  if (delta == 0 || count == 0) return;
  double minMargin = origin, maxMargin = oldTotal - origin - length;
  double sum = (flexMin ? minMargin : 0) + (flexLength ? length : 0) + (flexMax ? maxMargin : 0);
  double dOrigin = 0, dLength = 0;
  if (sum > 0) {
    if (flexMin) dOrigin = delta * minMargin / sum;
    if (flexLength) dLength = delta * length / sum;
  } else {
    double share = delta / count;
    if (flexMin) dOrigin = share;
    if (flexLength) dLength = share;
  }
  origin += dOrigin;
  length = std::max(0.0, length + dLength);
}

}  // namespace

bool AnimationRecord::changed(const View* v, const std::string& property) const {
  for (const auto& [w, p] : changes) {
    auto s = w.lock();
    if (s.get() == v && p == property) return true;
  }
  return false;
}

Rect rectForContentMode(ContentMode mode, Size content, const Rect& b) {
  double cw = content.width, ch = content.height;
  switch (mode) {
    case ContentMode::ScaleToFill:
    case ContentMode::Redraw:
      return b;
    case ContentMode::ScaleAspectFit:
    case ContentMode::ScaleAspectFill: {
      if (cw <= 0 || ch <= 0) return b;
      double sx = b.width() / cw, sy = b.height() / ch;
      double s = mode == ContentMode::ScaleAspectFit ? std::min(sx, sy) : std::max(sx, sy);
      double w = cw * s, h = ch * s;
      return {b.x() + (b.width() - w) / 2, b.y() + (b.height() - h) / 2, w, h};
    }
    case ContentMode::Center: return {b.x() + (b.width() - cw) / 2, b.y() + (b.height() - ch) / 2, cw, ch};
    case ContentMode::Top: return {b.x() + (b.width() - cw) / 2, b.y(), cw, ch};
    case ContentMode::Bottom: return {b.x() + (b.width() - cw) / 2, b.maxY() - ch, cw, ch};
    case ContentMode::Left: return {b.x(), b.y() + (b.height() - ch) / 2, cw, ch};
    case ContentMode::Right: return {b.maxX() - cw, b.y() + (b.height() - ch) / 2, cw, ch};
    case ContentMode::TopLeft: return {b.x(), b.y(), cw, ch};
    case ContentMode::TopRight: return {b.maxX() - cw, b.y(), cw, ch};
    case ContentMode::BottomLeft: return {b.x(), b.maxY() - ch, cw, ch};
    case ContentMode::BottomRight: return {b.maxX() - cw, b.maxY() - ch, cw, ch};
  }
  return b;
}

View::View(const Rect& frame) : layer_(std::make_shared<Layer>()) {
  layer_->owner_ = this;
  layer_->setFrame(frame);
  needsLayout_ = true;  // laid out once it joins a tree
}

View::~View() {
  if (window_ && static_cast<const void*>(window_) != static_cast<const void*>(this)) window_->forgetResponder(this);
  for (auto& s : subviews_) {
    s->superview_ = nullptr;
    s->setWindowPointer(nullptr);
  }
  for (auto& g : recognizers_) g->setView(nullptr);
  layer_->owner_ = nullptr;
}

// --- geometry ---------------------------------------------------------------

void View::setFrame(const Rect& frame) {
  if (std::isnan(frame.x()) || std::isnan(frame.y()) || std::isnan(frame.width()) || std::isnan(frame.height()))
    return;
  layer_->setFrame(frame);
}

void View::setBounds(const Rect& bounds) {
  if (std::isnan(bounds.x()) || std::isnan(bounds.y()) || std::isnan(bounds.width()) || std::isnan(bounds.height()))
    return;
  layer_->setBounds(bounds);
}

void View::setCenter(Point center) {
  if (std::isnan(center.x) || std::isnan(center.y)) return;
  layer_->setPosition(center);
}

void View::setTransform(const AffineTransform& t) {
  layer_->setAffineTransform(t);
  noteAnimatableChange("transform");
}

void View::layerGeometryChanged(const Rect& oldBounds, const Rect& oldFrame) {
  Rect nb = bounds();
  if (frame() != oldFrame) noteAnimatableChange("frame");
  if (nb.size != oldBounds.size) {
    if (autoresizesSubviews_) resizeSubviewsWithOldSize(oldBounds.size);
    setNeedsLayout();
  } else if (nb.origin != oldBounds.origin) {
    noteAnimatableChange("bounds");
    setNeedsLayout();
  }
}

void View::resizeSubviewsWithOldSize(Size oldSize) {
  auto subs = subviews_;
  for (auto& s : subs) s->resizeWithOldSuperviewSize(oldSize);
}

void View::resizeWithOldSuperviewSize(Size oldSize) {
  if (!superview_ || autoresizingMask_ == AutoresizingNone) return;
  Size ns = superview_->bounds().size;
  Rect f = frame();
  double x = f.x(), y = f.y(), w = f.width(), h = f.height();
  unsigned m = autoresizingMask_;
  resizeAxis(x, w, oldSize.width, ns.width, m & FlexibleLeftMargin, m & FlexibleWidth, m & FlexibleRightMargin);
  resizeAxis(y, h, oldSize.height, ns.height, m & FlexibleTopMargin, m & FlexibleHeight, m & FlexibleBottomMargin);
  Rect nf{x, y, w, h};
  if (nf != f) setFrame(nf);
}

// --- the tree ---------------------------------------------------------------

Window* View::window() const { return window_; }

void View::setWindowPointer(Window* w) {
  window_ = w;
  for (auto& s : subviews_) s->setWindowPointer(w);
}

namespace {
void callWillMoveToWindow(View* v, Window* w) {
  v->willMoveToWindow(w);
  auto subs = v->subviews();
  for (auto& s : subs) callWillMoveToWindow(s.get(), w);
}
void callDidMoveToWindow(View* v) {
  v->didMoveToWindow();
  auto subs = v->subviews();
  for (auto& s : subs) callDidMoveToWindow(s.get());
}
}  // namespace

void View::attach(View* parent, std::shared_ptr<View> child, std::size_t index) {
  if (!child || child.get() == parent) return;
  // Adding an ancestor would make a cycle.
  for (View* p = parent; p; p = p->superview_)
    if (p == child.get()) return;
  if (child->superview_ == parent) {
    auto& v = parent->subviews_;
    auto it = std::find(v.begin(), v.end(), child);
    std::size_t old = static_cast<std::size_t>(it - v.begin());
    v.erase(it);
    if (index > old) --index;
    index = std::min(index, v.size());
    v.insert(v.begin() + static_cast<std::ptrdiff_t>(index), child);
    return;
  }
  Window* newWindow = parent->window_;
  bool windowChanges = child->window_ != newWindow;
  child->willMoveToSuperview(parent);
  if (windowChanges) callWillMoveToWindow(child.get(), newWindow);
  if (View* old = child->superview_) {
    old->willRemoveSubview(child.get());
    auto& ov = old->subviews_;
    ov.erase(std::remove(ov.begin(), ov.end(), child), ov.end());
    old->setNeedsLayout();
  }
  auto& v = parent->subviews_;
  index = std::min(index, v.size());
  v.insert(v.begin() + static_cast<std::ptrdiff_t>(index), child);
  child->superview_ = parent;
  if (windowChanges) {
    child->setWindowPointer(newWindow);
    callDidMoveToWindow(child.get());
  }
  parent->didAddSubview(child.get());
  child->didMoveToSuperview();
  parent->setNeedsLayout();
  child->needsLayout_ = false;  // re-queue below even when marked at construction
  child->setNeedsLayout();
}

void View::addSubview(std::shared_ptr<View> view) { attach(this, std::move(view), subviews_.size()); }

void View::insertSubview(std::shared_ptr<View> view, std::size_t index) { attach(this, std::move(view), index); }

void View::insertSubviewAbove(std::shared_ptr<View> view, const View* sibling) {
  std::size_t i = indexOfSubview(sibling);
  attach(this, std::move(view), i == std::string::npos ? subviews_.size() : i + 1);
}

void View::insertSubviewBelow(std::shared_ptr<View> view, const View* sibling) {
  std::size_t i = indexOfSubview(sibling);
  attach(this, std::move(view), i == std::string::npos ? 0 : i);
}

std::size_t View::indexOfSubview(const View* view) const {
  for (std::size_t i = 0; i < subviews_.size(); ++i)
    if (subviews_[i].get() == view) return i;
  return std::string::npos;
}

void View::removeFromSuperview() {
  View* parent = superview_;
  if (!parent) return;
  std::size_t i = parent->indexOfSubview(this);
  if (i == std::string::npos) return;
  std::shared_ptr<View> keep = parent->subviews_[i];  // alive until this call ends
  willMoveToSuperview(nullptr);
  bool hadWindow = window_ != nullptr;
  if (hadWindow) {
    callWillMoveToWindow(this, nullptr);
    if (Window* w = window_) w->viewWillLeaveWindow(this);
  }
  parent->willRemoveSubview(this);
  i = parent->indexOfSubview(this);
  if (i != std::string::npos) parent->subviews_.erase(parent->subviews_.begin() + static_cast<std::ptrdiff_t>(i));
  superview_ = nullptr;
  if (hadWindow) {
    setWindowPointer(nullptr);
    callDidMoveToWindow(this);
  }
  didMoveToSuperview();
  parent->setNeedsLayout();
}

void View::bringSubviewToFront(const View* view) {
  std::size_t i = indexOfSubview(view);
  if (i == std::string::npos) return;
  auto keep = subviews_[i];
  subviews_.erase(subviews_.begin() + static_cast<std::ptrdiff_t>(i));
  subviews_.push_back(keep);
}

void View::sendSubviewToBack(const View* view) {
  std::size_t i = indexOfSubview(view);
  if (i == std::string::npos) return;
  auto keep = subviews_[i];
  subviews_.erase(subviews_.begin() + static_cast<std::ptrdiff_t>(i));
  subviews_.insert(subviews_.begin(), keep);
}

void View::exchangeSubviews(std::size_t a, std::size_t b) {
  if (a >= subviews_.size() || b >= subviews_.size()) return;
  std::swap(subviews_[a], subviews_[b]);
}

bool View::isDescendantOfView(const View* view) const {
  for (const View* p = this; p; p = p->superview_)
    if (p == view) return true;
  return false;
}

View* View::viewWithTag(long tag) {
  if (tag_ == tag) return this;
  for (auto& s : subviews_)
    if (View* v = s->viewWithTag(tag)) return v;
  return nullptr;
}

// --- appearance -------------------------------------------------------------

void View::setHidden(bool hidden) {
  if (hidden == isHidden()) return;
  layer_->setHidden(hidden);
  if (hidden && window_) window_->viewWillLeaveWindow(this);
}

void View::setAlpha(double alpha) { layer_->setOpacity(alpha); }

void View::setBackgroundColor(std::optional<gfx::Color> color) {
  layer_->setBackgroundColor(std::move(color));
  setNeedsDisplay();
}

void View::setContentMode(ContentMode mode) {
  contentMode_ = mode;
  setNeedsDisplay();
}

double View::contentScaleFactor() const { return Screen::mainScreen().scale(); }

std::optional<gfx::Color> View::tintColor() const {
  for (const View* v = this; v; v = v->superview_)
    if (v->tint_) return v->tint_;
  return gfx::Color::rgb255(0, 122, 255);
}

void View::setTintColor(std::optional<gfx::Color> color) {
  tint_ = std::move(color);
  setNeedsDisplay();
}

// --- layout -----------------------------------------------------------------

void View::setNeedsLayout() {
  needsLayout_ = true;
  auto weak = weak_from_this();
  if (weak.expired()) return;  // not held by a shared pointer (yet): laid out when added to a tree
  auto& q = layoutQueue();
  q.dirty.push_back(std::move(weak));
  if (!q.observerInstalled) {
    q.observerInstalled = true;
    base::RunLoop::main().addTurnObserver([] { View::layoutPendingViews(); });
  }
  if (!q.wakePending && !q.inPass) {
    // Make sure a turn runs soon, so the end-of-turn pass sees this view.
    q.wakePending = true;
    base::RunLoop::main().post([] { layoutQueue().wakePending = false; });
  }
}

void View::layoutIfNeeded() {
  auto keep = self();
  if (needsLayout_) {
    needsLayout_ = false;
    if (controller_) controller_->viewWillLayoutSubviews();
    layoutSubviews();
    if (controller_) controller_->viewDidLayoutSubviews();
  }
  auto subs = subviews_;
  for (auto& s : subs)
    if (s->superview_ == this) s->layoutIfNeeded();
}

void View::layoutPendingViews() {
  auto& q = layoutQueue();
  if (q.inPass) return;
  q.inPass = true;
  q.wakePending = false;
  // Views marked during the pass are laid out in it too; the bound keeps a
  // view that marks itself on every layout from hanging the loop.
  for (int round = 0; round < 50 && !q.dirty.empty(); ++round) {
    std::vector<std::weak_ptr<View>> list;
    list.swap(q.dirty);
    std::vector<std::pair<int, std::shared_ptr<View>>> views;
    for (auto& w : list)
      if (auto v = w.lock())
        if (v->needsLayout_) views.emplace_back(depthOf(v.get()), std::move(v));
    std::stable_sort(views.begin(), views.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [d, v] : views)
      if (v->needsLayout_) v->layoutIfNeeded();
  }
  q.dirty.clear();
  q.inPass = false;
}

void View::sizeToFit() {
  Size s = sizeThatFits(bounds().size);
  Rect f = frame();
  setFrame({f.x(), f.y(), s.width, s.height});
}

void View::setNeedsDisplay() { layer_->setNeedsDisplay(); }

void View::setNeedsDisplayInRect(const Rect&) { layer_->setNeedsDisplay(); }

// --- coordinates ------------------------------------------------------------

AffineTransform View::toSuperview() const {
  Rect b = bounds();
  Point a = layer_->anchorPoint();
  AffineTransform t = AffineTransform::translation(-b.x() - a.x * b.width(), -b.y() - a.y * b.height());
  if (!layer_->transform().isIdentity()) t = t.concat(layer_->affineTransform());
  Point c = center();
  return t.concat(AffineTransform::translation(c.x, c.y));
}

AffineTransform View::toRoot(const View** root) const {
  AffineTransform t;
  const View* v = this;
  while (v->superview_) {
    t = t.concat(v->toSuperview());
    v = v->superview_;
  }
  // The root's own bounds origin still shifts its content; its frame does not
  // matter, it is the coordinate space of the window.
  Rect rb = v->bounds();
  t = t.concat(AffineTransform::translation(-rb.x(), -rb.y()));
  if (root) *root = v;
  return t;
}

Point View::convertPointToView(Point p, const View* view) const {
  if (view == this) return p;
  Point inRoot = toRoot(nullptr).apply(p);
  if (!view) return inRoot;
  return view->toRoot(nullptr).inverted().apply(inRoot);
}

Point View::convertPointFromView(Point p, const View* view) const {
  if (view == this) return p;
  Point inRoot = view ? view->toRoot(nullptr).apply(p) : p;
  return toRoot(nullptr).inverted().apply(inRoot);
}

Rect View::convertRectToView(const Rect& r, const View* view) const {
  if (view == this) return r;
  AffineTransform t = toRoot(nullptr);
  if (view) t = t.concat(view->toRoot(nullptr).inverted());
  return t.apply(r);
}

Rect View::convertRectFromView(const Rect& r, const View* view) const {
  if (view == this) return r;
  AffineTransform t = view ? view->toRoot(nullptr) : AffineTransform{};
  t = t.concat(toRoot(nullptr).inverted());
  return t.apply(r);
}

// --- hit testing --------------------------------------------------------------

bool View::pointInside(Point p, const Event*) const { return bounds().contains(p); }

View* View::hitTest(Point p, const Event* event) { return basicHitTest(p, event); }

View* View::basicHitTest(Point p, const Event* event) {
  if (isHidden() || !interaction_ || alpha() < 0.01) return nullptr;
  if (!pointInside(p, event)) return nullptr;
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
    View* s = it->get();
    Point q = s->toSuperview().inverted().apply(p);
    if (View* hit = s->hitTest(q, event)) return hit;
  }
  return this;
}

bool View::endEditing(bool force) {
  Window* w = window();
  if (!w) return true;
  auto* v = dynamic_cast<View*>(w->firstResponder());
  if (!v || !v->isDescendantOfView(this)) return true;
  if (force) {
    w->forceResignFirstResponder();
    return true;
  }
  return v->resignFirstResponder() && w->firstResponder() != v;
}

Responder* View::nextResponder() const {
  if (controller_) return controller_;
  return superview_;
}

// --- gestures -----------------------------------------------------------------

void View::addGestureRecognizer(std::shared_ptr<GestureRecognizer> g) {
  if (!g) return;
  if (View* old = g->view()) {
    if (old == this) return;
    old->removeGestureRecognizer(g.get());
  }
  recognizers_.push_back(g);
  g->setView(this);
}

void View::removeGestureRecognizer(const GestureRecognizer* g) {
  auto it = std::find_if(recognizers_.begin(), recognizers_.end(), [g](const auto& p) { return p.get() == g; });
  if (it == recognizers_.end()) return;
  auto keep = *it;
  recognizers_.erase(it);
  keep->setView(nullptr);
}

}  // namespace ui
