#include "customer/CustomerInfoViewHiddenCell.hpp"

#include "platform/base/MainThread.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

std::shared_ptr<ui::Label> switchLabel(const ui::Rect& frame, const std::string& text) {
  auto label = std::make_shared<ui::Label>(frame);
  label->setText(text);
  label->setFont(gfx::Font::systemFont(17));
  label->setTextColor(gfx::Color::black());
  label->setBackgroundColor(gfx::Color::clear());
  return label;
}

}  // namespace

CustomerInfoViewHiddenCell::CustomerInfoViewHiddenCell(const ui::Rect& frame) : ui::View(frame) {
  MV_ASSERT_MAIN_THREAD();
  setBackgroundColor(gfx::Color::clear());
  auto onChange = [this](ui::Control& sender, const ui::Event*) { switchAction(static_cast<ui::Switch&>(sender)); };
  // Each switch sits centred on the height of its label.
  auto centredOn = [](const ui::Label& label, double x) {
    return ui::Rect{x, label.frame().y() + (label.frame().height() - 31) / 2, 51, 31};
  };

  hiddenFromLabel_ = switchLabel({25, 15, 80, 35}, text("HIDE"));
  addSubview(hiddenFromLabel_);
  switchView_ = std::make_shared<ui::Switch>(centredOn(*hiddenFromLabel_, 85));
  switchView_->setTag(kHiddenSwitchTag);
  switchView_->setOnTintColor(gfx::Color::lightGray());
  switchView_->addAction(onChange, ui::ControlEventValueChanged);
  addSubview(switchView_);

  const std::string important = text("MARKIMPORTANT");
  const double width = gfx::sizeWithFont(important, gfx::Font::systemFont(17)).width;
  importantLabel_ = switchLabel({25, 50, width, 35}, important);
  addSubview(importantLabel_);
  importantSwicth_ = std::make_shared<ui::Switch>(centredOn(*importantLabel_, width + 45));
  importantSwicth_->setTag(kImportantSwitchTag);
  importantSwicth_->setOnTintColor(gfx::Color::lightGray());
  importantSwicth_->addAction(onChange, ui::ControlEventValueChanged);
  addSubview(importantSwicth_);

  submitButton_ = std::make_shared<ui::Button>(ui::Rect{563, 15, 70, 30});
  submitButton_->setTitle(text("SUBMIT"));
  ViewStyle::initializeToButtonFlatStyleBlue(*submitButton_);
  submitButton_->addAction([this](ui::Control& sender, const ui::Event*) { submitActionFrom(&sender); },
                           ui::ControlEventTouchUpInside);
  submitButton_->setHidden(true);
  addSubview(submitButton_);
}

void CustomerInfoViewHiddenCell::switchAction(ui::Switch& sender) {
  MV_ASSERT_MAIN_THREAD();
  auto d = delegate_.lock();
  if (!d) return;
  if (sender.tag() == kHiddenSwitchTag) {
    d->switchViewAction(sender.isOn());
  } else if (sender.tag() == kImportantSwitchTag) {
    d->switchViewImportant(sender.isOn());
  }
}

void CustomerInfoViewHiddenCell::submitActionFrom(ui::Control* sender) {
  MV_ASSERT_MAIN_THREAD();
  if (auto d = delegate_.lock()) d->submitAction(sender);
}

}  // namespace mv
