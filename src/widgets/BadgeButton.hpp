#pragma once
// A button with a small count badge on its top right corner that bounces
// when its value changes.
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/LayerAnimation.hpp"

namespace mv {

class BadgeButton : public ui::Button {
 public:
  explicit BadgeButton(const ui::Rect& frame = {});

  // Nothing or an empty text hides the badge (never animated); any other
  // text shows it, sized to the text, and bounces it when asked.
  void setBadgeValue(const std::optional<std::string>& value, bool animated);
  void animateBadgeBouncing();
  // A self-reversing keyframe animation through three values at key times 0, 0.7 and 1.
  static ui::KeyframeAnimation keyframeBounceAnimationFrom(double from, double via, double to,
                                                           const std::string& keyPath, double duration,
                                                           double beginTime);

  ui::ImageView& badgeView() const { return *badgeView_; }
  ui::Label& badgeLabel() const { return *badgeLabel_; }

 private:
  std::shared_ptr<ui::ImageView> badgeView_;
  std::shared_ptr<ui::Label> badgeLabel_;
};

}  // namespace mv
