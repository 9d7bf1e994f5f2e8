#include "widgets/SwitchButton.hpp"

#include "util/TextLookup.hpp"
#include "widgets/BundleStrings.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

namespace {

constexpr int kBarStyle = 2;

// Actions reach the switch through the control's superview, so a control
// kept by someone else after the switch is gone calls nobody.
SwitchButton* owningSwitch(ui::Control& sender) { return dynamic_cast<SwitchButton*>(sender.superview()); }

}  // namespace

SwitchButton::SwitchButton(const ui::Rect& frame) : ui::View(frame) {
  const double w = frame.width(), h = frame.height();
  auto makeHalf = [&](double x, long tag, const char* normal, const char* on) {
    auto b = std::make_shared<ui::Button>(ui::Rect{x, 0, w * 0.5, h}, ui::ButtonType::Custom);
    b->setTag(tag);
    b->setBackgroundImage(WidgetSkin::skinFromImageName(normal), ui::ControlStateNormal);
    b->setBackgroundImage(WidgetSkin::skinFromImageName(on), ui::ControlStateSelected);
    b->addAction(
        [](ui::Control& sender, const ui::Event*) {
          if (auto* s = owningSwitch(sender)) s->btnClick(static_cast<ui::Button&>(sender));
        },
        ui::ControlEventTouchDown);
    b->setHidden(true);
    addSubview(b);
    return b;
  };
  btnLeft_ = makeHalf(0, 0, "catalogswitch_left.png", "catalogswitch_left_on.png");
  btnRight_ = makeHalf(w * 0.5, 1, "catalogswitch_right.png", "catalogswitch_right_on.png");
  btnLeft_->setSelected(true);
  btnRight_->setSelected(false);
  setBackgroundColor(gfx::Color::clear());

  segmentedControl_ = std::make_shared<ui::SegmentedControl>(
      std::vector<std::string>{text("CATEGORY"), text("TAG")});
  segmentedControl_->setFrame({20, 5, w - 40, h - 10});
  segmentedControl_->setTintColor(ViewStyle::colorOfMainTheme());
  segmentedControl_->setSegmentedControlStyle(kBarStyle);
  segmentedControl_->setSelectedSegmentIndex(0);
  segmentedControl_->addAction(
      [](ui::Control& sender, const ui::Event*) {
        if (auto* s = owningSwitch(sender)) s->valueChanged(static_cast<ui::SegmentedControl&>(sender));
      },
      ui::ControlEventValueChanged);
  addSubview(segmentedControl_);
}

void SwitchButton::setCurrentIndex(long index) {
  if (index != 0 && index != 1) return;  // there are only two segments
  if (index == currentIndex_) return;
  segmentedControl_->setSelectedSegmentIndex(index);
  valueChanged(*segmentedControl_);
}

void SwitchButton::valueChanged(ui::SegmentedControl& sender) {
  const long selected = sender.selectedSegmentIndex();
  if (selected == currentIndex_ || selected < 0) return;
  currentIndex_ = selected;
  auto keep = self();
  if (auto d = delegate_.lock()) d->selectSwitchButton(*this, currentIndex_);
}

void SwitchButton::btnClick(ui::Button& sender) {
  const long tag = sender.tag();
  if (tag == currentIndex_) return;
  btnLeft_->setSelected(tag == 0);
  btnRight_->setSelected(tag == 1);
  auto keep = self();
  if (auto d = delegate_.lock()) d->selectSwitchButton(*this, tag);
  currentIndex_ = tag;
  if (tag == 0 || tag == 1) segmentedControl_->setSelectedSegmentIndex(tag);
}

std::string SwitchButton::leftTittle() const { return btnLeft_->titleForState(ui::ControlStateNormal).value_or(""); }

void SwitchButton::setLeftTittle(const std::string& title) {
  btnLeft_->setTitle(title, ui::ControlStateNormal);
  btnLeft_->setTitleColor(gfx::Color::white(), ui::ControlStateNormal);
}

std::string SwitchButton::rightTittle() const {
  return btnRight_->titleForState(ui::ControlStateNormal).value_or("");
}

void SwitchButton::setRightTittle(const std::string& title) {
  btnRight_->setTitle(title, ui::ControlStateNormal);
  btnRight_->setTitleColor(gfx::Color::white(), ui::ControlStateNormal);
}

}  // namespace mv
