#pragma once
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/gfx/Color.hpp"
#include "platform/ui/Transform3D.hpp"

namespace ui {

class LayerAnimation;

// A value a layer animation moves through.
using AnimationValue = std::variant<double, base::Point, base::Size, base::Rect, Transform3D, gfx::Color>;

enum class TimingFunction { Default, Linear, EaseIn, EaseOut, EaseInEaseOut };

// Told when a layer animation starts and stops (optional operations are
// function slots; an empty slot is an operation not implemented).
struct LayerAnimationDelegate {
  std::function<void(LayerAnimation&)> didStart;
  std::function<void(LayerAnimation&, bool finished)> didStop;
};

// A recorded layer animation. Layer animations never change the layer's
// model values; the layer keeps them under their key until they complete
// (when removed on completion) or are removed.
class LayerAnimation {
 public:
  static constexpr double kRepeatForever = std::numeric_limits<double>::infinity();

  virtual ~LayerAnimation() = default;
  virtual std::shared_ptr<LayerAnimation> clone() const = 0;

  std::string keyPath;
  double duration = 0;     // 0 means the transaction's duration (0.25 s by default)
  double beginTime = 0;    // layer time; 0 starts at once
  double timeOffset = 0;
  double speed = 1;
  bool autoreverses = false;
  double repeatCount = 0;  // kRepeatForever never ends
  double repeatDuration = 0;
  bool removedOnCompletion = true;
  std::string fillMode = "removed";
  TimingFunction timingFunction = TimingFunction::Default;
  bool additive = false;
  bool cumulative = false;
  LayerAnimationDelegate delegate;

  // Seconds the animation runs in all (infinity for ever).
  double activeDuration() const;
};

class BasicAnimation : public LayerAnimation {
 public:
  explicit BasicAnimation(std::string path = {}) { keyPath = std::move(path); }
  std::shared_ptr<LayerAnimation> clone() const override { return std::make_shared<BasicAnimation>(*this); }
  std::optional<AnimationValue> fromValue, toValue, byValue;
};

class KeyframeAnimation : public LayerAnimation {
 public:
  explicit KeyframeAnimation(std::string path = {}) { keyPath = std::move(path); }
  std::shared_ptr<LayerAnimation> clone() const override { return std::make_shared<KeyframeAnimation>(*this); }
  std::vector<AnimationValue> values;
  std::vector<double> keyTimes;
  std::vector<TimingFunction> timingFunctions;
  std::string calculationMode = "linear";
};

class AnimationGroup : public LayerAnimation {
 public:
  std::shared_ptr<LayerAnimation> clone() const override;
  std::vector<std::shared_ptr<LayerAnimation>> animations;
};

}  // namespace ui
