#include "widgets/CheckBoxView.hpp"

#include <cmath>

#include "platform/ui/Touch.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

namespace {

ui::Rect withHeight(ui::Rect r) {
  r.size.height = CheckBoxView::kHeight;
  return r;
}

const char* prefixForStyle(int style) {
  switch (style) {
    case CheckBoxViewStyleBox: return "cb_box_";
    case CheckBoxViewStyleDark: return "cb_dark_";
    case CheckBoxViewStyleGlossy: return "cb_glossy_";
    case CheckBoxViewStyleGreen: return "cb_green_";
    case CheckBoxViewStyleMono: return "cb_mono_";
    default: return nullptr;
  }
}

}  // namespace

CheckBoxView::CheckBoxView(const ui::Rect& frame, int style, bool checked)
    : ui::View(withHeight(frame)), style_(style), checked_(checked) {
  setUserInteractionEnabled(true);
  setBackgroundColor(gfx::Color::clear());
  const ui::Rect f = this->frame();
  textLabel_ = std::make_shared<ui::Label>(ui::Rect{32, 7, f.width() - 32, 20});
  textLabel_->setTextAlignment(gfx::TextAlignment::Left);
  textLabel_->setBackgroundColor(gfx::Color::clear());
  textLabel_->setFont(gfx::Font::named("Helvetica-Bold", 15));
  textLabel_->setTextColor(gfx::Color::darkGray());
  textLabel_->setShadowColor(gfx::Color::white());
  textLabel_->setShadowOffset({0, 1});
  textLabel_->setAutoresizingMask(ui::FlexibleWidth);
  addSubview(textLabel_);
  auto image = checkBoxImageForStyle(style_, checked_);
  checkBoxImageView_ = std::make_shared<ui::ImageView>(imageViewFrameForCheckBoxImage(image));
  checkBoxImageView_->setImage(image);
  addSubview(checkBoxImageView_);
  setEnabled(true);
}

ui::Rect CheckBoxView::imageViewFrameForCheckBoxImage(const gfx::ImagePtr& image) {
  ui::Size s = image ? image->size() : ui::Size{};
  return {5, std::floor((kHeight - s.height) / 2), s.width, s.height};
}

gfx::ImagePtr CheckBoxView::checkBoxImageForStyle(int style, bool checked) {
  const char* prefix = prefixForStyle(style);
  if (!prefix) return nullptr;
  return WidgetSkin::bundleImage(std::string(prefix) + (checked ? "on" : "off"));
}

void CheckBoxView::updateCheckBoxImage() {
  auto image = checkBoxImageForStyle(style_, checked_);
  checkBoxImageView_->setImage(image);
  checkBoxImageView_->setFrame(imageViewFrameForCheckBoxImage(image));
}

void CheckBoxView::setChecked(bool checked) {
  checked_ = checked;
  updateCheckBoxImage();
}

void CheckBoxView::setEnabled(bool enabled) {
  textLabel_->setEnabled(enabled);
  enabled_ = enabled;
  checkBoxImageView_->setAlpha(enabled ? 1.0 : 0.6);
}

void CheckBoxView::setText(const std::string& text) { textLabel_->setText(text); }

void CheckBoxView::setStateChangedTarget(std::weak_ptr<void> target, StateChanged selector) {
  delegate_ = std::move(target);
  stateChangedSelector_ = std::move(selector);
}

void CheckBoxView::touchesBegan(const ui::TouchSet& touches, const ui::Event& event) {
  if (!enabled_) return;
  setAlpha(0.8);
  ui::View::touchesBegan(touches, event);
}

void CheckBoxView::touchesMoved(const ui::TouchSet& touches, const ui::Event& event) {
  if (!enabled_) return;
  ui::View::touchesMoved(touches, event);
}

void CheckBoxView::touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) {
  if (!enabled_) return;
  setAlpha(1.0);
  ui::View::touchesCancelled(touches, event);
}

void CheckBoxView::touchesEnded(const ui::TouchSet& touches, const ui::Event& event) {
  if (!enabled_) return;
  auto keep = self();
  setAlpha(1.0);
  ui::View* parent = superview();
  if (parent && !touches.empty() && touches.front()) {
    ui::Point p = touches.front()->locationInView(parent);
    // A little slack to the left and above, where a finger tends to land short.
    const ui::Rect f = frame();
    const ui::Rect area{f.x() - 5, f.y() - 10, f.width() + 5, f.height() + 10};
    if (area.contains(p)) {
      checked_ = !checked_;
      updateCheckBoxImage();
      auto target = delegate_.lock();
      if (target && stateChangedSelector_) {
        stateChangedSelector_(*this);
      } else if (stateChangedBlock_) {
        auto block = stateChangedBlock_;
        block(*this);
      }
    }
  }
  ui::View::touchesEnded(touches, event);
}

}  // namespace mv
