#include "platform/ui/PopoverController.hpp"

#include <algorithm>
#include <cmath>

#include "platform/base/Log.hpp"
#include "platform/ui/BarButtonItem.hpp"
#include "platform/ui/Window.hpp"

namespace ui {

namespace {
constexpr double kCornerRadius = 8;
}

// The floating panel: a rounded box with the arrow on one side.
class PopoverController::Panel : public View {
 public:
  using View::View;
  unsigned arrow = PopoverArrowDirectionUp;
  double arrowAt = 0;  // along the arrow's edge, in the panel's coordinates
  gfx::Color fill = gfx::Color::white();

  Rect box() const {
    Rect b = bounds();
    double a = PopoverController::kArrowSize;
    switch (arrow) {
      case PopoverArrowDirectionUp: return {b.x(), b.y() + a, b.width(), b.height() - a};
      case PopoverArrowDirectionDown: return {b.x(), b.y(), b.width(), b.height() - a};
      case PopoverArrowDirectionLeft: return {b.x() + a, b.y(), b.width() - a, b.height()};
      case PopoverArrowDirectionRight: return {b.x(), b.y(), b.width() - a, b.height()};
      default: return b;
    }
  }

  void drawRect(gfx::Context& ctx, const Rect&) override {
    Rect box = this->box();
    double a = PopoverController::kArrowSize;
    ctx.setFillColor(fill);
    ctx.fillRoundedRect(box, kCornerRadius);
    ctx.beginPath();
    switch (arrow) {
      case PopoverArrowDirectionUp:
        ctx.moveTo({arrowAt - a, box.minY()});
        ctx.lineTo({arrowAt, box.minY() - a});
        ctx.lineTo({arrowAt + a, box.minY()});
        break;
      case PopoverArrowDirectionDown:
        ctx.moveTo({arrowAt - a, box.maxY()});
        ctx.lineTo({arrowAt, box.maxY() + a});
        ctx.lineTo({arrowAt + a, box.maxY()});
        break;
      case PopoverArrowDirectionLeft:
        ctx.moveTo({box.minX(), arrowAt - a});
        ctx.lineTo({box.minX() - a, arrowAt});
        ctx.lineTo({box.minX(), arrowAt + a});
        break;
      case PopoverArrowDirectionRight:
        ctx.moveTo({box.maxX(), arrowAt - a});
        ctx.lineTo({box.maxX() + a, arrowAt});
        ctx.lineTo({box.maxX(), arrowAt + a});
        break;
      default:
        break;
    }
    ctx.closePath();
    ctx.fillPath();
  }
};

// Covers the window under the panel: a touch on it is a touch outside.
class PopoverController::Catcher : public View {
 public:
  Catcher(const Rect& frame, std::weak_ptr<PopoverController> owner) : View(frame), owner_(std::move(owner)) {
    setBackgroundColor(std::nullopt);
    setOpaque(false);
  }
  View* hitTest(Point p, const Event* e) override {
    View* hit = basicHitTest(p, e);
    if (hit != this) return hit;
    if (auto o = owner_.lock()) {
      Point inWindow = convertPointToView(p, nullptr);
      for (auto& w : o->passthrough_) {
        auto v = w.lock();
        if (v && v->window() && v->convertRectToView(v->bounds(), nullptr).contains(inWindow)) return nullptr;
      }
    }
    return this;
  }
  void touchesBegan(const TouchSet&, const Event&) override {
    if (auto o = owner_.lock()) o->dismissByOutsideTap();
  }
  // Escape closes the popover as a tap outside it would.
  bool escapePressed() override {
    auto o = owner_.lock();
    return o && o->dismissByOutsideTap();
  }
  void touchesMoved(const TouchSet&, const Event&) override {}
  void touchesEnded(const TouchSet&, const Event&) override {}
  void touchesCancelled(const TouchSet&, const Event&) override {}

