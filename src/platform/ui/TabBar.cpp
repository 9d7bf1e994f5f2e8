#include "platform/ui/TabBar.hpp"

#include <cmath>

#include "platform/ui/WeakAs.hpp"

namespace ui {

TabBar::TabBar(const Rect& frame) : View(frame) { setOpaque(false); }

void TabBar::setItems(std::vector<TabBarItem*> items) {
  items_ = std::move(items);
  refresh();
}

void TabBar::setSelectedIndex(std::size_t index) {
  selected_ = index;
  for (std::size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->setSelected(i == selected_);
}

Button* TabBar::buttonAtIndex(std::size_t index) const {
  return index < buttons_.size() ? buttons_[index].get() : nullptr;
}

void TabBar::refresh() {
  for (auto& b : buttons_) b->removeFromSuperview();
  for (auto& l : badges_) l->removeFromSuperview();
  buttons_.clear();
  badges_.clear();
  for (std::size_t i = 0; i < items_.size(); ++i) {
    TabBarItem* item = items_[i];
    auto b = std::make_shared<Button>();
    b->setTitle(item->title());
    b->titleLabel().setFont(gfx::Font::systemFont(10));
    b->setTitleColor(gfx::Color::gray());
    b->setTitleColor(tintColor().value_or(gfx::Color::black()), ControlStateSelected);
    if (item->image()) b->setImage(item->image());
    if (item->selectedImage()) b->setImage(item->selectedImage(), ControlStateSelected);
    b->setEnabled(item->isEnabled());
    b->setSelected(i == selected_);
    auto weak = ui::weakAs<TabBar>(this);
    b->addAction(
        [weak, i](Control&, const Event*) {
          auto bar = weak.lock();
          if (bar && bar->onSelect_) {
            auto action = bar->onSelect_;
            action(i);
          }
        },
        ControlEventTouchUpInside);
    addSubview(b);
    buttons_.push_back(b);
    auto badge = std::make_shared<Label>();
    badge->setFont(gfx::Font::systemFont(12));
    badge->setTextColor(gfx::Color::white());
    badge->setTextAlignment(gfx::TextAlignment::Center);
    badge->setBackgroundColor(gfx::Color::red());
    badge->layer().setCornerRadius(9);
    badge->setClipsToBounds(true);
    badge->setText(item->badgeValue().value_or(""));
    badge->setHidden(!item->badgeValue());
    addSubview(badge);
    badges_.push_back(badge);
  }
  setNeedsLayout();
}

void TabBar::layoutSubviews() {
  Rect b = bounds();
  std::size_t n = buttons_.size();
  if (n == 0) return;
  double w = std::min(120.0, b.width() / static_cast<double>(n));
  double x0 = std::round((b.width() - w * static_cast<double>(n)) / 2);
  for (std::size_t i = 0; i < n; ++i) {
    Rect f{x0 + w * static_cast<double>(i), 0, w, b.height()};
    buttons_[i]->setFrame(f);
    double bw = std::max(18.0, gfx::sizeWithFont(badges_[i]->text(), badges_[i]->font()).width + 10);
    badges_[i]->setFrame({f.midX() + 8, 2, bw, 18});
  }
}

void TabBar::drawRect(gfx::Context& ctx, const Rect&) {
  Rect b = bounds();
  if (backgroundImage_) {
    ctx.drawImage(*backgroundImage_, b);
    return;
  }
  ctx.setFillColor(barTint_.value_or(gfx::Color::rgb255(247, 247, 247)));
  ctx.fillRect(b);
  ctx.setFillColor(gfx::Color::rgb255(178, 178, 178));
  ctx.fillRect({b.x(), b.y(), b.width(), 0.5});
}

void TabBar::setBarTintColor(std::optional<gfx::Color> c) {
  barTint_ = std::move(c);
  setNeedsDisplay();
}

void TabBar::setBackgroundImage(gfx::ImagePtr image) {
  backgroundImage_ = std::move(image);
  setNeedsDisplay();
}

}  // namespace ui
