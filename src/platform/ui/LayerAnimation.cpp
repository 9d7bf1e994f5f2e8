#include "platform/ui/LayerAnimation.hpp"

#include <cmath>

namespace ui {

double LayerAnimation::activeDuration() const {
  double d = duration > 0 ? duration : 0.25;
  if (speed > 0) d /= speed;
  double once = autoreverses ? 2 * d : d;
  if (repeatCount == kRepeatForever || repeatDuration == kRepeatForever) return kRepeatForever;
  if (repeatDuration > 0) return repeatDuration;
  if (repeatCount > 0) return once * repeatCount;
  return once;
}

std::shared_ptr<LayerAnimation> AnimationGroup::clone() const {
  auto g = std::make_shared<AnimationGroup>(*this);
  for (auto& a : g->animations)
    if (a) a = a->clone();
  return g;
}

}  // namespace ui
