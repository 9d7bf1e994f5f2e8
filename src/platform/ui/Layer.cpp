#include "platform/ui/Layer.hpp"

#include <algorithm>
#include <cmath>

#include "platform/ui/Transaction.hpp"
#include "platform/ui/View.hpp"

namespace ui {

double mediaTime() { return base::RunLoop::main().now(); }

Layer::Layer() = default;

Layer::~Layer() {
  for (auto& [key, r] : animations_) base::RunLoop::main().cancel(r.timer);
  for (auto& s : sublayers_) s->superlayer_ = nullptr;
}

void Layer::setBounds(const base::Rect& b) {
  if (b == bounds_) return;
  base::Rect oldBounds = bounds_, oldFrame = frame();
  bounds_ = b;
  geometryChanged(oldBounds, oldFrame);
}

void Layer::setPosition(base::Point p) {
  if (p == position_) return;
  base::Rect oldBounds = bounds_, oldFrame = frame();
  position_ = p;
  geometryChanged(oldBounds, oldFrame);
}

void Layer::setAnchorPoint(base::Point p) {
  if (p == anchor_) return;
  base::Rect oldBounds = bounds_, oldFrame = frame();
  anchor_ = p;
  geometryChanged(oldBounds, oldFrame);
}

void Layer::setTransform(const Transform3D& t) {
  if (t == transform_) return;
  base::Rect oldBounds = bounds_, oldFrame = frame();
  transform_ = t;
  geometryChanged(oldBounds, oldFrame);
}

base::Rect Layer::frame() const {
  double w = bounds_.width(), h = bounds_.height();
  base::Rect local{-anchor_.x * w, -anchor_.y * h, w, h};
  base::Rect r = transform_.isIdentity() ? local : transform_.affine().apply(local);
  return r.offset(position_.x, position_.y);
}

void Layer::setFrame(const base::Rect& f) {
  base::Rect oldBounds = bounds_, oldFrame = frame();
  base::Rect fr{f.minX(), f.minY(), f.maxX() - f.minX(), f.maxY() - f.minY()};
  base::AffineTransform t = transform_.affine();
  base::Size size = fr.size;
  if (!transform_.isIdentity()) {
    // Only a pure scale can be undone exactly; other transforms keep the size.
    if (t.b == 0 && t.c == 0 && t.a != 0 && t.d != 0)
      size = {fr.width() / std::fabs(t.a), fr.height() / std::fabs(t.d)};
    else
      size = bounds_.size;
  }
  bounds_.size = size;
  if (transform_.isIdentity())
    position_ = {fr.x() + anchor_.x * fr.width(), fr.y() + anchor_.y * fr.height()};
  else
    position_ = {fr.midX() + (anchor_.x - 0.5) * fr.width(), fr.midY() + (anchor_.y - 0.5) * fr.height()};
  if (bounds_ != oldBounds || frame() != oldFrame) geometryChanged(oldBounds, oldFrame);
}

void Layer::geometryChanged(const base::Rect& oldBounds, const base::Rect& oldFrame) {
  if (owner_) owner_->layerGeometryChanged(oldBounds, oldFrame);
}

void Layer::setBackgroundColor(std::optional<gfx::Color> c) {
  background_ = std::move(c);
  if (owner_) owner_->noteAnimatableChange("backgroundColor");
}

void Layer::setOpacity(double o) {
  if (std::isnan(o)) o = 0;
  opacity_ = std::clamp(o, 0.0, 1.0);
  if (owner_) owner_->noteAnimatableChange("alpha");
}

void Layer::setHidden(bool h) { hidden_ = h; }

void Layer::setMasksToBounds(bool m) { masks_ = m; }

std::optional<base::Value> Layer::valueForKey(const std::string& key) const {
  auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

void Layer::addSublayer(std::shared_ptr<Layer> layer) { insertSublayer(std::move(layer), sublayers_.size()); }

void Layer::insertSublayer(std::shared_ptr<Layer> layer, std::size_t index) {
  // A view's own layer lives in the view tree, and a layer cannot hold itself.
  if (!layer || layer.get() == this || layer->owner_) return;
  for (Layer* p = this; p; p = p->superlayer_)
    if (p == layer.get()) return;
  auto keep = layer;
  layer->removeFromSuperlayer();
  index = std::min(index, sublayers_.size());
  sublayers_.insert(sublayers_.begin() + static_cast<std::ptrdiff_t>(index), keep);
  keep->superlayer_ = this;
}

void Layer::removeFromSuperlayer() {
  Layer* parent = superlayer_;
  if (!parent) return;
  superlayer_ = nullptr;
  auto& v = parent->sublayers_;
  auto it = std::find_if(v.begin(), v.end(), [this](const auto& p) { return p.get() == this; });
  if (it != v.end()) v.erase(it);  // may release this layer: nothing after
}

void Layer::addAnimation(const LayerAnimation& animation, const std::string& key) {
  auto copy = animation.clone();
  if (copy->duration <= 0) copy->duration = Transaction::animationDuration();
  std::string k = key.empty() ? "animation-" + std::to_string(nextSerial_) : key;
  // A new animation under a key replaces the old one, which is told it stopped unfinished.
  removeAnimationForKey(k);
  Running r;
  r.animation = copy;
  r.serial = nextSerial_++;
  double now = mediaTime();
  r.start = copy->beginTime > 0 ? copy->beginTime : now;
  double total = copy->activeDuration();
  if (std::isfinite(total)) {
    std::weak_ptr<Layer> weak = weak_from_this();
    std::uint64_t serial = r.serial;
    double delay = std::max(0.0, r.start - now) + total;
    if (weak.expired()) {
      r.timer = 0;  // a layer not held by a shared pointer keeps its animations until removed
    } else {
      r.timer = base::RunLoop::main().after(delay, [weak, k, serial] {
        if (auto self = weak.lock()) self->finishAnimation(k, serial, true);
      });
    }
  }
  animations_.emplace_back(k, r);
  if (copy->delegate.didStart) copy->delegate.didStart(*copy);
}

void Layer::finishAnimation(const std::string& key, std::uint64_t serial, bool finished) {
  auto it = std::find_if(animations_.begin(), animations_.end(),
                         [&](const auto& e) { return e.first == key && e.second.serial == serial; });
  if (it == animations_.end()) return;
  auto anim = it->second.animation;
  base::RunLoop::main().cancel(it->second.timer);
  if (!finished || anim->removedOnCompletion) {
    animations_.erase(it);
  } else {
    it->second.timer = 0;
  }
  if (anim->delegate.didStop) anim->delegate.didStop(*anim, finished);
}

std::shared_ptr<LayerAnimation> Layer::animationForKey(const std::string& key) const {
  for (const auto& [k, r] : animations_)
    if (k == key) return r.animation;
  return nullptr;
}

std::vector<std::string> Layer::animationKeys() const {
  std::vector<std::string> keys;
  for (const auto& [k, r] : animations_) keys.push_back(k);
  return keys;
}

void Layer::removeAnimationForKey(const std::string& key) {
  for (const auto& [k, r] : animations_)
    if (k == key) {
      finishAnimation(k, r.serial, false);
      return;
    }
}

void Layer::removeAllAnimations() {
  while (!animations_.empty()) {
    auto [k, r] = animations_.front();
    finishAnimation(k, r.serial, false);
  }
}

double Layer::animationStartTime(const std::string& key) const {
  for (const auto& [k, r] : animations_)
    if (k == key) return r.start;
  return std::nan("");
}

}  // namespace ui