 private:
  std::weak_ptr<PopoverController> owner_;
};

PopoverController::PopoverController(std::shared_ptr<ViewController> content) : content_(std::move(content)) {}

PopoverController::~PopoverController() {
  if (visible_ || panel_) {
    visible_ = false;
    if (content_ && content_->isShowing()) {
      content_->beginAppearanceTransition(false, false);
      removeViews();
      content_->endAppearanceTransition();
    } else {
      removeViews();
    }
  }
}

Size PopoverController::popoverContentSize() const {
  if (size_) return *size_;
  if (content_) {
    Size s = content_->preferredContentSize();
    if (s.width > 0 && s.height > 0) return s;
  }
  return {320, 480};
}

void PopoverController::setPopoverContentSize(Size size, bool) {
  if (!(size.width > 0) || !(size.height > 0)) return;
  size_ = size;
  if (visible_) place(anchor_, permitted_);
}

void PopoverController::setContentViewController(std::shared_ptr<ViewController> content, bool) {
  if (content == content_) return;
  if (visible_ && panel_) {
    auto old = content_;
    if (old) old->beginAppearanceTransition(false, false);
    if (old && old->viewIfLoaded()) old->viewIfLoaded()->removeFromSuperview();
    if (old) old->endAppearanceTransition();
    content_ = std::move(content);
    if (content_) {
      auto v = content_->view();
      content_->beginAppearanceTransition(true, false);
      panel_->addSubview(v);
      place(anchor_, permitted_);
      content_->endAppearanceTransition();
    }
    return;
  }
  content_ = std::move(content);
}

void PopoverController::setBackgroundColor(std::optional<gfx::Color> c) {
  background_ = std::move(c);
  if (auto* p = dynamic_cast<Panel*>(panel_.get())) {
    p->fill = background_.value_or(gfx::Color::white());
    p->setNeedsDisplay();
  }
}

bool PopoverController::isPassthrough(const View* v) const {
  for (auto& w : passthrough_)
    if (auto p = w.lock(); p && v && v->isDescendantOfView(p.get())) return true;
  return false;
}

Rect PopoverController::contentFrameInWindow() const {
  if (!panel_ || !content_ || !content_->viewIfLoaded()) return {};
  View* v = content_->viewIfLoaded();
  return v->convertRectToView(v->bounds(), nullptr);
}

void PopoverController::place(const Rect& r, unsigned permitted) {
  auto* panel = static_cast<Panel*>(panel_.get());
  auto win = window_.lock();
  if (!panel || !win) return;
  Rect wb = win->bounds();
  double top = std::max(kMargin, Application::sharedInstance().statusBarFrame().height());
  Rect area{wb.x() + kMargin, wb.y() + top, wb.width() - 2 * kMargin, wb.height() - top - kMargin};
  Size s = popoverContentSize();
  double a = kArrowSize;
  const unsigned order[4] = {PopoverArrowDirectionUp, PopoverArrowDirectionDown, PopoverArrowDirectionLeft,
                             PopoverArrowDirectionRight};
  auto room = [&](unsigned d) -> Size {
    switch (d) {
      case PopoverArrowDirectionUp: return {area.width(), area.maxY() - (r.maxY() + a)};
      case PopoverArrowDirectionDown: return {area.width(), r.minY() - a - area.minY()};
      case PopoverArrowDirectionLeft: return {area.maxX() - (r.maxX() + a), area.height()};
      case PopoverArrowDirectionRight: return {r.minX() - a - area.minX(), area.height()};
      default: return {};
    }
  };
  unsigned chosen = 0;
  for (unsigned d : order) {
    if (!(permitted & d)) continue;
    Size rm = room(d);
    if (rm.width >= s.width && rm.height >= s.height) {
      chosen = d;
      break;
    }
  }
  if (!chosen) {
    double best = -1;
    for (unsigned d : order) {
      if (!(permitted & d)) continue;
      Size rm = room(d);
      double fit = std::max(0.0, std::min(rm.width, s.width)) * std::max(0.0, std::min(rm.height, s.height));
      if (fit > best) {
        best = fit;
        chosen = d;
      }
    }
    if (!chosen) chosen = PopoverArrowDirectionUp;
    Size rm = room(chosen);
    s = {std::max(1.0, std::min(s.width, rm.width)), std::max(1.0, std::min(s.height, rm.height))};
  }
  auto clampTo = [](double v, double lo, double hi) { return std::max(lo, std::min(v, std::max(lo, hi))); };
  Rect content, frame;
  switch (chosen) {
    case PopoverArrowDirectionUp:
    case PopoverArrowDirectionDown: {
      double x = clampTo(std::round(r.midX() - s.width / 2), area.minX(), area.maxX() - s.width);
      double y = chosen == PopoverArrowDirectionUp ? r.maxY() + a : r.minY() - a - s.height;
      content = {x, y, s.width, s.height};
      frame = chosen == PopoverArrowDirectionUp ? Rect{x, y - a, s.width, s.height + a} : Rect{x, y, s.width, s.height + a};
      panel->arrowAt = clampTo(r.midX() - x, kCornerRadius + a, s.width - kCornerRadius - a);
      break;
    }
    default: {
      double y = clampTo(std::round(r.midY() - s.height / 2), area.minY(), area.maxY() - s.height);
      double x = chosen == PopoverArrowDirectionLeft ? r.maxX() + a : r.minX() - a - s.width;
      content = {x, y, s.width, s.height};
      frame = chosen == PopoverArrowDirectionLeft ? Rect{x - a, y, s.width + a, s.height} : Rect{x, y, s.width + a, s.height};
      panel->arrowAt = clampTo(r.midY() - y, kCornerRadius + a, s.height - kCornerRadius - a);
      break;
    }
  }
  arrow_ = chosen;
  panel->arrow = chosen;
  panel->setFrame(frame);
  panel->layer().setShadowPath(gfx::Path::roundedRect(panel->box(), kCornerRadius));
  panel->setNeedsDisplay();
  if (content_ && content_->viewIfLoaded())
    content_->viewIfLoaded()->setFrame({content.x() - frame.x(), content.y() - frame.y(), s.width, s.height});
}

void PopoverController::presentPopoverFromRect(const Rect& rect, View* view, unsigned permitted, bool animated) {
  if (!view || !view->window()) {
    MV_LOG("popover: the view it points at is not in a window");
    return;
  }
  if (!content_) return;
  auto self = weak_from_this().lock();
  if (!self) {
    MV_LOG("popover: the popover controller must be held by a shared pointer");
    return;
  }
  Window* w = view->window();
  anchor_ = view->convertRectToView(rect, nullptr);
  permitted_ = permitted ? permitted : PopoverArrowDirectionAny;
  if (visible_ && window_.lock().get() == w) {
    place(anchor_, permitted_);
    return;
  }
  if (panel_) removeViews();  // a dismissal still fading out ends now
  window_ = w->self();
  auto v = content_->view();
  catcher_ = std::make_shared<Catcher>(w->bounds(), weak_from_this());
  catcher_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
  auto panel = std::make_shared<Panel>();
  panel->fill = background_.value_or(gfx::Color::white());
  panel->setOpaque(false);
  panel->layer().setShadowOpacity(0.25);
  panel->layer().setShadowRadius(4);
  panel->layer().setShadowOffset({0, 2});
  panel_ = panel;
  w->overlay().addSubview(catcher_);
  w->overlay().addSubview(panel_);
  visible_ = true;
  dismissing_ = false;
  content_->beginAppearanceTransition(true, animated);
  panel_->addSubview(v);
  place(anchor_, permitted_);
  std::weak_ptr<PopoverController> weak = self;
  std::weak_ptr<View> weakPanel = panel_;
  if (animated && View::areAnimationsEnabled()) {
    panel_->setAlpha(0);
    View::animate(kAnimationDuration, [p = panel_] { p->setAlpha(1); },
                  [weak, weakPanel](bool) {
                    auto s = weak.lock();
                    if (s && s->visible_ && s->panel_ == weakPanel.lock() && s->content_) s->content_->endAppearanceTransition();
                  });
  } else {
    content_->endAppearanceTransition();
  }
}

void PopoverController::presentPopoverFromBarButtonItem(BarButtonItem& item, unsigned permitted, bool animated) {
  View* v = item.view();
  if (!v) {
    MV_LOG("popover: the bar button item is not shown");
    return;
  }
  presentPopoverFromRect(v->bounds(), v, permitted, animated);
}

void PopoverController::removeViews() {
  if (catcher_) catcher_->removeFromSuperview();
  catcher_.reset();
  if (content_ && content_->viewIfLoaded() && panel_ && content_->viewIfLoaded()->superview() == panel_.get())
    content_->viewIfLoaded()->removeFromSuperview();
  if (panel_) panel_->removeFromSuperview();
  panel_.reset();
}

void PopoverController::dismissPopoverAnimated(bool animated) {
  if (!visible_) return;
  auto keep = weak_from_this().lock();
  visible_ = false;
  dismissing_ = true;
  // Touches reach the screen again at once.
  if (catcher_) catcher_->removeFromSuperview();
  catcher_.reset();
  auto content = content_;
  if (content) content->beginAppearanceTransition(false, animated);
  if (animated && View::areAnimationsEnabled() && panel_) {
    std::weak_ptr<PopoverController> weak = weak_from_this();
    std::weak_ptr<View> weakPanel = panel_;
    View::animate(kAnimationDuration, [p = panel_] { p->setAlpha(0); },
                  [weak, weakPanel, content](bool) {
                    auto s = weak.lock();
                    auto panel = weakPanel.lock();
                    if (s && s->panel_ == panel && !s->visible_) {
                      s->removeViews();
                      s->dismissing_ = false;
                    } else if (!s && panel) {
                      panel->removeFromSuperview();
                    }
                    if (content) content->endAppearanceTransition();
                  });
    return;
  }
  removeViews();
  dismissing_ = false;
  if (content) content->endAppearanceTransition();
}

bool PopoverController::dismissByOutsideTap() {
  if (!visible_) return false;
  auto keep = weak_from_this().lock();
  if (auto d = delegate(); d && !d->popoverControllerShouldDismissPopover(*this)) return false;
  dismissPopoverAnimated(true);
  if (auto d = delegate()) d->popoverControllerDidDismissPopover(*this);
  return true;
}

}  // namespace ui
