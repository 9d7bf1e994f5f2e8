#include "library/reader/ReaderToolbarView.hpp"

#include "platform/ui/Device.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

ReaderToolbarView::ReaderToolbarView(const ui::Rect& frame) : ui::View(frame) {
  setAutoresizesSubviews(true);
  setUserInteractionEnabled(true);
  setContentMode(ui::ContentMode::Redraw);
  setAutoresizingMask(ui::FlexibleWidth);
  setBackgroundColor(gfx::Color::clear());
  auto background = std::make_shared<ui::ImageView>(ui::Rect{0, 0, frame.width(), frame.height()});
  background->setContentMode(ui::ContentMode::ScaleToFill);
  background->setAutoresizingMask(ui::FlexibleWidth);
  background->setImage(WidgetSkin::skinFromImageName("topbar-bg.png"));
  background->setAlpha(kBarAlpha);
  addSubview(background);
}

void ReaderToolbarView::fadeOut(ui::View& bar) {
  std::weak_ptr<ui::View> weak = bar.self();
  ui::View::animate(
      kFadeDuration, 0, ui::AnimationOptionCurveLinear | ui::AnimationOptionAllowUserInteraction,
      [&bar] { bar.setAlpha(0); },
      [weak](bool) {
        if (auto v = weak.lock()) v->setHidden(true);
      });
}

void ReaderToolbarView::fadeIn(ui::View& bar) {
  bar.setHidden(false);
  ui::View::animate(kFadeDuration, 0, ui::AnimationOptionCurveLinear | ui::AnimationOptionAllowUserInteraction,
                    [&bar] { bar.setAlpha(1); });
}

std::shared_ptr<ui::Button> ReaderToolbarView::addBackButton() {
  auto button = std::make_shared<ui::Button>(ui::Rect{8, 5, 60, 34});
  ViewStyle::initializeToBackButtonHeight34(*button);
  button->setTitle(textForKey("BACK").value_or("Back"));
  addSubview(button);
  return button;
}

std::shared_ptr<ui::Button> ReaderToolbarView::addImageButton(const ui::Rect& frame, gfx::ImagePtr image) {
  auto button = std::make_shared<ui::Button>(frame);
  button->setImage(std::move(image));
  addSubview(button);
  return button;
}

std::shared_ptr<ui::Label> ReaderToolbarView::addTitleLabel(const ui::Rect& frame, const std::string& title) {
  if (ui::Device::currentDevice().userInterfaceIdiom() != ui::UserInterfaceIdiom::Pad) return nullptr;
  auto label = std::make_shared<ui::Label>(frame);
  label->setTextAlignment(gfx::TextAlignment::Center);
  label->setFont(gfx::Font::systemFont(17));
  label->setAdjustsFontSizeToFitWidth(true);
  label->setMinimumFontSize(14);
  label->setTextColor(gfx::Color::white());
  label->setBackgroundColor(gfx::Color::clear());
  label->setAutoresizingMask(ui::FlexibleWidth);
  label->setText(title);
  addSubview(label);
  return label;
}

}  // namespace mv
