#include "shell/frame/PanelTitleBar.hpp"

#include "shell/config/SkinManager.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

PanelTitleBar PanelTitleBar::make(double width, double height, const ui::Rect& titleFrame, const ui::Rect& backFrame,
                                  std::function<void()> onBack) {
  PanelTitleBar parts;
  parts.bar = std::make_shared<ui::ImageView>(ui::Rect{0, 0, width, height});
  parts.bar->setImage(SkinManager::skinFromImageName("topnavbar.png"));
  parts.bar->setUserInteractionEnabled(true);
  parts.title = std::make_shared<ui::Label>(titleFrame);
  parts.title->setFont(gfx::Font::systemFont(17));
  parts.title->setAdjustsFontSizeToFitWidth(true);
  parts.title->setMinimumFontSize(15);
  parts.title->setTextAlignment(gfx::TextAlignment::Center);
  parts.title->setTextColor(gfx::Color::white());
  parts.title->setBackgroundColor(gfx::Color::clear());
  parts.bar->addSubview(parts.title);
  parts.back = std::make_shared<ui::Button>(backFrame);
  ViewStyle::initializeToBackButtonHeight34(*parts.back);
  parts.back->setTitle(text("BACK"));
  parts.back->setHidden(true);
  parts.back->addAction(
      [onBack = std::move(onBack)](ui::Control&, const ui::Event*) {
        if (onBack) onBack();
      },
      ui::ControlEventTouchUpInside);
  parts.bar->addSubview(parts.back);
  return parts;
}

}  // namespace mv
