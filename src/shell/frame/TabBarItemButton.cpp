#include "shell/frame/TabBarItemButton.hpp"

#include "platform/base/RunLoop.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/LayerAnimation.hpp"
#include "shell/config/SkinManager.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

TabBarItemButton::TabBarItemButton(const ui::Rect& frame) : ui::View(frame) {
  btn_ = std::make_shared<ui::Button>(ui::Rect{11, 0, 40, 40}, ui::ButtonType::Custom);
  animatedImageView_ = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 40, 40});
  animatedImageView_->setAlpha(0);
  animatedImageView_->setContentMode(ui::ContentMode::ScaleAspectFit);
  btn_->addSubview(animatedImageView_);
  addSubview(btn_);

  lableTitle_ = std::make_shared<ui::Label>(ui::Rect{-8, 34, 74, 22});
  lableTitle_->setFont(gfx::Font::systemFont(12));
  lableTitle_->setTextAlignment(gfx::TextAlignment::Center);
  lableTitle_->setBackgroundColor(gfx::Color::clear());
  lableTitle_->setTextColor(titleColor_);
  addSubview(lableTitle_);

  badgeView_ = std::make_shared<ui::ImageView>(ui::Rect{55, -5, 20, 20});
  badgeView_->setImage(ViewStyle::resizeImage(SkinManager::skinFromImageName("bg_badge.png"), {0, 9, 0, 10}));
  badgeView_->setHidden(true);
  badgeLabel_ = std::make_shared<ui::Label>(ui::Rect{0, 0, 20, 20});
  badgeLabel_->setFont(gfx::Font::fontWithName("Helvetica-Bold", 12).value_or(gfx::Font::boldSystemFont(12)));
  badgeLabel_->setTextColor(gfx::Color::white());
  badgeLabel_->setTextAlignment(gfx::TextAlignment::Center);
  badgeLabel_->setBackgroundColor(gfx::Color::clear());
  badgeView_->addSubview(badgeLabel_);
  addSubview(badgeView_);
}

void TabBarItemButton::setTitle(const std::string& title) {
  title_ = title;
  lableTitle_->setText(title);
  // The picture is the button; the title under it names it.
  btn_->setAccessibilityLabel(title);
}

void TabBarItemButton::setImgNormal(gfx::ImagePtr image) {
  imgNormal_ = std::move(image);
  btn_->setImage(imgNormal_, ui::ControlStateNormal);
}

void TabBarItemButton::setImgFocus(gfx::ImagePtr image) {
  imgFocus_ = std::move(image);
  btn_->setImage(imgFocus_, ui::ControlStateSelected);
  animatedImageView_->setImage(imgFocus_);
}

bool TabBarItemButton::isSelected() const { return btn_->isSelected(); }

void TabBarItemButton::setSelected(bool selected) {
  btn_->setSelected(selected);
  lableTitle_->setTextColor(selected ? selectedTitleColor_ : titleColor_);
}

void TabBarItemButton::setTitleColors(const gfx::Color& normal, const gfx::Color& selected) {
  titleColor_ = normal;
  selectedTitleColor_ = selected;
  lableTitle_->setTextColor(isSelected() ? selectedTitleColor_ : titleColor_);
}

void TabBarItemButton::addTarget(ui::Control::Action action, unsigned events) {
  btn_->addAction(std::move(action), events);
}

bool TabBarItemButton::pointInside(ui::Point p, const ui::Event* event) const {
  return ui::View::pointInside(p, event) || lableTitle_->frame().contains(p);
}

ui::View* TabBarItemButton::hitTest(ui::Point p, const ui::Event* event) {
  ui::View* hit = ui::View::hitTest(p, event);
  if (hit != this) return hit;
  // Only while the button itself takes presses (shown and enabled).
  const ui::Rect b = btn_->bounds();
  return btn_->hitTest({b.midX(), b.midY()}, event) ? btn_.get() : hit;
}

long TabBarItemButton::buttonTag() const { return btn_->tag(); }

void TabBarItemButton::setButtonTag(long tag) {
  btn_->setTag(tag);
  setTag(tag);
}

double TabBarItemButton::badgeWidth(double textWidth) { return textWidth <= 10 ? 20 : textWidth + 10; }

void TabBarItemButton::setBadgeValue(const std::optional<std::string>& value, bool animated) {
  if (!value || value->empty()) {
    badgeView_->setHidden(true);
    return;
  }
  badgeView_->setHidden(false);
  badgeLabel_->setText(*value);
  const double w = gfx::sizeWithFont(*value, badgeLabel_->font()).width;
  const double b = badgeWidth(w);
  badgeView_->setFrame({kBadgeCentreX - b / 2, -5, b, 20});
  badgeLabel_->setFrame({(b - w) / 2, 0, w, 20});
  if (animated) animateBadgeBouncing();
}

void TabBarItemButton::animateBadgeBouncing() {
  ui::Layer& layer = badgeView_->layer();
  const double y = layer.position().y;
  const double now = base::RunLoop::main().now();
  auto bounce = [&](double high, double settle, double duration, double begin) {
    ui::KeyframeAnimation a("position.y");
    a.values = {y, y - high, y - settle};
    a.keyTimes = {0, 0.7, 1.0};
    a.autoreverses = true;
    a.duration = duration;
    a.beginTime = begin;
    return a;
  };
  layer.addAnimation(bounce(22, 20, 0.15, now), kBounceKey);
  layer.addAnimation(bounce(11, 10, 0.1, now + 0.3), kBounce2Key);
}

void TabBarItemButton::startBlinkIcon() {
  blinking_ = true;
  ui::View::animate(kBlinkDuration, 0, ui::AnimationOptionRepeat | ui::AnimationOptionAutoreverse, [this] {
    btn_->imageView().setAlpha(0);
    animatedImageView_->setAlpha(1);
  });
}

void TabBarItemButton::stopBlinkIcon() {
  blinking_ = false;
  btn_->imageView().layer().removeAllAnimations();
  animatedImageView_->layer().removeAllAnimations();
  btn_->imageView().setAlpha(1);
  animatedImageView_->setAlpha(0);
}

}  // namespace mv
