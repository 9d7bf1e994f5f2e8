#include "widgets/BadgeButton.hpp"

#include "platform/gfx/TextMeasurer.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

BadgeButton::BadgeButton(const ui::Rect& frame) : ui::Button(frame, ui::ButtonType::Custom) {
  badgeLabel_ = std::make_shared<ui::Label>(ui::Rect{0, 0, 20, 20});
  badgeLabel_->setBackgroundColor(gfx::Color::clear());
  badgeLabel_->setText("");
  badgeLabel_->setTextColor(gfx::Color::white());
  badgeLabel_->setFont(gfx::Font::named("Helvetica-Bold", 12));
  badgeLabel_->setTextAlignment(gfx::TextAlignment::Center);
  badgeView_ = std::make_shared<ui::ImageView>(ui::Rect{0, -13, 20, 20});
  badgeView_->setImage(ViewStyle::resizeImage(WidgetSkin::skinFromImageName("bg_badge.png"), {0, 9, 0, 10}));
  badgeView_->addSubview(badgeLabel_);
  badgeView_->setHidden(true);
  addSubview(badgeView_);
}

void BadgeButton::setBadgeValue(const std::optional<std::string>& value, bool animated) {
  if (!value || value->empty()) {
    badgeView_->setHidden(true);
    return;
  }
  badgeView_->setHidden(false);
  badgeLabel_->setText(*value);
  const double t = gfx::sizeWithFont(*value, badgeLabel_->font()).width;
  const double w = t > 10 ? t + 10 : 20;
  badgeView_->setFrame({bounds().width() - w / 2, -10, w, 20});
  badgeLabel_->setFrame({(w - t) / 2, 0, t, 20});
  if (animated) animateBadgeBouncing();
}

void BadgeButton::animateBadgeBouncing() {
  ui::Layer& layer = badgeView_->layer();
  const double y = layer.position().y;
  const double now = layer.convertTime(ui::mediaTime(), nullptr);
  layer.addAnimation(keyframeBounceAnimationFrom(y, y - 44, y - 40, "position.y", 0.15, now), "bounce");
  layer.addAnimation(keyframeBounceAnimationFrom(y, y - 22, y - 20, "position.y", 0.1, now + 0.3), "bounce2");
}

ui::KeyframeAnimation BadgeButton::keyframeBounceAnimationFrom(double from, double via, double to,
                                                               const std::string& keyPath, double duration,
                                                               double beginTime) {
  ui::KeyframeAnimation a(keyPath);
  a.values = {from, via, to};
  a.keyTimes = {0.0, 0.7, 1.0};
  a.autoreverses = true;
  a.duration = duration;
  a.beginTime = beginTime;
  return a;
}

}  // namespace mv
