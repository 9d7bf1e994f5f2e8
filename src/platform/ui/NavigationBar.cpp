#include "platform/ui/NavigationBar.hpp"

#include <algorithm>
#include <cmath>

#include "platform/ui/WeakAs.hpp"

namespace ui {

namespace {
constexpr double kMargin = 8;
constexpr double kSpacing = 8;
constexpr double kButtonPadding = 10;
}  // namespace

NavigationBar::NavigationBar(const Rect& frame) : View(frame) {
  setOpaque(false);
  titleLabel_ = std::make_shared<Label>();
  titleLabel_->setFont(titleFont_);
  titleLabel_->setTextColor(titleColor_);
  titleLabel_->setTextAlignment(gfx::TextAlignment::Center);
  addSubview(titleLabel_);
}

void NavigationBar::setItems(NavigationItem* top, NavigationItem* back) {
  top_ = top;
  back_ = back;
  refresh();
}

std::string NavigationBar::backButtonTitle() const {
  if (!back_) return {};
  if (back_->backBarButtonItem() && !back_->backBarButtonItem()->title().empty())
    return back_->backBarButtonItem()->title();
  if (!back_->title().empty()) return back_->title();
  return "Back";
}

std::shared_ptr<View> NavigationBar::viewForItem(const std::shared_ptr<BarButtonItem>& item) {
  std::shared_ptr<View> v;
  if (item->customView()) {
    v = item->customView();
  } else {
    auto b = std::make_shared<Button>(Rect{}, ButtonType::System);
    b->setTitle(item->title());
    if (item->image()) b->setImage(item->image());
    b->setTitleColor(tintColor().value_or(gfx::Color::black()));
    b->setTitleColor(gfx::Color::gray(), ControlStateDisabled);
    b->titleLabel().setFont(item->style() == BarButtonItemStyle::Done ? gfx::Font::boldSystemFont(17)
                                                                     : gfx::Font::systemFont(17));
    b->setEnabled(item->isEnabled());
    std::weak_ptr<BarButtonItem> weakItem = item;
    b->addAction(
        [weakItem](Control&, const Event*) {
          if (auto i = weakItem.lock()) i->trigger();
        },
        ControlEventTouchUpInside);
    Size s = b->sizeThatFits({});
    double w = item->width() > 0 ? item->width() : std::ceil(s.width) + 2 * kButtonPadding;
    b->setFrame({0, 0, w, kHeight});
    v = b;
  }
  auto weakBar = ui::weakAs<NavigationBar>(this);
  item->attach(v, [weakBar] {
    if (auto bar = weakBar.lock()) bar->refresh();
  });
  return v;
}

void NavigationBar::refresh() {
  for (auto& v : left_) v->removeFromSuperview();
  for (auto& v : right_) v->removeFromSuperview();
  left_.clear();
  right_.clear();
  if (backButton_) {
    backButton_->removeFromSuperview();
    backButton_.reset();
  }
  if (titleView_) {
    titleView_->removeFromSuperview();
    titleView_.reset();
  }
  titleLabel_->setText(top_ ? top_->title() : std::string());
  if (top_) {
    bool showBack = back_ && !top_->hidesBackButton() &&
                    (top_->leftBarButtonItems().empty() || top_->leftItemsSupplementBackButton());
    if (showBack) {
      backButton_ = std::make_shared<Button>(Rect{}, ButtonType::System);
      backButton_->setTitle("\u2039 " + backButtonTitle());
      backButton_->setTitleColor(tintColor().value_or(gfx::Color::black()));
      backButton_->titleLabel().setFont(gfx::Font::systemFont(17));
      Size s = backButton_->sizeThatFits({});
      backButton_->setFrame({0, 0, std::ceil(s.width) + 2 * kButtonPadding, kHeight});
      auto weakBar = ui::weakAs<NavigationBar>(this);
      backButton_->addAction(
          [weakBar](Control&, const Event*) {
            auto bar = weakBar.lock();
            if (bar && bar->onBack_) {
              auto action = bar->onBack_;
              action();
            }
          },
          ControlEventTouchUpInside);
      addSubview(backButton_);
    }
    for (auto& item : top_->leftBarButtonItems()) {
      auto v = viewForItem(item);
      left_.push_back(v);
      addSubview(v);
    }
    for (auto& item : top_->rightBarButtonItems()) {
      auto v = viewForItem(item);
      right_.push_back(v);
      addSubview(v);
    }
    if (top_->titleView()) {
      titleView_ = top_->titleView();
      addSubview(titleView_);
    }
  }
  titleLabel_->setHidden(titleView_ != nullptr);
  setNeedsLayout();
  setNeedsDisplay();
}

void NavigationBar::layoutSubviews() {
  Rect b = bounds();
  double top = strip_;
  double h = kHeight;
  double x = kMargin;
  if (backButton_) {
    Rect f = backButton_->frame();
    backButton_->setFrame({x, top, f.width(), h});
    x += f.width() + kSpacing;
  }
  for (auto& v : left_) {
    Rect f = v->frame();
    v->setFrame({x, top + std::round((h - f.height()) / 2), f.width(), f.height()});
    x += f.width() + kSpacing;
  }
  double right = b.width() - kMargin;
  for (auto& v : right_) {
    Rect f = v->frame();
    right -= f.width();
    v->setFrame({right, top + std::round((h - f.height()) / 2), f.width(), f.height()});
    right -= kSpacing;
  }
  // The title is centred on the bar when it fits between the buttons.
  double room = std::max(0.0, std::min(b.width() / 2 - x, right - b.width() / 2));
  if (titleView_) {
    Rect f = titleView_->frame();
    titleView_->setFrame({std::round(b.width() / 2 - f.width() / 2), top + std::round((h - f.height()) / 2), f.width(),
                          f.height()});
  } else {
    titleLabel_->setFrame({b.width() / 2 - room, top, 2 * room, h});
  }
}

void NavigationBar::drawRect(gfx::Context& ctx, const Rect&) {
  Rect b = bounds();
  if (backgroundImage_) {
    ctx.drawImage(*backgroundImage_, b);
  } else {
    gfx::Color bg = barTint_ ? *barTint_
                             : (barStyle_ == BarStyle::Black ? gfx::Color::rgb255(30, 30, 30) : gfx::Color::rgb255(247, 247, 247));
    ctx.setFillColor(bg);
    ctx.fillRect(b);
  }
  ctx.setFillColor(gfx::Color::rgb255(178, 178, 178));
  ctx.fillRect({b.x(), b.maxY() - 0.5, b.width(), 0.5});
}

void NavigationBar::setBarStyle(BarStyle s) {
  barStyle_ = s;
  setTitleColor(s == BarStyle::Black ? gfx::Color::white() : gfx::Color::black());
  setNeedsDisplay();
}

void NavigationBar::setBarTintColor(std::optional<gfx::Color> c) {
  barTint_ = std::move(c);
  setNeedsDisplay();
}

void NavigationBar::setBackgroundImage(gfx::ImagePtr image) {
  backgroundImage_ = std::move(image);
  setNeedsDisplay();
}

void NavigationBar::setTitleFont(const gfx::Font& f) {
  titleFont_ = f;
  titleLabel_->setFont(f);
}

void NavigationBar::setTitleColor(const gfx::Color& c) {
  titleColor_ = c;
  titleLabel_->setTextColor(c);
}

void NavigationBar::setStatusStripHeight(double h) {
  if (h == strip_) return;
  strip_ = h;
  setNeedsLayout();
}

}  // namespace ui
